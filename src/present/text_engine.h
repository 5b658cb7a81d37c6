// Story text: lines drawn character by character into the text layer and onto the window, the
// page and line breaks, and the reader's click waits with their animated icon.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qw {

class TFmain;

enum class ClickWaitKind { Line, Page };

// Draws a story-text line (CP932) from one-based byte position `fromPos`, with its control
// characters and tags, ending with the end-of-line handling. Every character stores the
// position after it in `TextPos` and sets `Status` to 2.
void DrawTextLine(TFmain& engine, const std::string& line, int fromPos);
// A tag's file name in double quotes from `pos` (CP932), stopping at the tag's end when the
// closing quote is missing; `pos` moves past it. Empty when no quote opens there.
std::string ReadTagFileName(std::string_view s, std::size_t& pos);
// Raw text: no tags, no end-of-line wait; newlines and form feeds take effect.
void DrawRawText(TFmain& engine, const std::string& text);
// The text reset of the start and of a return to the title (the caller refreshes).
void ResetText(TFmain& engine);
// Empties the text layer, puts the cursor at the left margin of the top line, starts a new
// backlog page, and (while the text shows) takes it off the window and takes the page snapshot.
void ClearText(TFmain& engine);
// Waits for the reader's click (a mouse-down and then a mouse-up, or a click), a pending
// request, or skip mode on a line with a text id; the icon turns meanwhile.
void ClickWait(TFmain& engine, ClickWaitKind kind);
// The page wait: a click wait of kind page, then the text cleared.
void PageWait(TFmain& engine);
// Pauses abs(ms) milliseconds with clicks not counting.
void TimedPause(TFmain& engine, std::int64_t ms);

// The click-wait icon. Starting draws the current frame at once and runs Timer1; each tick
// draws the next frame; stopping puts the picture under it back.
void StartWaitIcon(TFmain& engine, ClickWaitKind kind);
void StopWaitIcon(TFmain& engine);
void WaitIconTick(TFmain& engine);

// The font table from the configuration, at scenario start: the reader's fonts (or the
// scenario's start fonts when there are none) and the scenario's symbol fonts, each taken only
// when installed.
void ApplyConfiguredFonts(TFmain& engine);

// ---- Pieces shared with the text tags and commands ----
// Tag S: size n (1..26, else 2), in units of 12 pixels.
void SetTextSize(TFmain& engine, std::int32_t n);
// Tag F: font table entry n (0..6, else 0).
void SelectFont(TFmain& engine, std::int32_t n);
// An image drawn into the text layer (and, while the text shows, onto the window) with its
// top-left at (x, y). Its transparent colour comes from the colour keyword `colorSpec`
// ("#NONE": opaque), or without one from its top-left pixel. Returns the image's width (0 when
// nothing was loaded).
int DrawTextLayerImage(TFmain& engine, int x, int y, const std::string& cp932File,
                       std::optional<std::string_view> colorSpec);
// Processes the tag block after "<" at zero-based `pos`; returns the position after its ">".
std::size_t ProcessTextTag(TFmain& engine, std::string_view line, std::size_t pos);
// Cursor coordinates are kept within this range, so that hostile positions cannot overflow.
std::int32_t ClampCoordinate(std::int64_t value);

}  // namespace qw
