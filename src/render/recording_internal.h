// Shared pieces of the recording backend's implementation: the log writer,
// value formatting, object names and the reference-counting base.
#pragma once

#include <string>

#include "render/d3d8.h"
#include "render/recording_device.h"

namespace recording {

enum class Kind { kDirect3D, kDevice, kVertexBuffer, kIndexBuffer, kTexture };

void Log(std::string line);
// Next name of a kind ("texture#3") and the live counter of that kind.
std::string NextName(Kind kind);
void CountCreated(Kind kind);
void CountFreed(Kind kind);
bool NextDeviceAttemptFails(D3DDEVTYPE type, DWORD flags);

std::string Float(float value);
std::string Hex(DWORD value);
std::string Matrix(const D3DMATRIX& m);
std::string Color(const D3DCOLORVALUE& c);
std::string Vector(const D3DVECTOR& v);
std::string Light(const D3DLIGHT8& light);
std::string Material(const D3DMATERIAL8& material);
std::string RectText(const RECT* rect);

// A named object of the recording backend; every Release is logged.
class Named {
 public:
  virtual ~Named() = default;
  const std::string& name() const { return name_; }

 protected:
  explicit Named(Kind kind) : kind_(kind), name_(NextName(kind)) { CountCreated(kind); }
  void Freed() { CountFreed(kind_); }

 private:
  Kind kind_;
  std::string name_;
};

template <class Interface>
class Object : public Interface, public Named {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    Log(name() + ".Release() = " + std::to_string(left));
    if (left == 0) delete this;
    return left;
  }
  ULONG references() const { return references_; }

 protected:
  explicit Object(Kind kind) : Named(kind) {}
  ~Object() override { Freed(); }

 private:
  ULONG references_ = 1;
};

// Sizes above this are refused, so that no request allocates without bound.
constexpr size_t kMaxResourceBytes = size_t{512} << 20;

HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                           IDirect3DVertexBuffer8** out);
HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DIndexBuffer8** out);
HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool, IDirect3DTexture8** out);
// Format of a recording index buffer, without a log line.
D3DFORMAT RecordedIndexFormat(IDirect3DIndexBuffer8* buffer);

}  // namespace recording

// Counted by D3DXCreateBuffer's objects.
int LiveD3DXBufferCount();
