// The backlog: the text of the last 16 pages, one string per text line (CP932), kept in a ring,
// and the layout of one page in the backlog viewer as data (rows of text, height, scroll bar).
//
// The `_syslog` switch is the caller's: while it is on, the text engine calls none of
// RecordChar, RecordLineBreak and NewPage.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

using LogPage = std::vector<std::string>;

class LogRing {
 public:
  static constexpr int kPages = 16;
  // At most this many pages go into save data: all but the one being written.
  static constexpr int kMaxSavedPages = kPages - 1;
  // Bounds on what one page keeps, so that a script that never clears the page cannot grow
  // the backlog without end. A story page has a few dozen lines of some hundred bytes.
  static constexpr std::size_t kMaxLinesPerPage = 256;
  static constexpr std::size_t kMaxLineBytes = 2048;

  // The save range: the complete pages (all stored ones but the one being written) as the
  // page snapshot records them.
  struct SaveRange {
    int count = 0;  // 0..15
    int end = 15;   // ring index of the newest of them
  };

  // A drawn character. With `symbolFont` (font index above 3) a blank is kept, since the
  // symbol font's bytes would read as other letters. An empty `ch` is ignored.
  void RecordChar(std::string_view ch, bool symbolFont);
  // Starts the next line, unless the page has no line yet: a page never starts empty.
  void RecordLineBreak();
  // Starts the next page of the ring, unless the current one has no lines. Also called by
  // every text clear.
  void NewPage();
  // `_logclear`.
  void Clear();

  // The save range for a page snapshot: renewed when a page was started since the last one.
  SaveRange TakeSaveRange();
  SaveRange saveRange() const { return range_; }

  // The pages of `range`, oldest first, as a save writes them.
  std::vector<LogPage> PagesForSave(SaveRange range) const;
  // Replaces the ring with saved pages (oldest first; at most 15 are taken): they fill ring
  // pages 0.., the page after them is the current one, empty, and they form the save range.
  void RestoreSaved(const std::vector<LogPage>& pages);

  int pageCount() const { return pageCount_; }  // 0..16
  int currentPage() const { return current_; }  // ring index 0..15
  int lineIndex() const { return line_; }
  // Ring page by index (wrapped into 0..15).
  const LogPage& ringPage(int index) const;
  // The page `back` pages before the one being written (0 = that one).
  const LogPage& pageBack(int back) const { return ringPage(current_ - back); }

 private:
  std::array<LogPage, kPages> pages_;
  int current_ = 0;
  int pageCount_ = 0;
  int line_ = 0;
  SaveRange range_;
  bool renewRange_ = false;
};

// ---- The backlog viewer, as data ----

inline constexpr int kLogRowHeight = 32;
inline constexpr int kLogSplitBytes = 52;
// Past this many rows a page is cut: the canvas of a row is 640 x 32 pixels of 32 bits.
inline constexpr int kMaxLogRows = 240;

// A line longer than 52 bytes in pieces of 52 bytes; a piece whose 52nd byte starts a
// double-byte character takes 53. A line of at most 52 bytes is one piece (maybe empty).
std::vector<std::string> SplitLogLine(std::string_view line);

struct LogRow {
  int row = 0;       // y = row x 32; x = 0
  std::string text;  // CP932
};

struct LogPageLayout {
  std::string header;        // row 0: "Page n/m"
  std::vector<LogRow> rows;  // from row 2
  int rowsUsed = 0;          // rows taken, header and the empty row 1 included
  int neededHeight = 0;      // rowsUsed x 32 + 48
  int canvasHeight = 480;    // LOG_PAGE height: neededHeight, at least 480
  bool scrollBarShown = false;
  int scrollMax = 0;  // neededHeight - 480 when shown
};

// The layout of the page `pagesBack` pages before the newest.
LogPageLayout LayoutLogPage(const LogRing& ring, int pagesBack);

// The viewer's page position and its buttons.
class BacklogPager {
 public:
  // Starts at the newest page. False when the ring is empty (the viewer does not open).
  bool Open(const LogRing& ring);
  // `TkBtn1`: one page older. Returns whether the page changed.
  bool Older(const LogRing& ring);
  // `TkBtn2`: one page newer. Returns whether the page changed.
  bool Newer();
  int pagesBack() const { return pagesBack_; }

 private:
  int pagesBack_ = 0;
};

// The viewer's controls.
struct LogButton {
  const char* name;
  const char* caption;  // UTF-8
  const char* hint;     // UTF-8, may be empty
  int x, y, width, height;
};
inline constexpr LogButton kLogOlderButton{
    "TkBtn1", "１ページ戻る", "ページを戻します", 256, 8, 112, 32};
inline constexpr LogButton kLogNewerButton{
    "TkBtn2", "１ページ進む", "ページを進めます", 264, 440, 112, 32};
inline constexpr LogButton kLogExitButton{"TkBtn3", "EXIT", "", 448, 440, 64, 32};

struct LogScrollBar {
  int x, y, width, height, smallStep, largeStep;
};
inline constexpr LogScrollBar kLogScrollBar{627, 0, 13, 481, 2, 24};

// The tile made when the scenario names none: 320 x 128, black.
inline constexpr int kLogTileWidth = 320;
inline constexpr int kLogTileHeight = 128;

}  // namespace qw
