#include "app/idle_loop.h"

#include <cmath>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "interaction/camera.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/format_fixed.h"
#include "render/frame_composition.h"
#include "scene/scene_loader.h"

namespace {

void RenderOneFrame(IDirect3DDevice8* dev) {
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor, 1.0f, 0);
  if (SUCCEEDED(dev->BeginScene())) {
    RenderFrame();
    dev->EndScene();
    if (FAILED(dev->Present(nullptr, nullptr, nullptr, nullptr))) {
      dev->Reset(GetPresentParams());
    }
  }
}

void MeasureFrameRate() {
  const uint32_t frames = frameCount - fpsFrameMark;
  if (frames <= kMeasureFrames) return;
  const uint32_t t = timeGetTime();
  const double rate = double(frames) / double(t - fpsTimeMark) * 1000.0;
  const float storedRate = static_cast<float>(rate);
  frameSeconds = 1.0f / storedRate;
  fpsFrameMark = frameCount;
  fpsTimeMark = t;
}

}  // namespace

void ApplicationIdle(bool& done) {
  const uint32_t now = timeGetTime();
  // Without a device (Init failed) nothing is rendered, counted or measured.
  IDirect3DDevice8* dev = GetDevice();
  if (viewerState.running && dev && now - lastFrameTime > viewerState.frameIntervalMs) {
    RenderOneFrame(dev);
    MeasureFrameRate();
    frameCount += 1;
    lastFrameTime = now;
  }
  if (viewerState.demoMode) AdvanceDemoCycle();
  application::ProcessMessages();
  done = false;
}

void AdvanceDemoCycle() {
  viewerState.yaw = static_cast<float>(double(viewerState.yaw) + double(frameSeconds) * (1.0 / 3.0));
  viewerState.pitch = static_cast<float>(std::sin(double(viewerState.yaw)) * (1.0 / 3.0));
  UpdateCamera();
  viewer_ui::SetLabelCaption(3, FormatFixed(viewerState.yaw, 2));
  if (viewerState.yaw > 10.0f) {
    viewerState.sceneGroup += 1;
    viewerState.sceneVariant = 0;
    if (viewerState.sceneGroup > 3) viewerState.sceneGroup = 1;
    viewerState.sceneNumber = viewerState.sceneGroup * 10 + viewerState.sceneVariant;
    LoadScene(viewerState.sceneNumber);
    if (double(viewerState.yaw) > 6.28) viewerState.yaw = 0.0f;
  }
}

void Timer1Timer() {
  if (frameSeconds != 0.0f) {
    viewer_ui::SetStatusText(0, "FPS:" + FormatFixed(1.0 / double(frameSeconds), 2));
    viewer_ui::SetStatusText(2, "V:" + FormatFixed(double(viewerState.speed), 2));
  }
  if (!viewerState.holdingPoint) {
    viewerState.speed = static_cast<float>(double(viewerState.speed) - 0.05);
    if (!(viewerState.speed >= 1.0f)) viewerState.speed = 1.0f;
  }
}
