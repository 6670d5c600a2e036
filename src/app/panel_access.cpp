#include "app/panel_access.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget>& Panel1() {
  static QPointer<QWidget> panel;
  return panel;
}
}  // namespace

HWND Panel1Handle() { return Panel1().data(); }
int Panel1Width() { return Panel1() ? Panel1()->width() : 640; }
int Panel1Height() { return Panel1() ? Panel1()->height() : 480; }

void RegisterPanel1(QWidget* panel) { Panel1() = panel; }
