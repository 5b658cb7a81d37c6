// The menu commands `_selmenu`, `_selbutton` and `_selcgmode`: they read their item block,
// show the menu on the window, wait for the reader's choice and hand it to the block's end.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace qw {

class TFmain;

// The cursor keys pressed while a choice menu waits, kept for its wait loop: key presses are
// events, and the menu reads them between two rounds of messages as it reads the pointer.
class ChoiceMenuInput {
 public:
  // Whether a menu is waiting for the reader.
  bool open() const { return open_; }
  void setOpen(bool open);
  // Keeps `key` for the menu when one is open and it is "Up", "Down", "Left" or "Right";
  // returns whether it was kept. A reader holding a key down faster than the menu reads
  // loses the oldest presses beyond a few.
  bool offerKey(const std::string& key);
  // The keys kept since the last call, oldest first.
  std::vector<std::string> takeKeys();

 private:
  static constexpr std::size_t kMaxKeys = 16;
  bool open_ = false;
  std::deque<std::string> keys_;
};

void CmdSelmenu(TFmain& e);
void CmdSelbutton(TFmain& e);
void CmdSelcgmode(TFmain& e);

}  // namespace qw
