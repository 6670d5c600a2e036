#include "render/mesh_adjacency.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

namespace {

bool SamePosition(const D3DVECTOR& a, const D3DVECTOR& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
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

// Bits of a coordinate with -0 folded onto +0, which compare equal.
uint32_t CoordinateBits(float f) {
  if (f == 0.0f) return 0;
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

// Per vertex, the lowest-numbered vertex at exactly the same position (NaN
// positions match nothing): one pass over a hash of the position bits.
std::vector<uint32_t> ExactRepresentatives(const std::vector<D3DVECTOR>& positions) {
  constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  const uint32_t n = uint32_t(positions.size());
  size_t capacity = 16;
  while (capacity < size_t(n) * 2) capacity *= 2;
  const size_t mask = capacity - 1;
  std::vector<uint32_t> table(capacity, kEmpty);
  std::vector<uint32_t> rep(n);
  for (uint32_t v = 0; v < n; ++v) {
    const D3DVECTOR& p = positions[v];
    rep[v] = v;
    if (HasNaN(p)) continue;
    uint64_t h = (uint64_t(CoordinateBits(p.x)) << 32 | CoordinateBits(p.y)) * 0x9E3779B97F4A7C15ull;
    h ^= CoordinateBits(p.z) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    for (size_t slot = size_t(h) & mask;; slot = (slot + 1) & mask) {
      const uint32_t other = table[slot];
      if (other == kEmpty) {
        table[slot] = v;
        break;
      }
      if (SamePosition(positions[other], p)) {
        rep[v] = other;
        break;
      }
    }
  }
  return rep;
}

// Per vertex, a representative that two vertices share exactly when their
// end points count as matching for the given epsilon.
std::vector<uint32_t> MatchRepresentatives(const std::vector<D3DVECTOR>& positions,
                                           float epsilon) {
  if (epsilon == 0.0f) return ExactRepresentatives(positions);
  const uint32_t n = uint32_t(positions.size());
  LowestRootSets sets(n);
  if (epsilon > 0.0f) {
    std::vector<uint32_t> order;
    order.reserve(n);
    for (uint32_t v = 0; v < n; ++v) {
      if (!HasNaN(positions[v])) order.push_back(v);
    }
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
  return ComputeAdjacency(positions, indices, epsilon, nullptr);
}

std::vector<uint32_t> ComputeAdjacency(const std::vector<D3DVECTOR>& positions,
                                       const std::vector<uint32_t>& indices, float epsilon,
                                       const std::vector<uint32_t>* faceOrder) {
  const size_t edgeCount = (faceOrder != nullptr ? faceOrder->size() : indices.size() / 3) * 3;
  std::vector<uint32_t> adjacency(edgeCount, kNoNeighbour);
  if (edgeCount == 0) return adjacency;
  const std::vector<uint32_t> rep = MatchRepresentatives(positions, epsilon);
  const size_t vertexCount = rep.size();

  // Edge e runs from corner e of its face to the next corner; its ends as
  // representatives, looked up once.
  // Counted by start on the way, for the grouping below. Scratch lists are
  // not zeroed: every entry is written before it is read.
  const std::unique_ptr<uint32_t[]> fromRep(new uint32_t[edgeCount]), toRep(new uint32_t[edgeCount]);
  std::vector<uint32_t> groupStart(vertexCount + 1, 0);
  for (size_t e = 0; e < edgeCount; e += 3) {
    const size_t corner = faceOrder != nullptr ? size_t((*faceOrder)[e / 3]) * 3 : e;
    const uint32_t a = rep[indices[corner]], b = rep[indices[corner + 1]], c = rep[indices[corner + 2]];
    ++groupStart[a + 1];
    ++groupStart[b + 1];
    ++groupStart[c + 1];
    fromRep[e] = a;
    fromRep[e + 1] = b;
    fromRep[e + 2] = c;
    toRep[e] = b;
    toRep[e + 1] = c;
    toRep[e + 2] = a;
  }

  // Half-edges grouped by start representative (counting sort, so each group
  // lists its edges in edge order). An edge pairs with the first edge of its
  // end's group that runs back to its start, is still free and lies in
  // another face.
  struct HalfEdge {
    uint32_t end;
    uint32_t edge;
  };
  for (size_t v = 0; v < vertexCount; ++v) groupStart[v + 1] += groupStart[v];
  const std::unique_ptr<HalfEdge[]> grouped(new HalfEdge[edgeCount]);
  {
    std::vector<uint32_t> fill(groupStart.begin(), groupStart.end() - 1);
    for (size_t e = 0; e < edgeCount; ++e) grouped[fill[fromRep[e]]++] = {toRep[e], uint32_t(e)};
  }

  // Small groups (ordinary vertex valences) are scanned. Large ones (many
  // faces meeting at one point) would make that quadratic: they are sorted
  // by end, then edge, and searched; paired entries there are skipped
  // through nextFree, a slot at or before the first slot from i whose edge
  // is still free.
  constexpr uint32_t kScanLimit = 32;
  auto byEndThenEdge = [](const HalfEdge& a, const HalfEdge& b) {
    return a.end != b.end ? a.end < b.end : a.edge < b.edge;
  };
  // Slots of small groups never use nextFree: only large groups' are set.
  std::unique_ptr<uint32_t[]> nextFree;
  for (size_t v = 0; v < vertexCount; ++v) {
    const uint32_t begin = groupStart[v], end = groupStart[v + 1];
    if (end - begin <= kScanLimit) continue;
    std::sort(grouped.get() + begin, grouped.get() + end, byEndThenEdge);
    if (!nextFree) nextFree.reset(new uint32_t[edgeCount]);
    std::iota(nextFree.get() + begin, nextFree.get() + end, begin);
  }
  // The first free slot from i, or groupEnd; links stay inside the group.
  auto findFree = [&](uint32_t i, uint32_t groupEnd) {
    while (true) {
      uint32_t root = i;
      while (root < groupEnd && nextFree[root] != root) root = nextFree[root];
      while (i < groupEnd && nextFree[i] != root) {
        const uint32_t next = nextFree[i];
        nextFree[i] = root;
        i = next;
      }
      if (root >= groupEnd || adjacency[grouped[root].edge] == kNoNeighbour) return root;
      nextFree[root] = root + 1;
      i = root + 1;
    }
  };
  auto searchLarge = [&](size_t e, uint32_t groupBegin, uint32_t groupEnd, uint32_t wantedTo) -> uint32_t {
    const HalfEdge* first = std::lower_bound(grouped.get() + groupBegin, grouped.get() + groupEnd, wantedTo,
                                             [](const HalfEdge& h, uint32_t end) { return h.end < end; });
    uint32_t i = findFree(uint32_t(first - grouped.get()), groupEnd);
    while (i < groupEnd && grouped[i].end == wantedTo && grouped[i].edge / 3 == e / 3) i = findFree(i + 1, groupEnd);
    if (i >= groupEnd || grouped[i].end != wantedTo) return kNoNeighbour;
    return grouped[i].edge;
  };

  for (size_t e = 0; e < edgeCount; ++e) {
    if (adjacency[e] != kNoNeighbour) continue;
    // The reversed edge: starts where e ends, ends where e starts.
    const uint32_t wantedFrom = toRep[e], wantedTo = fromRep[e];
    const uint32_t groupBegin = groupStart[wantedFrom], groupEnd = groupStart[wantedFrom + 1];
    uint32_t partner = kNoNeighbour;
    if (groupEnd - groupBegin <= kScanLimit) {
      const uint32_t face = uint32_t(e / 3);
      for (uint32_t i = groupBegin; i < groupEnd; ++i) {
        const HalfEdge h = grouped[i];
        if (h.end == wantedTo && h.edge / 3 != face && adjacency[h.edge] == kNoNeighbour) {
          partner = h.edge;
          break;
        }
      }
    } else {
      partner = searchLarge(e, groupBegin, groupEnd, wantedTo);
    }
    if (partner == kNoNeighbour) continue;
    adjacency[e] = partner / 3;
    adjacency[partner] = uint32_t(e / 3);
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
