// The script effects that draw straight onto the shown picture and run to completion inside
// their command: the picture roll, the screen shake and the moving windows. Each keeps the
// pop-up menu locked and shut while it runs; a later refresh draws the composed frame over
// what it leaves.
#pragma once

namespace qw {

class TFmain;

// `_scroll` interval, colour, step, fast-forward, kind: rolls the lines up to the next
// `_endscroll` and goes on after that line. Without one, it reports the missing marker, rolls
// the rest of the script and the run goes on past the end.
void CmdScroll(TFmain& e);
// `_shake` amplitude (16), count (5), delay (100); the shown picture ends where it was.
void CmdShake(TFmain& e);
// `_bhole` picture, source x, y, screen x, y, width, height, frames, interval, screen
// direction, source direction.
void CmdBhole(TFmain& e);
// `_bholeop`: as `_bhole`, then overlay x, y, mode (0 copy, 1 AND, 2 OR, 3 XOR), picture.
void CmdBholeop(TFmain& e);
// `_bholeover`: as `_bhole`, then overlay x, y, mask file, picture; the window leaves a trail.
void CmdBholeover(TFmain& e);

}  // namespace qw
