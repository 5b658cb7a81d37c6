#include "gfx/scroll_roll.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "gfx/picture.h"
#include "gfx/raster.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/work_meter.h"

namespace qw {
namespace {

constexpr int kSplitWidth = 320;
constexpr int kSidePictureX = 320;
constexpr int kSidePictureY = 120;
// Any step past the tallest picture plus the screen shows the same frames.
constexpr int kMaxStep = 1 << 20;

[[noreturn]] void ThrowNotInteger(std::string_view cp932Text) {
  throw FrameworkError("'" + Cp932ToUtf8(cp932Text) + "' is not a valid integer value");
}

// The platform's decimal conversion: an optional sign and digits, within 32 bits.
std::int32_t DecimalValue(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) ThrowNotInteger(text);
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') ThrowNotInteger(text);
    value = value * 10 + (c - '0');
    if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
      ThrowNotInteger(text);
    }
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) ThrowNotInteger(text);
  return static_cast<std::int32_t>(value);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

class Roll {
 public:
  Roll(const RollSettings& settings, TimedFrameSink& sink, const PictureFiles& files)
      : sink_(sink),
        files_(files),
        screen_(sink.shown()),
        step_(std::clamp(settings.step, 1, kMaxStep)),
        interval_(static_cast<std::uint32_t>(std::max(settings.interval, 0))),
        color_(settings.color),
        fastForward_(settings.fastForward),
        down_(settings.kind == 1),
        split_(settings.kind == 4),
        rollWidth_(split_ ? std::min(kSplitWidth, screen_.width()) : screen_.width()) {}

  void line(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
      text.remove_prefix(1);
    if (text.empty()) return;
    if (text.front() == '|') {
      const std::int32_t rows = DecimalValue(text.substr(1, split_ ? 64 : 6));
      gap(std::min(rows, kMaxRollGap));
    } else if (split_ && text.front() == '@') {
      sidePicture(text.substr(1));
    } else {
      picture(text);
    }
  }

 private:
  void gap(int rows) {
    for (long long s = 0; s < rows; s += step_) {
      const std::uint32_t deadline = sink_.ticks() + interval_;
      move();
      sink_.present(rollArea());
      waitFrame(deadline);
    }
  }

  void picture(std::string_view name) {
    std::uint32_t deadline = sink_.ticks() + interval_;
    load(name);
    const int w = picture_.width(), h = picture_.height();
    const int x = (rollWidth_ - w) / 2;
    for (long long g = 0; down_ ? g < h : g <= h; g += step_) {
      if (g > 0) deadline = sink_.ticks() + interval_;
      move();
      const long long bandY = down_ ? 0 : static_cast<long long>(screen_.height()) - step_;
      const long long srcY = down_ ? h - g - step_ : g;
      Blit(screen_, x, static_cast<int>(bandY), w, step_, picture_, 0, static_cast<int>(srcY),
           RasterOp::Copy);
      sink_.present(UniteAreas(rollArea(), ClipToScreen(screen_, x, bandY, w, step_)));
      waitFrame(deadline);
    }
  }

  void sidePicture(std::string_view name) {
    load(name);
    const std::uint32_t deadline = sink_.ticks() + interval_;
    move();
    Blit(screen_, kSidePictureX, kSidePictureY, picture_.width(), picture_.height(), picture_, 0, 0,
         RasterOp::Copy);
    sink_.present(UniteAreas(rollArea(), ClipToScreen(screen_, kSidePictureX, kSidePictureY,
                                                      picture_.width(), picture_.height())));
    waitFrame(deadline);
  }

  // A line whose extension no loader knows rolls nothing, not the previous picture again.
  void load(std::string_view name) {
    picture_.reset(0, 0);
    LoadPicture(picture_, name, files_.dataRoot, files_.reporter, files_.host);
  }

  // One roll frame: the rolling columns move by the step and the uncovered band takes the
  // roll's colour.
  void move() {
    const int h = screen_.height();
    const int n = std::min(step_, h);
    const std::size_t bytes = static_cast<std::size_t>(rollWidth_) * sizeof(std::uint32_t);
    if (down_) {
      for (int y = h - 1; y >= n; --y)
        std::memcpy(screen_.row(y), screen_.row(y - n), bytes);
      for (int y = 0; y < n; ++y)
        std::fill_n(screen_.row(y), rollWidth_, color_);
    } else {
      for (int y = 0; y + n < h; ++y)
        std::memcpy(screen_.row(y), screen_.row(y + n), bytes);
      for (int y = h - n; y < h; ++y)
        std::fill_n(screen_.row(y), rollWidth_, color_);
    }
  }

  IntRect rollArea() const { return {0, 0, rollWidth_, screen_.height()}; }

  void waitFrame(std::uint32_t deadline) {
    // A roll with no interval takes no time on a headless run's clock: its frames count
    // toward the run's work instead (the pixels shown count through the sink).
    ChargeWork(1);
    if (fastForward_) {
      // Takes in a release that came while the frame was drawn, which ends the fast run.
      sink_.pause(0);
      if (sink_.buttonHeld()) return;
    }
    while (TickBefore(sink_.ticks(), deadline)) {
      sink_.waitRound(deadline);
      // A press that is still held keeps its signals, so the next frame skips its wait too.
      if (fastForward_ && sink_.buttonHeld()) return;
      sink_.clearMouseSignals();
    }
  }

  TimedFrameSink& sink_;
  const PictureFiles& files_;
  Surface& screen_;
  const int step_;
  const std::uint32_t interval_;
  const std::uint32_t color_;
  const bool fastForward_;
  const bool down_;
  const bool split_;
  const int rollWidth_;
  Surface picture_;
};

}  // namespace

std::uint32_t RollColorPixel(std::string_view cp932Text) {
  const std::string_view digits = cp932Text.empty() ? cp932Text : cp932Text.substr(1);
  std::uint64_t value = 0;
  for (char c : digits) {
    const int v = HexDigit(c);
    value = (value << 4) | static_cast<std::uint64_t>(v < 0 ? 0 : v);
    if (v < 0 || value > 0xFFFFFFFFu) ThrowNotInteger("0x0" + std::string(digits));
  }
  // Read as RRGGBB and swapped into a platform colour, which a pixel reads as RRGGBB again.
  return static_cast<std::uint32_t>(value) & 0xFFFFFF;
}

void RunRoll(const RollSettings& settings, std::span<const std::string> lines, TimedFrameSink& sink,
             const PictureFiles& files) {
  MouseSignalsClearer clearer(sink);
  if (settings.kind != 0 && settings.kind != 1 && settings.kind != 4) return;
  Roll roll(settings, sink, files);
  for (const std::string& text : lines)
    roll.line(text);
}

}  // namespace qw
