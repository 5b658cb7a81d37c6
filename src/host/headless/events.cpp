#include "host/headless/events.h"

#include <array>
#include <charconv>
#include <limits>

#include "platform/ascii.h"

namespace qw {

EventsError::EventsError(const std::string& source, int line, const std::string& reason)
    : std::runtime_error(source + ":" + std::to_string(line) + ": " + reason), line_(line) {}

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
constexpr int kSlotCount = 80;
constexpr int kFontRows = 4;
constexpr int kFlagCount = 512;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// Splits off the first word; `rest` keeps what follows it, blanks trimmed.
std::string_view NextWord(std::string_view& rest) {
  rest = Trim(rest);
  std::size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end]))
    ++end;
  std::string_view word = rest.substr(0, end);
  rest = Trim(rest.substr(end));
  return word;
}

std::string_view StripComment(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '#' && (i == 0 || IsBlank(s[i - 1]))) return Trim(s.substr(0, i));
  }
  return s;
}

class LineParser {
 public:
  LineParser(const std::string& source, int line) : source_(source), line_(line) {}

  [[noreturn]] void fail(const std::string& reason) const {
    throw EventsError(source_, line_, reason);
  }

  std::int64_t number(std::string_view word, const char* what, std::int64_t lo,
                      std::int64_t hi) const {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || ec != std::errc() || end != word.data() + word.size()) {
      fail(std::string("expected ") + what + ", found '" + std::string(word) + "'");
    }
    if (value < lo || value > hi) {
      fail(std::string(what) + " " + std::string(word) + " is out of range " + std::to_string(lo) +
           ".." + std::to_string(hi));
    }
    return value;
  }

  void noMore(std::string_view rest, std::string_view word) const {
    if (!rest.empty()) fail("unexpected '" + std::string(rest) + "' after " + std::string(word));
  }

  // Optional "X Y" of a mouse event; `required` for `move`.
  void point(std::string_view rest, std::string_view word, HeadlessEvent& ev, bool required) const {
    if (rest.empty()) {
      if (required) fail(std::string(word) + " needs X Y");
      return;
    }
    std::string_view xs = NextWord(rest);
    std::string_view ys = NextWord(rest);
    if (ys.empty()) fail(std::string(word) + " needs both X and Y");
    noMore(rest, word);
    ev.hasPoint = true;
    ev.x = static_cast<int>(number(xs, "X", 0, kPictureWidth - 1));
    ev.y = static_cast<int>(number(ys, "Y", 0, kPictureHeight - 1));
  }

  std::string keyName(std::string_view rest, bool& ctrl) const {
    std::string_view name = rest;
    std::string lower = AsciiLower(name);
    ctrl = false;
    if (lower.starts_with("ctrl+")) {
      ctrl = true;
      name.remove_prefix(5);
      lower.erase(0, 5);
    }
    if (name.size() == 1) {
      char c = name[0];
      if (c >= 'a' && c <= 'z') return std::string(1, static_cast<char>(c - 'a' + 'A'));
      if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return std::string(1, c);
    }
    static constexpr std::array<std::string_view, 10> kNamed = {
        "Enter", "Escape", "Space", "Up", "Down", "Left", "Right", "PageUp", "PageDown", "F12"};
    for (std::string_view known : kNamed) {
      if (AsciiLower(known) == lower) return std::string(known);
    }
    fail("unknown key '" + std::string(rest) +
         "' (Enter, Escape, Space, Up, Down, Left, Right, PageUp, PageDown, F12, a letter or a "
         "digit; ctrl+ for a shortcut)");
  }

 private:
  const std::string& source_;
  int line_;
};

}  // namespace

EventScript ParseEvents(std::string_view text, const std::string& source) {
  EventScript script;
  int lineNo = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    ++lineNo;
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view rest = Trim(text.substr(pos, nl - pos));
    pos = nl + 1;
    if (rest.empty() || rest.front() == '#') continue;
    LineParser p(source, lineNo);
    std::string_view word = NextWord(rest);

    std::optional<std::uint32_t> after;
    if (word == "at") {
      std::string_view delay = NextWord(rest);
      if (!delay.starts_with('+')) p.fail("at needs +MS, found '" + std::string(delay) + "'");
      delay.remove_prefix(1);
      after = static_cast<std::uint32_t>(
          p.number(delay, "milliseconds", 0, std::numeric_limits<std::int32_t>::max()));
      word = NextWord(rest);
      if (word.empty()) p.fail("at +MS needs an event");
      if (word == "at") p.fail("at cannot time another at");
    }

    // Answers take the rest of the line; events may carry a trailing comment.
    auto untimed = [&] {
      if (after) p.fail("an answer cannot be timed: " + std::string(word));
    };
    if (word == "input") {
      untimed();
      script.inputs.emplace_back(std::string(rest));
      continue;
    }
    if (word == "file") {
      untimed();
      if (rest.empty()) p.fail("file needs a PATH (or use file-cancel)");
      script.files.emplace_back(std::string(rest));
      continue;
    }
    if (word == "font") {
      untimed();
      std::string_view row = NextWord(rest);
      if (rest.empty()) p.fail("font needs a row N and a NAME");
      script.fonts.push_back(
          {static_cast<int>(p.number(row, "font row", 0, kFontRows - 1)), std::string(rest)});
      continue;
    }

    if (word == "debug") {
      HeadlessEvent ev;
      ev.kind = HeadlessEvent::Kind::Debug;
      ev.after = after;
      ev.line = lineNo;
      ev.name = std::string(NextWord(rest));
      if (ev.name == "set") {
        std::string_view n = NextWord(rest);
        if (n.empty()) p.fail("debug set needs a flag N and a TEXT");
        ev.value = static_cast<int>(p.number(n, "flag", 0, kFlagCount - 1));
        ev.text = std::string(rest);
      } else if (ev.name == "update" || ev.name == "refresh" || ev.name == "close" ||
                 ev.name == "quit") {
        p.noMore(StripComment(rest), word);
      } else {
        p.fail("debug needs set N TEXT, update, refresh, close or quit, found '" + ev.name + "'");
      }
      script.events.push_back(std::move(ev));
      continue;
    }

    rest = StripComment(rest);
    if (word == "input-cancel" || word == "file-cancel" || word == "slot-cancel") {
      untimed();
      p.noMore(rest, word);
      if (word == "input-cancel") script.inputs.emplace_back(std::nullopt);
      if (word == "file-cancel") script.files.emplace_back(std::nullopt);
      if (word == "slot-cancel") script.slots.emplace_back(std::nullopt);
      continue;
    }
    if (word == "slot") {
      untimed();
      std::string_view n = NextWord(rest);
      p.noMore(rest, word);
      script.slots.emplace_back(static_cast<int>(p.number(n, "slot", 1, kSlotCount)));
      continue;
    }
    if (word == "answer") {
      untimed();
      std::string a = AsciiLower(NextWord(rest));
      p.noMore(rest, word);
      if (a == "yes") {
        script.answers.push_back(AnswerWord::Yes);
      } else if (a == "no") {
        script.answers.push_back(AnswerWord::No);
      } else if (a == "ok") {
        script.answers.push_back(AnswerWord::Ok);
      } else if (a == "cancel") {
        script.answers.push_back(AnswerWord::Cancel);
      } else {
        p.fail("answer needs yes, no, ok or cancel, found '" + a + "'");
      }
      continue;
    }

    HeadlessEvent ev;
    ev.after = after;
    ev.line = lineNo;
    using Kind = HeadlessEvent::Kind;
    if (word == "click" || word == "rclick" || word == "down" || word == "up") {
      ev.kind = word == "click"    ? Kind::Click
                : word == "rclick" ? Kind::RightClick
                : word == "down"   ? Kind::Down
                                   : Kind::Up;
      p.point(rest, word, ev, false);
    } else if (word == "click-outside") {
      ev.kind = Kind::ClickOutside;
      p.noMore(rest, word);
    } else if (word == "wheel") {
      ev.kind = Kind::Wheel;
      const std::string direction = AsciiLower(NextWord(rest));
      if (direction != "up" && direction != "down") p.fail("wheel needs up or down");
      ev.notches = direction == "up" ? 1 : -1;
      p.point(rest, word, ev, false);
    } else if (word == "hold" || word == "release") {
      ev.kind = Kind::Control;
      if (AsciiLower(NextWord(rest)) != "ctrl") p.fail(std::string(word) + " needs ctrl");
      p.noMore(rest, word);
      ev.value = word == "hold" ? 1 : 0;
    } else if (word == "move") {
      ev.kind = Kind::Move;
      p.point(rest, word, ev, true);
    } else if (word == "key") {
      ev.kind = Kind::Key;
      std::string_view name = NextWord(rest);
      if (name.empty()) p.fail("key needs a NAME");
      p.noMore(rest, word);
      ev.name = p.keyName(name, ev.ctrl);
    } else if (word == "menu" || word == "snap") {
      ev.kind = word == "menu" ? Kind::Menu : Kind::Snap;
      ev.name = std::string(NextWord(rest));
      if (ev.name.empty()) p.fail(std::string(word) + " needs a NAME");
      p.noMore(rest, word);
      if (ev.kind == Kind::Snap &&
          (ev.name.find('/') != std::string::npos || ev.name.find('\\') != std::string::npos ||
           ev.name == "." || ev.name == "..")) {
        p.fail("a snapshot NAME is a plain file name, found '" + ev.name + "'");
      }
    } else if (word == "scroll") {
      ev.kind = Kind::Scroll;
      std::string_view n = NextWord(rest);
      p.noMore(rest, word);
      ev.value = static_cast<int>(
          p.number(n, "scroll position", 0, std::numeric_limits<std::int32_t>::max()));
    } else if (word == "wait") {
      ev.kind = Kind::Wait;
      std::string_view ms = NextWord(rest);
      p.noMore(rest, word);
      ev.ms = static_cast<std::uint32_t>(
          p.number(ms, "milliseconds", 0, std::numeric_limits<std::int32_t>::max()));
    } else {
      p.fail("unknown event '" + std::string(word) + "'");
    }
    script.events.push_back(std::move(ev));
  }
  return script;
}

}  // namespace qw
