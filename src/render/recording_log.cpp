// The recording backend's shared log, control flags, names and live counts.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "render/recording_internal.h"

namespace {

struct Recording {
  std::vector<std::string> calls;
  RecordingControl control;
  int deviceAttempts = 0;
  int nextNumber[5] = {1, 1, 1, 1, 1};
  int live[5] = {};
};

Recording& TheRecording() {
  static Recording recording;
  return recording;
}

int Index(recording::Kind kind) { return static_cast<int>(kind); }

}  // namespace

RecordingControl& GetRecordingControl() { return TheRecording().control; }
const std::vector<std::string>& RecordedCalls() { return TheRecording().calls; }
void ClearRecordedCalls() { TheRecording().calls.clear(); }

void ResetRecording() {
  Recording& r = TheRecording();
  r.calls.clear();
  r.control = RecordingControl{};
  r.deviceAttempts = 0;
  std::fill(std::begin(r.nextNumber), std::end(r.nextNumber), 1);
}

RecordingLiveCounts LiveRecordingObjects() {
  const int* live = TheRecording().live;
  RecordingLiveCounts counts;
  counts.direct3Ds = live[Index(recording::Kind::kDirect3D)];
  counts.devices = live[Index(recording::Kind::kDevice)];
  counts.vertexBuffers = live[Index(recording::Kind::kVertexBuffer)];
  counts.indexBuffers = live[Index(recording::Kind::kIndexBuffer)];
  counts.textures = live[Index(recording::Kind::kTexture)];
  counts.d3dxBuffers = LiveD3DXBufferCount();
  return counts;
}

int RecordedDeviceAttempts() { return TheRecording().deviceAttempts; }

std::vector<std::string> RecordedCallsStartingWith(std::string_view prefix) {
  std::vector<std::string> lines;
  for (const std::string& line : TheRecording().calls) {
    if (std::string_view(line).substr(0, prefix.size()) == prefix) lines.push_back(line);
  }
  return lines;
}

int CountRecordedCalls(std::string_view prefix) {
  return static_cast<int>(RecordedCallsStartingWith(prefix).size());
}

int FindRecordedCall(std::string_view line, int from) {
  const auto& calls = TheRecording().calls;
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < calls.size(); ++i) {
    if (calls[i] == line) return static_cast<int>(i);
  }
  return -1;
}

namespace recording {

void Log(std::string line) { TheRecording().calls.push_back(std::move(line)); }

std::string NextName(Kind kind) {
  static const char* const kNames[] = {"direct3d", "device", "vertexbuffer", "indexbuffer",
                                       "texture"};
  return std::string(kNames[Index(kind)]) + "#" +
         std::to_string(TheRecording().nextNumber[Index(kind)]++);
}

void CountCreated(Kind kind) { ++TheRecording().live[Index(kind)]; }
void CountFreed(Kind kind) { --TheRecording().live[Index(kind)]; }

bool NextDeviceAttemptFails(D3DDEVTYPE type, DWORD flags) {
  Recording& r = TheRecording();
  const int attempt = ++r.deviceAttempts;
  const RecordingControl& c = r.control;
  if (c.failAllDevices) return true;
  if (std::find(c.failDeviceAttempts.begin(), c.failDeviceAttempts.end(), attempt) !=
      c.failDeviceAttempts.end()) {
    return true;
  }
  return std::any_of(c.failDeviceConfigs.begin(), c.failDeviceConfigs.end(),
                     [&](const RecordingControl::DeviceConfig& config) {
                       return config.type == type && config.behaviorFlags == flags;
                     });
}

std::string Float(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

std::string Matrix(const D3DMATRIX& m) {
  std::string text = "[";
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      text += Float(m.m[row][column]);
      if (column < 3) text += ", ";
    }
    text += row < 3 ? "; " : "]";
  }
  return text;
}

std::string Color(const D3DCOLORVALUE& c) {
  return "(" + Float(c.r) + ", " + Float(c.g) + ", " + Float(c.b) + ", " + Float(c.a) + ")";
}

std::string Vector(const D3DVECTOR& v) {
  return "(" + Float(v.x) + ", " + Float(v.y) + ", " + Float(v.z) + ")";
}

std::string Light(const D3DLIGHT8& l) {
  return "{type " + std::to_string(l.Type) + ", diffuse " + Color(l.Diffuse) + ", specular " +
         Color(l.Specular) + ", ambient " + Color(l.Ambient) + ", position " +
         Vector(l.Position) + ", direction " + Vector(l.Direction) + ", range " +
         Float(l.Range) + ", falloff " + Float(l.Falloff) + ", attenuation (" +
         Float(l.Attenuation0) + ", " + Float(l.Attenuation1) + ", " + Float(l.Attenuation2) +
         "), theta " + Float(l.Theta) + ", phi " + Float(l.Phi) + "}";
}

std::string Material(const D3DMATERIAL8& m) {
  return "{diffuse " + Color(m.Diffuse) + ", ambient " + Color(m.Ambient) + ", specular " +
         Color(m.Specular) + ", emissive " + Color(m.Emissive) + ", power " + Float(m.Power) +
         "}";
}

std::string RectText(const RECT* rect) {
  if (!rect) return "null";
  return "(" + std::to_string(rect->left) + ", " + std::to_string(rect->top) + ", " +
         std::to_string(rect->right) + ", " + std::to_string(rect->bottom) + ")";
}

}  // namespace recording
