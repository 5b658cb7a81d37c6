// The credits-style picture roll of `_scroll`: picture files and blank gaps rolled over the
// shown picture, up, down, or up in the left half with pictures beside it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "gfx/effect_sink.h"

namespace qw {

struct RollSettings {
  int interval = 0;          // milliseconds per frame
  std::uint32_t color = 0;   // pixel 0xXXRRGGBB for the rows the roll uncovers
  int step = 1;              // rows per frame; values below 1 roll 1 row
  bool fastForward = false;  // a held mouse button skips the frame waits
  int kind = 0;              // 0 up, 1 down, 4 split; any other kind shows nothing
};

// The height a gap line may ask for; larger numbers roll this many rows.
inline constexpr int kMaxRollGap = 999999;

// The colour argument of `_scroll`: the text after its first character ("#RRGGBB") read as
// a hexadecimal number, as the pixel 0x00RRGGBB. Throws FrameworkError with the platform's
// conversion message ("'0x0..' is not a valid integer value") when it is not one.
std::uint32_t RollColorPixel(std::string_view cp932Text);

// Runs the roll over `lines`, the script lines between `_scroll` and `_endscroll` as they
// stand in the script. Per line, after its leading blanks: empty lines are skipped; "|" and
// a decimal number (six characters; kind 4: up to 64) is a gap of that many rows; in kind 4
// "@" and a file name is a picture drawn at (320, 120) beside the roll; anything else is a
// picture file rolled in, centred. Pictures are loaded one at a time when their turn comes.
//
// Each frame moves the rolling part of sink.shown() by the step, fills or copies the
// uncovered band, presents it and waits in rounds (sink.waitRound) for the frame's deadline:
// its start plus the interval; a picture's first deadline is taken before it is loaded. With
// fast-forward on, a frame first takes in pending messages (sink.pause(0)) and does not wait
// while a mouse button is held. The mouse signals are cleared after every wait round not cut
// short by a held button, and when the roll ends.
//
// Throws FrameworkError for a gap number that does not convert and, from LoadPicture, for a
// BMP, JPEG or PNG file that cannot be read; what rolled before stays on screen.
void RunRoll(const RollSettings& settings, std::span<const std::string> lines, TimedFrameSink& sink,
             const PictureFiles& files);

}  // namespace qw
