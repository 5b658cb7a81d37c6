// The log pages: the text of the last 16 pages, one string per text line, for reading back.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

class Backlog {
 public:
  static constexpr int kPages = 16;

  // A drawn character (CP932). Symbol-font characters are kept as blanks, since their bytes
  // would read as other letters.
  void RecordChar(std::string_view ch, bool symbolFont);
  void RecordLineBreak();
  // Begins the next page of the ring, unless the current one is still empty.
  void NewPage();
  void Clear();

  int pageCount() const { return pageCount_; }
  int currentPage() const { return current_; }
  int lineIndex() const { return line_; }
  // The page `back` pages before the newest (0 = the one being written).
  const std::vector<std::string>& page(int back) const;
  // Set by a new page; the save data renews its range of complete pages at the next snapshot.
  bool saveRangeStale() const { return saveRangeStale_; }
  void markSaveRangeTaken() { saveRangeStale_ = false; }
  int savedPageCount() const { return savedPages_; }

 private:
  std::array<std::vector<std::string>, kPages> pages_;
  int current_ = 0;
  int pageCount_ = 0;
  int line_ = 0;
  int savedPages_ = 0;
  bool saveRangeStale_ = false;
};

}  // namespace qw
