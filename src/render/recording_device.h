// The recording backend: the graphics interface without a GPU. Every call is
// written as one readable line into a shared call log ("SetRenderState(137, 1)"),
// the resulting device state is kept for inspection, buffers and textures keep
// their contents in memory, and chosen calls can be made to fail.
//
// Log line formats: integers in decimal, flags, colours and vertex formats in
// hex ("CreateDevice(0, 1, 0x40)", "SetVertexShader(0x112)"), objects by name
// ("texture#2", "null"), floats in shortest round-trip form with a point.
// Calls on buffers and textures, and every Release, carry the object's name:
// "vertexbuffer#1.Lock(0, 0, 0)", "texture#2.Release() = 0". Names count per
// kind from 1 after each ResetRecording().
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "render/d3d8.h"
#include "render/d3d8_defaults.h"

// Which calls fail. Every flag holds until it is cleared again.
struct RecordingControl {
  struct DeviceConfig {
    D3DDEVTYPE type;
    DWORD behaviorFlags;
  };

  bool failDirect3DCreate = false;      // Direct3DCreate8 returns null
  bool failGetAdapterDisplayMode = false;
  D3DDISPLAYMODE displayMode = {1920, 1080, 60, D3DFMT_X8R8G8B8};
  // A CreateDevice attempt fails when its (type, flags) is listed, when its
  // number (1 = first attempt since ResetRecording) is listed, or always.
  std::vector<DeviceConfig> failDeviceConfigs;
  std::vector<int> failDeviceAttempts;
  bool failAllDevices = false;
  bool failBeginScene = false;
  bool failPresent = false;  // D3DERR_DEVICELOST
  bool failReset = false;
  bool failVertexBufferLock = false;
  bool failIndexBufferLock = false;
  bool failTextureLock = false;
  bool failCreateVertexBuffer = false;
  bool failCreateIndexBuffer = false;
  bool failCreateTexture = false;
};

// Objects of the recording backend alive now (created and not yet freed).
struct RecordingLiveCounts {
  int direct3Ds = 0;
  int devices = 0;
  int vertexBuffers = 0;
  int indexBuffers = 0;
  int textures = 0;
  int d3dxBuffers = 0;  // ID3DXBuffer from D3DXCreateBuffer, whatever the backend
  int Total() const {
    return direct3Ds + devices + vertexBuffers + indexBuffers + textures + d3dxBuffers;
  }
  bool operator==(const RecordingLiveCounts&) const = default;
};

RecordingControl& GetRecordingControl();
const std::vector<std::string>& RecordedCalls();
void ClearRecordedCalls();
// Clears the log, the control flags, the attempt counter and the name
// counters. Live objects stay alive and counted.
void ResetRecording();
RecordingLiveCounts LiveRecordingObjects();
// Number of CreateDevice calls since ResetRecording().
int RecordedDeviceAttempts();

// Log helpers for tests: lines that start with `prefix` ("SetRenderState(").
std::vector<std::string> RecordedCallsStartingWith(std::string_view prefix);
int CountRecordedCalls(std::string_view prefix);
// Index of the first line equal to `line` at or after `from`, or -1.
int FindRecordedCall(std::string_view line, int from = 0);

// The device state a draw call sees, and the device keeps between calls.
struct RecordedState {
  static constexpr int kStages = 8;
  static constexpr int kStageStates = kStageStateSlots;
  static constexpr int kRenderStates = kRenderStateSlots;

  D3DMATRIX view;
  D3DMATRIX projection;
  D3DMATRIX world;
  std::map<DWORD, D3DLIGHT8> lights;
  std::map<DWORD, bool> lightEnabled;
  D3DMATERIAL8 material;
  DWORD renderStates[kRenderStates];
  DWORD stageStates[kStages][kStageStates];
  IDirect3DTexture8* textures[kStages];  // not owned by a snapshot
  IDirect3DVertexBuffer8* streamSource;
  UINT streamStride;
  IDirect3DIndexBuffer8* indices;
  UINT baseVertexIndex;
  DWORD vertexShader;

  DWORD RenderState(D3DRENDERSTATETYPE state) const { return renderStates[state]; }
  DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    return stageStates[stage][type];
  }
  bool LightOn(DWORD index) const {
    auto it = lightEnabled.find(index);
    return it != lightEnabled.end() && it->second;
  }
};

struct RecordedDraw {
  bool indexed = false;
  D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
  UINT startVertex = 0;   // DrawPrimitive
  UINT minIndex = 0;      // DrawIndexedPrimitive
  UINT numVertices = 0;   // DrawIndexedPrimitive
  UINT startIndex = 0;    // DrawIndexedPrimitive
  UINT primitiveCount = 0;
  bool inScene = false;   // between BeginScene and EndScene
  // Why the call would read outside its buffers (empty when it would not);
  // such a draw returns D3DERR_INVALIDCALL.
  std::string problem;
  RecordedState state;
};

class RecordingDevice : public IDirect3DDevice8 {
 public:
  virtual const RecordedState& State() const = 0;
  virtual const std::vector<RecordedDraw>& Draws() const = 0;
  virtual void ClearDraws() = 0;
  virtual bool InScene() const = 0;
  virtual int PresentCount() const = 0;
  virtual int ResetCount() const = 0;
  // What CreateDevice was given (or the latest Reset's parameters).
  virtual const D3DPRESENT_PARAMETERS& PresentParameters() const = 0;
  virtual D3DDEVTYPE DeviceType() const = 0;
  virtual DWORD BehaviorFlags() const = 0;
  virtual HWND FocusWindow() const = 0;
  virtual ULONG References() const = 0;
};

// The Direct3D object of the recording backend (null when failDirect3DCreate
// is set or the version is not D3D_SDK_VERSION). Logs "Direct3DCreate8(220)".
IDirect3D8* CreateRecordingDirect3D(UINT sdkVersion = D3D_SDK_VERSION);

// A device without a Direct3D object: HAL, hardware vertex processing, a
// 640 x 480 windowed back buffer with a D16 depth buffer. Not logged.
RecordingDevice* CreateRecordingDevice();

// The recording object behind an interface pointer, or null if it is not one.
RecordingDevice* AsRecordingDevice(IDirect3DDevice8* device);
// Contents of a recording buffer, or null.
std::vector<BYTE>* RecordedBufferBytes(IDirect3DVertexBuffer8* buffer);
std::vector<BYTE>* RecordedBufferBytes(IDirect3DIndexBuffer8* buffer);
// Texels (0xAARRGGBB, rows top first, width per row) of one level, or null.
std::vector<uint32_t>* RecordedTexels(IDirect3DTexture8* texture, UINT level);
// "texture#2", "vertexbuffer#1", ...; "null" for null, "?" for foreign objects.
std::string RecordedName(const IUnknown8* object);

// Installs the recording backend as what Direct3DCreate8 builds and resets the
// recording; restores the default backend on destruction.
class RecordingBackend {
 public:
  RecordingBackend();
  ~RecordingBackend();
  RecordingBackend(const RecordingBackend&) = delete;
  RecordingBackend& operator=(const RecordingBackend&) = delete;

  RecordingControl& control() { return GetRecordingControl(); }
  const std::vector<std::string>& calls() const { return RecordedCalls(); }
  void ClearCalls() { ClearRecordedCalls(); }
};
