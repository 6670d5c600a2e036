#include "platform/application.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdio>

namespace application {
namespace {

struct State {
  std::string title;
  int modalDepth = 0;
  IdleHandler onIdle;
  ExceptionDisplay exceptionDisplay;
  QPointer<QTimer> idleTimer;  // owned by the application object
};

State& state() {
  static State instance;
  return instance;
}

void RunIdleHandler() {
  if (state().modalDepth > 0) return;
  bool done = true;
  if (state().onIdle) state().onIdle(done);
  // A handler that is done waits for the next event before it runs again.
  if (done && state().idleTimer) state().idleTimer->stop();
}

// A zero-interval timer fires each time the event loop has nothing else to
// do; any event arriving restarts idle processing.
class IdleRestarter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (state().idleTimer && !state().idleTimer->isActive() && state().onIdle) {
      state().idleTimer->start();
    }
    return QObject::eventFilter(watched, event);
  }
};

void EnsureIdleTimer() {
  if (state().idleTimer || !QCoreApplication::instance()) return;
  state().idleTimer = new QTimer(QCoreApplication::instance());
  state().idleTimer->setInterval(0);
  QObject::connect(state().idleTimer, &QTimer::timeout, &RunIdleHandler);
  static IdleRestarter restarter;
  QCoreApplication::instance()->installEventFilter(&restarter);
}

}  // namespace

void SetTitle(const std::string& title) {
  state().title = title;
  if (QCoreApplication::instance()) QApplication::setApplicationDisplayName(QString::fromStdString(title));
}

std::string Title() { return state().title; }

void SetOnIdle(IdleHandler handler) {
  state().onIdle = std::move(handler);
  EnsureIdleTimer();
  if (state().idleTimer) {
    if (state().onIdle) {
      state().idleTimer->start();
    } else {
      state().idleTimer->stop();
    }
  }
}

void ProcessMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ShowException(const std::exception_ptr& error) {
  std::string text;
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    // Anything else shows with an empty message.
  }
  if (state().exceptionDisplay) {
    state().exceptionDisplay(state().title, text);
    return;
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%s: %s\n", state().title.c_str(), text.c_str());
    return;
  }
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(state().title),
                  QString::fromUtf8(text), QMessageBox::Ok);
  ModalScope modal;
  box.exec();
}

void SetExceptionDisplay(ExceptionDisplay display) { state().exceptionDisplay = std::move(display); }

int Run() { return QCoreApplication::instance() ? QCoreApplication::exec() : 0; }

ModalScope::ModalScope() { ++state().modalDepth; }
ModalScope::~ModalScope() { --state().modalDepth; }

ViewerApplication::ViewerApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ViewerApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

}  // namespace application
