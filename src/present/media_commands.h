// The script's music, sound-effect, CD and movie commands.
#pragma once

namespace qw {

class TFmain;

// `_bgmmode` mode.
void CmdBgmmode(TFmain& e);
// `_bgmplay` name repeat: by the music mode, a file on the music channel or a CD track.
void CmdBgmplay(TFmain& e);
// `_bgmstop`: the music channel, and in mode 4 the CD channel too.
void CmdBgmstop(TFmain& e);
// `_midiplay` file repeat / `_midistop`.
void CmdMidiplay(TFmain& e);
void CmdMidistop(TFmain& e);
// `_cdplay` track repeat / `_cdstop`.
void CmdCdplay(TFmain& e);
void CmdCdstop(TFmain& e);
// `_pcmplay` file repeat / `_pcmstop`.
void CmdPcmplay(TFmain& e);
void CmdPcmstop(TFmain& e);
// `_aviplay` file left top width height: shows the movie over the window, with the pop-up menu
// locked, until it ends or the reader clicks. A movie that cannot be opened throws
// FrameworkError before anything changes.
void CmdAviplay(TFmain& e);

}  // namespace qw
