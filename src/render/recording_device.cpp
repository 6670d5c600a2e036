// The recording backend's Direct3D object and device.
#include "render/recording_device.h"

#include "render/d3d8_defaults.h"

#include <cstring>

#include "render/direct3d_backend.h"
#include "render/recording_internal.h"

namespace recording {
namespace {

D3DMATRIX Identity() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

std::string Num(uint64_t value) { return std::to_string(value); }

// The device state Direct3D 8 starts a device with.
RecordedState DefaultState(bool depthBuffer) {
  RecordedState s = {};
  s.view = s.projection = s.world = Identity();
  s.material = {};
  FillDefaultRenderStates(s.renderStates, depthBuffer);
  for (DWORD stage = 0; stage < RecordedState::kStages; ++stage) {
    FillDefaultStageStates(stage, s.stageStates[stage]);
  }
  return s;
}

// Bytes per vertex of an FVF code, with 2-D texture coordinates.
UINT FvfSize(DWORD fvf) {
  UINT size = 0;
  if (fvf & D3DFVF_XYZ) size += 12;
  if (fvf & D3DFVF_XYZRHW) size += 16;
  if (fvf & D3DFVF_NORMAL) size += 12;
  if (fvf & D3DFVF_DIFFUSE) size += 4;
  if (fvf & D3DFVF_SPECULAR) size += 4;
  size += ((fvf >> 8) & 0xf) * 8;
  return size;
}

// Vertices (or indices) that `count` primitives of `type` consume; 0 for an unknown type.
uint64_t ElementsFor(D3DPRIMITIVETYPE type, UINT count) {
  const uint64_t n = count;
  switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return 2 * n;
    case D3DPT_LINESTRIP: return n + 1;
    case D3DPT_TRIANGLELIST: return 3 * n;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return n + 2;
  }
  return 0;
}

class Direct3D;

class Device : public Object<RecordingDevice> {
 public:
  Device(IDirect3D8* parent, D3DDEVTYPE type, DWORD flags, HWND focus,
         const D3DPRESENT_PARAMETERS& params)
      : Object(Kind::kDevice),
        parent_(parent),
        type_(type),
        flags_(flags),
        focus_(focus),
        params_(params),
        state_(DefaultState(params.EnableAutoDepthStencil != 0)) {
    if (parent_) parent_->AddRef();
  }

  ~Device() override {
    for (IDirect3DTexture8*& texture : state_.textures) {
      if (texture) texture->Release();
      texture = nullptr;
    }
    if (state_.streamSource) state_.streamSource->Release();
    if (state_.indices) state_.indices->Release();
    if (parent_) parent_->Release();
  }

  // ---- RecordingDevice
  const RecordedState& State() const override { return state_; }
  const std::vector<RecordedDraw>& Draws() const override { return draws_; }
  void ClearDraws() override { draws_.clear(); }
  bool InScene() const override { return inScene_; }
  int PresentCount() const override { return presents_; }
  int ResetCount() const override { return resets_; }
  const D3DPRESENT_PARAMETERS& PresentParameters() const override { return params_; }
  D3DDEVTYPE DeviceType() const override { return type_; }
  DWORD BehaviorFlags() const override { return flags_; }
  HWND FocusWindow() const override { return focus_; }
  ULONG References() const override { return references(); }

  // ---- IDirect3DDevice8
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override {
    Log("Clear(" + Num(count) + ", " + (rects ? "rects" : "null") + ", " + Num(flags) + ", " +
        Hex(color) + ", " + Float(z) + ", " + Num(stencil) + ")");
    if (count != 0 && !rects) return D3DERR_INVALIDCALL;
    return D3D_OK;
  }
  HRESULT BeginScene() override {
    Log("BeginScene()");
    if (inScene_) return D3DERR_INVALIDCALL;
    if (GetRecordingControl().failBeginScene) return E_FAIL;
    inScene_ = true;
    return D3D_OK;
  }
  HRESULT EndScene() override {
    Log("EndScene()");
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
  }
  HRESULT Present(const RECT* source, const RECT* dest, HWND window,
                  const void* dirty) override {
    Log("Present(" + RectText(source) + ", " + RectText(dest) + ", " +
        (window ? "window" : "null") + ", " + (dirty ? "region" : "null") + ")");
    if (GetRecordingControl().failPresent) return D3DERR_DEVICELOST;
    ++presents_;
    return D3D_OK;
  }
  HRESULT Reset(D3DPRESENT_PARAMETERS* params) override {
    Log(params ? "Reset(" + Num(params->BackBufferWidth) + "x" +
                     Num(params->BackBufferHeight) + ", " + Num(params->BackBufferFormat) + ")"
               : std::string("Reset(null)"));
    if (!params) return D3DERR_INVALIDCALL;
    if (GetRecordingControl().failReset) return D3DERR_DEVICELOST;
    params_ = *params;
    ++resets_;
    return D3D_OK;
  }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    Log("SetTransform(" + Num(state) + ", " + (matrix ? Matrix(*matrix) : "null") + ")");
    D3DMATRIX* slot = Transform(state);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *slot = *matrix;
    return D3D_OK;
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    Log("GetTransform(" + Num(state) + ")");
    D3DMATRIX* slot = Transform(state);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return D3D_OK;
  }
  HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override {
    Log("SetLight(" + Num(index) + ", " + (light ? Light(*light) : "null") + ")");
    if (!light) return D3DERR_INVALIDCALL;
    state_.lights[index] = *light;
    return D3D_OK;
  }
  HRESULT GetLight(DWORD index, D3DLIGHT8* light) override {
    Log("GetLight(" + Num(index) + ")");
    auto it = state_.lights.find(index);
    if (!light || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *light = it->second;
    return D3D_OK;
  }
  HRESULT LightEnable(DWORD index, BOOL enable) override {
    Log("LightEnable(" + Num(index) + ", " + std::to_string(enable) + ")");
    if (!state_.lights.count(index)) {
      // Enabling a light never set gives it the default: white, along +z.
      D3DLIGHT8 light = {};
      light.Type = D3DLIGHT_DIRECTIONAL;
      light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
      light.Direction = {0.0f, 0.0f, 1.0f};
      state_.lights[index] = light;
    }
    state_.lightEnabled[index] = enable != FALSE;
    return D3D_OK;
  }
  HRESULT SetMaterial(const D3DMATERIAL8* material) override {
    Log("SetMaterial(" + (material ? Material(*material) : std::string("null")) + ")");
    if (!material) return D3DERR_INVALIDCALL;
    state_.material = *material;
    return D3D_OK;
  }
  HRESULT GetMaterial(D3DMATERIAL8* material) override {
    Log("GetMaterial()");
    if (!material) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    Log("SetRenderState(" + Num(state) + ", " + Num(value) + ")");
    if (state >= RecordedState::kRenderStates) return D3DERR_INVALIDCALL;
    state_.renderStates[state] = value;
    return D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    Log("GetRenderState(" + Num(state) + ")");
    if (state >= RecordedState::kRenderStates || !value) return D3DERR_INVALIDCALL;
    *value = state_.renderStates[state];
    return D3D_OK;
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                               DWORD value) override {
    Log("SetTextureStageState(" + Num(stage) + ", " + Num(type) + ", " + Num(value) + ")");
    if (stage >= RecordedState::kStages || type >= RecordedState::kStageStates) {
      return D3DERR_INVALIDCALL;
    }
    state_.stageStates[stage][type] = value;
    return D3D_OK;
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                               DWORD* value) override {
    Log("GetTextureStageState(" + Num(stage) + ", " + Num(type) + ")");
    if (stage >= RecordedState::kStages || type >= RecordedState::kStageStates || !value) {
      return D3DERR_INVALIDCALL;
    }
    *value = state_.stageStates[stage][type];
    return D3D_OK;
  }
  HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture) override {
    Log("SetTexture(" + Num(stage) + ", " + RecordedName(texture) + ")");
    if (stage >= RecordedState::kStages) return D3DERR_INVALIDCALL;
    Replace(state_.textures[stage], texture);
    return D3D_OK;
  }

  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer8** out) override {
    Log("CreateVertexBuffer(" + Num(length) + ", " + Hex(usage) + ", " + Hex(fvf) + ", " +
        Num(pool) + ")");
    return recording::CreateVertexBuffer(length, usage, fvf, pool, out);
  }
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer8** out) override {
    Log("CreateIndexBuffer(" + Num(length) + ", " + Hex(usage) + ", " + Num(format) + ", " +
        Num(pool) + ")");
    return recording::CreateIndexBuffer(length, usage, format, pool, out);
  }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture8** out) override {
    Log("CreateTexture(" + Num(width) + ", " + Num(height) + ", " + Num(levels) + ", " +
        Hex(usage) + ", " + Num(format) + ", " + Num(pool) + ")");
    return recording::CreateTexture(width, height, levels, usage, format, pool, out);
  }

  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* data, UINT stride) override {
    Log("SetStreamSource(" + Num(stream) + ", " + RecordedName(data) + ", " + Num(stride) +
        ")");
    if (stream != 0) return D3DERR_INVALIDCALL;  // one stream is all the viewer uses
    Replace(state_.streamSource, data);
    state_.streamStride = stride;
    return D3D_OK;
  }
  HRESULT SetIndices(IDirect3DIndexBuffer8* data, UINT baseVertexIndex) override {
    Log("SetIndices(" + RecordedName(data) + ", " + Num(baseVertexIndex) + ")");
    Replace(state_.indices, data);
    state_.baseVertexIndex = baseVertexIndex;
    return D3D_OK;
  }
  HRESULT SetVertexShader(DWORD handle) override {
    Log("SetVertexShader(" + Hex(handle) + ")");
    state_.vertexShader = handle;
    return D3D_OK;
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) override {
    Log("DrawPrimitive(" + Num(type) + ", " + Num(startVertex) + ", " + Num(count) + ")");
    RecordedDraw draw;
    draw.type = type;
    draw.startVertex = startVertex;
    draw.primitiveCount = count;
    draw.problem = CheckVertices(type, count, [&](uint64_t vertices) -> std::string {
      if (startVertex + ElementsFor(type, count) > vertices) return "vertices past the buffer";
      return {};
    });
    return Record(std::move(draw));
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                               UINT startIndex, UINT count) override {
    Log("DrawIndexedPrimitive(" + Num(type) + ", " + Num(minIndex) + ", " + Num(numVertices) +
        ", " + Num(startIndex) + ", " + Num(count) + ")");
    RecordedDraw draw;
    draw.indexed = true;
    draw.type = type;
    draw.minIndex = minIndex;
    draw.numVertices = numVertices;
    draw.startIndex = startIndex;
    draw.primitiveCount = count;
    draw.problem = CheckVertices(type, count, [&](uint64_t vertices) -> std::string {
      return CheckIndices(type, minIndex, numVertices, startIndex, count, vertices);
    });
    return Record(std::move(draw));
  }

 private:
  D3DMATRIX* Transform(D3DTRANSFORMSTATETYPE state) {
    switch (state) {
      case D3DTS_VIEW: return &state_.view;
      case D3DTS_PROJECTION: return &state_.projection;
      case D3DTS_WORLD: return &state_.world;
    }
    return nullptr;
  }

  template <class T>
  static void Replace(T*& slot, T* object) {
    if (object) object->AddRef();
    T* old = slot;
    slot = object;
    if (old) old->Release();
  }

  // Checks the stream and vertex format, then calls `check` with the number
  // of whole vertices the stream holds.
  template <class Check>
  std::string CheckVertices(D3DPRIMITIVETYPE type, UINT count, Check check) {
    if (ElementsFor(type, count) == 0 && count != 0) return "unknown primitive type";
    if (count == 0) return {};
    if (!state_.streamSource) return "no stream source";
    if (state_.streamStride == 0) return "stream stride 0";
    const UINT needed = FvfSize(state_.vertexShader);
    if (needed == 0) return "no vertex format";
    if (state_.streamStride < needed) return "stride smaller than the vertex format";
    const std::vector<BYTE>* bytes = RecordedBufferBytes(state_.streamSource);
    if (!bytes) return {};
    // The last vertex only needs the format's bytes, not a whole stride.
    const uint64_t size = bytes->size();
    const uint64_t vertices = size < needed ? 0 : (size - needed) / state_.streamStride + 1;
    return check(vertices);
  }

  std::string CheckIndices(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                           UINT startIndex, UINT count, uint64_t vertices) {
    if (!state_.indices) return "no index buffer";
    const std::vector<BYTE>* bytes = RecordedBufferBytes(state_.indices);
    if (!bytes) return {};
    const size_t indexSize = RecordedIndexFormat(state_.indices) == D3DFMT_INDEX32 ? 4 : 2;
    const uint64_t indexCount = bytes->size() / indexSize;
    const uint64_t used = ElementsFor(type, count);
    if (uint64_t{startIndex} + used > indexCount) return "indices past the index buffer";
    const uint64_t base = state_.baseVertexIndex;
    for (uint64_t i = startIndex; i < startIndex + used; ++i) {
      uint32_t index = 0;
      if (indexSize == 2) {
        uint16_t small = 0;
        std::memcpy(&small, bytes->data() + i * 2, 2);
        index = small;
      } else {
        std::memcpy(&index, bytes->data() + i * 4, 4);
      }
      if (base + index >= vertices) return "index " + Num(index) + " past the vertex buffer";
      if (index < minIndex || index >= uint64_t{minIndex} + numVertices) {
        return "index " + Num(index) + " outside MinIndex .. MinIndex + NumVertices";
      }
    }
    return {};
  }

  HRESULT Record(RecordedDraw draw) {
    draw.inScene = inScene_;
    draw.state = state_;
    const bool bad = !draw.problem.empty();
    draws_.push_back(std::move(draw));
    return bad ? D3DERR_INVALIDCALL : D3D_OK;
  }

  IDirect3D8* parent_;
  D3DDEVTYPE type_;
  DWORD flags_;
  HWND focus_;
  D3DPRESENT_PARAMETERS params_;
  RecordedState state_;
  std::vector<RecordedDraw> draws_;
  bool inScene_ = false;
  int presents_ = 0;
  int resets_ = 0;
};

class Direct3D : public Object<IDirect3D8> {
 public:
  Direct3D() : Object(Kind::kDirect3D) {}

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    Log("GetAdapterDisplayMode(" + Num(adapter) + ")");
    if (!mode || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (GetRecordingControl().failGetAdapterDisplayMode) return D3DERR_NOTAVAILABLE;
    *mode = GetRecordingControl().displayMode;
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice8** out) override {
    Log("CreateDevice(" + Num(adapter) + ", " + Num(type) + ", " + Hex(flags) + ")");
    const bool fails = NextDeviceAttemptFails(type, flags);
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    const DWORD processing = flags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                      D3DCREATE_MIXED_VERTEXPROCESSING);
    const bool oneProcessing = processing == D3DCREATE_SOFTWARE_VERTEXPROCESSING ||
                               processing == D3DCREATE_HARDWARE_VERTEXPROCESSING ||
                               processing == D3DCREATE_MIXED_VERTEXPROCESSING;
    if (!params || adapter != D3DADAPTER_DEFAULT || !oneProcessing ||
        (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF && type != D3DDEVTYPE_SW)) {
      return D3DERR_INVALIDCALL;
    }
    if (fails) return D3DERR_NOTAVAILABLE;
    *out = new Device(this, type, flags, focus, *params);
    return D3D_OK;
  }
};

}  // namespace
}  // namespace recording

IDirect3D8* CreateRecordingDirect3D(UINT sdkVersion) {
  recording::Log("Direct3DCreate8(" + std::to_string(sdkVersion) + ")");
  if (GetRecordingControl().failDirect3DCreate || sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new recording::Direct3D();
}

RecordingDevice* CreateRecordingDevice() {
  D3DPRESENT_PARAMETERS params = {};
  params.BackBufferWidth = 640;
  params.BackBufferHeight = 480;
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.Windowed = TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  return new recording::Device(nullptr, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                               nullptr, params);
}

RecordingDevice* AsRecordingDevice(IDirect3DDevice8* device) {
  return dynamic_cast<RecordingDevice*>(device);
}

RecordingBackend::RecordingBackend() {
  ResetRecording();
  SetDirect3DFactory([](UINT sdkVersion) { return CreateRecordingDirect3D(sdkVersion); });
}

RecordingBackend::~RecordingBackend() {
  SetDirect3DFactory({});
  ResetRecording();
}
