// Putting the composed frame on the window.
#pragma once

#include <string>

#include "platform/host.h"

namespace qw {

class TFmain;

// Compose VRAM, copy it to the window, lay the text over it (unless `withoutText`), draw the
// sprites, and let the window show it.
void FullRefresh(TFmain& engine, bool withoutText = false);
// Copies an area of VRAM to the window (erasing sprites and the wait icon).
void PresentVramRect(TFmain& engine, const IntRect& area);
// The step after a change of a layer: nothing, a plain refresh, or the named transition.
void AutoRefresh(TFmain& engine);
// A refresh through the transition `spec` names ("#TILE0"); an unknown name leaves the window
// as it is. The pop-up menu is locked and shut meanwhile.
void RunTransition(TFmain& engine, const std::string& spec);
// `_fade` NAME: the transition, or a plain refresh while read text is skipped.
void CmdFade(TFmain& engine);

}  // namespace qw
