// The idle loop's pacing, frame-rate measurement and demo cycle, and the
// status timer, driven with a manual clock and the recording device.
#include "app/idle_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "platform/clock.h"
#include "render/recording_device.h"
#include "render/shared_resources.h"
#include "support/test_paths.h"

namespace {

class IdleLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobalsToProgramStart();
    viewer_ui::Reset();
    ResetRecording();
    recording_ = CreateRecordingDevice();
    device = recording_;
    platform_clock::SetManual(1000);
  }
  void TearDown() override {
    FreeResources();  // what a test's scene loads created
    device = nullptr;
    recording_->Release();
    platform_clock::UseSystem();
    ResetGlobalsToProgramStart();
  }

  // One idle call, the clock having moved on by `step` milliseconds.
  void Idle(uint32_t step = 1) {
    platform_clock::Advance(step);
    bool done = true;
    ApplicationIdle(done);
    EXPECT_FALSE(done);
  }

  RecordingDevice* recording_ = nullptr;
};

TEST_F(IdleLoopTest, FirstMeasurementOnThe22ndAttemptCovers21Attempts) {
  viewerState.running = true;
  fpsTimeMark = timeGetTime() - 10;  // as the main window's creation starts it
  const uint32_t start = fpsTimeMark;
  for (int attempt = 1; attempt <= 21; ++attempt) {
    Idle();
    EXPECT_EQ(frameSeconds, 0.0f) << "attempt " << attempt;
  }
  Idle();
  const double rate = 21.0 / double(timeGetTime() - start) * 1000.0;
  EXPECT_EQ(frameSeconds, 1.0f / static_cast<float>(rate));
  EXPECT_EQ(fpsFrameMark, 21u);
  EXPECT_EQ(fpsTimeMark, timeGetTime());
  EXPECT_EQ(frameCount, 22u);
  EXPECT_EQ(recording_->PresentCount(), 22);
}

TEST_F(IdleLoopTest, RestartedTimeMarkKeepsTheWindowsFrameCount) {
  viewerState.running = true;
  for (int i = 0; i < 15; ++i) Idle();
  // A scene load restarts the clock of the window but not its frame count.
  platform_clock::Advance(500);
  fpsTimeMark = timeGetTime();
  const uint32_t restart = fpsTimeMark;
  for (int i = 0; i < 6; ++i) Idle(2);
  EXPECT_EQ(frameSeconds, 0.0f);
  Idle(2);
  const double rate = 21.0 / double(timeGetTime() - restart) * 1000.0;
  EXPECT_EQ(frameSeconds, 1.0f / static_cast<float>(rate));
}

TEST_F(IdleLoopTest, PacingComparesUnsignedDifferencesStrictly) {
  struct Case {
    uint32_t interval;
    uint32_t last;
    uint32_t now;
    bool renders;
  } cases[] = {
      {0, 1000, 1000, false},            // same tick
      {0, 1000, 1001, true},
      {10, 1000, 1010, false},           // exactly the interval: not yet
      {10, 1000, 1011, true},
      {10, 0xFFFFFFFAu, 4, false},       // across the wrap: 10 ms
      {10, 0xFFFFFFFAu, 5, true},        // across the wrap: 11 ms
  };
  for (const Case& c : cases) {
    frameCount = 0;
    viewerState.running = true;
    viewerState.frameIntervalMs = c.interval;
    lastFrameTime = c.last;
    platform_clock::SetManual(c.now);
    bool done = true;
    ApplicationIdle(done);
    EXPECT_EQ(frameCount, c.renders ? 1u : 0u) << c.last << " -> " << c.now;
    EXPECT_EQ(lastFrameTime, c.renders ? c.now : c.last);
  }
}

TEST_F(IdleLoopTest, RenderedFrameClearsDrawsAndPresentsInOrder) {
  viewerState.running = true;
  ClearRecordedCalls();
  Idle();
  const int clear = FindRecordedCall("Clear(0, null, 3, 0xff505064, 1, 0)");
  const int begin = FindRecordedCall("BeginScene()");
  const int end = FindRecordedCall("EndScene()");
  const int present = FindRecordedCall("Present(null, null, null, null)");
  ASSERT_GE(clear, 0);
  EXPECT_LT(clear, begin);
  EXPECT_LT(begin, end);
  EXPECT_LT(end, present);
  EXPECT_EQ(CountRecordedCalls("Reset("), 0);
}

TEST_F(IdleLoopTest, FailedBeginSceneIsCountedWithoutDrawing) {
  viewerState.running = true;
  GetRecordingControl().failBeginScene = true;
  Idle();
  EXPECT_EQ(frameCount, 1u);
  EXPECT_EQ(lastFrameTime, timeGetTime());
  EXPECT_EQ(recording_->PresentCount(), 0);
  EXPECT_EQ(CountRecordedCalls("EndScene("), 0);
}

TEST_F(IdleLoopTest, FailedPresentResetsOnceWithThePresentParameters) {
  viewerState.running = true;
  presentParams.BackBufferWidth = 640;
  presentParams.BackBufferHeight = 480;
  GetRecordingControl().failPresent = true;
  Idle();
  EXPECT_EQ(recording_->ResetCount(), 1);
  EXPECT_EQ(recording_->PresentParameters().BackBufferWidth, 640u);
  Idle();
  EXPECT_EQ(recording_->ResetCount(), 2);
}

TEST_F(IdleLoopTest, NothingIsRenderedWhileStoppedOrWithoutDevice) {
  Idle();
  EXPECT_EQ(frameCount, 0u);
  viewerState.running = true;
  device = nullptr;
  Idle();
  EXPECT_EQ(frameCount, 0u);
  EXPECT_EQ(recording_->PresentCount(), 0);
}

TEST_F(IdleLoopTest, DemoAdvancesYawOnEveryCallEvenWithoutAFrame) {
  viewerState.demoMode = true;
  frameSeconds = 0.03f;
  Idle();
  Idle();
  const float once = static_cast<float>(0.0 + 0.03f * (1.0 / 3.0));
  const float twice = static_cast<float>(double(once) + 0.03f * (1.0 / 3.0));
  EXPECT_EQ(viewerState.yaw, twice);
  EXPECT_EQ(viewerState.pitch, static_cast<float>(std::sin(double(twice)) / 3.0));
  EXPECT_EQ(viewer_ui::LabelCaption(3), "0.02");
  EXPECT_EQ(frameCount, 0u);
}

TEST_F(IdleLoopTest, DemoWrapsToSceneTenFromGroupsThreeAndFive) {
  TempDir empty;  // no scene folders: the load only reports Scene:NULL
  ScopedCurrentDir inEmpty(empty.path());
  for (int group : {3, 5}) {
    viewerState.sceneGroup = group;
    viewerState.sceneVariant = 2;
    viewerState.demoMode = true;
    viewerState.yaw = 9.99f;
    frameSeconds = 0.06f;
    Idle();
    EXPECT_EQ(viewerState.sceneGroup, 1);
    EXPECT_EQ(viewerState.sceneVariant, 0);
    EXPECT_EQ(viewerState.sceneNumber, 10);
    EXPECT_EQ(viewer_ui::StatusText(3), "Scene:NULL");
    EXPECT_EQ(viewerState.yaw, 0.0f) << "a missing scene restarts the demo at 0";
  }
  viewerState.sceneGroup = 1;
  viewerState.yaw = 9.99f;
  Idle();
  EXPECT_EQ(viewerState.sceneNumber, 20);
}

// A scene folder whose settings put the start yaw at `yaw`.
void WriteScene(const std::string& root, int number, const std::string& yaw) {
  const std::string dir = root + "/dir" + std::to_string(number);
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/model.x") << "not a mesh";
  std::ofstream(dir + "/env.ini") << "[ENV]\r\nYaw=" << yaw << "\r\nDist=2\r\n";
  std::ofstream motion(dir + "/motion.txt");
  for (int i = 0; i < 216; ++i) motion << (i % 18 == 0 || i < 18 ? "h" : "0") << "\r\n";
  std::ofstream array(dir + "/marray.txt");
  for (int i = 0; i < 24; ++i) array << "0\r\n";
}

TEST_F(IdleLoopTest, DemoStartsTheNextSceneFromItsYawUnlessAbove628) {
  TempDir root;
  WriteScene(root.path(), 20, "7.0");
  WriteScene(root.path(), 30, "6.0");
  ScopedCurrentDir inRoot(root.path());
  viewerState.demoMode = true;
  frameSeconds = 0.06f;

  viewerState.sceneGroup = 1;
  viewerState.yaw = 9.99f;
  Idle();
  EXPECT_EQ(viewer_ui::StatusText(3), "Scene:20");
  EXPECT_EQ(viewerState.yaw, 0.0f);

  viewerState.yaw = 9.99f;
  Idle();
  EXPECT_EQ(viewer_ui::StatusText(3), "Scene:30");
  EXPECT_EQ(viewerState.yaw, 6.0f);
}

TEST(StatusTimerTest, SpeedDecaysToExactlyOneOnThe71stTickFrom45) {
  ResetGlobalsToProgramStart();
  viewer_ui::Reset();
  viewerState.speed = 4.5f;
  for (int tick = 1; tick <= 70; ++tick) Timer1Timer();
  EXPECT_GT(viewerState.speed, 1.0f);
  EXPECT_EQ(viewerState.speed, 1.0000012f);
  Timer1Timer();
  EXPECT_EQ(viewerState.speed, 1.0f);
  Timer1Timer();
  EXPECT_EQ(viewerState.speed, 1.0f);
}

TEST(StatusTimerTest, ShowsRateAndSpeedBeforeDecayOnlyAfterAMeasurement) {
  ResetGlobalsToProgramStart();
  viewer_ui::Reset();
  viewerState.speed = 2.0f;
  Timer1Timer();
  EXPECT_EQ(viewer_ui::StatusText(0), "");
  EXPECT_EQ(viewer_ui::StatusText(2), "");
  frameSeconds = 0.016f;
  Timer1Timer();
  EXPECT_EQ(viewer_ui::StatusText(0), "FPS:62.50");
  EXPECT_EQ(viewer_ui::StatusText(2), "V:1.95");
}

TEST(StatusTimerTest, NoDecayWhileAPointIsHeld) {
  ResetGlobalsToProgramStart();
  viewerState.speed = 3.0f;
  viewerState.holdingPoint = true;
  for (int i = 0; i < 5; ++i) Timer1Timer();
  EXPECT_EQ(viewerState.speed, 3.0f);
  viewerState.holdingPoint = false;
  Timer1Timer();
  EXPECT_EQ(viewerState.speed, static_cast<float>(3.0 - 0.05));
}

}  // namespace
