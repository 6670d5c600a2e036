// Geometry helpers of the sample generator: small vector maths and a mesh
// builder whose parts (ellipsoids, capsules, grids) carry a bone number per
// vertex, so poses can move them rigidly.
//
// Winding: Direct3D draws clockwise triangles (as seen on screen) as front
// faces, which in its left-handed space means cross(b - a, c - a) points out
// of the surface. Every closed part is convex, so the builder orients each
// triangle against the part's centre.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/xfile_mesh_data.h"

namespace sample {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
float Length(Vec3 v);
Vec3 Normalize(Vec3 v);  // zero stays zero

// 3 x 3 rotation, column vectors: Apply(m, v) = m v.
struct Mat3 {
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};
Mat3 Multiply(const Mat3& a, const Mat3& b);
Vec3 Apply(const Mat3& m, Vec3 v);
// Rotation by z first, then x, then y (angles in radians, right-hand rule
// about each axis in the file's coordinates).
Mat3 EulerRotation(Vec3 angles);

// A rigid transform: p' = rotation p + translation.
struct Rigid {
  Mat3 rotation;
  Vec3 translation;
};
Rigid Compose(const Rigid& outer, const Rigid& inner);  // inner applied first
Vec3 TransformPoint(const Rigid& t, Vec3 p);
// Rotation about a pivot point.
Rigid RotationAbout(Vec3 pivot, const Mat3& rotation);

struct MaterialSpec {
  float r = 1, g = 1, b = 1;
  float power = 20;
  float specular = 0.2f;
  float emissive = 0.0f;  // times the diffuse colour
  std::string texture;    // empty: untextured
};
XMaterial ToXMaterial(const MaterialSpec& look);

class MeshBuilder {
 public:
  uint32_t AddMaterial(const MaterialSpec& look);

  uint32_t AddVertex(Vec3 position, Vec3 normal, float u, float v, int bone);
  // Orients the triangle so that its front faces away from `inside`.
  void AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material, Vec3 inside);

  // Picks a triangle's material from the unit direction of its centre as
  // seen from the part's centre, in the part's own (unscaled) frame.
  using MaterialPicker = std::function<uint32_t(Vec3 direction)>;
  using UvMapper = std::function<void(Vec3 localPosition, float& u, float& v)>;

  void AddEllipsoid(Vec3 centre, Vec3 radii, int rings, int segments, int bone,
                    const MaterialPicker& material, const UvMapper& uv = nullptr);
  // Two hemispheres of radius ra at a and rb at b joined by a tapered tube;
  // depthScale flattens the cross-section along the axis perpendicular to
  // both the part's axis and x (1 keeps it round).
  void AddCapsule(Vec3 a, Vec3 b, float ra, float rb, int ringsPerCap, int segments, int bone,
                  uint32_t material, float depthScale = 1.0f);
  // A (columns x rows) grid of quads from point(s, t), s and t in 0..1,
  // textured with (uScale * s, vScale * t); front faces along `normalOf`.
  void AddGrid(int columns, int rows, const std::function<Vec3(float, float)>& point,
               const std::function<Vec3(float, float)>& normalOf, float uScale, float vScale,
               uint32_t material);

  size_t VertexCount() const { return positions_.size(); }
  const std::vector<Vec3>& positions() const { return positions_; }
  const std::vector<Vec3>& normals() const { return normals_; }
  const std::vector<int>& bones() const { return bones_; }

  // The mesh with the given positions and normals in place of the built ones
  // (same count and order), or the built ones when both are null.
  XMeshData ToXMeshData(const std::vector<Vec3>* positions = nullptr,
                        const std::vector<Vec3>* normals = nullptr) const;

 private:
  std::vector<Vec3> positions_;
  std::vector<Vec3> normals_;
  std::vector<float> uvs_;
  std::vector<int> bones_;
  std::vector<uint32_t> indices_;
  std::vector<uint32_t> attributes_;
  std::vector<XMaterial> materials_;
};

}  // namespace sample
