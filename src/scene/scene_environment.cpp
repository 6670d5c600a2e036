#include "scene/scene_environment.h"

#include <string>

#include "app/viewer_state.h"

SceneEnvironment sceneEnvironment = {};

std::string SceneFolderName() { return "dir" + std::to_string(viewerState.sceneNumber); }
