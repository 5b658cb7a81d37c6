// Story text: the lines the driver hands over, and the reader's click waits.
#pragma once

#include <string>

namespace qw {

class TFmain;

enum class ClickWaitKind { Line, Page };

// Draws a story-text line from one-based byte position `fromPos`, ending with its line wait.
void DrawTextLine(TFmain& engine, const std::string& line, int fromPos);
// Raw text: no tags, no end-of-line wait.
void DrawRawText(TFmain& engine, const std::string& text);
// The text reset of the start and of a return to the title.
void ResetText(TFmain& engine);
// Waits for the reader's click (a mouse-down and then a mouse-up, or a click), a pending
// request, or skip mode on a line with a text id.
void ClickWait(TFmain& engine, ClickWaitKind kind);

}  // namespace qw
