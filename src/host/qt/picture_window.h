// The main window's client area: shows the engine's picture scaled into any window size and
// turns Qt's input events into the listener's calls, in picture coordinates.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include "gfx/surface.h"
#include "host/qt/picture_geometry.h"
#include "platform/host.h"

namespace qw {

class QtHost;

class PictureWindow final : public QWidget {
 public:
  // The picture is 640 x 480 and black until the first present.
  explicit PictureWindow(QtHost& host);

  // Copies `area` of `shown` (clipped) into the window's picture and schedules its repaint.
  // A surface of another size replaces the picture.
  void showArea(const Surface& shown, const IntRect& area);

  const QImage& picture() const { return picture_; }
  // The picture's place in the client area now, in device pixels.
  PictureGeometry geometryNow() const;
  // The widget point (logical pixels) at the centre of picture pixel (x, y).
  QPoint widgetPointOf(int x, int y) const;
  // Sharp pixels: the picture is scaled by whole multiples only, never smoothed.
  void setSharpPixels(bool sharp);
  bool sharpPixels() const { return sharp_; }
  // A press whose release went elsewhere (to a pop-up menu) is over.
  void forgetPress(Qt::MouseButton button) { pressed_ &= ~button; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void flushRepaints();
  QPointF toDevice(const QPointF& logical) const;

  QtHost& host_;
  QImage picture_;
  // Changed picture areas (picture coordinates) not yet handed to Qt; handed over at most
  // once per display frame, so that a burst of presents costs one repaint.
  QRegion dirty_;
  QTimer frameTimer_;
  QElapsedTimer sinceFlush_;
  std::int64_t framePeriodNs_ = 16666667;  // the display's refresh period
  Qt::MouseButtons pressed_;  // buttons whose press reached the listener
  bool clickArmed_ = false;   // a left press on the picture awaits its release
  int wheelRest_ = 0;         // wheel movement short of a whole notch
  bool sharp_ = false;
};

}  // namespace qw
