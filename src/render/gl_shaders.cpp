#include "render/gl_shaders.h"

namespace {

// Lighting follows Direct3D's equations in view space: row-vector matrices are
// uploaded as stored, so `M * v` here is v * M there.
const char kVertexSource[] = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec4 aSpecular;
layout(location = 4) in vec2 aTex0;

uniform mat4 uWorldViewProj;
uniform mat4 uWorldView;
uniform mat3 uNormalMatrix;
uniform vec2 uPixelShift;
uniform vec2 uScreenScale;
uniform bool uPretransformed;
uniform bool uHasNormal;
uniform bool uHasDiffuse;
uniform bool uHasSpecular;
uniform bool uLighting;
uniform bool uNormalizeNormals;
uniform bool uLocalViewer;
uniform bool uComputeSpecular;
uniform vec4 uMatDiffuse;
uniform vec4 uMatAmbient;
uniform vec4 uMatSpecular;
uniform vec4 uMatEmissive;
uniform float uMatPower;
uniform ivec4 uColorSource;
uniform vec3 uGlobalAmbient;
uniform int uLightCount;
uniform vec3 uLightDir[8];
uniform vec3 uLightDiffuse[8];
uniform vec3 uLightSpecular[8];
uniform vec3 uLightAmbient[8];

out vec4 vColor0;
out vec3 vColor1;
out vec2 vTex0;

vec4 Source(int source, vec4 material) {
  if (source == 1 && uHasDiffuse) return aDiffuse;
  if (source == 2 && uHasSpecular) return aSpecular;
  return material;
}

void main() {
  vTex0 = aTex0;
  vec4 vertexDiffuse = uHasDiffuse ? aDiffuse : vec4(1.0);
  vec3 vertexSpecular = uHasSpecular ? aSpecular.rgb : vec3(0.0);
  if (uPretransformed) {
    float w = aPosition.w == 0.0 ? 1.0 : 1.0 / aPosition.w;
    vec2 ndc = vec2(aPosition.x * uScreenScale.x - 1.0, 1.0 - aPosition.y * uScreenScale.y);
    gl_Position = vec4((ndc + uPixelShift) * w, (2.0 * aPosition.z - 1.0) * w, w);
    vColor0 = vertexDiffuse;
    vColor1 = vertexSpecular;
    return;
  }
  vec4 clip = uWorldViewProj * vec4(aPosition.xyz, 1.0);
  // Direct3D clips depth to 0..w, OpenGL to -w..w.
  clip.z = 2.0 * clip.z - clip.w;
  clip.xy += uPixelShift * clip.w;
  gl_Position = clip;
  if (!uLighting) {
    vColor0 = vertexDiffuse;
    vColor1 = vertexSpecular;
    return;
  }
  vec4 cd = Source(uColorSource.x, uMatDiffuse);
  vec4 cs = Source(uColorSource.y, uMatSpecular);
  vec4 ca = Source(uColorSource.z, uMatAmbient);
  vec4 ce = Source(uColorSource.w, uMatEmissive);
  vec3 ambient = uGlobalAmbient;
  vec3 diffuseSum = vec3(0.0);
  vec3 specularSum = vec3(0.0);
  vec3 p = (uWorldView * vec4(aPosition.xyz, 1.0)).xyz;
  vec3 n = uNormalMatrix * aNormal;
  if (uNormalizeNormals && dot(n, n) > 0.0) n = normalize(n);
  vec3 toViewer = vec3(0.0, 0.0, -1.0);
  if (uLocalViewer && dot(p, p) > 0.0) toViewer = normalize(-p);
  for (int i = 0; i < uLightCount; ++i) {
    ambient += uLightAmbient[i];
    if (!uHasNormal) continue;
    vec3 l = uLightDir[i];
    float nl = dot(n, l);
    diffuseSum += uLightDiffuse[i] * max(nl, 0.0);
    if (uComputeSpecular && nl > 0.0) {
      vec3 h = l + toViewer;
      if (dot(h, h) > 0.0) h = normalize(h);
      float nh = dot(n, h);
      if (nh > 0.0) specularSum += uLightSpecular[i] * (uMatPower > 0.0 ? pow(nh, uMatPower) : 1.0);
    }
  }
  vColor0 = vec4(clamp(ce.rgb + ca.rgb * ambient + cd.rgb * diffuseSum, 0.0, 1.0),
                 clamp(cd.a, 0.0, 1.0));
  vColor1 = clamp(cs.rgb * specularSum, 0.0, 1.0);
}
)";

const char kFragmentSource[] = R"(#version 330 core
in vec4 vColor0;
in vec3 vColor1;
in vec2 vTex0;

uniform int uStageCount;
uniform ivec3 uStageColor[2];
uniform ivec3 uStageAlpha[2];
uniform bool uStageHasTexture[2];
uniform int uStageTexCoord[2];
uniform sampler2D uTex0;
uniform sampler2D uTex1;
uniform vec4 uTextureFactor;
uniform bool uAddSpecular;

out vec4 fragColor;

vec4 Arg(int arg, vec4 current, vec4 tex) {
  int source = arg & 15;
  if (source == 1) return current;
  if (source == 2) return tex;
  if (source == 3) return uTextureFactor;
  if (source == 4) return vec4(vColor1, 1.0);
  return vColor0;
}

vec4 Combine(int op, vec4 a1, vec4 a2, vec4 current) {
  if (op == 2) return a1;
  if (op == 3) return a2;
  if (op == 4) return a1 * a2;
  if (op == 5) return 2.0 * a1 * a2;
  if (op == 6) return 4.0 * a1 * a2;
  if (op == 7) return a1 + a2;
  if (op == 8) return a1 + a2 - 0.5;
  return current;
}

vec4 Stage(int s, vec4 current, vec4 tex) {
  ivec3 c = uStageColor[s];
  ivec3 a = uStageAlpha[s];
  vec3 rgb = Combine(c.x, Arg(c.y, current, tex), Arg(c.z, current, tex), current).rgb;
  float alpha = Combine(a.x, Arg(a.y, current, tex), Arg(a.z, current, tex), current).a;
  return clamp(vec4(rgb, alpha), 0.0, 1.0);
}

vec2 Coord(int s) { return uStageTexCoord[s] == 0 ? vTex0 : vec2(0.0); }

void main() {
  vec4 current = vColor0;
  if (uStageCount > 0) {
    vec4 tex = uStageHasTexture[0] ? texture(uTex0, Coord(0)) : vec4(0.0, 0.0, 0.0, 1.0);
    current = Stage(0, current, tex);
  }
  if (uStageCount > 1) {
    vec4 tex = uStageHasTexture[1] ? texture(uTex1, Coord(1)) : vec4(0.0, 0.0, 0.0, 1.0);
    current = Stage(1, current, tex);
  }
  if (uAddSpecular) current.rgb = min(current.rgb + vColor1, vec3(1.0));
  fragColor = current;
}
)";

GLuint Compile(QOpenGLFunctions_3_3_Core* gl, GLenum type, const char* source, QByteArray* log) {
  const GLuint shader = gl->glCreateShader(type);
  if (shader == 0) return 0;
  gl->glShaderSource(shader, 1, &source, nullptr);
  gl->glCompileShader(shader);
  GLint ok = GL_FALSE;
  gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    gl->glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (log && length > 0) {
      QByteArray text(length, '\0');
      gl->glGetShaderInfoLog(shader, length, nullptr, text.data());
      *log += text;
    }
    gl->glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

bool GlFixedFunctionProgram::Build(QOpenGLFunctions_3_3_Core* gl, QByteArray* log) {
  const GLuint vs = Compile(gl, GL_VERTEX_SHADER, kVertexSource, log);
  const GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, kFragmentSource, log);
  if (vs == 0 || fs == 0) {
    if (vs) gl->glDeleteShader(vs);
    if (fs) gl->glDeleteShader(fs);
    return false;
  }
  program = gl->glCreateProgram();
  gl->glAttachShader(program, vs);
  gl->glAttachShader(program, fs);
  gl->glLinkProgram(program);
  gl->glDeleteShader(vs);
  gl->glDeleteShader(fs);
  GLint ok = GL_FALSE;
  gl->glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    gl->glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (log && length > 0) {
      QByteArray text(length, '\0');
      gl->glGetProgramInfoLog(program, length, nullptr, text.data());
      *log += text;
    }
    Destroy(gl);
    return false;
  }
  auto at = [&](const char* name) { return gl->glGetUniformLocation(program, name); };
  worldViewProj = at("uWorldViewProj");
  worldView = at("uWorldView");
  normalMatrix = at("uNormalMatrix");
  pixelShift = at("uPixelShift");
  screenScale = at("uScreenScale");
  pretransformed = at("uPretransformed");
  hasNormal = at("uHasNormal");
  hasDiffuse = at("uHasDiffuse");
  hasSpecular = at("uHasSpecular");
  lighting = at("uLighting");
  normalizeNormals = at("uNormalizeNormals");
  localViewer = at("uLocalViewer");
  computeSpecular = at("uComputeSpecular");
  matDiffuse = at("uMatDiffuse");
  matAmbient = at("uMatAmbient");
  matSpecular = at("uMatSpecular");
  matEmissive = at("uMatEmissive");
  matPower = at("uMatPower");
  colorSource = at("uColorSource");
  globalAmbient = at("uGlobalAmbient");
  lightCount = at("uLightCount");
  lightDir = at("uLightDir");
  lightDiffuse = at("uLightDiffuse");
  lightSpecular = at("uLightSpecular");
  lightAmbient = at("uLightAmbient");
  stageCount = at("uStageCount");
  stageColor = at("uStageColor");
  stageAlpha = at("uStageAlpha");
  stageHasTexture = at("uStageHasTexture");
  stageTexCoord = at("uStageTexCoord");
  tex0 = at("uTex0");
  tex1 = at("uTex1");
  textureFactor = at("uTextureFactor");
  addSpecular = at("uAddSpecular");
  gl->glUseProgram(program);
  gl->glUniform1i(tex0, 0);
  gl->glUniform1i(tex1, 1);
  return true;
}

void GlFixedFunctionProgram::Destroy(QOpenGLFunctions_3_3_Core* gl) {
  if (program) gl->glDeleteProgram(program);
  program = 0;
}
