// The GLSL program that stands in for Direct3D 8's fixed-function pipeline:
// transform, per-vertex lighting, two texture stages and the specular add.
#pragma once

#include <QOpenGLFunctions_3_3_Core>

// Vertex attribute slots the device binds the vertex format to.
enum GlAttribute : GLuint {
  kAttribPosition = 0,
  kAttribNormal = 1,
  kAttribDiffuse = 2,
  kAttribSpecular = 3,
  kAttribTex0 = 4,
};

constexpr int kGlMaxLights = 8;
constexpr int kGlStages = 2;

struct GlFixedFunctionProgram {
  GLuint program = 0;

  // Uniform locations.
  GLint worldViewProj = -1, worldView = -1, normalMatrix = -1, pixelShift = -1, screenScale = -1;
  GLint pretransformed = -1, hasNormal = -1, hasDiffuse = -1, hasSpecular = -1;
  GLint lighting = -1, normalizeNormals = -1, localViewer = -1, computeSpecular = -1;
  GLint matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1, matPower = -1;
  GLint colorSource = -1, globalAmbient = -1;
  GLint lightCount = -1, lightDir = -1, lightDiffuse = -1, lightSpecular = -1, lightAmbient = -1;
  GLint stageCount = -1, stageColor = -1, stageAlpha = -1, stageHasTexture = -1,
        stageTexCoord = -1;
  GLint tex0 = -1, tex1 = -1, textureFactor = -1, addSpecular = -1;

  // Compiles and links; on failure returns false with the driver's log.
  bool Build(QOpenGLFunctions_3_3_Core* gl, QByteArray* log);
  void Destroy(QOpenGLFunctions_3_3_Core* gl);
};
