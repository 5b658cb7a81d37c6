// Screen transitions: the 36 named effects that replace the shown picture by a newly composed
// frame step by step, pausing between the steps so that the window keeps answering while the
// script waits.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "gfx/frame_sink.h"
#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

// In the order of their names: TILE0-3, TILEH0-3, PAT0-4, WIPE0-3, SCROLL0-3, TSCROLL0-3,
// SLIDE0-3, TSLIDE0-3, LINE0, LINE1, BLEND0.
enum class TransitionKind : std::uint8_t {
  // clang-format off
  Tile0, Tile1, Tile2, Tile3,
  TileH0, TileH1, TileH2, TileH3,
  Pat0, Pat1, Pat2, Pat3, Pat4,
  Wipe0, Wipe1, Wipe2, Wipe3,
  Scroll0, Scroll1, Scroll2, Scroll3,
  TScroll0, TScroll1, TScroll2, TScroll3,
  Slide0, Slide1, Slide2, Slide3,
  TSlide0, TSlide1, TSlide2, TSlide3,
  Line0, Line1, Blend0,
  // clang-format on
};
inline constexpr int kTransitionKindCount = 36;

// The name a script gives `kind` ("TILE0", "TSCROLL2", ...).
std::string_view TransitionName(TransitionKind kind);

// The transition `nameText` names: its first byte is dropped (by convention "#", as in "#TILE0")
// and at most the next 10 bytes must be one of the 36 names, letter case included. Nothing
// for any other text.
std::optional<TransitionKind> ParseTransitionName(std::string_view nameText);

// The engine's buffers a transition works on. VRAM, TEXT and TEXT_MASK are 640 x 480; other
// sizes are tolerated (every transfer is clipped) but give a partial picture. TEXT and
// TEXT_MASK must stay as they are from prepare() to the last step (nothing draws text during
// the pauses): push and cover note their rows without text once.
struct TransitionBuffers {
  Surface& vram;            // VRAM: the new frame once composed
  Surface& temp1;           // TEMP1: BLEND0's output
  Surface& temp2;           // TEMP2: the old picture, turned into the new one by the pixel families
  const Surface& text;      // TEXT
  const Surface& textMask;  // TEXT_MASK
  bool textVisible = true;  // the text layer is shown, so it is laid over the pictures
};

struct TransitionOutcome {
  bool ran = false;  // false for an unknown name: nothing was drawn, VRAM was not composed
  // TILE, TILEH and PAT0-2 overwrite what textured text is drawn from: the engine must clear
  // its textured-text flag.
  bool clearTexturedText = false;
};

// The preparation every transition shares, unknown names included: TEMP2 becomes 640 x 480
// (keeping what overlaps). Never allocates when TEMP2 already has that size.
void PrepareTransitionBuffers(TransitionBuffers& buffers);

// What the engine's `RunTransition` calls between locking and unlocking the menus: prepares
// the buffers and runs the transition `nameText` names (see ParseTransitionName). `composeVram`
// composes the new frame into VRAM; it is called once, where the transition needs the new
// frame, and not at all for an unknown name. Each step draws into `sink.shown()`, presents
// what it changed and pauses for the transition's time.
TransitionOutcome RunNamedTransition(std::string_view nameText, TransitionBuffers& buffers,
                                     const std::function<void()>& composeVram, FrameSink& sink);

// The same for a known kind.
TransitionOutcome RunTransitionSteps(TransitionKind kind, TransitionBuffers& buffers,
                                     const std::function<void()>& composeVram, FrameSink& sink);

// One transition taken a step at a time, for callers that pause on their own (and for
// measuring the drawing alone). RunTransitionSteps is prepare(), then step() and
// sink.pause(pauseMs()) until step() says there is no step left.
class TransitionPlayer {
 public:
  TransitionPlayer(TransitionKind kind, TransitionBuffers& buffers, FrameSink& sink);

  // The preparation of the kind's family: takes the old picture, calls `composeVram` (may be
  // empty), lays the text into VRAM where the family does, and starts at the first step.
  void prepare(const std::function<void()>& composeVram);
  // Draws the next step into the shown picture and presents the changed area; false, drawing
  // nothing, when the last step has been drawn. Never allocates.
  bool step();
  // The pause after every step in milliseconds; 0 processes the window's messages once.
  std::uint32_t pauseMs() const;
  // Steps drawn since prepare().
  int stepsDrawn() const { return index_; }

 private:
  // Push and cover: false when the new picture is all in.
  bool pushStep(Surface& shown, IntRect& changed);
  IntRect copyBlocks(Surface& shown, int step);

  TransitionKind kind_;
  TransitionBuffers& buffers_;
  FrameSink& sink_;
  int index_ = 0;
  int position_ = 0;  // push and cover: how far the new picture has come in
  int speed_ = 0;
  // Push and cover under the text: the rows of TEXT that are all 0 and whose TEXT_MASK pixels
  // share one value (kept beside), found by prepare(). The steps draw them without reading
  // either buffer.
  std::bitset<480> plainTextRows_;
  std::array<std::uint32_t, 480> plainTextMasks_{};
};

}  // namespace qw
