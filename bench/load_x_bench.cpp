// Loading a large text .x: the viewer's full mesh load next to Assimp's
// import of the same file and to merely reading its bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/globals.h"
#include "platform/files.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "render/xfile_mesh_data.h"

#ifdef ORVALO_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace {

constexpr int kRings = 170;
constexpr int kSegments = 360;

// A UV sphere of (kRings + 1) x (kSegments + 1) vertices (61,731), one quad per
// grid cell (61,200), a normal and a texture coordinate per vertex, and three
// materials in bands of rings. About 9 MB of text.
std::string WriteSphere(const std::string& path) {
  std::string s;
  s.reserve(10 << 20);
  char line[128];
  s += "xof 0303txt 0032\n";
  s += "Frame sphere {\n FrameTransformMatrix { 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;; }\n";
  s += " Mesh globe {\n";
  const int vertices = (kRings + 1) * (kSegments + 1);
  const int quads = kRings * kSegments;
  auto vertexList = [&](bool normals) {
    s += "  " + std::to_string(vertices) + ";\n";
    for (int r = 0; r <= kRings; ++r) {
      const double theta = M_PI * r / kRings;
      for (int c = 0; c <= kSegments; ++c) {
        const double phi = 2 * M_PI * c / kSegments;
        const double x = std::sin(theta) * std::cos(phi), y = std::cos(theta), z = std::sin(theta) * std::sin(phi);
        const double k = normals ? 1.0 : 2.0;
        const bool last = r == kRings && c == kSegments;
        std::snprintf(line, sizeof line, "  %.6f;%.6f;%.6f;%s\n", k * x, k * y, k * z, last ? ";" : ",");
        s += line;
      }
    }
  };
  auto faceList = [&]() {
    s += "  " + std::to_string(quads) + ";\n";
    for (int r = 0; r < kRings; ++r) {
      for (int c = 0; c < kSegments; ++c) {
        const int a = r * (kSegments + 1) + c, b = a + kSegments + 1;
        const bool last = r == kRings - 1 && c == kSegments - 1;
        std::snprintf(line, sizeof line, "  4;%d,%d,%d,%d;%s\n", a, b, b + 1, a + 1, last ? ";" : ",");
        s += line;
      }
    }
  };
  vertexList(false);
  faceList();
  s += "  MeshNormals {\n";
  vertexList(true);
  faceList();
  s += "  }\n  MeshTextureCoords {\n  " + std::to_string(vertices) + ";\n";
  for (int r = 0; r <= kRings; ++r) {
    for (int c = 0; c <= kSegments; ++c) {
      const bool last = r == kRings && c == kSegments;
      std::snprintf(line, sizeof line, "  %.6f;%.6f;%s\n", double(c) / kSegments, double(r) / kRings,
                    last ? ";" : ",");
      s += line;
    }
  }
  s += "  }\n  MeshMaterialList {\n   3;\n   " + std::to_string(quads) + ";\n";
  for (int r = 0; r < kRings; ++r) {
    const int band = r * 3 / kRings;
    for (int c = 0; c < kSegments; ++c) {
      s += "   " + std::to_string(band) + (r == kRings - 1 && c == kSegments - 1 ? ";;\n" : ",\n");
    }
  }
  const char* colours[3] = {"1.0;0.2;0.2;1.0;;", "0.2;1.0;0.2;1.0;;", "0.2;0.2;1.0;1.0;;"};
  for (const char* colour : colours) {
    s += std::string("   Material {\n    ") + colour + "\n    10.0;\n    0.5;0.5;0.5;;\n    0.0;0.0;0.0;;\n   }\n";
  }
  s += "  }\n }\n}\n";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return {};
  std::fwrite(s.data(), 1, s.size(), f);
  std::fclose(f);
  return path;
}

// Generated once per run into a fresh temporary folder, removed at exit.
const std::string& SpherePath() {
  static const std::string path = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "orvalo-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) return std::string();
    static const std::string folder = dir;
    std::atexit([] { std::filesystem::remove_all(folder); });
    return WriteSphere(dir + "/sphere.x");
  }();
  return path;
}

void LoadX(benchmark::State& state) {
  const std::string& path = SpherePath();
  RecordingDevice* recorder = CreateRecordingDevice();
  device = recorder;
  DWORD vertices = 0;
  for (auto _ : state) {
    MyXOBJ* mesh = new MyXOBJ;
    if (!mesh->Load(path.c_str(), kMeshLoadFlags)) {
      mesh->Destroy();
      state.SkipWithError("MyXOBJ::Load failed");
      break;
    }
    vertices = mesh->vertexCount;
    mesh->Destroy();
    ClearRecordedCalls();
  }
  state.counters["vertices"] = double(vertices);
  recorder->Release();
  device = nullptr;
  ClearRecordedCalls();
}
BENCHMARK(LoadX)->Name("LoadX/sphere")->Unit(benchmark::kMillisecond);

// The reader alone, without the mesh operations of the load.
void ParseX(benchmark::State& state) {
  const std::string& path = SpherePath();
  for (auto _ : state) {
    XMeshData data;
    std::string error;
    if (!ReadXFile(path, data, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(data.indices.data());
  }
}
BENCHMARK(ParseX)->Name("ParseX/sphere")->Unit(benchmark::kMillisecond);

#ifdef ORVALO_HAVE_ASSIMP
void AssimpImport(benchmark::State& state) {
  const std::string& path = SpherePath();
  for (auto _ : state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (!scene) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    benchmark::DoNotOptimize(scene);
  }
}
BENCHMARK(AssimpImport)->Name("AssimpImport/sphere")->Unit(benchmark::kMillisecond);
#endif

void ReadBytes(benchmark::State& state) {
  const std::string& path = SpherePath();
  size_t size = 0;
  for (auto _ : state) {
    auto bytes = ReadFileBytes(path);
    size = bytes ? bytes->size() : 0;
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = double(size);
}
BENCHMARK(ReadBytes)->Name("ReadBytes/sphere")->Unit(benchmark::kMillisecond);

}  // namespace
