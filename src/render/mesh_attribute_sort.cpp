// Attribute sort, the one place that decides the vertex order of an
// optimised mesh (the .vdt motion files store one record per vertex in this
// order, so a change here changes which file fits which model).
//
// Model:
// 1. Faces are sorted by attribute id, ascending; faces with the same id keep
//    their previous order (stable).
// 2. Vertices are numbered in order of first use along the sorted index
//    buffer, corner by corner.
// 3. Each attribute group owns its vertices: a vertex that a later group uses
//    after an earlier group used it gets a fresh copy, numbered at its first
//    use in that group, so every group's vertices form one contiguous block.
// 4. Vertices no face uses follow, in their old order (dropped with COMPACT).
// 5. The attribute table has one entry per id present, ascending, with the
//    group's face range and its vertex block (smallest index used, largest
//    minus smallest plus one).
// With reorderVertices off (IGNOREVERTS) only steps 1 and 5 apply.
#include "render/mesh_attribute_sort.h"

#include <algorithm>
#include <numeric>

std::vector<uint32_t> StableAttributeOrder(const std::vector<uint32_t>& attributes) {
  const size_t faceCount = attributes.size();
  std::vector<uint32_t> order(faceCount);
  uint32_t highest = 0;
  for (uint32_t a : attributes) highest = std::max(highest, a);
  if (faceCount > 0 && highest < faceCount) {
    // Ids below the face count (the usual material indexes): a counting sort,
    // stable by construction.
    std::vector<uint32_t> next(size_t(highest) + 2, 0);
    for (uint32_t a : attributes) ++next[size_t(a) + 1];
    for (size_t a = 1; a < next.size(); ++a) next[a] += next[a - 1];
    for (size_t f = 0; f < faceCount; ++f) order[next[attributes[f]]++] = uint32_t(f);
  } else {
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return attributes[a] < attributes[b]; });
  }
  return order;
}

AttributeSortResult SortByAttribute(const std::vector<uint32_t>& indices,
                                    const std::vector<uint32_t>& attributes,
                                    uint32_t vertexCount, AttributeSortOptions options) {
  AttributeSortResult result;
  const size_t faceCount = attributes.size();

  result.faceRemap = StableAttributeOrder(attributes);

  result.attributes.resize(faceCount);
  result.indices.resize(faceCount * 3);
  for (size_t f = 0; f < faceCount; ++f) {
    const uint32_t old = result.faceRemap[f];
    result.attributes[f] = attributes[old];
    for (int k = 0; k < 3; ++k) result.indices[f * 3 + k] = indices[size_t(old) * 3 + k];
  }

  if (options.reorderVertices) {
    constexpr uint32_t kNone = 0xFFFFFFFFu;
    // Per old vertex: the group that last numbered it and the number it got
    // there, side by side as they are read together.
    struct Numbering {
      uint32_t group = kNone;
      uint32_t number = 0;
    };
    std::vector<Numbering> numbering(vertexCount);
    result.vertexRemap.reserve(vertexCount);
    uint32_t group = 0;
    size_t groupFace = 0;
    uint32_t groupVertexStart = 0;
    for (size_t f = 0; f < faceCount; ++f) {
      if (f > 0 && result.attributes[f] != result.attributes[f - 1]) {
        // A group's vertices are exactly the block numbered while it ran.
        const uint32_t numbered = uint32_t(result.vertexRemap.size());
        result.table.push_back({result.attributes[groupFace], DWORD(groupFace), DWORD(f - groupFace),
                                groupVertexStart, numbered - groupVertexStart});
        ++group;
        groupFace = f;
        groupVertexStart = numbered;
      }
      for (int k = 0; k < 3; ++k) {
        uint32_t& index = result.indices[f * 3 + k];
        Numbering& n = numbering[index];
        if (n.group != group) {
          n.group = group;
          n.number = uint32_t(result.vertexRemap.size());
          result.vertexRemap.push_back(index);
        }
        index = n.number;
      }
    }
    if (faceCount > 0) {
      const uint32_t numbered = uint32_t(result.vertexRemap.size());
      result.table.push_back({result.attributes[groupFace], DWORD(groupFace), DWORD(faceCount - groupFace),
                              groupVertexStart, numbered - groupVertexStart});
    }
    if (!options.dropUnreferenced) {
      for (uint32_t v = 0; v < vertexCount; ++v) {
        if (numbering[v].group == kNone) result.vertexRemap.push_back(v);
      }
    }
    return result;
  }

  result.vertexRemap.resize(vertexCount);
  std::iota(result.vertexRemap.begin(), result.vertexRemap.end(), 0u);
  for (size_t f = 0; f < faceCount;) {
    size_t end = f;
    uint32_t low = 0xFFFFFFFFu;
    uint32_t high = 0;
    while (end < faceCount && result.attributes[end] == result.attributes[f]) {
      for (int k = 0; k < 3; ++k) {
        low = std::min(low, result.indices[end * 3 + k]);
        high = std::max(high, result.indices[end * 3 + k]);
      }
      ++end;
    }
    result.table.push_back({result.attributes[f], DWORD(f), DWORD(end - f), low, high - low + 1});
    f = end;
  }
  return result;
}
