// Vertex buffers, index buffers and textures of the recording backend: their
// contents live in ordinary memory; locks are bounds-checked.
#include <new>

#include "render/recording_internal.h"

namespace recording {
namespace {

std::string LockText(const std::string& name, UINT offset, UINT size, DWORD flags) {
  return name + ".Lock(" + std::to_string(offset) + ", " + std::to_string(size) + ", " +
         Hex(flags) + ")";
}

// The part both buffer kinds share: bytes and the lock rules.
struct BufferBytes {
  std::vector<BYTE> bytes;
  int locks = 0;

  HRESULT Lock(UINT offset, UINT size, BYTE** data, bool fail) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (fail) return D3DERR_INVALIDCALL;
    const size_t length = bytes.size();
    if (offset >= length) return D3DERR_INVALIDCALL;
    if (size != 0 && size > length - offset) return D3DERR_INVALIDCALL;
    *data = bytes.data() + offset;
    ++locks;
    return D3D_OK;
  }
  HRESULT Unlock() {
    if (locks == 0) return D3DERR_INVALIDCALL;
    --locks;
    return D3D_OK;
  }
};

bool Allocate(std::vector<BYTE>& bytes, size_t length) {
  try {
    bytes.assign(length, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

class VertexBuffer : public Object<IDirect3DVertexBuffer8> {
 public:
  VertexBuffer(DWORD usage, DWORD fvf, D3DPOOL pool)
      : Object(Kind::kVertexBuffer), usage_(usage), fvf_(fvf), pool_(pool) {}

  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
    Log(LockText(name(), offset, size, flags));
    return buffer_.Lock(offset, size, data, GetRecordingControl().failVertexBufferLock);
  }
  HRESULT Unlock() override {
    Log(name() + ".Unlock()");
    return buffer_.Unlock();
  }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override {
    Log(name() + ".GetDesc()");
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_,
             static_cast<UINT>(buffer_.bytes.size()), fvf_};
    return D3D_OK;
  }

  BufferBytes buffer_;

 private:
  DWORD usage_;
  DWORD fvf_;
  D3DPOOL pool_;
};

class IndexBuffer : public Object<IDirect3DIndexBuffer8> {
 public:
  IndexBuffer(DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : Object(Kind::kIndexBuffer), usage_(usage), format_(format), pool_(pool) {}

  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
    Log(LockText(name(), offset, size, flags));
    return buffer_.Lock(offset, size, data, GetRecordingControl().failIndexBufferLock);
  }
  HRESULT Unlock() override {
    Log(name() + ".Unlock()");
    return buffer_.Unlock();
  }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override {
    Log(name() + ".GetDesc()");
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_,
             static_cast<UINT>(buffer_.bytes.size())};
    return D3D_OK;
  }

  BufferBytes buffer_;
  D3DFORMAT format() const { return format_; }

 private:
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
};

class Texture : public Object<IDirect3DTexture8> {
 public:
  struct Level {
    UINT width;
    UINT height;
    std::vector<uint32_t> texels;
    bool locked = false;
  };

  Texture(DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : Object(Kind::kTexture), usage_(usage), format_(format), pool_(pool) {}

  DWORD GetLevelCount() override {
    Log(name() + ".GetLevelCount()");
    return static_cast<DWORD>(levels_.size());
  }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    Log(name() + ".GetLevelDesc(" + std::to_string(level) + ")");
    if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
    const Level& l = levels_[level];
    *desc = {format_, D3DRTYPE_SURFACE, usage_, pool_,
             static_cast<UINT>(l.texels.size() * 4), D3DMULTISAMPLE_NONE, l.width, l.height};
    return D3D_OK;
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    Log(name() + ".LockRect(" + std::to_string(level) + ", " + RectText(rect) + ", " +
        Hex(flags) + ")");
    if (!locked) return D3DERR_INVALIDCALL;
    *locked = {0, nullptr};
    if (GetRecordingControl().failTextureLock || level >= levels_.size()) {
      return D3DERR_INVALIDCALL;
    }
    Level& l = levels_[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    size_t left = 0;
    size_t top = 0;
    if (rect) {
      if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
          rect->top >= rect->bottom || static_cast<UINT>(rect->right) > l.width ||
          static_cast<UINT>(rect->bottom) > l.height) {
        return D3DERR_INVALIDCALL;
      }
      left = static_cast<size_t>(rect->left);
      top = static_cast<size_t>(rect->top);
    }
    l.locked = true;
    locked->Pitch = static_cast<INT>(l.width * 4);
    locked->pBits = l.texels.data() + top * l.width + left;
    return D3D_OK;
  }
  HRESULT UnlockRect(UINT level) override {
    Log(name() + ".UnlockRect(" + std::to_string(level) + ")");
    if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
    levels_[level].locked = false;
    return D3D_OK;
  }

  std::vector<Level> levels_;

 private:
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
};

}  // namespace

HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                           IDirect3DVertexBuffer8** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (GetRecordingControl().failCreateVertexBuffer) return D3DERR_OUTOFVIDEOMEMORY;
  if (length == 0) return D3DERR_INVALIDCALL;
  if (length > kMaxResourceBytes) return D3DERR_OUTOFVIDEOMEMORY;
  auto* buffer = new VertexBuffer(usage, fvf, pool);
  if (!Allocate(buffer->buffer_.bytes, length)) {
    delete buffer;
    return E_OUTOFMEMORY;
  }
  *out = buffer;
  return D3D_OK;
}

HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DIndexBuffer8** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (GetRecordingControl().failCreateIndexBuffer) return D3DERR_OUTOFVIDEOMEMORY;
  if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
    return D3DERR_INVALIDCALL;
  }
  if (length > kMaxResourceBytes) return D3DERR_OUTOFVIDEOMEMORY;
  auto* buffer = new IndexBuffer(usage, format, pool);
  if (!Allocate(buffer->buffer_.bytes, length)) {
    delete buffer;
    return E_OUTOFMEMORY;
  }
  *out = buffer;
  return D3D_OK;
}

HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool, IDirect3DTexture8** out) {
  constexpr UINT kMaxSide = 16384;
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (GetRecordingControl().failCreateTexture) return D3DERR_OUTOFVIDEOMEMORY;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    return D3DERR_INVALIDCALL;
  }
  UINT fullChain = 1;
  for (UINT side = width > height ? width : height; side > 1; side /= 2) ++fullChain;
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return D3DERR_INVALIDCALL;
  // The whole chain is at most 4/3 of the top level.
  if (size_t{width} * height * 4 * 4 / 3 > kMaxResourceBytes) return D3DERR_OUTOFVIDEOMEMORY;
  auto* texture = new Texture(usage, format, pool);
  try {
    for (UINT level = 0; level < levels; ++level) {
      const UINT w = width >> level ? width >> level : 1;
      const UINT h = height >> level ? height >> level : 1;
      texture->levels_.push_back({w, h, std::vector<uint32_t>(size_t{w} * h, 0u)});
    }
  } catch (const std::bad_alloc&) {
    delete texture;
    return E_OUTOFMEMORY;
  }
  *out = texture;
  return D3D_OK;
}

D3DFORMAT RecordedIndexFormat(IDirect3DIndexBuffer8* buffer) {
  auto* recorded = dynamic_cast<IndexBuffer*>(buffer);
  return recorded ? recorded->format() : D3DFMT_UNKNOWN;
}

}  // namespace recording

std::vector<BYTE>* RecordedBufferBytes(IDirect3DVertexBuffer8* buffer) {
  auto* recorded = dynamic_cast<recording::VertexBuffer*>(buffer);
  return recorded ? &recorded->buffer_.bytes : nullptr;
}

std::vector<BYTE>* RecordedBufferBytes(IDirect3DIndexBuffer8* buffer) {
  auto* recorded = dynamic_cast<recording::IndexBuffer*>(buffer);
  return recorded ? &recorded->buffer_.bytes : nullptr;
}

std::vector<uint32_t>* RecordedTexels(IDirect3DTexture8* texture, UINT level) {
  auto* recorded = dynamic_cast<recording::Texture*>(texture);
  if (!recorded || level >= recorded->levels_.size()) return nullptr;
  return &recorded->levels_[level].texels;
}

std::string RecordedName(const IUnknown8* object) {
  if (!object) return "null";
  auto* named = dynamic_cast<const recording::Named*>(object);
  return named ? named->name() : "?";
}
