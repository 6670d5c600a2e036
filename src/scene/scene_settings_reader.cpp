#include "scene/scene_settings_reader.h"

#include "platform/files.h"
#include "platform/number_conversion.h"
#include "platform/profile_file.h"
#include "platform/text_list.h"

float& EnvField(SceneEnvironment& env, int index) {
  if (index < 12) {
    D3DVECTOR& point = env.controlPoints[index / 3];
    return index % 3 == 0 ? point.x : (index % 3 == 1 ? point.y : point.z);
  }
  switch (index) {
    case 12: return env.lookAt.x;
    case 13: return env.lookAt.y;
    case 14: return env.lookAt.z;
    case 15: return env.startPitch;
    case 16: return env.startYaw;
    default: return env.startDistance;
  }
}

void ReadSceneEnvironmentFrom(const std::string& folder, SceneEnvironment& env) {
  const std::string base = folder + "/";

  const ProfileFile ini(base + kEnvFileName);
  for (int i = 0; i < kEnvKeyCount; ++i) {
    EnvField(env, i) = RoundToFloat(ini.ReadFloat(kEnvSection, kEnvKeys[i], 0.0));
  }

  {
    TextList motion;
    motion.LoadFromFile(base + kMotionFileName);
    for (int k = 0; k < kMotionGridColumns; ++k) {
      for (int r = 0; r < kMotionGridRows; ++r) {
        const int n = k * kMotionGridRows + r;
        if (motion.Get(n).empty()) motion.Put(n, "0");
        if (k < 1 || r < 1) continue;
        const std::string& cell = motion.Get(n);
        if (r == 1) {
          env.sequenceLength[k - 1] = StrToInt(cell);
        } else if (r == 2) {
          env.sequenceSpeed[k - 1] = RoundToFloat(StrToFloat(cell));
        } else {
          env.sequences[k - 1][r - 3] = StrToInt(cell);
        }
      }
    }
  }

  TextList array;
  array.LoadFromFile(base + kMotionArrayFileName);
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    for (int p = 0; p < kControlPointCount; ++p) {
      env.motionArray[a][p] = StrToInt(array.Get(a * kControlPointCount + p));
    }
  }
}

void ReadSceneEnvironment(SceneEnvironment& env) {
  ReadSceneEnvironmentFrom(GetCurrentDir() + "/" + SceneFolderName(), env);
}
