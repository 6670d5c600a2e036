// The application object the main window works with: the title, the idle
// handler, pumping pending messages and the standard exception display.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>
#include <string>

namespace application {

// Runs whenever the event queue is empty; the handler sets done to false to
// be called again at once instead of waiting for the next event.
using IdleHandler = std::function<void(bool& done)>;

void SetTitle(const std::string& title);
std::string Title();

void SetOnIdle(IdleHandler handler);

// Dispatches every pending event, then returns.
void ProcessMessages();

// A message box captioned with the title, whose text is the exception's
// message (empty for anything that is not a std::exception).
void ShowException(const std::exception_ptr& error);

using ExceptionDisplay = std::function<void(const std::string& caption, const std::string& text)>;
// Tests record the display instead of showing a box; empty restores the box.
void SetExceptionDisplay(ExceptionDisplay display);

// Runs the event loop until the last window closes (or Quit).
int Run();

// While one exists, the idle handler is not called: a modal box's own loop
// runs no idle processing.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

// The application object: an exception escaping an event handler is shown
// with ShowException and the event loop goes on.
class ViewerApplication : public QApplication {
 public:
  ViewerApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace application
