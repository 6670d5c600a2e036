// orvalo-tool settings DIR: reads a scene folder's env.ini, motion.txt and
// marray.txt exactly as the viewer does and prints the stored record.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/number_conversion.h"
#include "platform/platform_error.h"
#include "scene/scene_settings_reader.h"
#include "tools/subcommand.h"

namespace {

std::string Number(float value) { return FloatToStrDigits(value, 9); }

void PrintRecord(const SceneEnvironment& env) {
  std::printf("lookAt %s %s %s\n", Number(env.lookAt.x).c_str(), Number(env.lookAt.y).c_str(),
              Number(env.lookAt.z).c_str());
  std::printf("start %s %s %s\n", Number(env.startPitch).c_str(), Number(env.startYaw).c_str(),
              Number(env.startDistance).c_str());
  for (int i = 0; i < kControlPointCount; ++i) {
    const D3DVECTOR& point = env.controlPoints[i];
    std::printf("point %d %s %s %s\n", i, Number(point.x).c_str(), Number(point.y).c_str(),
                Number(point.z).c_str());
  }
  for (int s = 0; s < kSequenceCount; ++s) {
    std::printf("sequence %d length %d speed %s motions", s, static_cast<int>(env.sequenceLength[s]),
                Number(env.sequenceSpeed[s]).c_str());
    for (int k = 0; k < kSequenceSteps; ++k) std::printf(" %d", static_cast<int>(env.sequences[s][k]));
    std::printf("\n");
  }
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    std::printf("array %d", a);
    for (int p = 0; p < kControlPointCount; ++p) std::printf(" %d", static_cast<int>(env.motionArray[a][p]));
    std::printf("\n");
  }
}

int RunSettings(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    std::fprintf(stderr, "usage: orvalo-tool settings DIR\n");
    return 2;
  }
  std::string folder = args[0];
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

  SceneEnvironment env{};
  int status = 0;
  try {
    ReadSceneEnvironmentFrom(folder, env);
  } catch (const PlatformError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    status = 1;
  }
  PrintRecord(env);
  std::fflush(stdout);
  return status;
}

}  // namespace

ORVALO_TOOL_SUBCOMMAND(settings, "settings", "settings DIR",
                       "print a scene folder's settings as the viewer reads them", RunSettings)
