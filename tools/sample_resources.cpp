#include "tools/sample_resources.h"

#include <algorithm>
#include <cmath>

#include "tools/dds_writer.h"
#include "tools/sample_character.h"
#include "tools/sample_geometry.h"
#include "tools/sample_output.h"
#include "tools/xfile_writer.h"

namespace sample {

namespace {

uint32_t Hash(uint32_t x, uint32_t y) {
  uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

}  // namespace

XMeshData BuildControlMarker() {
  MeshBuilder mesh;
  const uint32_t yellow = mesh.AddMaterial({1.0f, 0.85f, 0.1f, 30.0f, 0.6f, 0.4f, ""});
  mesh.AddEllipsoid({0, 0, 0}, {0.035f, 0.035f, 0.035f}, 8, 12, 0,
                    [yellow](Vec3) { return yellow; });
  return mesh.ToXMeshData();
}

XMeshData BuildCenterMarker() {
  MeshBuilder mesh;
  const uint32_t red = mesh.AddMaterial({1.0f, 0.15f, 0.15f, 20.0f, 0.3f, 0.4f, ""});
  const uint32_t green = mesh.AddMaterial({0.15f, 1.0f, 0.15f, 20.0f, 0.3f, 0.4f, ""});
  const uint32_t blue = mesh.AddMaterial({0.2f, 0.3f, 1.0f, 20.0f, 0.3f, 0.4f, ""});
  const float l = 0.12f, r = 0.012f;
  mesh.AddCapsule({-l, 0, 0}, {l, 0, 0}, r, r, 2, 8, 0, red);
  mesh.AddCapsule({0, -l, 0}, {0, l, 0}, r, r, 2, 8, 0, green);
  mesh.AddCapsule({0, 0, -l}, {0, 0, l}, r, r, 2, 8, 0, blue);
  return mesh.ToXMeshData();
}

Image DrawMosaic() {
  constexpr int kSize = 200, kBlock = 20;
  Image image(kSize, kSize);
  for (int by = 0; by < kSize / kBlock; ++by) {
    for (int bx = 0; bx < kSize / kBlock; ++bx) {
      const float cx = (float(bx) + 0.5f) * kBlock - kSize / 2.0f;
      const float cy = (float(by) + 0.5f) * kBlock - kSize / 2.0f;
      const float d = std::sqrt(cx * cx + cy * cy) / (kSize / 2.0f);
      if (d > 0.95f) continue;
      const uint32_t h = Hash(uint32_t(bx), uint32_t(by));
      const int tone = int(h % 60);
      const int alpha = d < 0.6f ? 210 : int(210.0f * (0.95f - d) / 0.35f);
      const Argb c = MakeArgb(alpha, 200 + tone / 2, 150 + tone, 130 + tone);
      FillRect(image, bx * kBlock, by * kBlock, (bx + 1) * kBlock, (by + 1) * kBlock, c);
    }
  }
  return image;
}

Image DrawCursorRing() {
  Image image(50, 50);
  FillRing(image, 25.0f, 25.0f, 12.0f, 24.5f, MakeArgb(70, 255, 240, 160));
  FillRing(image, 25.0f, 25.0f, 16.0f, 21.0f, MakeArgb(255, 255, 200, 40));
  FillRing(image, 25.0f, 25.0f, 17.5f, 19.5f, MakeArgb(255, 255, 250, 220));
  return image;
}

Image DrawLogo() {
  Image image(256, 256);
  FillRoundRect(image, 12.0f, 44.0f, 244.0f, 212.0f, 28.0f, MakeArgb(170, 20, 24, 48));
  FillRoundRect(image, 18.0f, 50.0f, 238.0f, 206.0f, 23.0f, MakeArgb(120, 60, 90, 170));
  const int scale = 6;
  const std::string lines[2] = {"Orvalo", "View"};
  const int tops[2] = {66, 130};
  for (int i = 0; i < 2; ++i) {
    const int x = (256 - TextWidth(lines[i], scale)) / 2;
    DrawText(image, lines[i], x + 3, tops[i] + 3, scale, MakeArgb(200, 0, 0, 20));
    DrawText(image, lines[i], x, tops[i], scale, MakeArgb(255, 255, 236, 150));
  }
  // An underline with a dot at each end.
  FillRoundRect(image, 52.0f, 186.0f, 204.0f, 192.0f, 3.0f, MakeArgb(255, 255, 170, 60));
  FillEllipse(image, 46.0f, 189.0f, 5.0f, 5.0f, MakeArgb(255, 255, 236, 150));
  FillEllipse(image, 210.0f, 189.0f, 5.0f, 5.0f, MakeArgb(255, 255, 236, 150));
  return image;
}

Image DrawSceneButton(int digit, bool highlighted) {
  Image image(32, 32, highlighted ? MakeArgb(0, 0, 0, 0) : MakeArgb(255, 30, 36, 60));
  if (highlighted) {
    FillRoundRect(image, 0.0f, 0.0f, 32.0f, 32.0f, 7.0f, MakeArgb(255, 255, 150, 40));
    FillRoundRect(image, 2.0f, 2.0f, 30.0f, 30.0f, 5.0f, MakeArgb(255, 255, 200, 90));
  } else {
    FillRect(image, 2, 2, 30, 30, MakeArgb(255, 70, 90, 140));
    FillRect(image, 3, 3, 29, 29, MakeArgb(255, 45, 58, 100));
  }
  const std::string text(1, char('0' + digit));
  const int scale = 3;
  const int x = (32 - TextWidth(text, scale)) / 2;
  const int y = (32 - kGlyphHeight * scale) / 2;
  DrawText(image, text, x, y, scale,
           highlighted ? MakeArgb(255, 60, 30, 0) : MakeArgb(255, 235, 240, 255));
  return image;
}

void WriteSysResources(const std::string& outDir) {
  const std::string sys = outDir + "/sys";
  MakeDirectory(sys);
  WriteFile(sys + "/ctrl.x", WriteXText(BuildControlMarker(), "ctrl"));
  WriteFile(sys + "/centerp.x", WriteXBinary(BuildCenterMarker(), "centerp"));
  WriteFile(sys + "/mozaik.dds", EncodeDds(DrawMosaic(), DdsFormat::A8R8G8B8));
  WriteFile(sys + "/cursor2.dds", EncodeDds(DrawCursorRing(), DdsFormat::A8R8G8B8));
  WriteFile(sys + "/logo.dds", EncodeDds(DrawLogo(), DdsFormat::A8R8G8B8));
  for (int digit = 1; digit <= 5; ++digit) {
    // The normal buttons are opaque, so they use the 16-bit format.
    WriteFile(sys + "/" + std::to_string(digit) + ".dds",
              EncodeDds(DrawSceneButton(digit, false), DdsFormat::R5G6B5));
    WriteFile(sys + "/" + std::to_string(digit) + "h.dds",
              EncodeDds(DrawSceneButton(digit, true), DdsFormat::A8R8G8B8));
  }
  WriteFile(sys + "/multi1.dds", EncodeDds(DrawFaceOverlay(), DdsFormat::A8R8G8B8));
}

}  // namespace sample
