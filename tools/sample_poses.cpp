#include "tools/sample_poses.h"

namespace sample {

namespace {

// Both arms mirrored: a z rotation on the left is its negative on the right.
void Arms(Pose& pose, Vec3 upper, Vec3 fore) {
  pose.rotation[kUpperArmL] = upper;
  pose.rotation[kForearmL] = fore;
  pose.rotation[kUpperArmR] = {upper.x, -upper.y, -upper.z};
  pose.rotation[kForearmR] = {fore.x, -fore.y, -fore.z};
}

void Legs(Pose& pose, Vec3 thigh, Vec3 shin) {
  pose.rotation[kThighL] = thigh;
  pose.rotation[kShinL] = shin;
  pose.rotation[kThighR] = {thigh.x, -thigh.y, -thigh.z};
  pose.rotation[kShinR] = {shin.x, -shin.y, -shin.z};
}

Pose Scaled(const Pose& pose, float amount) {
  Pose out = pose;
  out.rootOffset = pose.rootOffset * amount;
  for (Vec3& r : out.rotation) r = r * amount;
  return out;
}

}  // namespace

std::vector<Pose> MakePoses(PoseStyle style) {
  std::vector<Pose> poses(kPoseCount);
  const char* names[kPoseCount] = {"rest", "breathe", "nod",    "wave_a", "wave_b",
                                   "lean_l", "lean_r", "crouch", "jump",   "look_l",
                                   "look_r", "cheer",  "bow",    "wide",   "clap"};
  for (int i = 0; i < kPoseCount; ++i) poses[size_t(i)].name = names[i];

  Arms(poses[0], {0.0f, 0.0f, 0.08f}, {0.15f, 0.0f, 0.0f});

  poses[1] = poses[0];
  poses[1].name = names[1];
  poses[1].rootOffset = {0.0f, 0.012f, 0.0f};
  poses[1].rotation[kSpine] = {0.05f, 0.0f, 0.0f};
  poses[1].rotation[kHead] = {0.08f, 0.0f, 0.0f};
  Arms(poses[1], {0.0f, 0.0f, 0.14f}, {0.2f, 0.0f, 0.0f});

  poses[2] = poses[0];
  poses[2].name = names[2];
  poses[2].rotation[kHead] = {-0.4f, 0.0f, 0.0f};
  poses[2].rotation[kSpine] = {-0.06f, 0.0f, 0.0f};

  for (int k = 3; k <= 4; ++k) {
    Pose& p = poses[size_t(k)];
    p.rotation[kUpperArmR] = {0.0f, 0.0f, -0.1f};
    p.rotation[kForearmR] = {0.15f, 0.0f, 0.0f};
    p.rotation[kUpperArmL] = {0.0f, 0.0f, 2.45f};
    p.rotation[kForearmL] = {0.0f, 0.0f, k == 3 ? 0.55f : -0.35f};
    p.rotation[kHead] = {0.0f, 0.15f, k == 3 ? -0.1f : 0.05f};
    p.rotation[kSpine] = {0.0f, 0.0f, -0.05f};
  }

  for (int k = 5; k <= 6; ++k) {
    Pose& p = poses[size_t(k)];
    const float s = k == 5 ? 1.0f : -1.0f;
    p.rootOffset = {-0.02f * s, 0.0f, 0.0f};
    p.rotation[kSpine] = {0.0f, 0.1f * s, 0.22f * s};
    p.rotation[kHead] = {0.0f, 0.0f, -0.12f * s};
    p.rotation[kUpperArmL] = {0.0f, 0.0f, 0.05f + 0.2f * s};
    p.rotation[kUpperArmR] = {0.0f, 0.0f, -0.05f + 0.2f * s};
    p.rotation[kForearmL] = p.rotation[kForearmR] = {0.2f, 0.0f, 0.0f};
  }

  poses[7].rootOffset = {0.0f, -0.135f, 0.0f};
  poses[7].rotation[kSpine] = {-0.3f, 0.0f, 0.0f};
  poses[7].rotation[kHead] = {0.2f, 0.0f, 0.0f};
  Legs(poses[7], {0.7f, 0.0f, 0.04f}, {-1.2f, 0.0f, 0.0f});
  Arms(poses[7], {0.45f, 0.0f, 0.25f}, {0.3f, 0.0f, 0.0f});

  poses[8].rootOffset = {0.0f, 0.22f, 0.0f};
  poses[8].rotation[kHead] = {0.15f, 0.0f, 0.0f};
  Legs(poses[8], {0.35f, 0.0f, 0.06f}, {-0.6f, 0.0f, 0.0f});
  Arms(poses[8], {0.0f, 0.0f, 2.6f}, {0.0f, 0.0f, 0.2f});

  for (int k = 9; k <= 10; ++k) {
    Pose& p = poses[size_t(k)];
    p = poses[0];
    p.name = names[k];
    const float s = k == 9 ? 1.0f : -1.0f;
    p.rotation[kHead] = {0.05f, 0.7f * s, 0.0f};
    p.rotation[kSpine] = {0.0f, 0.15f * s, 0.0f};
  }

  poses[11].rootOffset = {0.0f, 0.03f, 0.0f};
  poses[11].rotation[kHead] = {0.2f, 0.0f, 0.0f};
  poses[11].rotation[kSpine] = {0.06f, 0.0f, 0.0f};
  Arms(poses[11], {0.0f, 0.0f, 2.75f}, {0.0f, 0.0f, -0.3f});

  poses[12].rotation[kSpine] = {-0.75f, 0.0f, 0.0f};
  poses[12].rotation[kHead] = {-0.25f, 0.0f, 0.0f};
  poses[12].rotation[kPelvis] = {-0.08f, 0.0f, 0.0f};
  Legs(poses[12], {0.08f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
  Arms(poses[12], {0.35f, 0.0f, 0.05f}, {0.0f, 0.0f, 0.0f});

  Arms(poses[13], {0.0f, 0.0f, 1.45f}, {0.0f, 0.0f, 0.25f});
  poses[13].rotation[kHead] = {0.0f, 0.0f, 0.1f};

  Arms(poses[14], {1.25f, 0.0f, -0.25f}, {0.25f, 0.0f, -0.35f});
  poses[14].rotation[kHead] = {-0.1f, 0.0f, 0.0f};

  if (style == PoseStyle::kCalm) {
    for (int k = 1; k < kPoseCount; ++k) poses[size_t(k)] = Scaled(poses[size_t(k)], 0.8f);
  } else if (style == PoseStyle::kDancer) {
    for (int k = 1; k < kPoseCount; ++k) {
      Pose& p = poses[size_t(k)];
      p = Scaled(p, 1.15f);
      p.rotation[kPelvis] = p.rotation[kPelvis] + Vec3{0.0f, 0.0f, (k % 2 == 0 ? 0.06f : -0.06f)};
    }
  }
  return poses;
}

namespace {

std::array<Rigid, kBoneCount> BoneTransforms(const Skeleton& sk, const Pose& pose) {
  std::array<Rigid, kBoneCount> world{};
  // Bones are numbered so that every parent comes before its children.
  for (int b = 0; b < kBoneCount; ++b) {
    const Rigid local = RotationAbout(sk.joint[size_t(b)], EulerRotation(pose.rotation[size_t(b)]));
    if (sk.parent[size_t(b)] < 0) {
      world[size_t(b)] = Compose(Rigid{Mat3{}, pose.rootOffset}, local);
    } else {
      world[size_t(b)] = Compose(world[size_t(sk.parent[size_t(b)])], local);
    }
  }
  return world;
}

}  // namespace

Vec3 PosedPoint(const Character& character, const Pose& pose, int bone, Vec3 restPoint) {
  return TransformPoint(BoneTransforms(character.skeleton, pose)[size_t(bone)], restPoint);
}

void ApplyPose(const Character& character, const Pose& pose, std::vector<Vec3>& positions,
               std::vector<Vec3>& normals) {
  const std::array<Rigid, kBoneCount> world = BoneTransforms(character.skeleton, pose);
  const std::vector<Vec3>& restPositions = character.mesh.positions();
  const std::vector<Vec3>& restNormals = character.mesh.normals();
  const std::vector<int>& bones = character.mesh.bones();
  positions.resize(restPositions.size());
  normals.resize(restNormals.size());
  for (size_t v = 0; v < restPositions.size(); ++v) {
    const Rigid& t = world[size_t(bones[v])];
    positions[v] = TransformPoint(t, restPositions[v]);
    normals[v] = Normalize(Apply(t.rotation, restNormals[v]));
  }
}

XMeshData PosedMesh(const Character& character, const Pose& pose) {
  std::vector<Vec3> positions, normals;
  ApplyPose(character, pose, positions, normals);
  return character.mesh.ToXMeshData(&positions, &normals);
}

}  // namespace sample
