// Vertex and index buffers of the OpenGL device: a CPU copy that Lock hands
// out, uploaded to a GL buffer before the next draw that reads it.
#pragma once

#include <vector>

#include "render/d3d8.h"
#include "render/gl_device.h"

// Largest buffer the device agrees to make (a guard against absurd sizes).
constexpr UINT kGlMaxBufferBytes = 256u << 20;

// Shared by both buffer kinds: storage, locking and upload.
class GlBufferStorage {
 public:
  GlBufferStorage(GlDevice* device, UINT size) : device_(device), bytes_(size) {}

  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
  HRESULT Unlock();
  UINT size() const { return static_cast<UINT>(bytes_.size()); }
  const BYTE* data() const { return bytes_.data(); }
  bool dirty() const { return dirty_; }
  // With the device's context current: binds the GL buffer to `target`,
  // uploading the CPU copy first when it changed.
  GLuint Bind(GLenum target);
  void ReleaseGl();
  void Detach() { device_ = nullptr; }
  GlDevice* device() const { return device_; }

 private:
  GlDevice* device_;
  std::vector<BYTE> bytes_;
  GLuint buffer_ = 0;
  bool dirty_ = true;
};

class GlVertexBuffer final : public RefCounted<IDirect3DVertexBuffer8>, public GlResource {
 public:
  GlVertexBuffer(GlDevice* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override {
    return storage_.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override { return storage_.Unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
  void DeviceLost() override;

  GlBufferStorage& storage() { return storage_; }

 private:
  ~GlVertexBuffer() override;

  GlBufferStorage storage_;
  DWORD usage_, fvf_;
  D3DPOOL pool_;
};

class GlIndexBuffer final : public RefCounted<IDirect3DIndexBuffer8>, public GlResource {
 public:
  GlIndexBuffer(GlDevice* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override {
    wholeMaxValid_ = false;
    return storage_.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override { return storage_.Unlock(); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
  void DeviceLost() override;

  GlBufferStorage& storage() { return storage_; }
  D3DFORMAT format() const { return format_; }
  UINT indexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }
  // Whether every one of `count` indices from `start` (a range that must
  // fit the buffer) is below `limit`.
  bool IndicesBelow(UINT start, UINT count, uint64_t limit);

 private:
  ~GlIndexBuffer() override;

  GlBufferStorage storage_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  // Highest index of the whole buffer, recomputed after each change.
  UINT wholeMax_ = 0;
  bool wholeMaxValid_ = false;
};
