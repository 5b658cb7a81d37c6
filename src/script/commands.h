// The command table: command words and their handlers.
#pragma once

#include <string>

namespace qw {

class TFmain;

using CommandHandler = void (*)(TFmain&);

// The handler of a command word, or nullptr.
CommandHandler FindCommand(const std::string& word);

// Control flow and program commands.
void CmdGoto(TFmain& e);
void CmdGosub(TFmain& e);
void CmdReturn(TFmain& e);
void CmdIf(TFmain& e);
void CmdThen(TFmain& e);
void CmdElse(TFmain& e);
void CmdBranch(TFmain& e);
void CmdWaitset(TFmain& e);
void CmdWait(TFmain& e);
void CmdDelay(TFmain& e);
void CmdMouseclick(TFmain& e);
void CmdStop(TFmain& e);
void CmdVersion(TFmain& e);
void CmdWinexit(TFmain& e);

// Flag commands.
void CmdFlgclear(TFmain& e);
void CmdFlginstr(TFmain& e);
void CmdFlginstrd(TFmain& e);
void CmdFlgclick(TFmain& e);

}  // namespace qw
