#include "render/d3dx_mesh.h"

#include <algorithm>
#include <cstring>

#include "render/mesh_adjacency.h"
#include "render/mesh_attribute_sort.h"

namespace {

constexpr DWORD kVbSystemMem = 0x010;
constexpr DWORD kVbManaged = 0x020;
constexpr DWORD kIbSystemMem = 0x100;
constexpr DWORD kIbManaged = 0x200;
constexpr DWORD kMeshOptionBits = 0x00FFFFFF;
constexpr DWORD kPositionMask = 0x00E;
constexpr DWORD kPointSize = 0x020;
constexpr DWORD kTexCountMask = 0xF00;
constexpr DWORD kKnownFvfBits =
    kPositionMask | D3DFVF_NORMAL | kPointSize | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | kTexCountMask;

D3DPOOL VertexPool(DWORD options) {
  if (options & kVbManaged) return D3DPOOL_MANAGED;
  if (options & kVbSystemMem) return D3DPOOL_SYSTEMMEM;
  return D3DPOOL_DEFAULT;
}

D3DPOOL IndexPool(DWORD options) {
  if (options & kIbManaged) return D3DPOOL_MANAGED;
  if (options & kIbSystemMem) return D3DPOOL_SYSTEMMEM;
  return D3DPOOL_DEFAULT;
}

class D3DXMeshObject final : public RefCounted<ID3DXMesh> {
 public:
  static HRESULT Create(DWORD faces, DWORD vertices, DWORD options, DWORD fvf,
                        IDirect3DDevice8* device, D3DXMeshObject** out) {
    *out = nullptr;
    const FvfLayout layout = DescribeFVF(fvf);
    if (device == nullptr || !layout.valid || faces == 0 || vertices == 0) {
      return D3DERR_INVALIDCALL;
    }
    const bool wide = (options & D3DXMESH_32BIT) != 0;
    if (!wide && vertices > kMaxVertices16) return D3DERR_INVALIDCALL;
    const uint64_t vertexBytes = uint64_t(vertices) * layout.stride;
    const uint64_t indexBytes = uint64_t(faces) * 3 * (wide ? 4 : 2);
    if (vertexBytes > 0xFFFFFFFFu || indexBytes > 0xFFFFFFFFu) return E_OUTOFMEMORY;

    auto* mesh = new D3DXMeshObject(faces, vertices, options, fvf, layout, device);
    HRESULT hr = device->CreateVertexBuffer(UINT(vertexBytes), 0, fvf, VertexPool(options),
                                            &mesh->vertexBuffer_);
    if (SUCCEEDED(hr) && mesh->vertexBuffer_ == nullptr) hr = E_FAIL;
    if (SUCCEEDED(hr)) {
      hr = device->CreateIndexBuffer(UINT(indexBytes), 0, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                     IndexPool(options), &mesh->indexBuffer_);
      if (SUCCEEDED(hr) && mesh->indexBuffer_ == nullptr) hr = E_FAIL;
    }
    if (FAILED(hr)) {
      mesh->Release();
      return hr;
    }
    *out = mesh;
    return D3D_OK;
  }

  ~D3DXMeshObject() override {
    if (vertexBuffer_ != nullptr) vertexBuffer_->Release();
    if (indexBuffer_ != nullptr) indexBuffer_->Release();
    device_->Release();
  }

  HRESULT DrawSubset(DWORD attribId) override {
    device_->SetStreamSource(0, vertexBuffer_, layout_.stride);
    device_->SetIndices(indexBuffer_, 0);
    device_->SetVertexShader(fvf_);
    if (!table_.empty()) {
      for (const D3DXATTRIBUTERANGE& range : table_) {
        if (range.AttribId != attribId || range.FaceCount == 0) continue;
        device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.VertexStart, range.VertexCount,
                                      range.FaceStart * 3, range.FaceCount);
      }
      return D3D_OK;
    }
    // Not attribute-sorted: draw each run of faces with this id.
    std::vector<uint32_t> indices;
    if (FAILED(ReadMeshIndices(this, &indices))) return D3DERR_INVALIDCALL;
    for (DWORD start = 0; start < faces_;) {
      if (attributes_[start] != attribId) {
        ++start;
        continue;
      }
      DWORD end = start;
      uint32_t low = 0xFFFFFFFFu, high = 0;
      while (end < faces_ && attributes_[end] == attribId) {
        for (int k = 0; k < 3; ++k) {
          low = std::min(low, indices[end * 3 + k]);
          high = std::max(high, indices[end * 3 + k]);
        }
        ++end;
      }
      device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, low, high - low + 1, start * 3,
                                    end - start);
      start = end;
    }
    return D3D_OK;
  }

  DWORD GetNumFaces() override { return faces_; }
  DWORD GetNumVertices() override { return vertices_; }
  DWORD GetFVF() override { return fvf_; }
  DWORD GetOptions() override { return options_; }

  HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) override {
    if (ppVB == nullptr) return D3DERR_INVALIDCALL;
    ForgetAdjacencyAhead();  // the caller may write through it
    vertexBuffer_->AddRef();
    *ppVB = vertexBuffer_;
    return D3D_OK;
  }
  HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) override {
    if (ppIB == nullptr) return D3DERR_INVALIDCALL;
    ForgetAdjacencyAhead();
    indexBuffer_->AddRef();
    *ppIB = indexBuffer_;
    return D3D_OK;
  }

  HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    if (!(flags & D3DLOCK_READONLY)) ForgetAdjacencyAhead();
    return vertexBuffer_->Lock(0, 0, data, flags);
  }
  HRESULT UnlockVertexBuffer() override { return vertexBuffer_->Unlock(); }
  HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    if (!(flags & D3DLOCK_READONLY)) ForgetAdjacencyAhead();
    return indexBuffer_->Lock(0, 0, data, flags);
  }
  HRESULT UnlockIndexBuffer() override { return indexBuffer_->Unlock(); }
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    if (!(flags & D3DLOCK_READONLY)) ForgetAdjacencyAhead();
    *data = attributes_.data();
    return D3D_OK;
  }
  HRESULT UnlockAttributeBuffer() override { return D3D_OK; }

  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
    if (size == nullptr) return D3DERR_INVALIDCALL;
    if (table != nullptr) std::copy(table_.begin(), table_.end(), table);
    *size = DWORD(table_.size());
    return D3D_OK;
  }

  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device,
                       ID3DXMesh** ppCloneMesh) override {
    if (ppCloneMesh == nullptr) return D3DERR_INVALIDCALL;
    *ppCloneMesh = nullptr;
    std::vector<uint32_t> indices;
    HRESULT hr = ReadMeshIndices(this, &indices);
    if (FAILED(hr)) return hr;
    D3DXMeshObject* clone = nullptr;
    hr = Create(faces_, vertices_, options, fvf, device, &clone);
    if (FAILED(hr)) return hr;
    BYTE* source = nullptr;
    hr = LockVertexBuffer(D3DLOCK_READONLY, &source);
    if (SUCCEEDED(hr)) {
      hr = clone->WriteConvertedVertices(source, layout_, fvf_, nullptr);
      UnlockVertexBuffer();
    }
    if (SUCCEEDED(hr)) hr = clone->WriteIndices(indices);
    if (FAILED(hr)) {
      clone->Release();
      return hr;
    }
    clone->attributes_ = attributes_;
    clone->table_ = table_;
    clone->sortedAdjacency_ = sortedAdjacency_;
    *ppCloneMesh = clone;
    return D3D_OK;
  }

  HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override {
    if (adjacency == nullptr) return D3DERR_INVALIDCALL;
    if (epsilon == 0.0f && ownAdjacency_.valid()) {
      const std::vector<uint32_t>& ahead = ownAdjacency_.get();
      if (ahead.size() == size_t(faces_) * 3) {
        std::copy(ahead.begin(), ahead.end(), adjacency);
        return D3D_OK;
      }
    }
    std::vector<D3DVECTOR> positions;
    std::vector<uint32_t> indices;
    HRESULT hr = ReadMeshPositions(this, &positions);
    if (SUCCEEDED(hr)) hr = ReadMeshIndices(this, &indices);
    if (FAILED(hr)) return hr;
    if (!IndicesInRange(indices)) return D3DERR_INVALIDCALL;
    const std::vector<uint32_t> result = ComputeAdjacency(positions, indices, epsilon);
    std::copy(result.begin(), result.end(), adjacency);
    return D3D_OK;
  }

  HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                   ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) override {
    if (ppOptMesh == nullptr) return D3DERR_INVALIDCALL;
    *ppOptMesh = nullptr;
    if (ppVertexRemap != nullptr) *ppVertexRemap = nullptr;
    std::vector<uint32_t> indices;
    HRESULT hr = ReadMeshIndices(this, &indices);
    if (FAILED(hr)) return hr;
    if (!IndicesInRange(indices)) return D3DERR_INVALIDCALL;

    AttributeSortOptions sortOptions;
    sortOptions.reorderVertices = (flags & D3DXMESHOPT_IGNOREVERTS) == 0;
    sortOptions.dropUnreferenced = (flags & D3DXMESHOPT_COMPACT) != 0;
    const AttributeSortResult sorted = SortByAttribute(indices, attributes_, vertices_, sortOptions);

    D3DXMeshObject* result = nullptr;
    hr = Create(faces_, DWORD(sorted.vertexRemap.size()), flags & kMeshOptionBits, fvf_, device_,
                &result);
    if (FAILED(hr)) return hr;
    BYTE* source = nullptr;
    hr = LockVertexBuffer(D3DLOCK_READONLY, &source);
    if (SUCCEEDED(hr)) {
      hr = result->WriteConvertedVertices(source, layout_, fvf_, &sorted.vertexRemap);
      UnlockVertexBuffer();
    }
    if (SUCCEEDED(hr)) hr = result->WriteIndices(sorted.indices);
    ID3DXBuffer* remapBuffer = nullptr;
    if (SUCCEEDED(hr) && ppVertexRemap != nullptr) {
      hr = D3DXCreateBuffer(DWORD(sorted.vertexRemap.size() * sizeof(DWORD)), &remapBuffer);
      if (SUCCEEDED(hr)) {
        std::memcpy(remapBuffer->GetBufferPointer(), sorted.vertexRemap.data(),
                    sorted.vertexRemap.size() * sizeof(DWORD));
      }
    }
    if (FAILED(hr)) {
      result->Release();
      return hr;
    }
    result->attributes_.assign(sorted.attributes.begin(), sorted.attributes.end());
    result->table_ = sorted.table;
    // The sort just made is the one the adjacency ahead was computed for.
    result->ownAdjacency_ = sortedAdjacency_;

    if (adjacencyOut != nullptr) {
      if (adjacencyIn != nullptr) {
        std::vector<uint32_t> newFace(faces_);
        for (DWORD f = 0; f < faces_; ++f) newFace[sorted.faceRemap[f]] = f;
        // Copy first: the output may be the input array.
        std::vector<DWORD> in(adjacencyIn, adjacencyIn + size_t(faces_) * 3);
        for (DWORD f = 0; f < faces_; ++f) {
          for (int k = 0; k < 3; ++k) {
            const DWORD old = in[size_t(sorted.faceRemap[f]) * 3 + k];
            adjacencyOut[size_t(f) * 3 + k] = old < faces_ ? newFace[old] : kNoNeighbour;
          }
        }
      } else {
        result->GenerateAdjacency(0.0f, adjacencyOut);
      }
    }
    if (faceRemap != nullptr) std::copy(sorted.faceRemap.begin(), sorted.faceRemap.end(), faceRemap);
    if (ppVertexRemap != nullptr) *ppVertexRemap = remapBuffer;
    *ppOptMesh = result;
    return D3D_OK;
  }

 private:
  D3DXMeshObject(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, const FvfLayout& layout,
                 IDirect3DDevice8* device)
      : faces_(faces),
        vertices_(vertices),
        options_(options),
        fvf_(fvf),
        layout_(layout),
        device_(device),
        attributes_(faces, 0) {
    device_->AddRef();
  }

  friend void ::SetSortedAdjacency(ID3DXMesh* mesh, PendingAdjacency adjacency);

  // Data the adjacency ahead was computed from may change from here on.
  void ForgetAdjacencyAhead() {
    sortedAdjacency_ = {};
    ownAdjacency_ = {};
  }

  bool IndicesInRange(const std::vector<uint32_t>& indices) const {
    return std::all_of(indices.begin(), indices.end(),
                       [&](uint32_t i) { return i < vertices_; });
  }

  // Zero-fills this mesh's vertices, then copies each component both formats
  // share from source vertex remap[v] (or v) of the given layout (format fromFvf).
  HRESULT WriteConvertedVertices(const BYTE* source, const FvfLayout& from, DWORD fromFvf,
                                 const std::vector<uint32_t>* remap) {
    BYTE* target = nullptr;
    HRESULT hr = LockVertexBuffer(0, &target);
    if (FAILED(hr)) return hr;
    const FvfLayout& to = layout_;
    if (fromFvf == fvf_) {
      // Same layout: every byte is a shared component, so whole vertices copy.
      if (remap == nullptr) {
        std::memcpy(target, source, size_t(vertices_) * to.stride);
      } else {
        const uint32_t* old = remap->data();
        const size_t stride = to.stride, count = vertices_;
        for (size_t v = 0; v < count; ++v) std::memcpy(target + v * stride, source + size_t(old[v]) * stride, stride);
      }
      return UnlockVertexBuffer();
    }
    std::memset(target, 0, size_t(vertices_) * to.stride);
    auto copy = [](BYTE* dst, int dstOffset, const BYTE* src, int srcOffset, size_t bytes) {
      if (dstOffset >= 0 && srcOffset >= 0) std::memcpy(dst + dstOffset, src + srcOffset, bytes);
    };
    for (DWORD v = 0; v < vertices_; ++v) {
      const BYTE* src = source + size_t(remap != nullptr ? (*remap)[v] : v) * from.stride;
      BYTE* dst = target + size_t(v) * to.stride;
      copy(dst, to.position, src, from.position, 12);
      copy(dst, to.normal, src, from.normal, 12);
      copy(dst, to.pointSize, src, from.pointSize, 4);
      copy(dst, to.diffuse, src, from.diffuse, 4);
      copy(dst, to.specular, src, from.specular, 4);
      for (UINT t = 0; t < std::min(to.texCount, from.texCount); ++t) {
        copy(dst, to.texOffset[t], src, from.texOffset[t],
             4 * std::min(to.texFloats[t], from.texFloats[t]));
      }
    }
    return UnlockVertexBuffer();
  }

  HRESULT WriteIndices(const std::vector<uint32_t>& indices) {
    BYTE* data = nullptr;
    HRESULT hr = LockIndexBuffer(0, &data);
    if (FAILED(hr)) return hr;
    if (options_ & D3DXMESH_32BIT) {
      std::memcpy(data, indices.data(), indices.size() * 4);
    } else {
      // Locals: a byte store may alias the vector's own pointers.
      const uint32_t* from = indices.data();
      const size_t count = indices.size();
      for (size_t i = 0; i < count; ++i) {
        const uint16_t index = uint16_t(from[i]);
        std::memcpy(data + i * 2, &index, 2);
      }
    }
    return UnlockIndexBuffer();
  }

  DWORD faces_;
  DWORD vertices_;
  DWORD options_;
  DWORD fvf_;
  FvfLayout layout_;
  IDirect3DDevice8* device_;
  IDirect3DVertexBuffer8* vertexBuffer_ = nullptr;
  IDirect3DIndexBuffer8* indexBuffer_ = nullptr;
  std::vector<DWORD> attributes_;
  std::vector<D3DXATTRIBUTERANGE> table_;
  // Adjacency at epsilon 0 computed ahead (mesh_adjacency_ahead.h): for the
  // attribute-sorted copy of this mesh, and for this mesh itself.
  PendingAdjacency sortedAdjacency_;
  PendingAdjacency ownAdjacency_;
};

}  // namespace

void SetSortedAdjacency(ID3DXMesh* mesh, PendingAdjacency adjacency) {
  if (auto* object = dynamic_cast<D3DXMeshObject*>(mesh)) object->sortedAdjacency_ = std::move(adjacency);
}

FvfLayout DescribeFVF(DWORD fvf) {
  FvfLayout layout;
  if ((fvf & ~(kKnownFvfBits | 0xFFFF0000u)) != 0) return layout;
  if ((fvf & kPositionMask) != D3DFVF_XYZ) return layout;
  int offset = 0;
  layout.position = offset;
  offset += 12;
  if (fvf & D3DFVF_NORMAL) {
    layout.normal = offset;
    offset += 12;
  }
  if (fvf & kPointSize) {
    layout.pointSize = offset;
    offset += 4;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuse = offset;
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.specular = offset;
    offset += 4;
  }
  layout.texCount = (fvf & kTexCountMask) >> 8;
  if (layout.texCount > 8) return FvfLayout{};
  for (UINT t = 0; t < layout.texCount; ++t) {
    // Two bits per set from bit 16: 0 two floats, 1 three, 2 four, 3 one.
    static constexpr UINT kFloats[4] = {2, 3, 4, 1};
    layout.texFloats[t] = kFloats[(fvf >> (16 + 2 * t)) & 3];
    layout.texOffset[t] = offset;
    offset += int(4 * layout.texFloats[t]);
  }
  layout.stride = UINT(offset);
  layout.valid = true;
  return layout;
}

HRESULT ReadMeshIndices(ID3DXMesh* mesh, std::vector<uint32_t>* indices) {
  if (mesh == nullptr || indices == nullptr) return D3DERR_INVALIDCALL;
  const size_t count = size_t(mesh->GetNumFaces()) * 3;
  BYTE* data = nullptr;
  HRESULT hr = mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
  if (FAILED(hr)) return hr;
  indices->resize(count);
  if (mesh->GetOptions() & D3DXMESH_32BIT) {
    std::memcpy(indices->data(), data, count * 4);
  } else {
    uint32_t* to = indices->data();
    for (size_t i = 0; i < count; ++i) {
      uint16_t index;
      std::memcpy(&index, data + i * 2, 2);
      to[i] = index;
    }
  }
  mesh->UnlockIndexBuffer();
  return D3D_OK;
}

HRESULT ReadMeshPositions(ID3DXMesh* mesh, std::vector<D3DVECTOR>* positions) {
  if (mesh == nullptr || positions == nullptr) return D3DERR_INVALIDCALL;
  const FvfLayout layout = DescribeFVF(mesh->GetFVF());
  if (!layout.valid || layout.position < 0) return D3DERR_INVALIDCALL;
  BYTE* data = nullptr;
  HRESULT hr = mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  if (FAILED(hr)) return hr;
  positions->resize(mesh->GetNumVertices());
  D3DVECTOR* to = positions->data();
  const size_t count = positions->size(), stride = layout.stride;
  const BYTE* from = data + layout.position;
  for (size_t v = 0; v < count; ++v) std::memcpy(&to[v], from + v * stride, 12);
  mesh->UnlockVertexBuffer();
  return D3D_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          IDirect3DDevice8* pDevice, ID3DXMesh** ppMesh) {
  if (ppMesh == nullptr) return D3DERR_INVALIDCALL;
  D3DXMeshObject* mesh = nullptr;
  const HRESULT hr = D3DXMeshObject::Create(NumFaces, NumVertices, Options, FVF, pDevice, &mesh);
  *ppMesh = mesh;
  return hr;
}
