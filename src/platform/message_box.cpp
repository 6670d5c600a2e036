#include "platform/message_box.h"

#include "platform/application.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, unsigned type) {
  const std::string textString = text ? text : "";
  const std::string captionString = caption ? caption : "";
  if (Handler()) return Handler()(textString, captionString, type);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%s: %s\n", captionString.c_str(), textString.c_str());
    return IDOK;
  }
  QMessageBox box((type & MB_ICONERROR) ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QString::fromUtf8(captionString), QString::fromUtf8(textString),
                  QMessageBox::Ok);
  application::ModalScope modal;
  box.exec();
  return IDOK;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }
