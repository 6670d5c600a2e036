#include "render/mesh_adjacency.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

bool SamePosition(const D3DVECTOR& a, const D3DVECTOR& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool LessPosition(const D3DVECTOR& a, const D3DVECTOR& b) {
  if (a.x != b.x) return a.x < b.x;
  if (a.y != b.y) return a.y < b.y;
  return a.z < b.z;
}

bool HasNaN(const D3DVECTOR& p) { return std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z); }

// Union-find whose root is always the lowest-numbered member.
struct LowestRootSets {
  std::vector<uint32_t> parent;
  explicit LowestRootSets(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0u); }
  uint32_t Find(uint32_t v) {
    uint32_t root = v;
    while (parent[root] != root) root = parent[root];
    while (parent[v] != root) {
      const uint32_t next = parent[v];
      parent[v] = root;
      v = next;
    }
    return root;
  }
  void Join(uint32_t a, uint32_t b) {
    a = Find(a);
    b = Find(b);
    if (a < b) parent[b] = a;
    else if (b < a) parent[a] = b;
  }
};

// Per vertex, a representative that two vertices share exactly when their
// end points count as matching for the given epsilon.
std::vector<uint32_t> MatchRepresentatives(const std::vector<D3DVECTOR>& positions,
                                           float epsilon) {
  const uint32_t n = uint32_t(positions.size());
  std::vector<uint32_t> order;
  order.reserve(n);
  for (uint32_t v = 0; v < n; ++v) {
    if (!HasNaN(positions[v])) order.push_back(v);
  }
  LowestRootSets sets(n);
  if (epsilon == 0.0f) {
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      if (LessPosition(positions[a], positions[b])) return true;
      if (LessPosition(positions[b], positions[a])) return false;
      return a < b;
    });
    for (size_t i = 1; i < order.size(); ++i) {
      if (SamePosition(positions[order[i - 1]], positions[order[i]])) {
        sets.Join(order[i - 1], order[i]);
      }
    }
  } else if (epsilon > 0.0f) {
    // Closeness is not transitive; vertices chained by close pairs form one
    // group, which is what a shared edge needs in practice.
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return positions[a].x < positions[b].x; });
    const double limit = double(epsilon) * epsilon;
    for (size_t i = 0; i < order.size(); ++i) {
      const D3DVECTOR& p = positions[order[i]];
      for (size_t j = i + 1; j < order.size(); ++j) {
        const D3DVECTOR& q = positions[order[j]];
        if (double(q.x) - p.x >= epsilon) break;
        const double dx = double(q.x) - p.x, dy = double(q.y) - p.y, dz = double(q.z) - p.z;
        if (dx * dx + dy * dy + dz * dz < limit) sets.Join(order[i], order[j]);
      }
    }
  }
  std::vector<uint32_t> rep(n);
  for (uint32_t v = 0; v < n; ++v) rep[v] = sets.Find(v);
  return rep;
}

}  // namespace

std::vector<uint32_t> ComputeAdjacency(const std::vector<D3DVECTOR>& positions,
                                       const std::vector<uint32_t>& indices, float epsilon) {
  const size_t edgeCount = indices.size() / 3 * 3;
  std::vector<uint32_t> adjacency(edgeCount, kNoNeighbour);
  if (edgeCount == 0) return adjacency;
  const std::vector<uint32_t> rep = MatchRepresentatives(positions, epsilon);

  auto key = [&](uint32_t from, uint32_t to) { return (uint64_t(rep[from]) << 32) | rep[to]; };
  auto corner = [&](size_t edge, int step) {
    const size_t face = edge / 3;
    return indices[face * 3 + (edge % 3 + step) % 3];
  };

  // Half-edges sorted by (start, end) representative, then by edge number,
  // so each run lists the faces holding that directed edge in face order.
  struct HalfEdge {
    uint64_t key;
    uint32_t edge;
  };
  std::vector<HalfEdge> sorted(edgeCount);
  for (size_t e = 0; e < edgeCount; ++e) sorted[e] = {key(corner(e, 0), corner(e, 1)), uint32_t(e)};
  std::sort(sorted.begin(), sorted.end(), [](const HalfEdge& a, const HalfEdge& b) {
    return a.key != b.key ? a.key < b.key : a.edge < b.edge;
  });
  std::vector<uint32_t> slot(edgeCount);
  for (size_t i = 0; i < edgeCount; ++i) slot[sorted[i].edge] = uint32_t(i);

  // nextFree[i]: the first slot at or after i whose edge is still unpaired.
  std::vector<uint32_t> nextFree(edgeCount + 1);
  std::iota(nextFree.begin(), nextFree.end(), 0u);
  auto findFree = [&](uint32_t i) {
    uint32_t root = i;
    while (nextFree[root] != root) root = nextFree[root];
    while (nextFree[i] != root) {
      const uint32_t next = nextFree[i];
      nextFree[i] = root;
      i = next;
    }
    return root;
  };

  for (size_t e = 0; e < edgeCount; ++e) {
    if (adjacency[e] != kNoNeighbour) continue;
    const uint64_t wanted = key(corner(e, 1), corner(e, 0));
    auto first = std::lower_bound(sorted.begin(), sorted.end(), wanted,
                                  [](const HalfEdge& h, uint64_t k) { return h.key < k; });
    uint32_t i = findFree(uint32_t(first - sorted.begin()));
    while (i < edgeCount && sorted[i].key == wanted && sorted[i].edge / 3 == e / 3) {
      i = findFree(i + 1);
    }
    if (i >= edgeCount || sorted[i].key != wanted) continue;
    const uint32_t partner = sorted[i].edge;
    adjacency[e] = partner / 3;
    adjacency[partner] = uint32_t(e / 3);
    nextFree[i] = i + 1;
    nextFree[slot[e]] = slot[e] + 1;
  }
  return adjacency;
}

std::vector<uint32_t> JoinAdjacentCorners(const std::vector<D3DVECTOR>& positions,
                                          const std::vector<uint32_t>& indices,
                                          const uint32_t* adjacency) {
  const uint32_t vertexCount = uint32_t(positions.size());
  LowestRootSets sets(vertexCount);
  const size_t faceCount = indices.size() / 3;
  if (adjacency != nullptr) {
    auto matches = [&](uint32_t a, uint32_t b) {
      return a == b || SamePosition(positions[a], positions[b]);
    };
    for (size_t f = 0; f < faceCount; ++f) {
      for (int k = 0; k < 3; ++k) {
        const uint32_t g = adjacency[f * 3 + k];
        if (g >= faceCount || g == f) continue;
        const uint32_t a = indices[f * 3 + k];
        const uint32_t b = indices[f * 3 + (k + 1) % 3];
        // The edge of g that names f: the one whose ends match ours reversed,
        // else the first one (adjacency built with a positive epsilon).
        int chosen = -1;
        for (int j = 0; j < 3; ++j) {
          if (adjacency[size_t(g) * 3 + j] != f) continue;
          const uint32_t c = indices[size_t(g) * 3 + j];
          const uint32_t d = indices[size_t(g) * 3 + (j + 1) % 3];
          if (matches(c, b) && matches(d, a)) {
            chosen = j;
            break;
          }
          if (chosen < 0) chosen = j;
        }
        if (chosen < 0) continue;
        sets.Join(b, indices[size_t(g) * 3 + chosen]);
        sets.Join(a, indices[size_t(g) * 3 + (chosen + 1) % 3]);
      }
    }
  }
  std::vector<uint32_t> group(vertexCount);
  for (uint32_t v = 0; v < vertexCount; ++v) group[v] = sets.Find(v);
  return group;
}
