// The page snapshot: the saveable state as it stood when the text page was last cleared. A
// save writes it and a load restores it, so a save made during a click wait never catches a
// page half drawn.
#pragma once

#include <array>
#include <string>

#include "present/text_state.h"
#include "script/prog.h"

namespace qw {

class TFmain;

struct PageSnapshot {
  TProg prog;
  std::array<std::string, 256> localFlags;  // flags 0..255
  TTextStatus textStatus;
  TextFields text;
};

// Copies the state the snapshot holds so far into the engine's snapshot. The save data
// completes it with the layers, sprites, media and log.
void TakePageSnapshot(TFmain& engine);

}  // namespace qw
