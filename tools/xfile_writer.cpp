#include "tools/xfile_writer.h"

#include <charconv>
#include <cstring>

namespace sample {

namespace {

size_t TriangleCount(const XMeshData& mesh) { return mesh.indices.size() / 3; }

// ---- text

void AppendVectors(std::string& out, const std::string& indent, const std::vector<float>& values,
                   size_t width) {
  const size_t count = width == 0 ? 0 : values.size() / width;
  out += indent + std::to_string(count) + ";\n";
  for (size_t i = 0; i < count; ++i) {
    out += indent;
    for (size_t k = 0; k < width; ++k) out += FormatXFloat(values[i * width + k]) + ";";
    out += i + 1 == count ? ";\n" : ",\n";
  }
}

void AppendFaces(std::string& out, const std::string& indent, const XMeshData& mesh) {
  const size_t faces = TriangleCount(mesh);
  out += indent + std::to_string(faces) + ";\n";
  for (size_t f = 0; f < faces; ++f) {
    out += indent + "3;" + std::to_string(mesh.indices[3 * f]) + "," +
           std::to_string(mesh.indices[3 * f + 1]) + "," + std::to_string(mesh.indices[3 * f + 2]) +
           (f + 1 == faces ? ";;\n" : ";,\n");
  }
}

std::vector<float> Flatten(const std::vector<D3DVECTOR>& vectors) {
  std::vector<float> out;
  out.reserve(vectors.size() * 3);
  for (const D3DVECTOR& v : vectors) out.insert(out.end(), {v.x, v.y, v.z});
  return out;
}

std::vector<float> MaterialFloats(const D3DMATERIAL8& m) {
  return {m.Diffuse.r,  m.Diffuse.g,  m.Diffuse.b,  m.Diffuse.a,  m.Power,     m.Specular.r,
          m.Specular.g, m.Specular.b, m.Emissive.r, m.Emissive.g, m.Emissive.b};
}

// ---- binary

enum Token : uint16_t {
  kName = 1,
  kString = 2,
  kIntegerList = 6,
  kFloatList = 7,
  kOpenBrace = 10,
  kCloseBrace = 11,
  kSemicolon = 20,
};

class BinaryOut {
 public:
  void Put16(uint16_t v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
  }
  void Put32(uint32_t v) {
    Put16(uint16_t(v & 0xFFFF));
    Put16(uint16_t(v >> 16));
  }
  void Name(const std::string& name) {
    Put16(kName);
    Put32(uint32_t(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
  }
  void String(const std::string& text) {
    Put16(kString);
    Put32(uint32_t(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    Put16(kSemicolon);
  }
  void Integers(const std::vector<uint32_t>& values) {
    Put16(kIntegerList);
    Put32(uint32_t(values.size()));
    for (uint32_t v : values) Put32(v);
  }
  void Floats(const std::vector<float>& values) {
    Put16(kFloatList);
    Put32(uint32_t(values.size()));
    for (float f : values) {
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      Put32(bits);
    }
  }
  void Open(const std::string& templateName, const std::string& objectName = "") {
    Name(templateName);
    if (!objectName.empty()) Name(objectName);
    Put16(kOpenBrace);
  }
  void Close() { Put16(kCloseBrace); }

  std::vector<uint8_t> bytes;
};

std::vector<uint32_t> FaceList(const XMeshData& mesh) {
  const size_t faces = TriangleCount(mesh);
  std::vector<uint32_t> out;
  out.reserve(1 + faces * 4);
  out.push_back(uint32_t(faces));
  for (size_t f = 0; f < faces; ++f) {
    out.insert(out.end(),
               {3u, mesh.indices[3 * f], mesh.indices[3 * f + 1], mesh.indices[3 * f + 2]});
  }
  return out;
}

uint32_t AttributeOf(const XMeshData& mesh, size_t face) {
  return face < mesh.attributes.size() ? mesh.attributes[face] : 0;
}

}  // namespace

std::string FormatXFloat(float value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::fixed, 6);
  std::string text(buffer, result.ptr);
  if (text == "-0.000000") text = "0.000000";
  return text;
}

std::string WriteXText(const XMeshData& mesh, const std::string& meshName) {
  std::string out = "xof 0303txt 0032\n\n";
  out += "Mesh " + meshName + " {\n";
  AppendVectors(out, " ", Flatten(mesh.positions), 3);
  AppendFaces(out, " ", mesh);
  if (mesh.hasNormals) {
    out += "\n MeshNormals {\n";
    AppendVectors(out, "  ", Flatten(mesh.normals), 3);
    AppendFaces(out, "  ", mesh);
    out += " }\n";
  }
  if (mesh.hasTexCoords) {
    out += "\n MeshTextureCoords {\n";
    AppendVectors(out, "  ", mesh.texCoords, 2);
    out += " }\n";
  }
  if (!mesh.materials.empty()) {
    const size_t faces = TriangleCount(mesh);
    out += "\n MeshMaterialList {\n";
    out += "  " + std::to_string(mesh.materials.size()) + ";\n";
    out += "  " + std::to_string(faces) + ";\n";
    for (size_t f = 0; f < faces; ++f) {
      out += "  " + std::to_string(AttributeOf(mesh, f)) + (f + 1 == faces ? ";\n" : ",\n");
    }
    for (const XMaterial& material : mesh.materials) {
      const std::vector<float> v = MaterialFloats(material.material);
      out += "\n  Material {\n";
      out += "   " + FormatXFloat(v[0]) + ";" + FormatXFloat(v[1]) + ";" + FormatXFloat(v[2]) + ";" +
             FormatXFloat(v[3]) + ";;\n";
      out += "   " + FormatXFloat(v[4]) + ";\n";
      out += "   " + FormatXFloat(v[5]) + ";" + FormatXFloat(v[6]) + ";" + FormatXFloat(v[7]) + ";;\n";
      out += "   " + FormatXFloat(v[8]) + ";" + FormatXFloat(v[9]) + ";" + FormatXFloat(v[10]) +
             ";;\n";
      if (material.hasTexture) {
        out += "\n   TextureFilename {\n    \"" + material.textureFilename + "\";\n   }\n";
      }
      out += "  }\n";
    }
    out += " }\n";
  }
  out += "}\n";
  return out;
}

std::vector<uint8_t> WriteXBinary(const XMeshData& mesh, const std::string& meshName) {
  BinaryOut out;
  const char header[] = "xof 0303bin 0032";
  out.bytes.insert(out.bytes.end(), header, header + 16);
  out.Open("Mesh", meshName);
  out.Integers({uint32_t(mesh.positions.size())});
  out.Floats(Flatten(mesh.positions));
  out.Integers(FaceList(mesh));
  if (mesh.hasNormals) {
    out.Open("MeshNormals");
    out.Integers({uint32_t(mesh.normals.size())});
    out.Floats(Flatten(mesh.normals));
    out.Integers(FaceList(mesh));
    out.Close();
  }
  if (mesh.hasTexCoords) {
    out.Open("MeshTextureCoords");
    out.Integers({uint32_t(mesh.texCoords.size() / 2)});
    out.Floats(mesh.texCoords);
    out.Close();
  }
  if (!mesh.materials.empty()) {
    const size_t faces = TriangleCount(mesh);
    out.Open("MeshMaterialList");
    std::vector<uint32_t> list = {uint32_t(mesh.materials.size()), uint32_t(faces)};
    for (size_t f = 0; f < faces; ++f) list.push_back(AttributeOf(mesh, f));
    out.Integers(list);
    for (const XMaterial& material : mesh.materials) {
      out.Open("Material");
      out.Floats(MaterialFloats(material.material));
      if (material.hasTexture) {
        out.Open("TextureFilename");
        out.String(material.textureFilename);
        out.Close();
      }
      out.Close();
    }
    out.Close();
  }
  out.Close();
  return std::move(out.bytes);
}

}  // namespace sample
