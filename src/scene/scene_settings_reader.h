// The viewer's reader of a scene folder's settings files, and the names it
// shares with the environment dialog's load and save.
#pragma once

#include <string>

#include "scene/scene_environment.h"

inline constexpr const char* kEnvFileName = "env.ini";
inline constexpr const char* kMotionFileName = "motion.txt";
inline constexpr const char* kMotionArrayFileName = "marray.txt";
inline constexpr const char* kEnvSection = "ENV";

// env.ini's keys in reading and writing order.
inline constexpr int kEnvKeyCount = 18;
inline constexpr const char* kEnvKeys[kEnvKeyCount] = {
    "CP0X", "CP0Y", "CP0Z", "CP1X", "CP1Y", "CP1Z", "CP2X", "CP2Y", "CP2Z",
    "CP3X", "CP3Y", "CP3Z", "LX",   "LY",   "LZ",   "Pitch", "Yaw", "Dist"};
// The field that env.ini's key kEnvKeys[index] fills.
float& EnvField(SceneEnvironment& env, int index);

// motion.txt: 12 columns of 18 rows, listed column by column; marray.txt: 24 lines.
inline constexpr int kMotionGridColumns = 12;
inline constexpr int kMotionGridRows = 18;
inline constexpr int kMotionGridLines = kMotionGridColumns * kMotionGridRows;
inline constexpr int kMotionArrayLines = kMotionArrayAlternatives * kControlPointCount;

// Reads env.ini, motion.txt and marray.txt of `folder` into env, storing each
// value right after its conversion. PlatformError (file open, missing line,
// conversion) leaves env with the values before the failing cell stored and
// those after it unchanged.
void ReadSceneEnvironmentFrom(const std::string& folder, SceneEnvironment& env);
