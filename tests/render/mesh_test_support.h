// Small helpers for mesh tests: build a 0x112 mesh from arrays on the
// recording device and read its buffers back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "render/d3dx8.h"
#include "render/d3dx_mesh.h"
#include "render/recording_device.h"

namespace mesh_test {

// The layout of FVF 0x112.
struct Vertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

inline ID3DXMesh* MakeMesh(IDirect3DDevice8* device, const std::vector<Vertex>& vertices,
                           const std::vector<uint32_t>& indices,
                           const std::vector<DWORD>& attributes = {},
                           DWORD options = D3DXMESH_MANAGED) {
  ID3DXMesh* mesh = nullptr;
  const DWORD faces = DWORD(indices.size() / 3);
  EXPECT_EQ(D3D_OK, D3DXCreateMeshFVF(faces, DWORD(vertices.size()), options, 0x112, device, &mesh));
  if (mesh == nullptr) return nullptr;
  BYTE* data = nullptr;
  EXPECT_EQ(D3D_OK, mesh->LockVertexBuffer(0, &data));
  std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
  mesh->UnlockVertexBuffer();
  EXPECT_EQ(D3D_OK, mesh->LockIndexBuffer(0, &data));
  for (size_t i = 0; i < indices.size(); ++i) {
    if (options & D3DXMESH_32BIT) {
      std::memcpy(data + 4 * i, &indices[i], 4);
    } else {
      const uint16_t index = uint16_t(indices[i]);
      std::memcpy(data + 2 * i, &index, 2);
    }
  }
  mesh->UnlockIndexBuffer();
  DWORD* attributeData = nullptr;
  EXPECT_EQ(D3D_OK, mesh->LockAttributeBuffer(0, &attributeData));
  for (size_t f = 0; f < attributes.size() && f < faces; ++f) attributeData[f] = attributes[f];
  mesh->UnlockAttributeBuffer();
  return mesh;
}

// Vertices whose position is p and whose u tags the vertex with its number,
// so that a test can follow vertices through a reorder.
inline std::vector<Vertex> Tagged(const std::vector<D3DVECTOR>& positions) {
  std::vector<Vertex> vertices;
  for (size_t i = 0; i < positions.size(); ++i) {
    vertices.push_back({positions[i].x, positions[i].y, positions[i].z, 0, 0, 0, float(i), 0});
  }
  return vertices;
}

inline std::vector<Vertex> Vertices(ID3DXMesh* mesh) {
  std::vector<Vertex> out(mesh->GetNumVertices());
  BYTE* data = nullptr;
  EXPECT_EQ(D3D_OK, mesh->LockVertexBuffer(D3DLOCK_READONLY, &data));
  std::memcpy(out.data(), data, out.size() * sizeof(Vertex));
  mesh->UnlockVertexBuffer();
  return out;
}

inline std::vector<uint32_t> Indices(ID3DXMesh* mesh) {
  std::vector<uint32_t> out;
  EXPECT_EQ(D3D_OK, ReadMeshIndices(mesh, &out));
  return out;
}

inline std::vector<DWORD> Attributes(ID3DXMesh* mesh) {
  DWORD* data = nullptr;
  EXPECT_EQ(D3D_OK, mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data));
  std::vector<DWORD> out(data, data + mesh->GetNumFaces());
  mesh->UnlockAttributeBuffer();
  return out;
}

// The tags (u) of the mesh's vertices in buffer order.
inline std::vector<int> Tags(ID3DXMesh* mesh) {
  std::vector<int> tags;
  for (const Vertex& v : Vertices(mesh)) tags.push_back(int(v.u));
  return tags;
}

inline std::vector<D3DXATTRIBUTERANGE> Table(ID3DXMesh* mesh) {
  DWORD size = 0;
  EXPECT_EQ(D3D_OK, mesh->GetAttributeTable(nullptr, &size));
  std::vector<D3DXATTRIBUTERANGE> table(size);
  EXPECT_EQ(D3D_OK, mesh->GetAttributeTable(table.data(), &size));
  return table;
}

// A recording device for the test's lifetime; checks that the test released
// every buffer it made.
class RecordingDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRecording();
    before_ = LiveRecordingObjects();
    device_ = CreateRecordingDevice();
  }
  void TearDown() override {
    device_->Release();
    EXPECT_EQ(before_, LiveRecordingObjects());
  }
  IDirect3DDevice8* device() { return device_; }
  RecordingDevice* recorder() { return device_; }

 private:
  RecordingDevice* device_ = nullptr;
  RecordingLiveCounts before_;
};

// A material of a generated .x file.
struct XMat {
  float r = 1, g = 1, b = 1, a = 1;
  const char* texture = nullptr;  // null: no TextureFilename
  float power = 0;
};

// A text .x file: one Mesh with the given vertices and triangles, normals and
// texture coordinates when asked, and a material list when materials is not
// empty (faceMaterial[i] for triangle i).
inline std::string XText(const std::vector<D3DVECTOR>& positions,
                         const std::vector<uint32_t>& triangles,
                         const std::vector<XMat>& materials = {},
                         const std::vector<uint32_t>& faceMaterial = {}, bool normals = false,
                         bool texCoords = false) {
  std::string x = "xof 0303txt 0032\nMesh {\n" + std::to_string(positions.size()) + ";\n";
  char line[160];
  for (size_t i = 0; i < positions.size(); ++i) {
    std::snprintf(line, sizeof line, "%.9g;%.9g;%.9g;%s\n", positions[i].x, positions[i].y,
                  positions[i].z, i + 1 < positions.size() ? "," : ";");
    x += line;
  }
  const size_t faces = triangles.size() / 3;
  auto faceList = [&]() {
    std::string f = std::to_string(faces) + ";\n";
    for (size_t i = 0; i < faces; ++i) {
      f += "3;" + std::to_string(triangles[i * 3]) + "," + std::to_string(triangles[i * 3 + 1]) +
           "," + std::to_string(triangles[i * 3 + 2]) + ";" + (i + 1 < faces ? "," : ";") + "\n";
    }
    return f;
  };
  x += faceList();
  if (!materials.empty()) {
    x += "MeshMaterialList {\n" + std::to_string(materials.size()) + ";\n" +
         std::to_string(faces) + ";\n";
    for (size_t i = 0; i < faces; ++i) {
      x += std::to_string(faceMaterial.empty() ? 0 : faceMaterial[i]) +
           (i + 1 < faces ? ",\n" : ";\n");
    }
    for (const XMat& m : materials) {
      std::snprintf(line, sizeof line, "Material {\n%g;%g;%g;%g;;\n%g;\n0.5;0.25;0.125;;\n0;0;0;;\n",
                    m.r, m.g, m.b, m.a, m.power);
      x += line;
      if (m.texture != nullptr) x += std::string("TextureFilename { \"") + m.texture + "\"; }\n";
      x += "}\n";
    }
    x += "}\n";
  }
  if (normals) {
    x += "MeshNormals {\n" + std::to_string(positions.size()) + ";\n";
    for (size_t i = 0; i < positions.size(); ++i) {
      x += std::string("0;0;1;") + (i + 1 < positions.size() ? "," : ";") + "\n";
    }
    x += faceList() + "}\n";
  }
  if (texCoords) {
    x += "MeshTextureCoords {\n" + std::to_string(positions.size()) + ";\n";
    for (size_t i = 0; i < positions.size(); ++i) {
      std::snprintf(line, sizeof line, "%g;%g;%s\n", float(i) / 8, 0.5f,
                    i + 1 < positions.size() ? "," : ";");
      x += line;
    }
    x += "}\n";
  }
  return x + "}\n";
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A 2 x 2 24-bit BMP of one colour (0xRRGGBB).
inline std::string BmpBytes(uint32_t rgb) {
  std::string b(70, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, 70);
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  b[26] = 1;
  b[28] = 24;
  put32(34, 16);
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 2; ++col) {
      const size_t at = 54 + row * 8 + col * 3;
      b[at] = char(rgb & 0xFF);
      b[at + 1] = char((rgb >> 8) & 0xFF);
      b[at + 2] = char((rgb >> 16) & 0xFF);
    }
  }
  return b;
}

// One separate triangle per entry: vertices 3i .. 3i + 2, triangle i.
inline void SeparateTriangles(size_t count, std::vector<D3DVECTOR>* positions,
                              std::vector<uint32_t>* triangles) {
  for (size_t i = 0; i < count; ++i) {
    const float x = float(i);
    positions->push_back({x, 0, 0});
    positions->push_back({x, 1, 0});
    positions->push_back({x + 1, 0, 0});
    for (uint32_t k = 0; k < 3; ++k) triangles->push_back(uint32_t(i * 3 + k));
  }
}

}  // namespace mesh_test
