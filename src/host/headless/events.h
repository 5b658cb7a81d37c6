// The events file of a headless run: scripted input, and the answers queued for dialogs.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

struct HeadlessEvent {
  // ClickOutside: a left click on the window beside the picture (it ends a movie). Debug: a
  // button of the shown debug window (`name` "set", "update", "refresh", "close", "quit").
  // Scroll: the scroll bar over the picture moved to `value`. Control: `hold ctrl` (`value` 1)
  // or `release ctrl` (0), the Ctrl key going down or up by itself.
  enum class Kind {
    Click,
    RightClick,
    Down,
    Up,
    Move,
    Key,
    Menu,
    Wait,
    Snap,
    ClickOutside,
    Wheel,
    Debug,
    Scroll,
    Control
  };
  Kind kind = Kind::Click;
  // `at +MS`: due MS virtual milliseconds after the previous event was taken.
  std::optional<std::uint32_t> after;
  bool hasPoint = false;  // click, rclick, down, up: X Y given (else the pointer position)
  int x = 0;
  int y = 0;
  std::string name;  // key name ("Enter", "S"), menu item, snapshot name
  bool ctrl = false;
  std::uint32_t ms = 0;  // wait
  int notches = 0;       // wheel: 1 up, -1 down
  int value = 0;         // debug set: the flag line; scroll: the position
  std::string text;      // debug set: the text typed (UTF-8)
  int line = 0;          // one-based line in the events file
};

enum class AnswerWord { Yes, No, Ok, Cancel };

// `font N NAME`: the next font window sets row N to NAME (UTF-8), then OK.
struct FontAnswer {
  int row = 0;
  std::string name;
};

// An events file read in full. Answers are not events: each dialog kind takes its own queue
// in order. An empty optional in a queue is a cancel.
struct EventScript {
  std::vector<HeadlessEvent> events;
  std::deque<AnswerWord> answers;
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::optional<std::string>> files;
  std::deque<std::optional<int>> slots;
  std::deque<FontAnswer> fonts;
};

// A line the reader of events files does not understand. what() reads "SOURCE:LINE: reason".
class EventsError : public std::runtime_error {
 public:
  EventsError(const std::string& source, int line, const std::string& reason);
  int line() const { return line_; }

 private:
  int line_;
};

// Reads the whole text (UTF-8) or throws EventsError at the first bad line. `#` at the start of
// a line, or after a blank, begins a comment; in the text of `input`, `file`, `font` and
// `debug set` it does not, since those take the rest of the line as written.
EventScript ParseEvents(std::string_view text, const std::string& source = "events");

}  // namespace qw
