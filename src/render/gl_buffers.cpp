#include "render/gl_buffers.h"

#include <algorithm>
#include <cstring>

HRESULT GlBufferStorage::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = nullptr;
  const uint64_t total = bytes_.size();
  const uint64_t end = size == 0 ? total : uint64_t(offset) + size;
  if (offset >= total || end > total) return D3DERR_INVALIDCALL;
  if (!(flags & D3DLOCK_READONLY)) dirty_ = true;
  *data = bytes_.data() + offset;
  return D3D_OK;
}

HRESULT GlBufferStorage::Unlock() {
  dirty_ = true;
  return D3D_OK;
}

GLuint GlBufferStorage::Bind(GLenum target) {
  QOpenGLFunctions_3_3_Core* gl = device_->gl();
  if (buffer_ == 0) {
    gl->glGenBuffers(1, &buffer_);
    dirty_ = true;
  }
  gl->glBindBuffer(target, buffer_);
  if (dirty_) {
    gl->glBufferData(target, GLsizeiptr(bytes_.size()), bytes_.data(), GL_DYNAMIC_DRAW);
    dirty_ = false;
  }
  return buffer_;
}

void GlBufferStorage::ReleaseGl() {
  if (buffer_ != 0 && device_ && device_->MakeCurrent()) device_->gl()->glDeleteBuffers(1, &buffer_);
  buffer_ = 0;
  dirty_ = true;
}

GlVertexBuffer::GlVertexBuffer(GlDevice* device, UINT length, DWORD usage, DWORD fvf,
                               D3DPOOL pool)
    : storage_(device, length), usage_(usage), fvf_(fvf), pool_(pool) {
  device->Register(this);
}

GlVertexBuffer::~GlVertexBuffer() {
  if (GlDevice* device = storage_.device()) {
    storage_.ReleaseGl();
    device->Forget(this);
  }
}

void GlVertexBuffer::DeviceLost() {
  storage_.ReleaseGl();
  storage_.Detach();
}

HRESULT GlVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
  if (pDesc == nullptr) return D3DERR_INVALIDCALL;
  pDesc->Format = D3DFMT_VERTEXDATA;
  pDesc->Type = D3DRTYPE_VERTEXBUFFER;
  pDesc->Usage = usage_;
  pDesc->Pool = pool_;
  pDesc->Size = storage_.size();
  pDesc->FVF = fvf_;
  return D3D_OK;
}

GlIndexBuffer::GlIndexBuffer(GlDevice* device, UINT length, DWORD usage, D3DFORMAT format,
                             D3DPOOL pool)
    : storage_(device, length), usage_(usage), format_(format), pool_(pool) {
  device->Register(this);
}

GlIndexBuffer::~GlIndexBuffer() {
  if (GlDevice* device = storage_.device()) {
    storage_.ReleaseGl();
    device->Forget(this);
  }
}

void GlIndexBuffer::DeviceLost() {
  storage_.ReleaseGl();
  storage_.Detach();
}

HRESULT GlIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
  if (pDesc == nullptr) return D3DERR_INVALIDCALL;
  pDesc->Format = format_;
  pDesc->Type = D3DRTYPE_INDEXBUFFER;
  pDesc->Usage = usage_;
  pDesc->Pool = pool_;
  pDesc->Size = storage_.size();
  return D3D_OK;
}

namespace {
UINT RangeMax(const BYTE* data, UINT start, UINT count, UINT indexSize) {
  UINT highest = 0;
  if (indexSize == 4) {
    for (UINT i = 0; i < count; ++i) {
      uint32_t v;
      std::memcpy(&v, data + (size_t(start) + i) * 4, 4);
      highest = std::max(highest, v);
    }
  } else {
    for (UINT i = 0; i < count; ++i) {
      uint16_t v;
      std::memcpy(&v, data + (size_t(start) + i) * 2, 2);
      highest = std::max<UINT>(highest, v);
    }
  }
  return highest;
}
}  // namespace

bool GlIndexBuffer::IndicesBelow(UINT start, UINT count, uint64_t limit) {
  if (!wholeMaxValid_) {
    wholeMax_ = RangeMax(storage_.data(), 0, storage_.size() / indexSize(), indexSize());
    wholeMaxValid_ = true;
  }
  // The whole buffer's maximum settles the common case without a scan.
  if (wholeMax_ < limit) return true;
  return RangeMax(storage_.data(), start, count, indexSize()) < limit;
}
