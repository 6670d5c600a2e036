// Turns a parsed .x document into the merged triangle list that
// D3DXLoadMeshFromX builds: every Mesh at top level or inside Frames, in
// document order, transformed by the frame matrices that precede it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <functional>
#include <future>
#include <new>
#include <system_error>

#include "platform/whole_file.h"
#include "render/mesh_adjacency_ahead.h"
#include "render/xfile_mesh_data.h"
#include "render/xfile_objects.h"

namespace xfile {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

struct Matrix {
  float m[4][4];
  bool identity;
};

Matrix Identity() {
  Matrix r{};
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  r.identity = true;
  return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
  if (a.identity) return b;
  if (b.identity) return a;
  Matrix r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    }
  }
  r.identity = false;
  return r;
}

// double to float without the undefined behaviour of out-of-range values.
float ToFloat(double d) {
  if (d > double(std::numeric_limits<float>::max())) return std::numeric_limits<float>::infinity();
  if (d < -double(std::numeric_limits<float>::max())) return -std::numeric_limits<float>::infinity();
  return float(d);
}

// Equal normals, or the same bits: a NaN is not equal to itself, yet a
// corner with the very normal a copy was made for must reuse that copy.
bool SameNormal(const D3DVECTOR& a, const D3DVECTOR& b) {
  return (a.x == b.x && a.y == b.y && a.z == b.z) || std::memcmp(&a, &b, sizeof a) == 0;
}

D3DVECTOR Normalized(D3DVECTOR v) {
  float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len > 0.0f) {
    v.x /= len;
    v.y /= len;
    v.z /= len;
  }
  return v;
}

float FloatFromBits(double dword) {
  uint32_t bits = uint32_t(dword);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// Sequential reader over an object's scalars.
class Cursor {
 public:
  explicit Cursor(const DataObject& obj) : v_(obj.values) {}
  bool Has(uint64_t n) const { return uint64_t(v_.size() - i_) >= n; }
  double Next() { return v_[i_++]; }
  bool U32(uint32_t& out) {
    if (!Has(1) || !IsIntegral(v_[i_])) return false;
    out = uint32_t(v_[i_++]);
    return true;
  }
  bool AtEnd() const { return i_ == v_.size(); }
  size_t Left() const { return v_.size() - i_; }
  const double* Rest() const { return v_.data() + i_; }
  void Skip(size_t n) { i_ += n; }

 private:
  const ScalarList& v_;
  size_t i_ = 0;
};

// One Mesh object's polygons: corners[polyStart[f] .. polyStart[f+1]).
struct Polygons {
  std::vector<uint32_t> polyStart;
  std::vector<uint32_t> corners;
};

bool ReadPolygons(Cursor& c, uint32_t indexLimit, Polygons& out, uint32_t minCorners) {
  uint32_t count;
  if (!c.U32(count) || !c.Has(count)) return false;
  out.polyStart.resize(size_t(count) + 1);
  // Room for every value left: at most that many corners, and the values are
  // already in memory, so this is bounded by them.
  out.corners.resize(c.Left() - count);
  const double* v = c.Rest();
  const double* const end = v + c.Left();
  uint32_t* corners = out.corners.data();
  uint32_t written = 0;
  out.polyStart[0] = 0;
  for (uint32_t f = 0; f < count; ++f) {
    if (v == end || !IsIntegral(*v)) return false;
    const uint32_t n = uint32_t(*v++);
    if (n < minCorners || uint64_t(end - v) < n) return false;
    // An index is valid when it is whole and below the limit: one compare
    // each for the range, one for wholeness.
    for (uint32_t k = 0; k < n; ++k) {
      const double d = v[k];
      if (!(d >= 0 && d < double(indexLimit))) return false;
      const uint32_t index = uint32_t(d);
      if (double(index) != d) return false;
      corners[written + k] = index;
    }
    v += n;
    written += n;
    out.polyStart[f + 1] = written;
  }
  out.corners.resize(written);
  c.Skip(size_t(v - c.Rest()));
  return true;
}

// A MeshNormals object's normals (normalised) and its faces.
struct NormalLists {
  std::vector<D3DVECTOR> table;
  Polygons faces;
  std::string error;  // empty when both read
};

NormalLists ReadNormalLists(const DataObject& obj) {
  NormalLists lists;
  Cursor c(obj);
  uint32_t count;
  if (!c.U32(count) || !c.Has(uint64_t(count) * 3)) {
    lists.error = "MeshNormals: bad normal list";
    return lists;
  }
  lists.table.resize(count);
  for (D3DVECTOR& n : lists.table) {
    n.x = ToFloat(c.Next());
    n.y = ToFloat(c.Next());
    n.z = ToFloat(c.Next());
    n = Normalized(n);
  }
  if (!ReadPolygons(c, count, lists.faces, 0)) lists.error = "MeshNormals: bad face list";
  return lists;
}

// Normal lists from this many values on are read on a second thread while
// the mesh's own lists are.
constexpr size_t kNormalsAheadValues = size_t(1) << 16;

// Per-vertex data carried in FVFData or DeclData.
struct ExtraVertexData {
  bool hasNormals = false;
  bool hasTexCoords = false;
  std::vector<D3DVECTOR> normals;
  std::vector<float> texCoords;
};

class Extractor {
 public:
  Extractor(const Document& doc, XMeshData& out, bool adjacencyAhead)
      : doc_(doc), out_(out), adjacencyAhead_(adjacencyAhead) {
    budget_ = doc.totalValues * 4 + (uint64_t(1) << 20);
  }

  bool Run() {
    for (int id : doc_.topLevel) {
      const DataObject& obj = doc_.objects[size_t(id)];
      bool ok = true;
      if (obj.kind == Kind::Mesh) ok = VisitMesh(obj, Identity());
      if (obj.kind == Kind::Frame) ok = WalkFrame(obj, Identity(), 0);
      if (!ok) return false;
    }
    if (meshesSeen_ == 1 && !AddMesh(*firstMesh_, firstWorld_, adjacencyAhead_)) return false;
    if (out_.indices.empty()) return Fail("the file holds no mesh with faces");
    if (!out_.hasNormals) out_.normals.clear();
    if (!out_.hasTexCoords) out_.texCoords.clear();
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
  }

  // A FrameTransformMatrix applies to the meshes and frames after it in the
  // same frame: running = local × running, starting from the parent's world.
  bool WalkFrame(const DataObject& frame, const Matrix& parentWorld, int depth) {
    if (depth > kMaxObjectDepth) return Fail("frames nested too deeply (or referencing themselves)");
    Matrix running = parentWorld;
    for (int id : frame.children) {
      const DataObject& child = doc_.objects[size_t(id)];
      switch (child.kind) {
        case Kind::FrameTransformMatrix: {
          if (child.values.size() < 16) return Fail("FrameTransformMatrix holds fewer than 16 values");
          Matrix local;
          for (int i = 0; i < 16; ++i) local.m[i / 4][i % 4] = ToFloat(child.values[size_t(i)]);
          local.identity = false;
          running = Multiply(local, running);
          break;
        }
        case Kind::Mesh:
          if (!VisitMesh(child, running)) return false;
          break;
        case Kind::Frame:
          if (!WalkFrame(child, running, depth + 1)) return false;
          break;
        default: break;
      }
    }
    return true;
  }

  // The first mesh waits until the walk shows whether another follows: a
  // file's only mesh may start its adjacency ahead (StartAdjacencyAhead).
  bool VisitMesh(const DataObject& mesh, const Matrix& world) {
    if (++meshesSeen_ == 1) {
      firstMesh_ = &mesh;
      firstWorld_ = world;
      return true;
    }
    if (meshesSeen_ == 2 && !AddMesh(*firstMesh_, firstWorld_, false)) return false;
    return AddMesh(mesh, world, false);
  }

  bool ReadExtraData(const DataObject& obj, uint32_t vertexCount, ExtraVertexData& extra) {
    Cursor c(obj);
    // Per vertex: dword offset of the normal (3 floats) and of the first texture coordinate set.
    uint64_t stride = 0;
    int64_t normalAt = -1, uvAt = -1;
    uint32_t uvSize = 0;
    if (obj.kind == Kind::FVFData) {
      uint32_t fvf;
      if (!c.U32(fvf)) return Fail("FVFData: bad vertex format");
      static const uint32_t kPositionSizes[8] = {0, 3, 4, 4, 5, 6, 7, 8};
      stride = kPositionSizes[(fvf >> 1) & 7];
      if (fvf & 0x4000) stride = 4;  // D3DFVF_XYZW
      if (fvf & 0x10) {
        normalAt = int64_t(stride);
        stride += 3;
      }
      if (fvf & 0x20) stride += 1;  // point size
      if (fvf & 0x40) stride += 1;  // diffuse
      if (fvf & 0x80) stride += 1;  // specular
      uint32_t sets = (fvf >> 8) & 0xF;
      static const uint32_t kTexSizes[4] = {2, 3, 4, 1};
      for (uint32_t s = 0; s < sets && s < 8; ++s) {
        uint32_t size = kTexSizes[(fvf >> (16 + 2 * s)) & 3];
        if (s == 0) {
          uvAt = int64_t(stride);
          uvSize = size;
        }
        stride += size;
      }
    } else {
      uint32_t elements;
      if (!c.U32(elements) || !c.Has(uint64_t(elements) * 4)) return Fail("DeclData: bad element list");
      // Sizes in dwords of the declaration types, by type id.
      static const uint32_t kTypeDwords[17] = {1, 2, 3, 4, 1, 1, 1, 2, 1, 1, 2, 1, 2, 1, 1, 1, 2};
      for (uint32_t e = 0; e < elements; ++e) {
        uint32_t type, method, usage, usageIndex;
        if (!c.U32(type) || !c.U32(method) || !c.U32(usage) || !c.U32(usageIndex) || type > 16)
          return Fail("DeclData: bad vertex element");
        if (usage == 3 && usageIndex == 0 && type == 2) normalAt = int64_t(stride);  // NORMAL, FLOAT3
        if (usage == 5 && usageIndex == 0 && type <= 3) {                          // TEXCOORD0, FLOATn
          uvAt = int64_t(stride);
          uvSize = type + 1;
        }
        stride += kTypeDwords[type];
      }
    }
    uint32_t dwords;
    if (!c.U32(dwords) || !c.Has(dwords)) return Fail("vertex data: bad dword count");
    if (stride * vertexCount > dwords) return Fail("vertex data holds less than its vertices need");
    std::vector<float> data(dwords);
    for (uint32_t i = 0; i < dwords; ++i) {
      double d = c.Next();
      if (!IsIntegral(d)) return Fail("vertex data: bad dword");
      data[i] = FloatFromBits(d);
    }
    if (normalAt >= 0) {
      extra.hasNormals = true;
      extra.normals.resize(vertexCount);
      for (uint32_t v = 0; v < vertexCount; ++v) {
        const float* p = &data[size_t(v * stride + uint64_t(normalAt))];
        extra.normals[v] = {p[0], p[1], p[2]};
      }
    }
    if (uvAt >= 0) {
      extra.hasTexCoords = true;
      extra.texCoords.resize(size_t(vertexCount) * 2);
      for (uint32_t v = 0; v < vertexCount; ++v) {
        const float* p = &data[size_t(v * stride + uint64_t(uvAt))];
        extra.texCoords[2 * v] = p[0];
        extra.texCoords[2 * v + 1] = uvSize >= 2 ? p[1] : 0.0f;
      }
    }
    return true;
  }

  bool ReadMaterial(const DataObject& obj, XMaterial& m) {
    if (obj.values.size() < 11) return Fail("Material holds fewer than 11 values");
    const ScalarList& v = obj.values;
    D3DMATERIAL8& d = m.material;
    d.Diffuse = {ToFloat(v[0]), ToFloat(v[1]), ToFloat(v[2]), ToFloat(v[3])};
    d.Power = ToFloat(v[4]);
    d.Specular = {ToFloat(v[5]), ToFloat(v[6]), ToFloat(v[7]), 1.0f};
    d.Emissive = {ToFloat(v[8]), ToFloat(v[9]), ToFloat(v[10]), 1.0f};
    d.Ambient = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int id : obj.children) {
      const DataObject& child = doc_.objects[size_t(id)];
      if (child.kind != Kind::TextureFilename || child.strings.empty()) continue;
      m.hasTexture = true;  // the last one wins
      m.textureFilename = child.strings.front();
    }
    return true;
  }

  bool AddMesh(const DataObject& mesh, const Matrix& world, bool adjacencyAhead) {
    // A mesh reached through many references costs its size each time.
    uint64_t cost = mesh.values.size() + 1;
    if (cost > budget_) return Fail("meshes referenced too often for the file's size");
    budget_ -= cost;

    const DataObject* normalsObj = nullptr;
    const DataObject* uvObj = nullptr;
    const DataObject* materialList = nullptr;
    const DataObject* extraObj = nullptr;
    for (int id : mesh.children) {
      const DataObject& child = doc_.objects[size_t(id)];
      switch (child.kind) {
        case Kind::MeshNormals: normalsObj = &child; break;
        case Kind::MeshTextureCoords: uvObj = &child; break;
        case Kind::MeshMaterialList: materialList = &child; break;
        case Kind::FVFData:
        case Kind::DeclData: extraObj = &child; break;
        default: break;
      }
    }
    // The document is only read from here on, so another thread may read it too.
    std::future<NormalLists> normalsAhead;
    if (normalsObj != nullptr && normalsObj->values.size() >= kNormalsAheadValues) {
      try {
        normalsAhead = std::async(std::launch::async, ReadNormalLists, std::cref(*normalsObj));
      } catch (const std::system_error&) {
      }
    }

    Cursor c(mesh);
    uint32_t vertexCount;
    if (!c.U32(vertexCount) || !c.Has(uint64_t(vertexCount) * 3)) return Fail("Mesh: bad vertex list");
    if (vertexCount == 0) return true;  // such meshes are skipped whole
    std::vector<D3DVECTOR> positions(vertexCount);
    for (D3DVECTOR& p : positions) {
      p.x = ToFloat(c.Next());
      p.y = ToFloat(c.Next());
      p.z = ToFloat(c.Next());
    }
    Polygons polys;
    if (!ReadPolygons(c, vertexCount, polys, 3)) return Fail("Mesh: bad face list (index out of range or fewer than three corners)");
    if (!c.AtEnd()) return Fail("Mesh does not match the standard Mesh template");
    const uint32_t faceCount = uint32_t(polys.polyStart.size() - 1);

    for (int id : mesh.children) {
      const DataObject& child = doc_.objects[size_t(id)];
      if (child.kind == Kind::SkinWeights && !CheckSkinWeights(child, vertexCount)) return false;
    }

    ExtraVertexData extra;
    if (extraObj && !ReadExtraData(*extraObj, vertexCount, extra)) return false;

    // Materials: one index per original polygon, for all of its triangles.
    const uint32_t materialBase = uint32_t(out_.materials.size());
    std::vector<uint32_t> faceMaterial;
    std::vector<XMaterial> materials;
    if (materialList && !ReadMaterialList(*materialList, faceCount, faceMaterial, materials)) return false;

    // Before the normal split: its copies take the transformed positions.
    if (!world.identity) TransformPositions(world, positions);
    if (adjacencyAhead) StartAdjacencyAhead(positions, polys, faceMaterial);

    std::vector<float> uv;
    bool hasUV = false;
    if (uvObj) {
      Cursor t(*uvObj);
      uint32_t n;
      if (!t.U32(n) || n != vertexCount || !t.Has(uint64_t(n) * 2))
        return Fail("MeshTextureCoords: count differs from the vertex count");
      uv.resize(size_t(n) * 2);
      for (float& f : uv) f = ToFloat(t.Next());
      hasUV = true;
    } else if (extra.hasTexCoords) {
      uv = std::move(extra.texCoords);
      hasUV = true;
    }
    if (!hasUV) uv.assign(size_t(vertexCount) * 2, 0.0f);

    std::vector<D3DVECTOR> normals;
    bool hasN = false;
    if (normalsObj) {
      const NormalLists lists = normalsAhead.valid() ? normalsAhead.get() : ReadNormalLists(*normalsObj);
      if (!SplitByNormals(lists, polys, positions, uv, normals)) return false;
      hasN = true;
    } else if (extra.hasNormals) {
      normals = std::move(extra.normals);
      hasN = true;
    } else {
      normals.assign(vertexCount, D3DVECTOR{0, 0, 0});
    }

    if (!world.identity) TransformNormals(world, normals);

    const uint64_t base = out_.positions.size();
    if (base + positions.size() > 0xFFFFFFFFull) return Fail("too many vertices");
    auto append = [](auto& to, auto& from) {
      if (to.empty()) {
        to = std::move(from);
      } else {
        to.insert(to.end(), from.begin(), from.end());
      }
    };
    append(out_.positions, positions);
    append(out_.normals, normals);
    append(out_.texCoords, uv);
    out_.hasNormals = out_.hasNormals || hasN;
    out_.hasTexCoords = out_.hasTexCoords || hasUV;
    // Every n-gon fans into n - 2 triangles.
    const size_t triangles = polys.corners.size() - 2 * size_t(faceCount);
    Grow(out_.indices, triangles * 3);
    Grow(out_.attributes, triangles);
    const size_t indexAt = out_.indices.size(), attributeAt = out_.attributes.size();
    out_.indices.resize(indexAt + triangles * 3);
    out_.attributes.resize(attributeAt + triangles);
    Fan(polys, faceMaterial, uint32_t(base), materialBase, out_.indices.data() + indexAt,
        out_.attributes.data() + attributeAt);
    for (XMaterial& m : materials) out_.materials.push_back(std::move(m));
    return true;
  }

  // Each polygon's triangles, fanned from its first corner, with vertex and
  // material numbers moved on by the meshes before.
  static void Fan(const Polygons& polys, const std::vector<uint32_t>& faceMaterial, uint32_t vertexBase,
                  uint32_t materialBase, uint32_t* index, uint32_t* attribute) {
    const size_t faceCount = polys.polyStart.size() - 1;
    for (size_t f = 0; f < faceCount; ++f) {
      const uint32_t* corner = &polys.corners[polys.polyStart[f]];
      const uint32_t n = polys.polyStart[f + 1] - polys.polyStart[f];
      const uint32_t material = materialBase + (faceMaterial.empty() ? 0 : faceMaterial[f]);
      for (uint32_t k = 1; k + 1 < n; ++k) {
        index[0] = vertexBase + corner[0];
        index[1] = vertexBase + corner[k];
        index[2] = vertexBase + corner[k + 1];
        index += 3;
        *attribute++ = material;
      }
    }
  }

  // A file's only mesh, large enough: the adjacency its attribute-sorted copy
  // will have is worked out on another thread from here, over the vertices
  // before the normal split. The copies that split makes sit exactly where
  // their originals do, so every corner matches the same corners either way,
  // and the triangles and their order do not change.
  void StartAdjacencyAhead(const std::vector<D3DVECTOR>& positions, const Polygons& polys,
                           const std::vector<uint32_t>& faceMaterial) {
    const size_t triangles = polys.corners.size() - 2 * (polys.polyStart.size() - 1);
    if (triangles < kAdjacencyAheadMinFaces) return;
    try {
      out_.sortedAdjacency = std::async(std::launch::async, [positions, polys, faceMaterial, triangles] {
                               std::vector<uint32_t> indices(triangles * 3), attributes(triangles);
                               Fan(polys, faceMaterial, 0, 0, indices.data(), attributes.data());
                               return SortedAdjacency(positions, indices, attributes);
                             }).share();
    } catch (const std::system_error&) {
    }
  }

  // Room for `more` elements, growing geometrically: many small meshes
  // (one mesh referenced many times) must not copy the whole list each time.
  static void Grow(std::vector<uint32_t>& list, size_t more) {
    const size_t needed = list.size() + more;
    if (needed > list.capacity()) list.reserve(std::max(needed, list.capacity() * 2));
  }

  // Walking the corners in order, the first use of a vertex fixes its normal; a
  // later use with another normal takes a copy of the vertex that has that
  // normal, made on first need and appended after the mesh's own vertices.
  bool SplitByNormals(const NormalLists& lists, Polygons& polys, std::vector<D3DVECTOR>& positions,
                      std::vector<float>& uv, std::vector<D3DVECTOR>& normals) {
    if (!lists.error.empty()) return Fail(lists.error);
    const std::vector<D3DVECTOR>& table = lists.table;
    const Polygons& normalFaces = lists.faces;
    if (normalFaces.polyStart != polys.polyStart)
      return Fail("MeshNormals: its faces differ from the mesh's faces");

    const uint32_t original = uint32_t(positions.size());
    normals.assign(original, D3DVECTOR{0, 0, 0});
    // Per vertex (and copy) the entry of the normal table it took, kNone
    // while unused: a corner naming the same entry needs no comparison.
    std::vector<uint32_t> normalEntry(original, kNone);
    std::vector<uint32_t> nextCopy(original, kNone);
    uint32_t* const corners = polys.corners.data();
    const uint32_t* const normalCorners = normalFaces.corners.data();
    const size_t cornerCount = polys.corners.size();
    for (size_t i = 0; i < cornerCount; ++i) {
      const uint32_t v = corners[i];
      const uint32_t entry = normalCorners[i];
      if (normalEntry[v] == entry) continue;
      const D3DVECTOR& n = table[entry];
      if (normalEntry[v] == kNone) {
        normalEntry[v] = entry;
        normals[v] = n;
        continue;
      }
      uint32_t u = v;
      while (normalEntry[u] != entry && !SameNormal(normals[u], n)) {
        if (nextCopy[u] == kNone) {
          const uint32_t w = uint32_t(positions.size());
          positions.push_back(positions[v]);
          uv.push_back(uv[2 * size_t(v)]);
          uv.push_back(uv[2 * size_t(v) + 1]);
          normals.push_back(n);
          normalEntry.push_back(entry);
          nextCopy.push_back(kNone);
          nextCopy[u] = w;
        }
        u = nextCopy[u];
      }
      corners[i] = u;
    }
    return true;
  }

  bool ReadMaterialList(const DataObject& list, uint32_t faceCount, std::vector<uint32_t>& faceMaterial,
                        std::vector<XMaterial>& materials) {
    Cursor c(list);
    uint32_t materialCount, indexCount;
    if (!c.U32(materialCount) || !c.U32(indexCount) || !c.Has(indexCount))
      return Fail("MeshMaterialList: bad face index list");
    if (materialCount == 0) return true;
    std::vector<uint32_t> indices(indexCount);
    for (uint32_t& i : indices) {
      if (!c.U32(i) || i >= materialCount) return Fail("MeshMaterialList: material index out of range");
    }
    for (int id : list.children) {
      const DataObject& child = doc_.objects[size_t(id)];
      if (child.kind != Kind::Material || materials.size() == materialCount) continue;
      XMaterial m;
      if (!ReadMaterial(child, m)) return false;
      materials.push_back(std::move(m));
    }
    if (materials.size() < materialCount)
      return Fail("MeshMaterialList: " + std::to_string(materialCount) + " materials announced, " +
                  std::to_string(materials.size()) + " found");
    // Fewer face indexes than faces: the last index goes on.
    faceMaterial.resize(faceCount);
    for (uint32_t f = 0; f < faceCount; ++f) {
      faceMaterial[f] = f < indexCount ? indices[f] : (indexCount ? indices[indexCount - 1] : 0);
    }
    return true;
  }

  bool CheckSkinWeights(const DataObject& obj, uint32_t vertexCount) {
    Cursor c(obj);
    uint32_t n;
    if (!c.Has(1)) return Fail("SkinWeights: bad layout");
    c.Next();  // transformNodeName
    if (!c.U32(n) || !c.Has(uint64_t(n) * 2 + 16)) return Fail("SkinWeights: bad layout");
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t index;
      if (!c.U32(index) || index >= vertexCount) return Fail("SkinWeights: vertex index out of range");
    }
    return true;
  }

  static void TransformPositions(const Matrix& w, std::vector<D3DVECTOR>& positions) {
    const auto& m = w.m;
    for (D3DVECTOR& p : positions) {
      float x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
      float y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
      float z = p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2];
      float h = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
      if (h != 1.0f && h != 0.0f) {
        x /= h;
        y /= h;
        z /= h;
      }
      p = {x, y, z};
    }
  }

  static void TransformNormals(const Matrix& w, std::vector<D3DVECTOR>& normals) {
    const auto& m = w.m;
    for (D3DVECTOR& n : normals) {
      D3DVECTOR r{n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0], n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
                  n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
      n = Normalized(r);
    }
  }

  const Document& doc_;
  XMeshData& out_;
  const bool adjacencyAhead_;
  int meshesSeen_ = 0;
  const DataObject* firstMesh_ = nullptr;
  Matrix firstWorld_ = Identity();
  uint64_t budget_;
  std::string error_;
};

}  // namespace

}  // namespace xfile

bool ParseXFile(const uint8_t* data, size_t size, XMeshData& out, std::string* error, bool adjacencyAhead) {
  out = XMeshData{};
  xfile::Document doc;
  if (!xfile::ParseXDocument(data, size, doc, error)) return false;
  xfile::Extractor extractor(doc, out, adjacencyAhead);
  if (!extractor.Run()) {
    if (error) *error = extractor.error();
    out = XMeshData{};
    return false;
  }
  return true;
}

bool ReadXFile(const std::string& path, XMeshData& out, std::string* error, bool adjacencyAhead) {
  out = XMeshData{};
  FileBytes bytes;
  if (!ReadWholeFile(path, bytes)) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  return ParseXFile(bytes.data.get(), bytes.size, out, error, adjacencyAhead);
}
