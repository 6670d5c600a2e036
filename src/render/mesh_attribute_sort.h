// The face and vertex order that Optimize(D3DXMESHOPT_ATTRSORT) produces.
#pragma once

#include <cstdint>
#include <vector>

#include "render/d3dx8.h"

struct AttributeSortResult {
  std::vector<uint32_t> indices;      // three per face, new vertex numbers
  std::vector<uint32_t> attributes;   // one per face, ascending
  std::vector<uint32_t> faceRemap;    // new face -> old face
  std::vector<uint32_t> vertexRemap;  // new vertex -> old vertex
  std::vector<D3DXATTRIBUTERANGE> table;  // one entry per id present, ascending
};

struct AttributeSortOptions {
  bool reorderVertices = true;     // false: D3DXMESHOPT_IGNOREVERTS
  bool dropUnreferenced = false;   // true: D3DXMESHOPT_COMPACT
};

// Step 1 alone: new face -> old face, faces stably ordered by attribute.
std::vector<uint32_t> StableAttributeOrder(const std::vector<uint32_t>& attributes);

// Sorts faceCount faces by attribute. Every index must be below vertexCount
// (the caller checks). The model is documented in mesh_attribute_sort.cpp.
AttributeSortResult SortByAttribute(const std::vector<uint32_t>& indices,
                                    const std::vector<uint32_t>& attributes,
                                    uint32_t vertexCount, AttributeSortOptions options);
