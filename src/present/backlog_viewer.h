// The backlog viewer `Mback`: one of the last pages of text over the scenario's tile, drawn on
// the picture with its page buttons and scroll bar, until the reader presses EXIT. The controls
// are part of the shown picture: a press is taken by where the button is released.
#pragma once

#include <string>

#include "state/log_ring.h"

namespace qw {

class TFmain;

class BacklogViewer {
 public:
  explicit BacklogViewer(TFmain& engine) : engine_(engine) {}

  // Starts at the newest page and shows it: `SAVE` keeps the window, `LOG_TILE` takes the
  // scenario's tile (or black). False when no page was recorded: nothing is shown.
  bool Open();
  // Puts the window back from `SAVE` and frees the viewer's buffers.
  void Close();

  // The button went down at picture point (x, y): a page button there is drawn held down.
  void PressDown(int x, int y);
  // A release of the left button at picture point (x, y): `TkBtn1` one page older, `TkBtn2`
  // one page newer, `TkBtn3` the end, the scroll bar's arrows a small step and its track a
  // large one. Elsewhere nothing happens. A button held down is drawn raised again.
  void Press(int x, int y);
  // `ScrollBar1` moved: the part of the page from `position` (kept within 0..maximum) shows.
  void ScrollTo(int position);
  // The wheel, a notch at a time: up one page older, down one page newer; down at the newest
  // page ends the viewer.
  void Wheel(int notches);
  // Page Up one page older, Page Down one newer, Up and Down scroll a row. Returns whether the
  // key was the viewer's.
  bool Key(const std::string& key);

  bool running() const { return running_; }
  int pagesBack() const { return pager_.pagesBack(); }
  const LogPageLayout& layout() const { return layout_; }
  int scrollPosition() const { return scroll_; }

 private:
  // Lays out and draws the page into `LOG_PAGE`, from the top.
  void Render();
  // The window from `LOG_PAGE` at the scroll position, with the controls over it.
  void Show();
  // Draws page button `index` (0..2) on the window, held down or not, and presents it.
  void ShowButton(int index, bool pressed);

  TFmain& engine_;
  BacklogPager pager_;
  LogPageLayout layout_;
  int scroll_ = 0;
  bool running_ = false;
  int pressed_ = -1;  // the page button held down, -1 none
  bool hostBar_ = false;  // the host shows the scroll bar as a control of its own
};

// `Mback`: shows the viewer and waits until it ends (or the program is to end), with the
// pop-up menu locked and the icon timer stopped meanwhile.
void ShowBacklog(TFmain& engine);

}  // namespace qw
