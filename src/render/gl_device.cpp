#include "render/gl_device.h"

#include "render/d3d8_defaults.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>
#include <algorithm>
#include <cmath>
#include <vector>

#include "render/gl_buffers.h"
#include "render/gl_texture.h"
#include "render/render_panel.h"

namespace {

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  return r;
}

// Row-major transpose of the inverse of m's upper 3 x 3, so that a row-vector
// normal times it is transformed as the surface is. Falls back to m itself
// when m is singular.
std::array<float, 9> NormalMatrix(const D3DMATRIX& m) {
  const float a = m._11, b = m._12, c = m._13;
  const float d = m._21, e = m._22, f = m._23;
  const float g = m._31, h = m._32, i = m._33;
  const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  const float det = a * A + b * B + c * C;
  if (std::fabs(det) < 1e-20f) return {a, b, c, d, e, f, g, h, i};
  const float s = 1.0f / det;
  // inverse = adjugate / det; its transpose is the cofactor matrix / det.
  return {A * s,
          B * s,
          C * s,
          -(b * i - c * h) * s,
          (a * i - c * g) * s,
          -(a * h - b * g) * s,
          (b * f - c * e) * s,
          -(a * f - c * d) * s,
          (a * e - b * d) * s};
}

struct VertexLayout {
  bool valid = false;
  bool pretransformed = false;
  bool normal = false, diffuse = false, specular = false;
  UINT texSets = 0;
  UINT normalOffset = 0, diffuseOffset = 0, specularOffset = 0, tex0Offset = 0;
  GLint tex0Size = 2;
  UINT size = 0;
};

VertexLayout DecodeFvf(DWORD fvf) {
  VertexLayout layout;
  const DWORD position = fvf & 0x00E;
  if (position == D3DFVF_XYZ) {
    layout.size = 12;
  } else if (position == D3DFVF_XYZRHW) {
    layout.size = 16;
    layout.pretransformed = true;
  } else {
    return layout;  // no position, or blend weights, which the device does not do
  }
  if (fvf & D3DFVF_NORMAL) {
    layout.normal = !layout.pretransformed;
    layout.normalOffset = layout.size;
    layout.size += 12;
  }
  if (fvf & 0x020) layout.size += 4;  // point size, unused
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuse = true;
    layout.diffuseOffset = layout.size;
    layout.size += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.specular = true;
    layout.specularOffset = layout.size;
    layout.size += 4;
  }
  layout.texSets = (fvf >> 8) & 0xF;
  if (layout.texSets > 8) return layout;
  static const GLint kFloats[4] = {2, 3, 4, 1};
  layout.tex0Offset = layout.size;
  for (UINT i = 0; i < layout.texSets; ++i) {
    const GLint floats = kFloats[(fvf >> (16 + 2 * i)) & 3];
    if (i == 0) layout.tex0Size = floats;
    layout.size += UINT(floats) * 4;
  }
  layout.valid = true;
  return layout;
}

GLenum GlBlend(DWORD blend, bool targetHasAlpha) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    // A back buffer without alpha reads as opaque.
    case D3DBLEND_DESTALPHA: return targetHasAlpha ? GL_DST_ALPHA : GL_ONE;
    case D3DBLEND_INVDESTALPHA: return targetHasAlpha ? GL_ONE_MINUS_DST_ALPHA : GL_ZERO;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLenum GlCompare(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    case D3DCMP_ALWAYS: return GL_ALWAYS;
    default: return GL_LEQUAL;
  }
}

GLint GlAddress(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
  }
}

bool UsesTexture(DWORD op, DWORD arg1, DWORD arg2) {
  const bool first = op != D3DTOP_SELECTARG2 && (arg1 & 0xF) == D3DTA_TEXTURE;
  const bool second = op != D3DTOP_SELECTARG1 && (arg2 & 0xF) == D3DTA_TEXTURE;
  return first || second;
}

bool VertexCountFor(D3DPRIMITIVETYPE type, UINT primitives, uint64_t* vertices, GLenum* mode) {
  const uint64_t n = primitives;
  switch (type) {
    case D3DPT_POINTLIST: *vertices = n; *mode = GL_POINTS; return true;
    case D3DPT_LINELIST: *vertices = 2 * n; *mode = GL_LINES; return true;
    case D3DPT_LINESTRIP: *vertices = n + 1; *mode = GL_LINE_STRIP; return true;
    case D3DPT_TRIANGLELIST: *vertices = 3 * n; *mode = GL_TRIANGLES; return true;
    case D3DPT_TRIANGLESTRIP: *vertices = n + 2; *mode = GL_TRIANGLE_STRIP; return true;
    case D3DPT_TRIANGLEFAN: *vertices = n + 2; *mode = GL_TRIANGLE_FAN; return true;
  }
  return false;
}

bool ValidTransform(DWORD state) {
  return state == D3DTS_VIEW || state == D3DTS_PROJECTION || (state >= 16 && state <= 23) ||
         (state >= 256 && state <= 511);
}

}  // namespace

GlDevice::GlDevice(GlConfig config, QWidget* window) : config_(config), window_(window) {}

HRESULT GlDevice::Create(GlConfig config, QWidget* window, D3DPRESENT_PARAMETERS* params,
                         IDirect3DDevice8** out) {
  if (out == nullptr || params == nullptr) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
    return D3DERR_NOTAVAILABLE;
  auto* device = new GlDevice(config, window);
  const HRESULT hr = device->Initialise(*params);
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *out = device;
  return D3D_OK;
}

HRESULT GlDevice::Initialise(D3DPRESENT_PARAMETERS& params) {
  QSurfaceFormat format;
  switch (config_) {
    case GlConfig::kCore33:
      format.setVersion(3, 3);
      format.setProfile(QSurfaceFormat::CoreProfile);
      format.setDepthBufferSize(24);
      break;
    case GlConfig::kCompatibility33:
      format.setVersion(3, 3);
      format.setProfile(QSurfaceFormat::CompatibilityProfile);
      format.setDepthBufferSize(16);
      break;
    case GlConfig::kAnyContext:
      format.setDepthBufferSize(16);
      break;
  }
  format.setSwapInterval(0);
  context_ = std::make_unique<QOpenGLContext>();
  context_->setFormat(format);
  if (!context_->create()) return D3DERR_NOTAVAILABLE;
  const QSurfaceFormat actual = context_->format();
  if (context_->isOpenGLES() ||
      std::make_pair(actual.majorVersion(), actual.minorVersion()) < std::make_pair(3, 3))
    return D3DERR_NOTAVAILABLE;
  if (config_ == GlConfig::kCore33 && actual.profile() == QSurfaceFormat::CompatibilityProfile)
    return D3DERR_NOTAVAILABLE;
  surface_ = std::make_unique<QOffscreenSurface>();
  surface_->setFormat(actual);
  surface_->create();
  if (!surface_->isValid() || !MakeCurrent()) return D3DERR_NOTAVAILABLE;
  gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context_.get());
  if (gl_ == nullptr || !gl_->initializeOpenGLFunctions()) return D3DERR_NOTAVAILABLE;

  QByteArray log;
  if (!program_.Build(gl_, &log)) {
    qWarning("OpenGL device: shader build failed: %s", log.constData());
    return D3DERR_NOTAVAILABLE;
  }
  gl_->glGenVertexArrays(1, &vertexArray_);
  gl_->glGenSamplers(kGlStages, samplers_.data());

  UINT width = params.BackBufferWidth, height = params.BackBufferHeight;
  if (width == 0 || height == 0) {
    if (!window_) return D3DERR_INVALIDCALL;
    if (width == 0) width = UINT(std::max(1, window_->width()));
    if (height == 0) height = UINT(std::max(1, window_->height()));
  }
  // Like Direct3D, report the size that a zero field stood for.
  params.BackBufferWidth = width;
  params.BackBufferHeight = height;
  const HRESULT hr = CreateBackBuffer(width, height, params.BackBufferFormat,
                                      params.EnableAutoDepthStencil != 0,
                                      params.AutoDepthStencilFormat);
  if (FAILED(hr)) return hr;
  ResetStates(params.EnableAutoDepthStencil != 0);
  return D3D_OK;
}

GlDevice::~GlDevice() {
  // The references the device holds go first; they may end resources, which
  // then still find the device alive.
  for (GlTexture*& texture : textures_) {
    if (texture) texture->Release();
    texture = nullptr;
  }
  if (stream_) stream_->Release();
  stream_ = nullptr;
  if (indices_) indices_->Release();
  indices_ = nullptr;
  const bool current = gl_ && MakeCurrent();
  // Resources that outlive the device give up their GL objects now.
  const std::vector<GlResource*> survivors(resources_.begin(), resources_.end());
  for (GlResource* resource : survivors) resource->DeviceLost();
  resources_.clear();
  if (current) {
    DestroyBackBuffer();
    program_.Destroy(gl_);
    if (vertexArray_) gl_->glDeleteVertexArrays(1, &vertexArray_);
    gl_->glDeleteSamplers(kGlStages, samplers_.data());
    context_->doneCurrent();
  }
  context_.reset();
  surface_.reset();
}

bool GlDevice::MakeCurrent() {
  if (!context_ || !surface_) return false;
  if (QOpenGLContext::currentContext() == context_.get() && context_->surface() == surface_.get())
    return true;
  return context_->makeCurrent(surface_.get());
}

HRESULT GlDevice::CreateBackBuffer(UINT width, UINT height, D3DFORMAT colorFormat, bool depth,
                                   D3DFORMAT depthFormat) {
  switch (colorFormat) {
    case D3DFMT_UNKNOWN:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_R8G8B8:
      colorFormat_ = colorFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : colorFormat;
      break;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      colorFormat_ = colorFormat;
      break;
    default:
      return D3DERR_INVALIDCALL;
  }
  GLenum depthInternal = 0;
  bool stencil = false;
  if (depth) {
    switch (depthFormat) {
      case D3DFMT_D16:
      case D3DFMT_D16_LOCKABLE:
        depthInternal = config_ == GlConfig::kCore33 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
        break;
      case D3DFMT_D24X8:
        depthInternal = GL_DEPTH_COMPONENT24;
        break;
      case D3DFMT_D24S8:
      case D3DFMT_D24X4S4:
      case D3DFMT_D15S1:
        depthInternal = GL_DEPTH24_STENCIL8;
        stencil = true;
        break;
      case D3DFMT_D32:
        depthInternal = GL_DEPTH_COMPONENT32F;
        break;
      default:
        return D3DERR_INVALIDCALL;
    }
  }
  GLint maxSize = 0;
  gl_->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
  if (width == 0 || height == 0 || width > UINT(maxSize) || height > UINT(maxSize))
    return D3DERR_INVALIDCALL;

  DestroyBackBuffer();
  gl_->glGenFramebuffers(1, &framebuffer_);
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl_->glGenRenderbuffers(1, &colorBuffer_);
  gl_->glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
  gl_->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(width), GLsizei(height));
  gl_->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                 colorBuffer_);
  depthBits_ = 0;
  if (depth) {
    gl_->glGenRenderbuffers(1, &depthBuffer_);
    gl_->glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl_->glRenderbufferStorage(GL_RENDERBUFFER, depthInternal, GLsizei(width), GLsizei(height));
    gl_->glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                   stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                   GL_RENDERBUFFER, depthBuffer_);
    gl_->glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_DEPTH_SIZE, &depthBits_);
  }
  if (gl_->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE ||
      (depth && depthBits_ < 16) || gl_->glGetError() == GL_OUT_OF_MEMORY) {
    DestroyBackBuffer();
    return D3DERR_NOTAVAILABLE;
  }
  width_ = width;
  height_ = height;
  hasDepth_ = depth;
  hasStencil_ = stencil;
  // A new back buffer starts black with the depth buffer at its far value.
  gl_->glDisable(GL_SCISSOR_TEST);
  gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl_->glDepthMask(GL_TRUE);
  gl_->glClearColor(0, 0, 0, 1);
  gl_->glClearDepth(1.0);
  gl_->glClear(GL_COLOR_BUFFER_BIT | (depth ? GL_DEPTH_BUFFER_BIT : 0));
  return D3D_OK;
}

void GlDevice::DestroyBackBuffer() {
  if (framebuffer_) gl_->glDeleteFramebuffers(1, &framebuffer_);
  if (colorBuffer_) gl_->glDeleteRenderbuffers(1, &colorBuffer_);
  if (depthBuffer_) gl_->glDeleteRenderbuffers(1, &depthBuffer_);
  framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
  width_ = height_ = 0;
  hasDepth_ = hasStencil_ = false;
}

void GlDevice::ResetStates(bool autoDepth) {
  FillDefaultRenderStates(renderStates_, autoDepth);
  for (DWORD stage = 0; stage < kStageCount; ++stage) FillDefaultStageStates(stage, stageStates_[stage]);
  material_ = D3DMATERIAL8{};
  transforms_.clear();
  lights_.clear();
}

// ---- Frame

HRESULT GlDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                        DWORD Stencil) {
  if (Count > 0 && pRects == nullptr) return D3DERR_INVALIDCALL;
  if ((Flags & D3DCLEAR_ZBUFFER) && !hasDepth_) return D3DERR_INVALIDCALL;
  if ((Flags & D3DCLEAR_STENCIL) && !hasStencil_) return D3DERR_INVALIDCALL;
  if (!MakeCurrent()) return D3DERR_DEVICELOST;
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl_->glViewport(0, 0, GLsizei(width_), GLsizei(height_));
  GLbitfield mask = 0;
  if (Flags & D3DCLEAR_TARGET) {
    const bool alpha = colorFormat_ == D3DFMT_A8R8G8B8 || colorFormat_ == D3DFMT_A1R5G5B5 ||
                       colorFormat_ == D3DFMT_A4R4G4B4;
    gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl_->glClearColor(((Color >> 16) & 0xFF) / 255.0f, ((Color >> 8) & 0xFF) / 255.0f,
                      (Color & 0xFF) / 255.0f, alpha ? (Color >> 24) / 255.0f : 1.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (Flags & D3DCLEAR_ZBUFFER) {
    gl_->glDepthMask(GL_TRUE);
    gl_->glClearDepth(std::clamp(double(Z), 0.0, 1.0));
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (Flags & D3DCLEAR_STENCIL) {
    gl_->glStencilMask(0xFF);
    gl_->glClearStencil(GLint(Stencil & 0xFF));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  if (mask == 0) return D3D_OK;
  gl_->glDisable(GL_DITHER);
  if (Count == 0) {
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glClear(mask);
    return D3D_OK;
  }
  gl_->glEnable(GL_SCISSOR_TEST);
  for (DWORD i = 0; i < Count; ++i) {
    const LONG x1 = std::clamp<LONG>(pRects[i].x1, 0, LONG(width_));
    const LONG x2 = std::clamp<LONG>(pRects[i].x2, 0, LONG(width_));
    const LONG y1 = std::clamp<LONG>(pRects[i].y1, 0, LONG(height_));
    const LONG y2 = std::clamp<LONG>(pRects[i].y2, 0, LONG(height_));
    if (x2 <= x1 || y2 <= y1) continue;
    gl_->glScissor(x1, GLint(height_) - y2, x2 - x1, y2 - y1);
    gl_->glClear(mask);
  }
  gl_->glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT GlDevice::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT GlDevice::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  if (MakeCurrent()) gl_->glFlush();
  return D3D_OK;
}

bool GlDevice::ReadPixels(QImage* out) {
  if (!framebuffer_ || !MakeCurrent()) return false;
  const bool alpha = colorFormat_ == D3DFMT_A8R8G8B8 || colorFormat_ == D3DFMT_A1R5G5B5 ||
                     colorFormat_ == D3DFMT_A4R4G4B4;
  QImage image(int(width_), int(height_),
               alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
  if (image.isNull()) return false;
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl_->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl_->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  gl_->glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_RGBA, GL_UNSIGNED_BYTE,
                    image.bits());
  // GL rows run bottom up.
  *out = image.mirrored(false, true);
  return true;
}

bool GlDevice::ReadBackBuffer(QImage* out) { return out && ReadPixels(out); }

HRESULT GlDevice::Present(const RECT*, const RECT*, HWND hDestWindowOverride, const void*) {
  if (inScene_) return D3DERR_INVALIDCALL;
  if (!ReadPixels(&presented_)) return D3DERR_DEVICELOST;
  QWidget* target =
      hDestWindowOverride ? static_cast<QWidget*>(hDestWindowOverride) : window_.data();
  if (auto* panel = qobject_cast<RenderPanel*>(target)) panel->ShowFrame(presented_);
  return D3D_OK;
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS* params) {
  if (params == nullptr) return D3DERR_INVALIDCALL;
  if (!MakeCurrent()) return D3DERR_DEVICELOST;
  UINT width = params->BackBufferWidth, height = params->BackBufferHeight;
  if (width == 0 || height == 0) {
    if (!window_) return D3DERR_INVALIDCALL;
    if (width == 0) width = UINT(std::max(1, window_->width()));
    if (height == 0) height = UINT(std::max(1, window_->height()));
  }
  const HRESULT hr = CreateBackBuffer(width, height, params->BackBufferFormat,
                                      params->EnableAutoDepthStencil != 0,
                                      params->AutoDepthStencilFormat);
  if (SUCCEEDED(hr)) {
    params->BackBufferWidth = width;
    params->BackBufferHeight = height;
  }
  inScene_ = false;
  return hr;
}

// ---- State

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (pMatrix == nullptr || !ValidTransform(State)) return D3DERR_INVALIDCALL;
  transforms_[State] = *pMatrix;
  return D3D_OK;
}

HRESULT GlDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (pMatrix == nullptr || !ValidTransform(State)) return D3DERR_INVALIDCALL;
  const auto it = transforms_.find(State);
  *pMatrix = it == transforms_.end() ? Identity() : it->second;
  return D3D_OK;
}

HRESULT GlDevice::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
  if (pLight == nullptr || pLight->Type < D3DLIGHT_POINT || pLight->Type > D3DLIGHT_DIRECTIONAL)
    return D3DERR_INVALIDCALL;
  auto it = lights_.find(Index);
  if (it == lights_.end())
    lights_.emplace(Index, Light{*pLight, false});
  else
    it->second.light = *pLight;
  return D3D_OK;
}

HRESULT GlDevice::GetLight(DWORD Index, D3DLIGHT8* pLight) {
  const auto it = lights_.find(Index);
  if (pLight == nullptr || it == lights_.end()) return D3DERR_INVALIDCALL;
  *pLight = it->second.light;
  return D3D_OK;
}

HRESULT GlDevice::LightEnable(DWORD Index, BOOL Enable) {
  auto it = lights_.find(Index);
  if (it == lights_.end()) {
    // Enabling a light never set makes Direct3D's default light: white,
    // directional, shining along +z.
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    it = lights_.emplace(Index, Light{light, false}).first;
  }
  it->second.enabled = Enable != 0;
  return D3D_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL8* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  material_ = *pMaterial;
  return D3D_OK;
}

HRESULT GlDevice::GetMaterial(D3DMATERIAL8* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  *pMaterial = material_;
  return D3D_OK;
}

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (State >= kRenderStateCount) return D3DERR_INVALIDCALL;
  renderStates_[State] = Value;
  return D3D_OK;
}

HRESULT GlDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (pValue == nullptr || State >= kRenderStateCount) return D3DERR_INVALIDCALL;
  *pValue = renderStates_[State];
  return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage >= kStageCount || Type >= kStageStateCount) return D3DERR_INVALIDCALL;
  stageStates_[Stage][Type] = Value;
  return D3D_OK;
}

HRESULT GlDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                       DWORD* pValue) {
  if (pValue == nullptr || Stage >= kStageCount || Type >= kStageStateCount)
    return D3DERR_INVALIDCALL;
  *pValue = stageStates_[Stage][Type];
  return D3D_OK;
}

HRESULT GlDevice::SetTexture(DWORD Stage, IDirect3DTexture8* pTexture) {
  if (Stage >= kStageCount) return D3DERR_INVALIDCALL;
  GlTexture* texture = nullptr;
  if (pTexture) {
    texture = dynamic_cast<GlTexture*>(pTexture);
    if (texture == nullptr || texture->device() != this) return D3DERR_INVALIDCALL;
    texture->AddRef();
  }
  if (textures_[Stage]) textures_[Stage]->Release();
  textures_[Stage] = texture;
  return D3D_OK;
}

// ---- Resources

HRESULT GlDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                     IDirect3DVertexBuffer8** ppVertexBuffer) {
  if (ppVertexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = nullptr;
  if (Length == 0 || Pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if (Length > kGlMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  *ppVertexBuffer = new GlVertexBuffer(this, Length, Usage, FVF, Pool);
  return D3D_OK;
}

HRESULT GlDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                    IDirect3DIndexBuffer8** ppIndexBuffer) {
  if (ppIndexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *ppIndexBuffer = nullptr;
  if (Length == 0 || Pool > D3DPOOL_SCRATCH ||
      (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32))
    return D3DERR_INVALIDCALL;
  if (Length > kGlMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  *ppIndexBuffer = new GlIndexBuffer(this, Length, Usage, Format, Pool);
  return D3D_OK;
}

HRESULT GlDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
  if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  if (Width == 0 || Height == 0 || Pool > D3DPOOL_SCRATCH ||
      (Format != D3DFMT_A8R8G8B8 && Format != D3DFMT_X8R8G8B8))
    return D3DERR_INVALIDCALL;
  if (Width > kGlMaxTextureSide || Height > kGlMaxTextureSide) return D3DERR_INVALIDCALL;
  *ppTexture = new GlTexture(this, Width, Height, Levels, Usage, Format, Pool);
  return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                  UINT Stride) {
  if (StreamNumber != 0) return D3DERR_INVALIDCALL;
  GlVertexBuffer* buffer = nullptr;
  if (pStreamData) {
    buffer = dynamic_cast<GlVertexBuffer*>(pStreamData);
    if (buffer == nullptr || buffer->storage().device() != this) return D3DERR_INVALIDCALL;
    buffer->AddRef();
  }
  if (stream_) stream_->Release();
  stream_ = buffer;
  streamStride_ = Stride;
  return D3D_OK;
}

HRESULT GlDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
  GlIndexBuffer* buffer = nullptr;
  if (pIndexData) {
    buffer = dynamic_cast<GlIndexBuffer*>(pIndexData);
    if (buffer == nullptr || buffer->storage().device() != this) return D3DERR_INVALIDCALL;
    buffer->AddRef();
  }
  if (indices_) indices_->Release();
  indices_ = buffer;
  baseVertexIndex_ = BaseVertexIndex;
  return D3D_OK;
}

HRESULT GlDevice::SetVertexShader(DWORD Handle) {
  fvf_ = Handle;
  return D3D_OK;
}

// ---- Drawing

void GlDevice::ApplyPipelineState() {
  const auto& rs = renderStates_;
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl_->glViewport(0, 0, GLsizei(width_), GLsizei(height_));
  gl_->glDisable(GL_DITHER);  // DITHERENABLE has no visible effect on an 8-bit target
  gl_->glDisable(GL_SCISSOR_TEST);
  if (hasDepth_ && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
    gl_->glEnable(GL_DEPTH_TEST);
    gl_->glDepthFunc(GlCompare(rs[D3DRS_ZFUNC]));
  } else {
    gl_->glDisable(GL_DEPTH_TEST);
  }
  gl_->glDepthMask(hasDepth_ && rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  // Front faces are clockwise on screen; nothing here flips y, so the
  // winding OpenGL sees is the one the screen shows.
  gl_->glFrontFace(GL_CW);
  switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_CCW:
      gl_->glEnable(GL_CULL_FACE);
      gl_->glCullFace(GL_BACK);
      break;
    case D3DCULL_CW:
      gl_->glEnable(GL_CULL_FACE);
      gl_->glCullFace(GL_FRONT);
      break;
    default:
      gl_->glDisable(GL_CULL_FACE);
      break;
  }
  const bool targetAlpha = colorFormat_ == D3DFMT_A8R8G8B8 || colorFormat_ == D3DFMT_A1R5G5B5 ||
                           colorFormat_ == D3DFMT_A4R4G4B4;
  // A target without alpha keeps the opaque alpha it was cleared with.
  gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, targetAlpha ? GL_TRUE : GL_FALSE);
  if (rs[D3DRS_ALPHABLENDENABLE]) {
    gl_->glEnable(GL_BLEND);
    DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
    if (src == 12) {  // both source alpha
      src = D3DBLEND_SRCALPHA;
      dst = D3DBLEND_INVSRCALPHA;
    } else if (src == 13) {  // both inverse source alpha
      src = D3DBLEND_INVSRCALPHA;
      dst = D3DBLEND_SRCALPHA;
    }
    gl_->glBlendFunc(GlBlend(src, targetAlpha), GlBlend(dst, targetAlpha));
    static const GLenum kOps[] = {GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT,
                                  GL_FUNC_REVERSE_SUBTRACT, GL_MIN, GL_MAX};
    const DWORD op = rs[D3DRS_BLENDOP];
    gl_->glBlendEquation(op < 6 ? kOps[op] : GL_FUNC_ADD);
  } else {
    gl_->glDisable(GL_BLEND);
  }
  const DWORD fill = rs[D3DRS_FILLMODE];
  gl_->glPolygonMode(GL_FRONT_AND_BACK, fill == 1 ? GL_POINT : fill == 2 ? GL_LINE : GL_FILL);
}

void GlDevice::ApplyUniforms(DWORD fvf) {
  const VertexLayout layout = DecodeFvf(fvf);
  const auto& rs = renderStates_;
  const GlFixedFunctionProgram& p = program_;
  gl_->glUseProgram(p.program);

  auto transform = [&](DWORD state) {
    const auto it = transforms_.find(state);
    return it == transforms_.end() ? Identity() : it->second;
  };
  const D3DMATRIX view = transform(D3DTS_VIEW);
  const D3DMATRIX worldView = Multiply(transform(D3DTS_WORLD), view);
  const D3DMATRIX all = Multiply(worldView, transform(D3DTS_PROJECTION));
  // Row-major row-vector matrices are column-major column-vector ones.
  gl_->glUniformMatrix4fv(p.worldViewProj, 1, GL_FALSE, &all.m[0][0]);
  gl_->glUniformMatrix4fv(p.worldView, 1, GL_FALSE, &worldView.m[0][0]);
  const std::array<float, 9> normal = NormalMatrix(worldView);
  gl_->glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, normal.data());
  // Direct3D samples pixels at whole coordinates, OpenGL at half ones. The
  // shift is just under half a pixel so that edges through pixel centres fall
  // as Direct3D's top-left rule puts them.
  const float shift = 63.0f / 64.0f;
  gl_->glUniform2f(p.pixelShift, shift / float(width_), -shift / float(height_));
  gl_->glUniform2f(p.screenScale, 2.0f / float(width_), 2.0f / float(height_));
  gl_->glUniform1i(p.pretransformed, layout.pretransformed);
  gl_->glUniform1i(p.hasNormal, layout.normal);
  gl_->glUniform1i(p.hasDiffuse, layout.diffuse);
  gl_->glUniform1i(p.hasSpecular, layout.specular);
  gl_->glUniform1i(p.lighting, rs[D3DRS_LIGHTING] != 0);
  gl_->glUniform1i(p.normalizeNormals, rs[D3DRS_NORMALIZENORMALS] != 0);
  gl_->glUniform1i(p.localViewer, rs[D3DRS_LOCALVIEWER] != 0);
  gl_->glUniform1i(p.computeSpecular, rs[D3DRS_SPECULARENABLE] != 0);
  gl_->glUniform1i(p.addSpecular, rs[D3DRS_SPECULARENABLE] != 0);

  const D3DMATERIAL8& m = material_;
  gl_->glUniform4f(p.matDiffuse, m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a);
  gl_->glUniform4f(p.matAmbient, m.Ambient.r, m.Ambient.g, m.Ambient.b, m.Ambient.a);
  gl_->glUniform4f(p.matSpecular, m.Specular.r, m.Specular.g, m.Specular.b, m.Specular.a);
  gl_->glUniform4f(p.matEmissive, m.Emissive.r, m.Emissive.g, m.Emissive.b, m.Emissive.a);
  gl_->glUniform1f(p.matPower, m.Power);
  if (rs[D3DRS_COLORVERTEX]) {
    gl_->glUniform4i(p.colorSource, GLint(rs[D3DRS_DIFFUSEMATERIALSOURCE]),
                     GLint(rs[D3DRS_SPECULARMATERIALSOURCE]),
                     GLint(rs[D3DRS_AMBIENTMATERIALSOURCE]),
                     GLint(rs[D3DRS_EMISSIVEMATERIALSOURCE]));
  } else {
    gl_->glUniform4i(p.colorSource, 0, 0, 0, 0);
  }
  const D3DCOLOR ambient = rs[D3DRS_AMBIENT];
  gl_->glUniform3f(p.globalAmbient, ((ambient >> 16) & 0xFF) / 255.0f,
                   ((ambient >> 8) & 0xFF) / 255.0f, (ambient & 0xFF) / 255.0f);

  // Enabled directional lights in index order, direction in view space
  // pointing toward the light.
  float dirs[kGlMaxLights * 3] = {}, diffuse[kGlMaxLights * 3] = {},
        specular[kGlMaxLights * 3] = {}, lightAmbient[kGlMaxLights * 3] = {};
  int count = 0;
  for (const auto& [index, entry] : lights_) {
    if (!entry.enabled || entry.light.Type != D3DLIGHT_DIRECTIONAL) continue;
    if (count == kGlMaxLights) break;
    const D3DVECTOR& d = entry.light.Direction;
    float x = d.x * view._11 + d.y * view._21 + d.z * view._31;
    float y = d.x * view._12 + d.y * view._22 + d.z * view._32;
    float z = d.x * view._13 + d.y * view._23 + d.z * view._33;
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length > 0.0f) {
      x /= length;
      y /= length;
      z /= length;
    }
    dirs[count * 3 + 0] = -x;
    dirs[count * 3 + 1] = -y;
    dirs[count * 3 + 2] = -z;
    const D3DLIGHT8& l = entry.light;
    const float* colours[3] = {&l.Diffuse.r, &l.Specular.r, &l.Ambient.r};
    float* targets[3] = {diffuse, specular, lightAmbient};
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) targets[c][count * 3 + k] = colours[c][k];
    ++count;
  }
  gl_->glUniform1i(p.lightCount, count);
  gl_->glUniform3fv(p.lightDir, kGlMaxLights, dirs);
  gl_->glUniform3fv(p.lightDiffuse, kGlMaxLights, diffuse);
  gl_->glUniform3fv(p.lightSpecular, kGlMaxLights, specular);
  gl_->glUniform3fv(p.lightAmbient, kGlMaxLights, lightAmbient);

  // Stages run until one is disabled, or uses TEXTURE with none bound.
  int stages = 0;
  GLint colorOps[kGlStages * 3] = {}, alphaOps[kGlStages * 3] = {}, hasTexture[kGlStages] = {},
        texCoord[kGlStages] = {};
  for (int s = 0; s < kGlStages; ++s) {
    const auto& st = stageStates_[s];
    const DWORD op = st[D3DTSS_COLOROP];
    if (op == D3DTOP_DISABLE || op == 0) break;
    if (UsesTexture(op, st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2]) && textures_[s] == nullptr)
      break;
    colorOps[s * 3 + 0] = GLint(op);
    colorOps[s * 3 + 1] = GLint(st[D3DTSS_COLORARG1]);
    colorOps[s * 3 + 2] = GLint(st[D3DTSS_COLORARG2]);
    alphaOps[s * 3 + 0] = GLint(st[D3DTSS_ALPHAOP]);
    alphaOps[s * 3 + 1] = GLint(st[D3DTSS_ALPHAARG1]);
    alphaOps[s * 3 + 2] = GLint(st[D3DTSS_ALPHAARG2]);
    texCoord[s] = (st[D3DTSS_TEXCOORDINDEX] & 0xFFFF) == 0 ? 0 : 1;
    if (textures_[s]) {
      hasTexture[s] = 1;
      textures_[s]->Bind(GLenum(s));
      const GLuint sampler = samplers_[s];
      const bool linearMag = st[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR;
      const bool linearMin = st[D3DTSS_MINFILTER] >= D3DTEXF_LINEAR;
      gl_->glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, linearMag ? GL_LINEAR : GL_NEAREST);
      gl_->glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, linearMin ? GL_LINEAR : GL_NEAREST);
      gl_->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GlAddress(st[D3DTSS_ADDRESSU]));
      gl_->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GlAddress(st[D3DTSS_ADDRESSV]));
      const D3DCOLOR border = st[D3DTSS_BORDERCOLOR];
      const float borderColor[4] = {((border >> 16) & 0xFF) / 255.0f,
                                    ((border >> 8) & 0xFF) / 255.0f, (border & 0xFF) / 255.0f,
                                    (border >> 24) / 255.0f};
      gl_->glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColor);
      gl_->glBindSampler(GLuint(s), sampler);
    }
    ++stages;
  }
  gl_->glUniform1i(p.stageCount, stages);
  gl_->glUniform3iv(p.stageColor, kGlStages, colorOps);
  gl_->glUniform3iv(p.stageAlpha, kGlStages, alphaOps);
  gl_->glUniform1iv(p.stageHasTexture, kGlStages, hasTexture);
  gl_->glUniform1iv(p.stageTexCoord, kGlStages, texCoord);
  const D3DCOLOR factor = rs[D3DRS_TEXTUREFACTOR];
  gl_->glUniform4f(p.textureFactor, ((factor >> 16) & 0xFF) / 255.0f,
                   ((factor >> 8) & 0xFF) / 255.0f, (factor & 0xFF) / 255.0f,
                   (factor >> 24) / 255.0f);
}

// Checks that vertices firstVertex .. firstVertex + vertexCount - 1 of the
// stream exist, then binds the stream to the attributes of the vertex format.
HRESULT GlDevice::PrepareDraw(UINT firstVertex, UINT vertexCount, GLsizei* stride) {
  const VertexLayout layout = DecodeFvf(fvf_);
  if (!layout.valid || stream_ == nullptr) return D3DERR_INVALIDCALL;
  const UINT step = streamStride_;
  if (step < layout.size) return D3DERR_INVALIDCALL;
  const uint64_t end = (uint64_t(firstVertex) + vertexCount - 1) * step + layout.size;
  if (vertexCount == 0 || end > stream_->storage().size()) return D3DERR_INVALIDCALL;
  if (!MakeCurrent()) return D3DERR_DEVICELOST;
  ApplyPipelineState();
  ApplyUniforms(fvf_);
  gl_->glBindVertexArray(vertexArray_);
  stream_->storage().Bind(GL_ARRAY_BUFFER);
  const GLsizei s = GLsizei(step);
  auto attribute = [&](GLuint slot, bool present, GLint size, GLenum type, GLboolean normalized,
                       UINT offset) {
    if (present) {
      gl_->glEnableVertexAttribArray(slot);
      gl_->glVertexAttribPointer(slot, size, type, normalized, s,
                                 reinterpret_cast<const void*>(uintptr_t(offset)));
    } else {
      gl_->glDisableVertexAttribArray(slot);
    }
  };
  attribute(kAttribPosition, true, layout.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, 0);
  attribute(kAttribNormal, layout.normal, 3, GL_FLOAT, GL_FALSE, layout.normalOffset);
  // Colours are stored as bytes B, G, R, A.
  attribute(kAttribDiffuse, layout.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE,
            layout.diffuseOffset);
  attribute(kAttribSpecular, layout.specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE,
            layout.specularOffset);
  attribute(kAttribTex0, layout.texSets > 0, std::min(layout.tex0Size, 2), GL_FLOAT, GL_FALSE,
            layout.tex0Offset);
  *stride = s;
  return D3D_OK;
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                UINT PrimitiveCount) {
  uint64_t vertices = 0;
  GLenum mode = 0;
  if (!VertexCountFor(PrimitiveType, PrimitiveCount, &vertices, &mode)) return D3DERR_INVALIDCALL;
  if (PrimitiveCount == 0) return D3D_OK;
  if (vertices > 0x7FFFFFFF) return D3DERR_INVALIDCALL;
  GLsizei stride = 0;
  const HRESULT hr = PrepareDraw(StartVertex, UINT(vertices), &stride);
  if (FAILED(hr)) return hr;
  gl_->glDrawArrays(mode, GLint(StartVertex), GLsizei(vertices));
  return D3D_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT, UINT,
                                       UINT StartIndex, UINT PrimitiveCount) {
  uint64_t count = 0;
  GLenum mode = 0;
  if (!VertexCountFor(PrimitiveType, PrimitiveCount, &count, &mode)) return D3DERR_INVALIDCALL;
  if (PrimitiveCount == 0) return D3D_OK;
  if (indices_ == nullptr || stream_ == nullptr) return D3DERR_INVALIDCALL;
  const UINT indexSize = indices_->indexSize();
  if ((uint64_t(StartIndex) + count) * indexSize > indices_->storage().size())
    return D3DERR_INVALIDCALL;
  const VertexLayout layout = DecodeFvf(fvf_);
  if (!layout.valid || streamStride_ < layout.size) return D3DERR_INVALIDCALL;
  const UINT bufferSize = stream_->storage().size();
  if (bufferSize < layout.size) return D3DERR_INVALIDCALL;
  // Every index, offset by the base vertex, must name a vertex of the stream.
  const uint64_t available = (bufferSize - layout.size) / streamStride_ + 1;
  if (baseVertexIndex_ >= available) return D3DERR_INVALIDCALL;
  if (!indices_->IndicesBelow(StartIndex, UINT(count), available - baseVertexIndex_))
    return D3DERR_INVALIDCALL;
  GLsizei stride = 0;
  const HRESULT hr = PrepareDraw(0, 1, &stride);
  if (FAILED(hr)) return hr;
  indices_->storage().Bind(GL_ELEMENT_ARRAY_BUFFER);
  gl_->glDrawElementsBaseVertex(
      mode, GLsizei(count), indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
      reinterpret_cast<const void*>(uintptr_t(StartIndex) * indexSize), GLint(baseVertexIndex_));
  return D3D_OK;
}
