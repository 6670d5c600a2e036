// The main window as the user meets it: a real window under the X server.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/globals.h"
#include "app/program_entry.h"
#include "app/viewer_ui.h"
#include "platform/application.h"
#include "platform/message_box.h"
#include "render/gl_readback.h"
#include "render/recording_device.h"
#include "render/render_panel.h"
#include "support/test_paths.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
    ResetGlobalsToProgramStart();
    viewer_ui::Reset();
    cwd_ = std::make_unique<ScopedCurrentDir>(dir_.path());
    application::SetTitle("Orvalo View 1.1");
    application::SetExceptionDisplay([this](const std::string& caption, const std::string& text) {
      shownErrors_.push_back(caption + "|" + text);
    });
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned) {
      shownErrors_.push_back(caption + "|" + text);
      return IDOK;
    });
  }
  void TearDown() override {
    if (form_) form_->close();  // releases what the window created, once
    delete form_;
    application::SetExceptionDisplay(nullptr);
    SetMessageBoxHandler(nullptr);
    cwd_.reset();
    ResetGlobalsToProgramStart();
  }

  TForm1* Create() {
    form_ = CreateMainWindow();
    return form_;
  }

  TempDir dir_;
  std::unique_ptr<ScopedCurrentDir> cwd_;
  TForm1* form_ = nullptr;
  std::vector<std::string> shownErrors_;
};

QAction* TopLevel(TForm1* form, const QString& text) {
  for (QAction* action : form->menuBar()->actions()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

TEST_F(MainWindowTest, ComponentsHaveTheirCaptionsSizesAndPlaces) {
  TForm1* form = Create();
  EXPECT_EQ(Form1, form);
  EXPECT_EQ(form->windowTitle(), "Orvalo Viewer 1.1");
  EXPECT_EQ(form->Panel1->size(), QSize(640, 480));
  EXPECT_EQ(form->Panel1->mapTo(form->centralWidget(), QPoint(0, 0)), QPoint(0, 0));
  EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "not resizable";
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(form->windowFlags() & Qt::WindowCloseButtonHint);

  const int widths[] = {80, 50, 50, 80, 50};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(form->StatusBar1Panels[i]->width(), widths[i]);
  EXPECT_EQ(form->statusBar()->height(), 19);
  EXPECT_EQ(form->StatusBar1Panels[1]->text(), "N:M:");

  EXPECT_FALSE(form->Panel2->isVisibleTo(form));
  EXPECT_EQ(form->Panel2->geometry(), QRect(8, 312, 457, 161));
  EXPECT_EQ(form->Label1->pos(), QPoint(8, 5));
  EXPECT_EQ(form->Label2->pos(), QPoint(8, 21));
  EXPECT_EQ(form->Label3->pos(), QPoint(8, 40));
  EXPECT_EQ(form->Memo1->geometry(), QRect(8, 56, 425, 81));
  EXPECT_EQ(form->Timer1->interval(), 100);
  EXPECT_TRUE(form->Timer1->isActive());

  EXPECT_EQ(form->FileClose->text(), "Close");
  EXPECT_EQ(form->FileClose->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  for (const char* item : {"File", "Option", "Demo", "Back", "Help"}) {
    EXPECT_NE(TopLevel(form, item), nullptr) << item;
  }
  const QString family = form->font().family();
  EXPECT_TRUE(family.contains("Gothic")) << family.toStdString();
  EXPECT_EQ(form->font().pixelSize(), 12);
}

TEST_F(MainWindowTest, ConstructionCreatesEveryEmptyObject) {
  Create();
  for (My2DOBJ* sprite : buttonSprites) EXPECT_NE(sprite, nullptr);
  EXPECT_NE(mosaicSprite, nullptr);
  EXPECT_NE(cursorSprite, nullptr);
  EXPECT_NE(logoSprite, nullptr);
  EXPECT_NE(backgroundMesh, nullptr);
  EXPECT_NE(modelMesh, nullptr);
  EXPECT_NE(pointMarkerMesh, nullptr);
  EXPECT_NE(centerMarkerMesh, nullptr);
  for (int i = 0; i < kMotionTableSize; ++i) {
    EXPECT_EQ(motionTable[i] != nullptr, i < viewerState.motionCount) << i;
  }
  EXPECT_TRUE(viewerState.running);
  EXPECT_NE(device, nullptr);
}

TEST_F(MainWindowTest, RenderPanelShowsTheClearColour) {
  TForm1* form = Create();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
  QTest::qWait(300);  // the idle loop renders and presents meanwhile
  EXPECT_GT(frameCount, 0u);
  const QImage shown = form->Panel1->grabFramebuffer();
  ASSERT_EQ(shown.size(), QSize(640, 480));
  // Away from the middle, where the untextured mosaic of a folder without
  // sys/ resources covers control point 0 at the origin.
  for (QPoint p : {QPoint(0, 0), QPoint(100, 400), QPoint(639, 479), QPoint(600, 20)}) {
    EXPECT_EQ(shown.pixelColor(p), QColor(80, 80, 100)) << p.x() << "," << p.y();
  }
}

TEST_F(MainWindowTest, OptionMenuNeedsTheDeveloperMarkerFile) {
  TForm1* plain = Create();
  plain->show();
  EXPECT_FALSE(plain->OptionMenu->isEnabled());
  EXPECT_FALSE(TopLevel(plain, "Option")->isVisible());
  EXPECT_TRUE(TopLevel(plain, "Demo")->isVisible());
  plain->close();
  delete form_;
  form_ = nullptr;
  ResetGlobalsToProgramStart();

  std::ofstream(dir_.File("develop.txt")) << "";
  TForm1* developer = Create();
  developer->show();
  EXPECT_TRUE(developer->OptionMenu->isEnabled());
  EXPECT_TRUE(TopLevel(developer, "Option")->isVisible());
}

TEST_F(MainWindowTest, SettingsErrorDuringCreationIsShownAndSkipsTheRest) {
  std::filesystem::create_directories(dir_.File("dir10"));
  std::ofstream(dir_.File("dir10/model.x")) << "xof 0303txt 0032\n";
  Create();
  ASSERT_EQ(shownErrors_.size(), 1u);
  EXPECT_EQ(shownErrors_[0],
            "Orvalo View 1.1|ファイル " + dir_.File("dir10/motion.txt") + " は開けません");
  EXPECT_FALSE(viewerState.running);
  EXPECT_EQ(viewer_ui::StatusText(1), "");
  EXPECT_EQ(fpsTimeMark, 0u);
  EXPECT_EQ(multiTexture, nullptr);
}

TEST_F(MainWindowTest, CtrlQReleasesEverythingAndCloses) {
  RecordingBackend recording;
  TForm1* form = Create();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  EXPECT_GT(LiveRecordingObjects().Total(), 0);
  QTest::keyClick(form, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(viewerState.running);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(LiveRecordingObjects().Total(), 0);
  const uint32_t frames = frameCount;
  QTest::qWait(50);
  EXPECT_EQ(frameCount, frames) << "no frame after the release";
}

TEST_F(MainWindowTest, ClosingByTheWindowManagerReleasesOnce) {
  RecordingBackend recording;
  TForm1* form = Create();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
  EXPECT_TRUE(form->close());
  EXPECT_EQ(LiveRecordingObjects().Total(), 0);
  ClearRecordedCalls();
  form->show();
  form->close();  // a second close releases nothing again
  EXPECT_EQ(CountRecordedCalls("Release"), 0);
}

}  // namespace
