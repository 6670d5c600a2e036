// The application layer: idle handler, exception display, message boxes.
#include "platform/application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <stdexcept>

#include "platform/message_box.h"
#include "platform/platform_error.h"

namespace {

TEST(ApplicationTest, ExceptionDisplayShowsTheTitleAndTheMessage) {
  std::string shown;
  application::SetTitle("Orvalo View 1.1");
  application::SetExceptionDisplay(
      [&](const std::string& caption, const std::string& text) { shown = caption + "|" + text; });
  application::ShowException(std::make_exception_ptr(PlatformError("'abc' は整数ではありません")));
  EXPECT_EQ(shown, "Orvalo View 1.1|'abc' は整数ではありません");
  application::ShowException(std::make_exception_ptr(42));
  EXPECT_EQ(shown, "Orvalo View 1.1|") << "anything else shows an empty message";
  application::SetExceptionDisplay(nullptr);
}

TEST(ApplicationTest, IdleHandlerRunsWhileItAsksToAndStopsWhenDone) {
  if (!QCoreApplication::instance()) GTEST_SKIP() << "needs the application object";
  int calls = 0;
  application::SetOnIdle([&](bool& done) {
    ++calls;
    done = calls >= 5;  // the fifth call is done
  });
  QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
  EXPECT_EQ(calls, 5) << "a done handler waits for the next event";
  calls = 0;
  application::SetOnIdle([&](bool& done) {
    ++calls;
    done = false;
  });
  QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
  application::SetOnIdle(nullptr);
  EXPECT_GT(calls, 100) << "a handler that is never done is called continuously";
}

TEST(ApplicationTest, ExceptionFromAnEventHandlerIsShownAndTheLoopGoesOn) {
  if (!QCoreApplication::instance()) GTEST_SKIP() << "needs the application object";
  std::vector<std::string> shown;
  application::SetTitle("Orvalo View 1.1");
  application::SetExceptionDisplay(
      [&](const std::string& caption, const std::string& text) { shown.push_back(caption + "|" + text); });
  bool later = false;
  QTimer::singleShot(0, [] { throw PlatformError("ファイル dir20/motion.txt は開けません"); });
  QTimer::singleShot(30, [&] {
    later = true;
    QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
  application::SetExceptionDisplay(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Orvalo View 1.1|ファイル dir20/motion.txt は開けません");
  EXPECT_TRUE(later);
}

TEST(ApplicationTest, NoIdleProcessingWhileAModalBoxIsOpen) {
  if (!QCoreApplication::instance()) GTEST_SKIP() << "needs the application object";
  int calls = 0;
  application::SetOnIdle([&](bool& done) {
    ++calls;
    done = false;
  });
  {
    application::ModalScope modal;
    QTimer::singleShot(50, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_EQ(calls, 0);
  }
  QTimer::singleShot(50, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
  application::SetOnIdle(nullptr);
  EXPECT_GT(calls, 0) << "idle processing resumes after the box";
}

TEST(ApplicationTest, ProcessMessagesDispatchesPendingEvents) {
  if (!QCoreApplication::instance()) GTEST_SKIP() << "needs the application object";
  bool fired = false;
  QTimer::singleShot(0, [&] { fired = true; });
  application::ProcessMessages();
  EXPECT_TRUE(fired);
}

TEST(MessageBoxTest, HandlerSeesTextCaptionAndStyle) {
  std::string seen;
  unsigned style = 0;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned type) {
    seen = caption + "|" + text;
    style = type;
    return IDOK;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "Direct3Dの作成に失敗しました", "Error", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(seen, "Error|Direct3Dの作成に失敗しました");
  EXPECT_EQ(style, MB_ICONERROR);
  SetMessageBoxHandler(nullptr);
}

}  // namespace
