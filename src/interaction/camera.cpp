#include "interaction/camera.h"

#include <cmath>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "platform/format_fixed.h"
#include "render/d3dx8.h"

void UpdateCamera() {
  const double yaw = viewerState.yaw;
  const double pitch = viewerState.pitch;
  const double distance = viewerState.distance;
  cameraEye.y = static_cast<float>(cameraAt.y + distance * std::sin(pitch));
  cameraEye.x = static_cast<float>(cameraAt.x - distance * std::sin(yaw) * std::cos(pitch));
  cameraEye.z = static_cast<float>(cameraAt.z - distance * std::cos(yaw) * std::cos(pitch));

  // The third read-out value is the eye's z, completing the eye position.
  viewer_ui::SetLabelCaption(1, FormatFixed(distance, 2) + "/" + FormatFixed(cameraEye.x, 2) + "/" +
                                    FormatFixed(cameraEye.z, 2));

  lightVector.x = static_cast<float>(-std::cos(yaw + 1.2));
  lightVector.y = static_cast<float>(-0.4 - 1.5 * pitch);
  lightVector.z = static_cast<float>(std::sin(yaw + 1.2));
  D3DXVec3Normalize(&sceneLight.Direction, &lightVector);

  if (IDirect3DDevice8* dev = GetDevice()) {
    dev->SetLight(0, &sceneLight);
    dev->LightEnable(0, TRUE);
  }
}

void FormMouseWheelDown() {
  viewerState.distance = static_cast<float>(double(viewerState.distance) + 0.1);
  if (viewerState.distance > 10.0f) viewerState.distance = 10.0f;
  UpdateCamera();
}

void FormMouseWheelUp() {
  viewerState.distance = static_cast<float>(double(viewerState.distance) - 0.1);
  if (viewerState.distance < 1.0f) viewerState.distance = 1.0f;
  UpdateCamera();
}
