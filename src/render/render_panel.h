// Panel1's drawing surface: shows the image of the OpenGL device's last Present.
#pragma once

#include <QImage>
#include <QOpenGLWidget>

class RenderPanel : public QOpenGLWidget {
  Q_OBJECT

 public:
  explicit RenderPanel(QWidget* parent = nullptr);

  // Keeps the frame (a shallow copy) and schedules a repaint; never waits.
  void ShowFrame(const QImage& frame);
  const QImage& frame() const { return frame_; }

 protected:
  void paintGL() override;

 private:
  QImage frame_;
};
