#include "render/render_panel.h"

#include <QPainter>
#include <QSurfaceFormat>

RenderPanel::RenderPanel(QWidget* parent) : QOpenGLWidget(parent) {
  QSurfaceFormat surface = format();
  surface.setSwapInterval(0);
  setFormat(surface);
}

void RenderPanel::ShowFrame(const QImage& frame) {
  frame_ = frame;
  update();
}

void RenderPanel::paintGL() {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  // One back-buffer pixel per panel pixel, anchored top left.
  if (!frame_.isNull()) painter.drawImage(QPoint(0, 0), frame_);
}
