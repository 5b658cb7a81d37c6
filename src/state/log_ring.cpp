#include "state/log_ring.h"

#include <algorithm>

#include "platform/cp932.h"

namespace qw {
namespace {

int Wrap(int index) {
  return ((index % LogRing::kPages) + LogRing::kPages) % LogRing::kPages;
}

}  // namespace

void LogRing::RecordChar(std::string_view ch, bool symbolFont) {
  if (ch.empty()) return;
  if (pageCount_ == 0) pageCount_ = 1;
  std::string_view text = symbolFont ? std::string_view(" ") : ch;
  LogPage& lines = pages_[static_cast<std::size_t>(current_)];
  if (lines.empty()) {
    lines.emplace_back(text.substr(0, kMaxLineBytes));
    line_ = 0;
    return;
  }
  std::size_t at = std::min(static_cast<std::size_t>(line_), lines.size() - 1);
  std::string& line = lines[at];
  if (line.size() + text.size() <= kMaxLineBytes) line.append(text);
}

void LogRing::RecordLineBreak() {
  LogPage& lines = pages_[static_cast<std::size_t>(current_)];
  if (lines.empty() && line_ == 0) return;
  if (lines.size() >= kMaxLinesPerPage) return;
  ++line_;
  lines.resize(static_cast<std::size_t>(line_) + 1);
}

void LogRing::NewPage() {
  if (pages_[static_cast<std::size_t>(current_)].empty()) return;
  renewRange_ = true;
  current_ = (current_ + 1) % kPages;
  if (pageCount_ > kPages - 1) {
    // The page now overwritten was the oldest of the save range.
    range_.count = std::max(range_.count - 1, 0);
  } else {
    ++pageCount_;
  }
  pages_[static_cast<std::size_t>(current_)].clear();
  line_ = 0;
}

void LogRing::Clear() {
  for (LogPage& page : pages_)
    page.clear();
  current_ = pageCount_ = line_ = 0;
  range_ = SaveRange{};
  renewRange_ = false;
}

LogRing::SaveRange LogRing::TakeSaveRange() {
  if (renewRange_) {
    range_.count = std::clamp(pageCount_ - 1, 0, kMaxSavedPages);
    range_.end = Wrap(current_ - 1);
    renewRange_ = false;
  }
  return range_;
}

std::vector<LogPage> LogRing::PagesForSave(SaveRange range) const {
  int count = std::clamp(range.count, 0, kMaxSavedPages);
  std::vector<LogPage> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    out.push_back(ringPage(range.end - count + 1 + i));
  return out;
}

void LogRing::RestoreSaved(const std::vector<LogPage>& pages) {
  Clear();
  int count = std::min(static_cast<int>(pages.size()), kMaxSavedPages);
  for (int i = 0; i < count; ++i) {
    const LogPage& from = pages[static_cast<std::size_t>(i)];
    LogPage& to = pages_[static_cast<std::size_t>(i)];
    std::size_t lines = std::min(from.size(), kMaxLinesPerPage);
    to.reserve(lines);
    for (std::size_t l = 0; l < lines; ++l)
      to.push_back(from[l].substr(0, kMaxLineBytes));
  }
  pageCount_ = count + 1;
  current_ = count;
  line_ = 0;
  range_ = SaveRange{count, Wrap(count - 1)};
}

const LogPage& LogRing::ringPage(int index) const {
  return pages_[static_cast<std::size_t>(Wrap(index))];
}

std::vector<std::string> SplitLogLine(std::string_view line) {
  const std::size_t split = kLogSplitBytes;
  if (line.size() <= split) return {std::string(line)};
  std::vector<std::string> pieces;
  std::size_t pos = 0;
  while (pos < line.size()) {
    // Walk whole characters, so the trail byte of a double-byte character is never taken
    // for a lead byte.
    std::size_t end = pos;
    while (end < line.size() && end - pos < split)
      end += CharLength(line, end);
    pieces.emplace_back(line.substr(pos, std::min(end, line.size()) - pos));
    pos = end;
  }
  return pieces;
}

LogPageLayout LayoutLogPage(const LogRing& ring, int pagesBack) {
  LogPageLayout layout;
  layout.header = "Page " + std::to_string(pagesBack + 1) + "/" + std::to_string(ring.pageCount());
  int row = 2;
  for (const std::string& line : ring.pageBack(pagesBack)) {
    if (row >= kMaxLogRows) break;
    if (line.size() <= static_cast<std::size_t>(kLogSplitBytes)) {
      layout.rows.push_back({row++, line});
      continue;
    }
    for (std::string& piece : SplitLogLine(line)) {
      if (row >= kMaxLogRows) break;
      if (!piece.empty()) layout.rows.push_back({row++, std::move(piece)});
    }
    ++row;
  }
  layout.rowsUsed = std::min(row, kMaxLogRows);
  layout.neededHeight = layout.rowsUsed * kLogRowHeight + 48;
  layout.scrollBarShown = layout.neededHeight >= 480;
  layout.canvasHeight = layout.scrollBarShown ? layout.neededHeight : 480;
  layout.scrollMax = layout.scrollBarShown ? layout.neededHeight - 480 : 0;
  return layout;
}

bool BacklogPager::Open(const LogRing& ring) {
  pagesBack_ = 0;
  return ring.pageCount() != 0;
}

bool BacklogPager::Older(const LogRing& ring) {
  if (pagesBack_ < LogRing::kPages - 1 && pagesBack_ < ring.pageCount() - 1) {
    ++pagesBack_;
    return true;
  }
  return false;
}

bool BacklogPager::Newer() {
  if (pagesBack_ <= 0) return false;
  --pagesBack_;
  return true;
}

}  // namespace qw
