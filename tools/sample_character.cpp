#include "tools/sample_character.h"

#include <algorithm>
#include <cmath>

namespace sample {

namespace {

Argb ToArgb(Vec3 c, int alpha = 255) {
  auto channel = [](float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  return MakeArgb(alpha, channel(c.x), channel(c.y), channel(c.z));
}

Vec3 Mirror(Vec3 v) { return {-v.x, v.y, v.z}; }

}  // namespace

Character BuildCharacter(const CharacterStyle& style) {
  Character out;
  MeshBuilder& mesh = out.mesh;
  const float hs = style.headScale;
  const float bw = style.bodyWidth;

  const uint32_t skin = mesh.AddMaterial({style.skin.x, style.skin.y, style.skin.z, 30.0f, 0.15f,
                                          0.12f, ""});
  // White diffuse so the texture shows its own skin colour, matching `skin`.
  const uint32_t face = mesh.AddMaterial({1.0f, 1.0f, 1.0f, 30.0f, 0.15f, 0.12f, style.faceTexture});
  const uint32_t hair = mesh.AddMaterial({style.hair.x, style.hair.y, style.hair.z, 12.0f, 0.35f,
                                          0.05f, ""});
  const uint32_t shirt = mesh.AddMaterial({style.shirt.x, style.shirt.y, style.shirt.z, 20.0f,
                                           0.2f, 0.08f, ""});
  const uint32_t pants = mesh.AddMaterial({style.pants.x, style.pants.y, style.pants.z, 20.0f,
                                           0.1f, 0.08f, ""});
  const uint32_t shoes = mesh.AddMaterial({style.shoes.x, style.shoes.y, style.shoes.z, 40.0f,
                                           0.5f, 0.05f, ""});

  Skeleton& sk = out.skeleton;
  sk.parent = {-1,         kPelvis, kSpine,  kSpine,  kUpperArmL, kSpine,
               kUpperArmR, kPelvis, kThighL, kPelvis, kThighR};
  const Vec3 shoulderL{0.235f * bw, 1.36f, 0.0f}, elbowL{0.30f * bw, 1.09f, 0.0f},
      wristL{0.335f * bw, 0.845f, -0.015f};
  const Vec3 hipL{0.095f * bw, 0.90f, 0.0f}, kneeL{0.105f * bw, 0.50f, -0.01f},
      ankleL{0.11f * bw, 0.10f, 0.0f};
  const Vec3 neck{0.0f, 1.46f, 0.0f};
  sk.joint[kPelvis] = {0.0f, 0.95f, 0.0f};
  sk.joint[kSpine] = {0.0f, 1.0f, 0.0f};
  sk.joint[kHead] = neck;
  sk.joint[kUpperArmL] = shoulderL;
  sk.joint[kForearmL] = elbowL;
  sk.joint[kUpperArmR] = Mirror(shoulderL);
  sk.joint[kForearmR] = Mirror(elbowL);
  sk.joint[kThighL] = hipL;
  sk.joint[kShinL] = kneeL;
  sk.joint[kThighR] = Mirror(hipL);
  sk.joint[kShinR] = Mirror(kneeL);

  // Head: the front cap carries the face texture, mapped flat along z.
  const Vec3 headCentre{0.0f, 1.46f + 0.18f * hs, -0.005f};
  const Vec3 headRadii{0.165f * hs, 0.19f * hs, 0.175f * hs};
  const Vec3 faceAxis = Normalize({0.0f, -0.15f, -1.0f});
  mesh.AddEllipsoid(
      headCentre, headRadii, 24, 36, kHead,
      [&](Vec3 d) {
        if (Dot(d, faceAxis) > 0.55f && d.y < 0.4f) return face;
        if (d.y > 0.35f || d.z > 0.2f) return hair;
        return skin;
      },
      [&](Vec3 local, float& u, float& v) {
        u = 0.5f + local.x / (2.0f * headRadii.x);
        v = 0.5f - local.y / (2.0f * headRadii.y);
      });
  // Hair: a slightly larger shell set back, so it frames the face.
  mesh.AddEllipsoid(headCentre + Vec3{0.0f, 0.035f * hs, 0.045f * hs},
                    {0.178f * hs, 0.19f * hs, 0.17f * hs}, 18, 30, kHead,
                    [&](Vec3) { return hair; });
  mesh.AddCapsule({0.0f, 1.36f, 0.0f}, {0.0f, 1.5f, 0.0f}, 0.055f, 0.05f, 3, 14, kSpine, skin);
  // Torso and hips.
  mesh.AddCapsule({0.0f, 1.06f, 0.0f}, {0.0f, 1.3f, 0.0f}, 0.165f * bw, 0.2f * bw, 8, 26, kSpine,
                  shirt, 0.62f);
  mesh.AddEllipsoid({0.0f, 0.94f, 0.0f}, {0.175f * bw, 0.13f, 0.12f}, 12, 26, kPelvis,
                    [&](Vec3) { return pants; });
  // Arms and hands, legs and feet, each side mirrored.
  for (int side = 0; side < 2; ++side) {
    auto m = [&](Vec3 v) { return side == 0 ? v : Mirror(v); };
    const int upperArm = side == 0 ? kUpperArmL : kUpperArmR;
    const int forearm = side == 0 ? kForearmL : kForearmR;
    const int thigh = side == 0 ? kThighL : kThighR;
    const int shin = side == 0 ? kShinL : kShinR;
    mesh.AddCapsule(m(shoulderL), m(elbowL), 0.052f, 0.046f, 6, 16, upperArm, shirt);
    mesh.AddCapsule(m(elbowL), m(wristL), 0.044f, 0.037f, 6, 16, forearm, skin);
    const Vec3 armDir = Normalize(wristL - elbowL);
    const Vec3 hand = m(wristL + armDir * 0.06f);
    mesh.AddEllipsoid(hand, {0.036f, 0.062f, 0.03f}, 10, 14, forearm, [&](Vec3) { return skin; });
    mesh.AddCapsule(m(hipL), m(kneeL), 0.082f * bw, 0.062f, 6, 18, thigh, pants);
    mesh.AddCapsule(m(kneeL), m(ankleL), 0.06f, 0.045f, 6, 18, shin, pants);
    mesh.AddEllipsoid(m(Vec3{ankleL.x, 0.05f, -0.045f}), {0.056f, 0.05f, 0.115f}, 10, 16, shin,
                      [&](Vec3) { return shoes; });
    (side == 0 ? out.handL : out.handR) = hand;
  }
  out.faceFront = headCentre + Vec3{0.0f, -0.02f * hs, -headRadii.z};
  out.headTop = headCentre + Vec3{0.0f, headRadii.y + 0.04f * hs, 0.03f};
  return out;
}

Image DrawFaceTexture(const CharacterStyle& style) {
  Image image(256, 256, ToArgb(style.skin));
  const Argb hair = ToArgb(style.hair);
  const Argb iris = MakeArgb(255, 70, 110, 170);
  const Argb dark = MakeArgb(255, 25, 20, 30);
  const Argb white = MakeArgb(255, 255, 255, 255);
  const Argb cheek = MakeArgb(80, 240, 120, 130);
  const Argb shade = ToArgb(style.skin * 0.86f);
  for (int side = -1; side <= 1; side += 2) {
    const float cx = 128.0f + float(side) * 50.0f;
    FillRoundRect(image, cx - 22.0f, 87.0f, cx + 22.0f, 95.0f, 4.0f, hair);
    FillEllipse(image, cx, 128.0f, 21.0f, 25.0f, dark);
    FillEllipse(image, cx, 128.0f, 18.0f, 22.0f, white);
    FillEllipse(image, cx, 131.0f, 14.0f, 17.0f, iris);
    FillEllipse(image, cx, 132.0f, 7.0f, 9.0f, dark);
    FillEllipse(image, cx - 5.0f, 123.0f, 5.0f, 5.0f, white);
    FillEllipse(image, cx, 178.0f - 10.0f, 17.0f, 10.0f, cheek);
  }
  FillEllipse(image, 128.0f, 160.0f, 6.0f, 4.5f, shade);
  // A smile: the lower part of a ring.
  FillShape(image, 100.0f, 160.0f, 156.0f, 205.0f, MakeArgb(255, 170, 50, 60),
            [](float x, float y) {
              const float dx = x - 128.0f, dy = y - 170.0f;
              const float d2 = dx * dx + dy * dy;
              return y > 182.0f && d2 <= 26.0f * 26.0f && d2 >= 21.0f * 21.0f;
            });
  return image;
}

Image DrawFaceOverlay() {
  Image image(256, 256, MakeArgb(0, 255, 255, 255));
  for (int side = -1; side <= 1; side += 2) {
    const float cx = 128.0f + float(side) * 56.0f;
    FillEllipse(image, cx, 170.0f, 26.0f, 15.0f, MakeArgb(110, 255, 90, 120));
    FillEllipse(image, cx, 170.0f, 16.0f, 9.0f, MakeArgb(200, 255, 70, 110));
    // Three short strokes on each cheek.
    for (int k = -1; k <= 1; ++k) {
      const float x = cx + float(k) * 9.0f;
      FillShape(image, x - 6.0f, 160.0f, x + 6.0f, 180.0f, MakeArgb(230, 230, 40, 80),
                [x](float px, float py) {
                  const float t = (py - 163.0f) / 14.0f;
                  return t >= 0.0f && t <= 1.0f && std::fabs(px - (x + 3.0f - 6.0f * t)) < 1.4f;
                });
    }
    // A sparkle in each eye.
    const float ex = 128.0f + float(side) * 50.0f + 6.0f, ey = 137.0f;
    FillShape(image, ex - 10.0f, ey - 10.0f, ex + 10.0f, ey + 10.0f, MakeArgb(255, 255, 255, 255),
              [ex, ey](float px, float py) {
                const float dx = std::fabs(px - ex), dy = std::fabs(py - ey);
                return std::sqrt(dx) + std::sqrt(dy) <= std::sqrt(9.0f);
              });
  }
  return image;
}

}  // namespace sample
