#include "present/backlog.h"

namespace qw {

void Backlog::RecordChar(std::string_view ch, bool symbolFont) {
  if (ch.empty()) return;
  if (pageCount_ == 0) pageCount_ = 1;
  std::vector<std::string>& lines = pages_[static_cast<std::size_t>(current_)];
  std::string_view text = symbolFont ? std::string_view(" ") : ch;
  if (lines.empty()) {
    lines.emplace_back(text);
  } else {
    if (static_cast<std::size_t>(line_) >= lines.size())
      lines.resize(static_cast<std::size_t>(line_) + 1);
    lines[static_cast<std::size_t>(line_)].append(text);
  }
}

void Backlog::RecordLineBreak() {
  std::vector<std::string>& lines = pages_[static_cast<std::size_t>(current_)];
  // A page never starts with an empty line.
  if (lines.empty() && line_ == 0) return;
  ++line_;
  lines.resize(static_cast<std::size_t>(line_) + 1);
}

void Backlog::NewPage() {
  if (pages_[static_cast<std::size_t>(current_)].empty()) return;
  saveRangeStale_ = true;
  current_ = (current_ + 1) % kPages;
  if (pageCount_ > kPages - 1) {
    if (savedPages_ > 0) --savedPages_;
  } else {
    ++pageCount_;
  }
  pages_[static_cast<std::size_t>(current_)].clear();
  line_ = 0;
}

void Backlog::Clear() {
  for (auto& p : pages_)
    p.clear();
  current_ = pageCount_ = line_ = savedPages_ = 0;
  saveRangeStale_ = false;
}

const std::vector<std::string>& Backlog::page(int back) const {
  int index = ((current_ - back) % kPages + kPages) % kPages;
  return pages_[static_cast<std::size_t>(index)];
}

}  // namespace qw
