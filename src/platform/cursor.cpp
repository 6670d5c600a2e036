#include "platform/cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
std::function<POINT()>& Source() {
  static std::function<POINT()> source;
  return source;
}
}  // namespace

bool GetCursorPos(POINT* point) {
  if (!point) return false;
  if (Source()) {
    *point = Source()();
    return true;
  }
  if (!QGuiApplication::instance()) {
    *point = {0, 0};
    return false;
  }
  const QPoint position = QCursor::pos();
  *point = {position.x(), position.y()};
  return true;
}

void SetCursorPosSource(std::function<POINT()> source) { Source() = std::move(source); }
