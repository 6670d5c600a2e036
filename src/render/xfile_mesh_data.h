// What the .x reader hands to the mesh builder: every mesh of a file merged
// into one triangle list, before cloning and optimisation.
//
// Vertex order (the .vdt files depend on it): meshes in document order
// (depth-first through frames); within a mesh its file vertices in file
// order, then the copies made for differing normals in creation order.
// Triangles: polygons in file order, each n-gon fanned from its first corner.
//
// Meshes are merged: indices are offset by the vertices of the meshes before,
// attributes by their materials. A mesh without a material list (or with zero
// materials) gives its triangles the running material count as attribute, so
// when such a mesh comes after the last material that id has no entry in
// `materials`: the builder must treat it as "no material".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/d3d8.h"
#include "render/pending_adjacency.h"

struct XMaterial {
  D3DMATERIAL8 material = {};
  bool hasTexture = false;       // a TextureFilename was given (its name may be empty)
  std::string textureFilename;  // bytes as stored in the file
};

struct XMeshData {
  std::vector<D3DVECTOR> positions;
  bool hasNormals = false;
  std::vector<D3DVECTOR> normals;  // one per vertex when hasNormals (zero where a mesh had none)
  bool hasTexCoords = false;
  std::vector<float> texCoords;    // u, v per vertex when hasTexCoords (zero where a mesh had none)
  std::vector<uint32_t> indices;   // three per triangle
  std::vector<uint32_t> attributes;  // one material index per triangle
  std::vector<XMaterial> materials;  // empty: the file defines no material
  // The adjacency the attribute-sorted triangle list will have, when the
  // reader was asked to and started working it out (a large file's only
  // mesh); not valid otherwise. See mesh_adjacency_ahead.h.
  PendingAdjacency sortedAdjacency;
};

// Parses a whole .x file (text, binary or MSZIP-compressed). On failure
// returns false, leaves `out` empty and sets *error (when given) to the reason.
// A file without any face fails too, as the platform loader does. With
// adjacencyAhead, out.sortedAdjacency may be started.
bool ParseXFile(const uint8_t* data, size_t size, XMeshData& out, std::string* error, bool adjacencyAhead = false);
bool ReadXFile(const std::string& path, XMeshData& out, std::string* error, bool adjacencyAhead = false);
