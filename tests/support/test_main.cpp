// Test entry: the viewer's application object exists for every test that needs windows or
// OpenGL (the suite runs under an X server). Listing tests needs none.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSurfaceFormat>
#include <cstring>
#include <memory>

#include "platform/application.h"
#include "support/test_paths.h"

int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) listing = true;
  }
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<application::ViewerApplication> app;
  if (!listing && test_paths::HaveDisplay()) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    app = std::make_unique<application::ViewerApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
