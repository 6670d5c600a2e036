// The adjacency a freshly loaded mesh will have once attribute-sorted,
// computed on a second thread while the loader's copies (clone, sort) are
// made, so that GenerateAdjacency on the sorted mesh need not wait for it.
// For a file's only mesh the reader starts it already, before it splits
// vertices by normal (the same argument covers those copies).
//
// Why it is the same: a sort keeps every face's corners (renumbered, with
// copies of shared vertices at the same positions) and orders faces stably
// by attribute. Corners that share an index or a position before still do
// after, and the other way round, so pairing the faces in sorted order over
// the original vertices gives what pairing the sorted mesh gives. NaN
// positions match nothing but their own index, and copies would break
// that: meshes with any are left to the direct computation.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "render/pending_adjacency.h"
#include "render/xfile_mesh_data.h"

// Meshes with fewer faces get no thread: computing in place is cheap then.
constexpr size_t kAdjacencyAheadMinFaces = 16384;

// Starts the computation over the reader's mesh, which must not change
// until the result is got; false (nothing started) for small meshes or when
// no thread can be had.
bool StartSortedAdjacency(std::shared_ptr<const XMeshData> mesh, PendingAdjacency* out);

// The computation itself, on the calling thread, for the triangles of
// `indices` with one attribute each: empty for a mesh with NaN positions,
// which is left to the direct computation.
std::vector<uint32_t> SortedAdjacency(const std::vector<D3DVECTOR>& positions, const std::vector<uint32_t>& indices,
                                      const std::vector<uint32_t>& attributes);
