#include "app/program_entry.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <exception>

#include "app/globals.h"
#include "app/main_window.h"
#include "platform/application.h"

namespace {

void ConfigureOpenGL() {
  // The device keeps its own context and shares textures with the panel's.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setSwapInterval(0);  // presenting never waits for vertical sync
  QSurfaceFormat::setDefaultFormat(format);
}

}  // namespace

TForm1* CreateMainWindow() {
  auto* form = new TForm1;
  try {
    form->FormCreate();
  } catch (...) {
    application::ShowException(std::current_exception());
  }
  return form;
}

int RunProgram(int argc, char** argv) {
  ConfigureOpenGL();
  try {
    application::ViewerApplication app(argc, argv);
    try {
      application::SetTitle("Orvalo View 1.1");
      TForm1* form = CreateMainWindow();
      form->show();
      application::Run();
      delete form;
    } catch (...) {
      application::ShowException(std::current_exception());
    }
  } catch (...) {
    application::ShowException(std::current_exception());
  }
  return 0;
}
