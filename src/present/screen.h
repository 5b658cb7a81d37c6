// The screen buffers, their state records, and the composition of a frame.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "gfx/composite.h"
#include "gfx/surface.h"

namespace qw {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

// The buffers by array slot.
enum BufferSlot : int {
  VRAM = 0,
  BG,
  EFFECT,
  TEXT,
  BG_MASK,
  EFFECT_MASK,
  TEXT_MASK,
  TEMP1,
  TEMP2,
  PERSON0,
  PERSON0_MASK,
  PERSON1,
  PERSON1_MASK,
  PERSON2,
  PERSON2_MASK,
  ICON,
  SAVE,
  ICON_MASK,
  SPRITE,
  LOG_TILE,
  SPRITE_MASK,
  LOG_PAGE,
  kBufferCount
};

struct TImageStatus {
  bool shown = false;
  bool loaded = false;
  bool transparent = false;
  std::int32_t maskMode = 0;  // EFFECT: 0 none, 1 image-sized mask, 2 fixed 640 x 480 mask
  std::uint32_t transparentColor = kNoMaskColor;
  std::string fileName;       // as given in the script (CP932)
  std::string maskFileName;
  std::int32_t spareInt = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t order = 0;     // EFFECT: 0 before the character layers, 1 or 2 after
  bool spareSwitch = false;
  std::int32_t mode = 0;      // EFFECT: compositing mode 0..8
};

struct TSpriteStatus {
  std::string fileName;
  std::string maskFileName;
  std::int32_t columns = 0;
  std::int32_t rows = 0;
  std::int32_t cellWidth = 0;
  std::int32_t cellHeight = 0;
  std::uint32_t transparentColor = kNoMaskColor;
  bool transparent = false;
  bool ready = false;
};

inline constexpr std::int32_t kSpriteOffScreen = 0x10000;

struct SpriteSlot {
  std::int32_t x = kSpriteOffScreen;  // bit 16 set: not on screen
  std::int32_t y = 0;
  std::int32_t column = 0;
  std::int32_t row = 0;
  bool visible = false;
  std::int32_t animationCount = 0;  // negative: endless
};

inline constexpr int kSpriteSlots = 32;

struct Screen {
  std::array<Surface, kBufferCount> buffers;
  std::array<TImageStatus, 9> status;        // slots VRAM .. TEMP2
  std::array<TImageStatus, 6> personStatus;  // slots PERSON0 .. PERSON2_MASK
  TSpriteStatus sprite;
  std::array<SpriteSlot, kSpriteSlots> spriteSlots;

  bool dirty = false;
  bool darkness = false;      // the reader's option
  int darknessRate = 32;
  int textHideMode = 0;       // layers left out while the text is hidden

  Surface& buffer(int slot) { return buffers[static_cast<std::size_t>(slot)]; }
  const Surface& buffer(int slot) const { return buffers[static_cast<std::size_t>(slot)]; }
  // The record of buffer slots 0..14.
  TImageStatus& record(int slot) {
    return slot < 9 ? status[static_cast<std::size_t>(slot)]
                    : personStatus[static_cast<std::size_t>(slot - 9)];
  }
};

// Every buffer to its start size and every record cleared.
void ResetAllBuffers(Screen& screen);
void ResetSprites(Screen& screen);
void ClearRecord(TImageStatus& record);

// Composes the frame into VRAM. `darknessSuppressed` is the `_sysdark` switch.
void ComposeVram(Screen& screen, bool darknessSuppressed);
// The same for the picture shown while the text is hidden: no darkening, and the layers of
// `textHideMode` left out.
void ComposeVramForHiddenText(Screen& screen);

// Draws every visible sprite onto `window`.
void DrawSprites(const Screen& screen, Surface& window);

}  // namespace qw
