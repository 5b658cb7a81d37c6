#include "host/qt/picture_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "host/qt/frame_log.h"
#include "host/qt/frame_pacing.h"
#include "host/qt/qt_host.h"

namespace qw {

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

std::optional<std::string> KeyName(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return "Enter";
    case Qt::Key_Escape:
      return "Escape";
    case Qt::Key_Space:
      return "Space";
    case Qt::Key_Up:
      return "Up";
    case Qt::Key_Down:
      return "Down";
    case Qt::Key_Left:
      return "Left";
    case Qt::Key_Right:
      return "Right";
    case Qt::Key_PageUp:
      return "PageUp";
    case Qt::Key_PageDown:
      return "PageDown";
    case Qt::Key_F12:
      return "F12";
    default:
      break;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::string(1, char('A' + (key - Qt::Key_A)));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return std::string(1, char('0' + (key - Qt::Key_0)));
  return std::nullopt;
}

// Whether the picture shows anything but black, judged on a sparse grid of its pixels.
bool AnyLit(const QImage& picture) {
  for (int y = 0; y < picture.height(); y += 8) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); x += 8) {
      if ((row[x] & 0xffffffu) != 0) return true;
    }
  }
  return false;
}

std::optional<bool> IsRight(Qt::MouseButton button) {
  if (button == Qt::LeftButton) return false;
  if (button == Qt::RightButton) return true;
  return std::nullopt;
}

}  // namespace

PictureWindow::PictureWindow(QtHost& host)
    : host_(host), picture_(kPictureWidth, kPictureHeight, QImage::Format_RGB32) {
  picture_.fill(Qt::black);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(kPictureWidth / 4, kPictureHeight / 4);

  frameTimer_.setSingleShot(true);
  frameTimer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&frameTimer_, &QTimer::timeout, this, [this] { flushRepaints(); });
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const double rate = screen->refreshRate();
    framePeriodNs_ = FramePeriodNs(rate);
  }
  sinceFlush_.start();
}

PictureGeometry PictureWindow::geometryNow() const {
  const qreal dpr = devicePixelRatioF();
  const auto fit = sharp_ ? &PictureGeometry::FitWhole : &PictureGeometry::Fit;
  return fit(picture_.width(), picture_.height(), static_cast<int>(std::lround(width() * dpr)),
             static_cast<int>(std::lround(height() * dpr)));
}

void PictureWindow::setSharpPixels(bool sharp) {
  if (sharp == sharp_) return;
  sharp_ = sharp;
  update();
}

QPoint PictureWindow::widgetPointOf(int x, int y) const {
  // Points off the picture are mapped too: the pointer may be sent beyond it.
  const PictureGeometry g = geometryNow();
  const qreal dpr = devicePixelRatioF();
  const double scaleX = g.pictureWidth() > 0 ? double(g.width()) / g.pictureWidth() : 1.0;
  const double scaleY = g.pictureHeight() > 0 ? double(g.height()) / g.pictureHeight() : 1.0;
  return QPoint(static_cast<int>(std::floor((g.x() + (x + 0.5) * scaleX) / dpr)),
                static_cast<int>(std::floor((g.y() + (y + 0.5) * scaleY) / dpr)));
}

QPointF PictureWindow::toDevice(const QPointF& logical) const {
  return logical * devicePixelRatioF();
}

void PictureWindow::showArea(const Surface& shown, const IntRect& requested) {
  if (shown.empty()) return;
  IntRect area = requested;
  if (shown.width() != picture_.width() || shown.height() != picture_.height()) {
    picture_ = QImage(shown.width(), shown.height(), QImage::Format_RGB32);
    area = {0, 0, shown.width(), shown.height()};
    dirty_ = QRegion(0, 0, shown.width(), shown.height());
    update();
  }
  area.left = std::max(area.left, 0);
  area.top = std::max(area.top, 0);
  area.right = std::min(area.right, shown.width());
  area.bottom = std::min(area.bottom, shown.height());
  if (area.empty()) return;
  for (int y = area.top; y < area.bottom; ++y) {
    const std::uint32_t* from = shown.row(y) + area.left;
    auto* to = reinterpret_cast<std::uint32_t*>(picture_.scanLine(y)) + area.left;
    // RGB32 wants 0xff in the unused byte; some of Qt's paths read it as alpha.
    for (int x = 0; x < area.width(); ++x)
      to[x] = from[x] | 0xff000000u;
  }
  dirty_ += QRect(area.left, area.top, area.width(), area.height());
  if (!frameTimer_.isActive()) {
    frameTimer_.start(RepaintDelayMs(framePeriodNs_, sinceFlush_.nsecsElapsed()));
  }
}

void PictureWindow::flushRepaints() {
  const PictureGeometry g = geometryNow();
  const qreal dpr = devicePixelRatioF();
  const int margin = g.wholeMultiple() || sharp_ ? 0 : 1;
  QRegion widgetArea;
  for (const QRect& r : dirty_) {
    const IntRect device = g.toTarget({r.left(), r.top(), r.right() + 1, r.bottom() + 1}, margin);
    if (device.empty()) continue;
    const int left = static_cast<int>(std::floor(device.left / dpr));
    const int top = static_cast<int>(std::floor(device.top / dpr));
    const int right = static_cast<int>(std::ceil(device.right / dpr));
    const int bottom = static_cast<int>(std::ceil(device.bottom / dpr));
    widgetArea += QRect(left, top, right - left, bottom - top);
  }
  dirty_ = QRegion();
  sinceFlush_.restart();
  // Painted now rather than posted: the timer fires between steps, when the picture is whole,
  // and a posted paint would cost the event loop another round.
  if (!widgetArea.isEmpty()) repaint(widgetArea);
}

void PictureWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const qreal dpr = devicePixelRatioF();
  // Work in device pixels, where the geometry's whole multiples are exact.
  painter.scale(1.0 / dpr, 1.0 / dpr);
  const PictureGeometry g = geometryNow();
  const QRect device(0, 0, static_cast<int>(std::lround(width() * dpr)),
                     static_cast<int>(std::lround(height() * dpr)));
  const QRect place(g.x(), g.y(), g.width(), g.height());
  for (const QRect& band : QRegion(device).subtracted(place))
    painter.fillRect(band, Qt::black);
  if (place.isEmpty()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !g.wholeMultiple() && !sharp_);
  painter.drawImage(place, picture_);
}

bool PictureWindow::event(QEvent* event) {
  FrameLog* log = host_.frameLog();
  if (!log || event->type() != QEvent::UpdateRequest) return QWidget::event(event);
  // The paint and the backing store's flush to the display both happen inside.
  const auto began = std::chrono::steady_clock::now();
  const bool handled = QWidget::event(event);
  const auto spent = std::chrono::steady_clock::now() - began;
  log->painted(AnyLit(picture_), std::chrono::duration_cast<std::chrono::microseconds>(spent));
  return handled;
}

void PictureWindow::resizeEvent(QResizeEvent*) {
  update();
}

void PictureWindow::mousePressEvent(QMouseEvent* event) {
  const std::optional<bool> right = IsRight(event->button());
  if (!right) return;
  const PictureGeometry g = geometryNow();
  const QPointF at = toDevice(event->position());
  // A press in the letterbox is not on the picture; a left one there is a click outside it.
  if (!g.contains(at.x(), at.y())) {
    if (!*right) host_.deliver([](HostListener& l) { l.onClickOutside(); });
    return;
  }
  pressed_ |= event->button();
  if (!*right) clickArmed_ = true;
  const PicturePoint p = g.toPicture(at.x(), at.y());
  host_.deliver([&](HostListener& l) { l.onMouseDown(p.x, p.y, *right); });
}

void PictureWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
}

void PictureWindow::mouseReleaseEvent(QMouseEvent* event) {
  const std::optional<bool> right = IsRight(event->button());
  if (!right || !(pressed_ & event->button())) return;
  pressed_ &= ~event->button();
  const PictureGeometry g = geometryNow();
  const QPointF at = toDevice(event->position());
  const PicturePoint p = g.toPicture(at.x(), at.y());
  host_.deliver([&](HostListener& l) { l.onMouseUp(p.x, p.y, *right); });
  if (*right) return;
  const bool click = clickArmed_ && g.contains(at.x(), at.y());
  clickArmed_ = false;
  if (click) host_.deliver([&](HostListener& l) { l.onClick(p.x, p.y); });
}

void PictureWindow::wheelEvent(QWheelEvent* event) {
  // High-resolution wheels send parts of a notch; whole notches are passed on.
  wheelRest_ += event->angleDelta().y();
  const int notches = wheelRest_ / 120;
  wheelRest_ -= notches * 120;
  if (notches == 0) return;
  const PictureGeometry g = geometryNow();
  const QPointF at = toDevice(event->position());
  const PicturePoint p = g.toPicture(at.x(), at.y());
  host_.deliver([&](HostListener& l) { l.onWheel(notches, p.x, p.y); });
}

void PictureWindow::mouseMoveEvent(QMouseEvent* event) {
  const PictureGeometry g = geometryNow();
  const QPointF at = toDevice(event->position());
  // Outside the picture only while a button pressed on it is held (clamped to its edge).
  if (!g.contains(at.x(), at.y()) && !pressed_) return;
  const PicturePoint p = g.toPicture(at.x(), at.y());
  host_.deliver([&](HostListener& l) { l.onMouseMove(p.x, p.y); });
}

void PictureWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Control) {
    if (!event->isAutoRepeat()) host_.deliver([](HostListener& l) { l.onControlKey(true); });
    return;
  }
  const std::optional<std::string> name = KeyName(event->key());
  if (!name) {
    QWidget::keyPressEvent(event);
    return;
  }
  const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
  host_.deliver([&](HostListener& l) { l.onKey(*name, ctrl); });
}

void PictureWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) {
    host_.deliver([](HostListener& l) { l.onControlKey(false); });
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void PictureWindow::focusOutEvent(QFocusEvent* event) {
  // A Ctrl released in another window never reaches this one.
  host_.deliver([](HostListener& l) { l.onControlKey(false); });
  QWidget::focusOutEvent(event);
}

void PictureWindow::closeEvent(QCloseEvent* event) {
  if (host_.closeRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace qw
