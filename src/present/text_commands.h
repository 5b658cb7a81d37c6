// The text commands of the command table.
#pragma once

namespace qw {

class TFmain;

void CmdTextclear(TFmain& e);
void CmdTextrect(TFmain& e);
void CmdTextcur(TFmain& e);
void CmdTextcurto(TFmain& e);
void CmdTextloc(TFmain& e);
void CmdTextlocto(TFmain& e);
void CmdTextwait(TFmain& e);
void CmdTextoffset(TFmain& e);
void CmdTextimage(TFmain& e);

}  // namespace qw
