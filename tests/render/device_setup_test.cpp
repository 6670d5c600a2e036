#include "render/device_setup.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/panel_access.h"
#include "platform/message_box.h"
#include "render/recording_device.h"
#include "support/test_paths.h"

namespace {

using Lines = std::vector<std::string>;

struct ShownBox {
  std::string text, caption;
  unsigned type;
};

class DeviceSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobalsToProgramStart();
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                unsigned type) {
      boxes_.push_back({text, caption, type});
      return IDOK;
    });
  }
  void TearDown() override {
    ReleaseD3DDevice();
    SetMessageBoxHandler({});
    RegisterPanel1(nullptr);
    EXPECT_EQ(LiveRecordingObjects().direct3Ds, 0);
    EXPECT_EQ(LiveRecordingObjects().devices, 0);
    ResetGlobalsToProgramStart();
  }

  RecordingBackend backend_;
  std::vector<ShownBox> boxes_;
};

TEST_F(DeviceSetupTest, FillsPresentParamsFromPanelAndDisplayMode) {
  backend_.control().displayMode.Format = D3DFMT_R5G6B5;
  ASSERT_TRUE(CreateD3DDevice());
  EXPECT_TRUE(boxes_.empty());
  ASSERT_NE(direct3D, nullptr);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(GetDevice(), device);

  const D3DPRESENT_PARAMETERS& p = presentParams;
  EXPECT_EQ(p.BackBufferWidth, 640u);
  EXPECT_EQ(p.BackBufferHeight, 480u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_R5G6B5);
  EXPECT_EQ(p.BackBufferCount, 1u);
  EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_EQ(p.hDeviceWindow, Panel1Handle());
  EXPECT_EQ(p.Windowed, TRUE);
  EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
  EXPECT_EQ(p.Flags, 0u);
  EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
  EXPECT_EQ(p.FullScreen_PresentationInterval, 0u);

  RecordingDevice* recorded = AsRecordingDevice(device);
  ASSERT_NE(recorded, nullptr);
  EXPECT_EQ(std::memcmp(&recorded->PresentParameters(), &presentParams, sizeof presentParams),
            0);
  EXPECT_EQ(RecordedCalls(), (Lines{"Direct3DCreate8(220)", "GetAdapterDisplayMode(0)",
                                    "CreateDevice(0, 1, 0x40)"}));
}

TEST_F(DeviceSetupTest, BackBufferAndWindowAreThePanels) {
  if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
  QWidget panel;
  panel.resize(500, 300);
  RegisterPanel1(&panel);
  presentParams.Flags = 0x77;  // stale values must not survive
  ASSERT_TRUE(CreateD3DDevice());
  EXPECT_EQ(presentParams.BackBufferWidth, 500u);
  EXPECT_EQ(presentParams.BackBufferHeight, 300u);
  EXPECT_EQ(presentParams.hDeviceWindow, static_cast<HWND>(&panel));
  EXPECT_EQ(presentParams.Flags, 0u);
  EXPECT_EQ(AsRecordingDevice(device)->FocusWindow(), static_cast<HWND>(&panel));
  ReleaseD3DDevice();
}

TEST_F(DeviceSetupTest, FallsBackThroughTheThreeConfigurations) {
  struct Case {
    std::vector<int> failingAttempts;
    Lines attempts;
    D3DDEVTYPE type;
    DWORD flags;
  };
  const Case cases[] = {
      {{}, {"CreateDevice(0, 1, 0x40)"}, D3DDEVTYPE_HAL, 0x40},
      {{1}, {"CreateDevice(0, 1, 0x40)", "CreateDevice(0, 1, 0x20)"}, D3DDEVTYPE_HAL, 0x20},
      {{1, 2},
       {"CreateDevice(0, 1, 0x40)", "CreateDevice(0, 1, 0x20)", "CreateDevice(0, 2, 0x20)"},
       D3DDEVTYPE_REF, 0x20},
  };
  for (const Case& c : cases) {
    ResetRecording();
    backend_.control().failDeviceAttempts = c.failingAttempts;
    ASSERT_TRUE(CreateD3DDevice());
    EXPECT_EQ(RecordedCallsStartingWith("CreateDevice"), c.attempts);
    RecordingDevice* recorded = AsRecordingDevice(device);
    ASSERT_NE(recorded, nullptr);
    EXPECT_EQ(recorded->DeviceType(), c.type);
    EXPECT_EQ(recorded->BehaviorFlags(), c.flags);
    ReleaseD3DDevice();
  }
  // Hardware vertex processing missing, HAL present: software processing on the HAL.
  ResetRecording();
  backend_.control().failDeviceConfigs = {{D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING}};
  ASSERT_TRUE(CreateD3DDevice());
  EXPECT_EQ(AsRecordingDevice(device)->BehaviorFlags(), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(DeviceSetupTest, EachFailureShowsItsMessage) {
  struct Case {
    bool RecordingControl::*flag;
    const char* text;
    bool direct3DLeft;
    int deviceAttempts;
  };
  const Case cases[] = {
      {&RecordingControl::failDirect3DCreate, "Direct3Dの作成に失敗しました", false, 0},
      {&RecordingControl::failGetAdapterDisplayMode, "画面モードの取得に失敗しました", true, 0},
      {&RecordingControl::failAllDevices, "Direct3Dデバイスの生成に失敗しました", true, 3},
  };
  for (const Case& c : cases) {
    ResetRecording();
    boxes_.clear();
    backend_.control().*c.flag = true;
    EXPECT_FALSE(CreateD3DDevice()) << c.text;
    ASSERT_EQ(boxes_.size(), 1u) << c.text;
    EXPECT_EQ(boxes_[0].text, c.text);
    EXPECT_EQ(boxes_[0].caption, "Error");
    EXPECT_EQ(boxes_[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(direct3D != nullptr, c.direct3DLeft) << c.text;
    EXPECT_EQ(device, nullptr) << c.text;
    EXPECT_EQ(RecordedDeviceAttempts(), c.deviceAttempts) << c.text;
    ReleaseD3DDevice();
    EXPECT_EQ(direct3D, nullptr);
  }
}

TEST_F(DeviceSetupTest, ReleasesDeviceThenDirect3DOnce) {
  ASSERT_TRUE(CreateD3DDevice());
  ClearRecordedCalls();
  ReleaseD3DDevice();
  EXPECT_EQ(RecordedCalls(), (Lines{"device#1.Release() = 0", "direct3d#1.Release() = 1",
                                    "direct3d#1.Release() = 0"}));
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(direct3D, nullptr);
  EXPECT_EQ(LiveRecordingObjects().Total(), 0);
  ReleaseD3DDevice();
  EXPECT_EQ(RecordedCalls().size(), 3u);
}

TEST_F(DeviceSetupTest, ProjectionFor640x480) {
  ASSERT_TRUE(CreateD3DDevice());
  ClearRecordedCalls();
  EXPECT_TRUE(SetProjection());
  ASSERT_EQ(CountRecordedCalls("SetTransform(3, "), 1);
  D3DMATRIX p;
  ASSERT_EQ(device->GetTransform(D3DTS_PROJECTION, &p), D3D_OK);

  // fovy/2 is just under pi/12, whose cotangent is 2 + sqrt(3).
  const float fov = std::bit_cast<float>(0x3F060A90u);
  EXPECT_NEAR(fov, 0.52359867f, 1e-8f);
  const double ys = 1.0 / std::tan(static_cast<double>(fov) / 2.0);
  EXPECT_NEAR(ys, 2.0 + std::sqrt(3.0), 1e-5);
  EXPECT_NEAR(p._22, ys, 2e-6);
  EXPECT_NEAR(p._11, ys / 1.3333334, 2e-6);
  EXPECT_FLOAT_EQ(p._22 / p._11, 1.3333334f);
  EXPECT_NEAR(p._33, 100.0 / 99.9, 1e-6);
  EXPECT_NEAR(p._43, -10.0 / 99.9, 1e-6);
  EXPECT_EQ(p._34, 1.0f);
  EXPECT_EQ(p._44, 0.0f);
  for (float zero : {p._12, p._13, p._14, p._21, p._23, p._24, p._31, p._32, p._41, p._42}) {
    EXPECT_EQ(zero, 0.0f);
  }
}

TEST_F(DeviceSetupTest, ProjectionFollowsThePanelsAspect) {
  if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
  QWidget panel;
  panel.resize(800, 300);
  RegisterPanel1(&panel);
  ASSERT_TRUE(CreateD3DDevice());
  SetProjection();
  D3DMATRIX p;
  device->GetTransform(D3DTS_PROJECTION, &p);
  EXPECT_NEAR(p._22 / p._11, 800.0 / 300.0, 1e-6);
  ReleaseD3DDevice();
}

}  // namespace
