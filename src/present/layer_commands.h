// Commands of the picture layers and the refresh.
#pragma once

#include <string>

namespace qw {

class TFmain;

void CmdRefresh(TFmain& e);
void CmdAutorefresh(TFmain& e);
void CmdSmartrefresh(TFmain& e);
void CmdBgload(TFmain& e);
void CmdObjload(TFmain& e);
void CmdObjput(TFmain& e);
void CmdObjset(TFmain& e);
void CmdObjclear(TFmain& e);
void CmdEfload(TFmain& e);
void CmdEfset(TFmain& e);
void CmdSprload(TFmain& e);
void CmdSprset(TFmain& e);
void CmdSprput(TFmain& e);
void CmdSprhide(TFmain& e);
void CmdSprclear(TFmain& e);
void CmdSprrefresh(TFmain& e);
void CmdSpranime(TFmain& e);
void CmdMovplay(TFmain& e);

// `_bgload` without the refresh: also the configured start background.
void LoadBackground(TFmain& e, const std::string& file);

}  // namespace qw
