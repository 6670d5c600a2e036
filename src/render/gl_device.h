// The OpenGL backend's device: its own GL context and an offscreen back buffer
// (framebuffer object) of the requested size; Present copies the back buffer
// into the image the RenderPanel shows.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <unordered_set>

#include "render/d3d8.h"
#include "render/d3d8_defaults.h"
#include "render/gl_shaders.h"

class QOpenGLContext;
class QOffscreenSurface;
class GlVertexBuffer;
class GlIndexBuffer;
class GlTexture;

// The three context configurations device creation tries, from the most to
// the least demanding.
enum class GlConfig {
  // (HAL, hardware vertex processing): OpenGL 3.3 core profile, depth buffer of
  // at least 24 bits whatever the requested format.
  kCore33,
  // (HAL, software vertex processing): OpenGL 3.3 compatibility profile, depth
  // buffer of the requested size (16 bits for D16).
  kCompatibility33,
  // (REF, software vertex processing): whatever context the platform gives by
  // default, accepted when it still runs GLSL 3.30; depth as requested.
  kAnyContext,
};

// A device-owned GL object that the device tears down when it goes first.
class GlResource {
 public:
  virtual void DeviceLost() = 0;

 protected:
  ~GlResource() = default;
};

class GlDevice final : public RefCounted<IDirect3DDevice8> {
 public:
  // Makes a device, or returns a failed HRESULT when the configuration's
  // context cannot be made or lacks what the device needs.
  static HRESULT Create(GlConfig config, QWidget* window, D3DPRESENT_PARAMETERS* params,
                        IDirect3DDevice8** out);

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
  HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
  HRESULT LightEnable(DWORD Index, BOOL Enable) override;
  HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                               DWORD* pValue) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DTexture8* pTexture) override;

  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer8** ppVertexBuffer) override;
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            IDirect3DIndexBuffer8** ppIndexBuffer) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                        D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;

  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                          UINT Stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
  HRESULT SetVertexShader(DWORD Handle) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                        UINT PrimitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex, UINT NumVertices,
                               UINT StartIndex, UINT PrimitiveCount) override;

  // ---- Not part of the interface.
  // The back buffer as rendered, top row first.
  bool ReadBackBuffer(QImage* out);
  // The image of the last Present (null image before the first).
  QImage PresentedImage() const { return presented_; }
  GlConfig config() const { return config_; }
  int depthBits() const { return depthBits_; }

  // For the device's resources: makes the device's context current (false
  // when that fails) and gives its functions.
  bool MakeCurrent();
  QOpenGLFunctions_3_3_Core* gl() const { return gl_; }
  void Register(GlResource* resource) { resources_.insert(resource); }
  void Forget(GlResource* resource) { resources_.erase(resource); }

 private:
  GlDevice(GlConfig config, QWidget* window);
  ~GlDevice() override;

  HRESULT Initialise(D3DPRESENT_PARAMETERS& params);
  HRESULT CreateBackBuffer(UINT width, UINT height, D3DFORMAT colorFormat, bool depth,
                           D3DFORMAT depthFormat);
  void DestroyBackBuffer();
  void ResetStates(bool autoDepth);
  void ApplyPipelineState();
  void ApplyUniforms(DWORD fvf);
  HRESULT PrepareDraw(UINT firstVertex, UINT vertexCount, GLsizei* stride);
  bool ReadPixels(QImage* out);

  GlConfig config_;
  QPointer<QWidget> window_;
  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOffscreenSurface> surface_;
  QOpenGLFunctions_3_3_Core* gl_ = nullptr;
  GlFixedFunctionProgram program_;
  GLuint vertexArray_ = 0;
  GLuint framebuffer_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
  std::array<GLuint, kGlStages> samplers_{};
  UINT width_ = 0, height_ = 0;
  D3DFORMAT colorFormat_ = D3DFMT_X8R8G8B8;
  bool hasDepth_ = false, hasStencil_ = false;
  int depthBits_ = 0;
  bool inScene_ = false;

  std::map<DWORD, D3DMATRIX> transforms_;
  struct Light {
    D3DLIGHT8 light;
    bool enabled;
  };
  std::map<DWORD, Light> lights_;
  D3DMATERIAL8 material_{};
  static constexpr DWORD kRenderStateCount = kRenderStateSlots;
  std::array<DWORD, kRenderStateCount> renderStates_{};
  static constexpr DWORD kStageCount = 8;
  static constexpr DWORD kStageStateCount = kStageStateSlots;
  std::array<std::array<DWORD, kStageStateCount>, kStageCount> stageStates_{};
  std::array<GlTexture*, kStageCount> textures_{};
  GlVertexBuffer* stream_ = nullptr;
  UINT streamStride_ = 0;
  GlIndexBuffer* indices_ = nullptr;
  UINT baseVertexIndex_ = 0;
  DWORD fvf_ = 0;

  QImage presented_;
  std::unordered_set<GlResource*> resources_;
};
