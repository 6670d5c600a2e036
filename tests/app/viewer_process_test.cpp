// The viewer as a process: it opens its window and Ctrl+Q ends it cleanly.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "support/test_paths.h"

namespace {

// Runs xdotool with the arguments; its standard output, trimmed.
QString Xdotool(const QStringList& arguments) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), arguments);
  xdotool.waitForFinished(10000);
  return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

TEST(ViewerProcessTest, OpensItsWindowAndCtrlQExitsWithStatusZero) {
  if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
    GTEST_SKIP() << "needs xdotool";
  }
  TempDir workDir;
  QProcess viewer;
  viewer.setWorkingDirectory(QString::fromStdString(workDir.path()));
  viewer.start(QString::fromStdString(test_paths::ViewPath()), {});
  ASSERT_TRUE(viewer.waitForStarted(10000));

  QString window;
  for (int attempt = 0; attempt < 100 && window.isEmpty(); ++attempt) {
    QThread::msleep(100);
    window = Xdotool({"search", "--onlyvisible", "--name", "^Orvalo Viewer 1\\.1$"})
                 .section('\n', 0, 0);
  }
  ASSERT_FALSE(window.isEmpty()) << "no window captioned Orvalo Viewer 1.1";
  EXPECT_EQ(Xdotool({"getwindowgeometry", window}).contains("640x"), true);

  // A slow start (sanitizer builds) may still be busy when the first key
  // arrives; the key is pressed again until the viewer has ended.
  bool finished = false;
  for (int attempt = 0; attempt < 5 && !finished; ++attempt) {
    Xdotool({"windowfocus", "--sync", window});
    Xdotool({"key", "--clearmodifiers", "ctrl+q"});
    finished = viewer.waitForFinished(5000);
  }
  ASSERT_TRUE(finished) << "Ctrl+Q did not end the viewer";
  EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(viewer.exitCode(), 0);
}

}  // namespace
