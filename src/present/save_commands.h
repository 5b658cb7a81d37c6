// The script commands and pop-up menu items of save data, the backlog and skip mode.
#pragma once

namespace qw {

class TFmain;

// `_winsave`, `Msave`: the slot picker in save mode; a chosen slot is written at once, then
// the global flags.
void CmdWinsave(TFmain& engine);
// `_winload`, `Mload`: the slot picker in load mode; a chosen slot is loaded by the driver
// after the current line.
void CmdWinload(TFmain& engine);
// `_logclear`: all 16 backlog pages emptied.
void CmdLogclear(TFmain& engine);
// `_lognext`: the next backlog page started (not while `_syslog` is on).
void CmdLognext(TFmain& engine);
// `Mskipout`: skip mode on, until unread text or a mouse press.
void StartSkipMode(TFmain& engine);

}  // namespace qw
