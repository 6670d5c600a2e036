#include "tools/sample_geometry.h"

#include <cmath>
#include <numbers>

namespace sample {

float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Length(Vec3 v) { return std::sqrt(Dot(v, v)); }

Vec3 Normalize(Vec3 v) {
  const float length = Length(v);
  return length > 0.0f ? v * (1.0f / length) : Vec3{};
}

Mat3 Multiply(const Mat3& a, const Mat3& b) {
  Mat3 out;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
    }
  }
  return out;
}

Vec3 Apply(const Mat3& m, Vec3 v) {
  return {m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z,
          m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z,
          m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z};
}

Mat3 EulerRotation(Vec3 angles) {
  const float cx = std::cos(angles.x), sx = std::sin(angles.x);
  const float cy = std::cos(angles.y), sy = std::sin(angles.y);
  const float cz = std::cos(angles.z), sz = std::sin(angles.z);
  Mat3 rx, ry, rz;
  rx.m[1][1] = cx, rx.m[1][2] = -sx, rx.m[2][1] = sx, rx.m[2][2] = cx;
  ry.m[0][0] = cy, ry.m[0][2] = sy, ry.m[2][0] = -sy, ry.m[2][2] = cy;
  rz.m[0][0] = cz, rz.m[0][1] = -sz, rz.m[1][0] = sz, rz.m[1][1] = cz;
  return Multiply(ry, Multiply(rx, rz));
}

Rigid Compose(const Rigid& outer, const Rigid& inner) {
  return {Multiply(outer.rotation, inner.rotation),
          Apply(outer.rotation, inner.translation) + outer.translation};
}

Vec3 TransformPoint(const Rigid& t, Vec3 p) { return Apply(t.rotation, p) + t.translation; }

Rigid RotationAbout(Vec3 pivot, const Mat3& rotation) {
  return {rotation, pivot - Apply(rotation, pivot)};
}

XMaterial ToXMaterial(const MaterialSpec& look) {
  XMaterial out;
  out.material.Diffuse = {look.r, look.g, look.b, 1.0f};
  out.material.Ambient = {0.0f, 0.0f, 0.0f, 1.0f};
  out.material.Specular = {look.specular, look.specular, look.specular, 1.0f};
  out.material.Emissive = {look.r * look.emissive, look.g * look.emissive, look.b * look.emissive,
                           1.0f};
  out.material.Power = look.power;
  out.hasTexture = !look.texture.empty();
  out.textureFilename = look.texture;
  return out;
}

uint32_t MeshBuilder::AddMaterial(const MaterialSpec& look) {
  materials_.push_back(ToXMaterial(look));
  return uint32_t(materials_.size() - 1);
}

uint32_t MeshBuilder::AddVertex(Vec3 position, Vec3 normal, float u, float v, int bone) {
  positions_.push_back(position);
  normals_.push_back(Normalize(normal));
  uvs_.push_back(u);
  uvs_.push_back(v);
  bones_.push_back(bone);
  return uint32_t(positions_.size() - 1);
}

void MeshBuilder::AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material,
                              Vec3 inside) {
  const Vec3 pa = positions_[a], pb = positions_[b], pc = positions_[c];
  const Vec3 centroid = (pa + pb + pc) * (1.0f / 3.0f);
  if (Dot(Cross(pb - pa, pc - pa), centroid - inside) < 0.0f) std::swap(b, c);
  indices_.insert(indices_.end(), {a, b, c});
  attributes_.push_back(material);
}

void MeshBuilder::AddEllipsoid(Vec3 centre, Vec3 radii, int rings, int segments, int bone,
                               const MaterialPicker& material, const UvMapper& uv) {
  const float pi = std::numbers::pi_v<float>;
  std::vector<Vec3> directions;
  std::vector<uint32_t> ids;
  auto add = [&](Vec3 d) {
    const Vec3 local = {d.x * radii.x, d.y * radii.y, d.z * radii.z};
    float u = 0.0f, v = 0.0f;
    if (uv) uv(local, u, v);
    const Vec3 normal = {d.x / radii.x, d.y / radii.y, d.z / radii.z};
    directions.push_back(d);
    ids.push_back(AddVertex(centre + local, normal, u, v, bone));
  };
  add({0, -1, 0});
  for (int i = 1; i < rings; ++i) {
    const float theta = pi * float(i) / float(rings);
    for (int j = 0; j < segments; ++j) {
      const float phi = 2.0f * pi * float(j) / float(segments);
      add({std::sin(theta) * std::cos(phi), -std::cos(theta), std::sin(theta) * std::sin(phi)});
    }
  }
  add({0, 1, 0});
  const int top = int(ids.size()) - 1;
  auto row = [&](int i, int j) { return 1 + (i - 1) * segments + (j % segments); };
  auto tri = [&](int a, int b, int c) {
    const Vec3 d = Normalize(directions[a] + directions[b] + directions[c]);
    AddTriangle(ids[a], ids[b], ids[c], material(d), centre);
  };
  for (int j = 0; j < segments; ++j) {
    tri(0, row(1, j), row(1, j + 1));
    for (int i = 1; i + 1 < rings; ++i) {
      tri(row(i, j), row(i + 1, j), row(i + 1, j + 1));
      tri(row(i, j), row(i + 1, j + 1), row(i, j + 1));
    }
    tri(top, row(rings - 1, j + 1), row(rings - 1, j));
  }
}

void MeshBuilder::AddCapsule(Vec3 a, Vec3 b, float ra, float rb, int ringsPerCap, int segments,
                             int bone, uint32_t material, float depthScale) {
  const float pi = std::numbers::pi_v<float>;
  const Vec3 axis = Normalize(b - a);
  Vec3 w = Cross({1, 0, 0}, axis);
  if (Length(w) < 1e-3f) w = Cross({0, 0, 1}, axis);
  w = Normalize(w);
  const Vec3 u = Normalize(Cross(axis, w));
  std::vector<uint32_t> ids;
  auto radial = [&](float phi, float scale) {
    return u * std::cos(phi) + w * (std::sin(phi) * scale);
  };
  ids.push_back(AddVertex(a - axis * ra, axis * -1.0f, 0, 0, bone));
  for (int k = 1; k <= ringsPerCap; ++k) {
    const float alpha = 0.5f * pi * float(k) / float(ringsPerCap);
    for (int j = 0; j < segments; ++j) {
      const float phi = 2.0f * pi * float(j) / float(segments);
      const Vec3 p = a - axis * (ra * std::cos(alpha)) + radial(phi, depthScale) * (ra * std::sin(alpha));
      const Vec3 n = axis * -std::cos(alpha) + radial(phi, 1.0f / depthScale) * std::sin(alpha);
      ids.push_back(AddVertex(p, n, 0, 0, bone));
    }
  }
  for (int k = ringsPerCap; k >= 1; --k) {
    const float alpha = 0.5f * pi * float(k) / float(ringsPerCap);
    for (int j = 0; j < segments; ++j) {
      const float phi = 2.0f * pi * float(j) / float(segments);
      const Vec3 p = b + axis * (rb * std::cos(alpha)) + radial(phi, depthScale) * (rb * std::sin(alpha));
      const Vec3 n = axis * std::cos(alpha) + radial(phi, 1.0f / depthScale) * std::sin(alpha);
      ids.push_back(AddVertex(p, n, 0, 0, bone));
    }
  }
  ids.push_back(AddVertex(b + axis * rb, axis, 0, 0, bone));
  const Vec3 inside = (a + b) * 0.5f;
  const int rows = 2 * ringsPerCap;
  const int top = int(ids.size()) - 1;
  auto row = [&](int i, int j) { return ids[size_t(1 + (i - 1) * segments + (j % segments))]; };
  for (int j = 0; j < segments; ++j) {
    AddTriangle(ids[0], row(1, j), row(1, j + 1), material, inside);
    for (int i = 1; i < rows; ++i) {
      AddTriangle(row(i, j), row(i + 1, j), row(i + 1, j + 1), material, inside);
      AddTriangle(row(i, j), row(i + 1, j + 1), row(i, j + 1), material, inside);
    }
    AddTriangle(ids[size_t(top)], row(rows, j + 1), row(rows, j), material, inside);
  }
}

void MeshBuilder::AddGrid(int columns, int rows, const std::function<Vec3(float, float)>& point,
                          const std::function<Vec3(float, float)>& normalOf, float uScale,
                          float vScale, uint32_t material) {
  const uint32_t first = uint32_t(positions_.size());
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      const float s = float(c) / float(columns), t = float(r) / float(rows);
      AddVertex(point(s, t), normalOf(s, t), uScale * s, vScale * t, 0);
    }
  }
  auto id = [&](int c, int r) { return first + uint32_t(r * (columns + 1) + c); };
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const float s = (float(c) + 0.5f) / float(columns), t = (float(r) + 0.5f) / float(rows);
      const Vec3 behind = point(s, t) - normalOf(s, t);
      AddTriangle(id(c, r), id(c + 1, r), id(c + 1, r + 1), material, behind);
      AddTriangle(id(c, r), id(c + 1, r + 1), id(c, r + 1), material, behind);
    }
  }
}

XMeshData MeshBuilder::ToXMeshData(const std::vector<Vec3>* positions,
                                   const std::vector<Vec3>* normals) const {
  const std::vector<Vec3>& p = positions != nullptr ? *positions : positions_;
  const std::vector<Vec3>& n = normals != nullptr ? *normals : normals_;
  XMeshData out;
  out.positions.reserve(p.size());
  for (const Vec3& v : p) out.positions.push_back({v.x, v.y, v.z});
  out.hasNormals = true;
  out.normals.reserve(n.size());
  for (const Vec3& v : n) out.normals.push_back({v.x, v.y, v.z});
  out.hasTexCoords = true;
  out.texCoords = uvs_;
  out.indices = indices_;
  out.attributes = attributes_;
  out.materials = materials_;
  return out;
}

}  // namespace sample
