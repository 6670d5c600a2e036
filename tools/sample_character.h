// The sample model: a stylised character (head with a textured face, hair,
// torso, arms with hands, legs with feet) built from convex parts, each
// vertex bound to one bone of a small skeleton. Stands on y = 0, about 1.8
// units tall, facing -z (towards a camera at yaw 0).
#pragma once

#include <array>
#include <string>

#include "tools/sample_geometry.h"
#include "tools/sample_image.h"

namespace sample {

enum Bone : int {
  kPelvis,
  kSpine,
  kHead,
  kUpperArmL,  // +x side: the character's left, the viewer's right
  kForearmL,
  kUpperArmR,
  kForearmR,
  kThighL,
  kShinL,
  kThighR,
  kShinR,
  kBoneCount
};

struct CharacterStyle {
  std::string faceTexture;  // as written into the file, e.g. "dir10\\face.bmp"
  Vec3 skin{0.98f, 0.82f, 0.70f};
  Vec3 hair{0.30f, 0.18f, 0.10f};
  Vec3 shirt{0.25f, 0.45f, 0.85f};
  Vec3 pants{0.20f, 0.22f, 0.30f};
  Vec3 shoes{0.55f, 0.20f, 0.15f};
  float headScale = 1.3f;  // larger for a bigger-headed look
  float bodyWidth = 1.0f;
};

struct Skeleton {
  std::array<int, kBoneCount> parent{};
  std::array<Vec3, kBoneCount> joint{};  // pivot of each bone, rest pose
};

struct Character {
  MeshBuilder mesh;  // rest pose; bones() gives each vertex's bone
  Skeleton skeleton;
  // Rest-pose places for the control points.
  Vec3 faceFront;
  Vec3 headTop;
  Vec3 handL;
  Vec3 handR;
};

Character BuildCharacter(const CharacterStyle& style);

// The face texture's picture: skin-coloured background, eyes, brows, nose,
// mouth and cheeks, laid out for the planar mapping of the head's front.
Image DrawFaceTexture(const CharacterStyle& style);
// The face overlay (multi1.dds): blush and sparkles with alpha, same layout.
Image DrawFaceOverlay();

}  // namespace sample
