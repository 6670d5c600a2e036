// Key poses of the sample character: the same mesh with its vertices moved
// rigidly by bone, so every pose file keeps model.x's topology and loads
// with the same vertices in the same order.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/sample_character.h"

namespace sample {

struct Pose {
  std::string name;
  Vec3 rootOffset;                          // moves the whole body
  std::array<Vec3, kBoneCount> rotation{};  // per bone, relative to its parent (EulerRotation)
};

enum class PoseStyle {
  kCalm,     // small, relaxed movements
  kLively,   // the same poses, larger
  kDancer,   // larger still, with a sway in the rest pose
};

// Motion numbers index this list: 0 rest, 1 breathe in, 2 nod, 3/4 wave,
// 5/6 lean, 7 crouch, 8 jump, 9/10 look aside, 11 cheer, 12 bow,
// 13 arms wide, 14 clap.
constexpr int kPoseCount = 15;
std::vector<Pose> MakePoses(PoseStyle style);

// Where a rest-pose point bound to `bone` lies in the pose.
Vec3 PosedPoint(const Character& character, const Pose& pose, int bone, Vec3 restPoint);

// Vertex positions and normals of the character in the pose.
void ApplyPose(const Character& character, const Pose& pose, std::vector<Vec3>& positions,
               std::vector<Vec3>& normals);
XMeshData PosedMesh(const Character& character, const Pose& pose);

}  // namespace sample
