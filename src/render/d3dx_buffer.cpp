// D3DXCreateBuffer: a block of zeroed bytes with a reference count.
#include <new>
#include <vector>

#include "render/d3dx8.h"
#include "render/recording_internal.h"

namespace {

int& LiveBuffers() {
  static int live = 0;
  return live;
}

class Buffer : public RefCounted<ID3DXBuffer> {
 public:
  Buffer() { ++LiveBuffers(); }
  ~Buffer() override { --LiveBuffers(); }

  void* GetBufferPointer() override { return bytes_.data(); }
  DWORD GetBufferSize() override { return size_; }

  bool Allocate(DWORD size) {
    try {
      // One spare byte, so that an empty buffer still has a valid pointer.
      bytes_.assign(size_t{size} + 1, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    size_ = size;
    return true;
  }

 private:
  std::vector<BYTE> bytes_;
  DWORD size_ = 0;
};

}  // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer) {
  if (!ppBuffer) return D3DERR_INVALIDCALL;
  *ppBuffer = nullptr;
  auto* buffer = new (std::nothrow) Buffer();
  if (!buffer) return E_OUTOFMEMORY;
  if (!buffer->Allocate(NumBytes)) {
    buffer->Release();
    return E_OUTOFMEMORY;
  }
  *ppBuffer = buffer;
  return D3D_OK;
}

int LiveD3DXBufferCount() { return LiveBuffers(); }
