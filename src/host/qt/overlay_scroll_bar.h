// The scroll bar the engine lays over its picture (the backlog's), as a real Qt control placed
// over the picture's rectangle and following the picture's scaling.
#pragma once

#include <QObject>
#include <QPointer>
#include <QScrollBar>

#include <functional>

#include "platform/host.h"

namespace qw {

class PictureWindow;

class OverlayScrollBar final : public QObject {
 public:
  // `moved` receives the position the reader moved the bar to (never a position set by show).
  OverlayScrollBar(PictureWindow& window, std::function<void(int)> moved);
  ~OverlayScrollBar() override;
  OverlayScrollBar(const OverlayScrollBar&) = delete;
  OverlayScrollBar& operator=(const OverlayScrollBar&) = delete;

  // Shows the bar at `spec`, or updates it.
  void show(const ScrollBarSpec& spec);
  void hide();
  // Places the bar again over its picture rectangle (after the window's size or scaling
  // changed).
  void relayout();
  QScrollBar& bar() { return *bar_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PictureWindow& window_;
  QPointer<QScrollBar> bar_;  // a child of the window, which may go first
  IntRect bounds_;
};

}  // namespace qw
