// ExecuteCommand: assignments, conditional lines and the table.
#include <unordered_map>

#include "app/engine.h"
#include "app/tool_windows.h"
#include "platform/cp932.h"
#include "present/choice_menu_commands.h"
#include "present/effect_commands.h"
#include "present/input.h"
#include "present/layer_commands.h"
#include "present/media_commands.h"
#include "present/refresh.h"
#include "present/save_commands.h"
#include "present/text_commands.h"
#include "script/commands.h"
#include "script/parse.h"

namespace qw {
namespace {

// Nested conditional lines recurse; a hostile line of thousands of them must not exhaust the
// stack.
constexpr int kMaxCommandDepth = 64;

const std::unordered_map<std::string, CommandHandler>& CommandTable() {
  static const std::unordered_map<std::string, CommandHandler> table = {
      {"_goto", CmdGoto},
      {"_gosub", CmdGosub},
      {"_return", CmdReturn},
      {"_if", CmdIf},
      {"_then", CmdThen},
      {"_else", CmdElse},
      {"_branch", CmdBranch},
      {"_waitset", CmdWaitset},
      {"_wait", CmdWait},
      {"_delay", CmdDelay},
      {"_mouseclick", CmdMouseclick},
      {"_stop", CmdStop},
      {"_version", CmdVersion},
      {"_winexit", CmdWinexit},
      {"_winsave", CmdWinsave},
      {"_winload", CmdWinload},
      {"_logclear", CmdLogclear},
      {"_lognext", CmdLognext},
      {"_flgclear", CmdFlgclear},
      {"_flginstr", CmdFlginstr},
      {"_flginstrd", CmdFlginstrd},
      {"_flgclick", CmdFlgclick},
      {"_refresh", CmdRefresh},
      {"_autorefresh", CmdAutorefresh},
      {"_smartrefresh", CmdSmartrefresh},
      {"_bgload", CmdBgload},
      {"_objload", CmdObjload},
      {"_objput", CmdObjput},
      {"_objset", CmdObjset},
      {"_objclear", CmdObjclear},
      {"_efload", CmdEfload},
      {"_efset", CmdEfset},
      {"_sprload", CmdSprload},
      {"_sprset", CmdSprset},
      {"_sprput", CmdSprput},
      {"_sprhide", CmdSprhide},
      {"_sprclear", CmdSprclear},
      {"_sprrefresh", CmdSprrefresh},
      {"_spranime", CmdSpranime},
      {"_movplay", CmdMovplay},
      {"_bgmmode", CmdBgmmode},
      {"_bgmplay", CmdBgmplay},
      {"_bgmstop", CmdBgmstop},
      {"_midiplay", CmdMidiplay},
      {"_midistop", CmdMidistop},
      {"_cdplay", CmdCdplay},
      {"_cdstop", CmdCdstop},
      {"_pcmplay", CmdPcmplay},
      {"_pcmstop", CmdPcmstop},
      {"_aviplay", CmdAviplay},
      {"_fade", CmdFade},
      {"_selmenu", CmdSelmenu},
      {"_selbutton", CmdSelbutton},
      {"_selcgmode", CmdSelcgmode},
      {"_scroll", CmdScroll},
      {"_shake", CmdShake},
      {"_bhole", CmdBhole},
      {"_bholeop", CmdBholeop},
      {"_bholeover", CmdBholeover},
      {"_mouseloc", CmdMouseloc},
      {"_mousepat", CmdMousepat},
      {"_sysdark", CmdSysdark},
      {"_syspopup", CmdSyspopup},
      {"_syssave", CmdSyssave},
      {"_syslog", CmdSyslog},
      {"_textclear", CmdTextclear},
      {"_textrect", CmdTextrect},
      {"_textcur", CmdTextcur},
      {"_textcurto", CmdTextcurto},
      {"_textloc", CmdTextloc},
      {"_textlocto", CmdTextlocto},
      {"_textwait", CmdTextwait},
      {"_textoffset", CmdTextoffset},
      {"_textimage", CmdTextimage},
  };
  return table;
}

}  // namespace

CommandHandler FindCommand(const std::string& word) {
  const auto& table = CommandTable();
  auto it = table.find(word);
  return it == table.end() ? nullptr : it->second;
}

void TFmain::ExecuteCommand(const std::string& line) {
  struct DepthScope {
    int& depth;
    explicit DepthScope(int& d) : depth(d) { ++depth; }
    ~DepthScope() { --depth; }
  } scope(commandDepth_);

  std::string word = ParseCommandLine(line, prog_.Args);
  if (commandDepth_ > kMaxCommandDepth) {
    scriptError("コマンドが変です" + Cp932ToUtf8(word));
    return;
  }
  if (word.rfind("_(", 0) == 0) {
    int pos = 2;
    std::int32_t value = evaluator_.EvaluateAt(word, pos);
    if (value != 0) {
      prog_.Status = 1;
      std::string nested = prog_.Args[0];
      ExecuteCommand(nested);
    }
    return;
  }
  if (word.rfind("_$flg", 0) == 0) {
    int index = evaluator_.ReadSubscript(word, 2);
    flags_.setInteger(index, evaluator_.EvaluateArgument(prog_.Args[0]));
    tools_->FlagWritten(index);
    return;
  }
  if (word.rfind("_@flg", 0) == 0) {
    int index = evaluator_.ReadSubscript(word, 2);
    const std::string& value = prog_.Args[0];
    if (!value.empty() && value[0] == '@') {
      int pos = 1;
      flags_.set(index, evaluator_.EvaluateText(value, pos));
    } else {
      flags_.set(index, value);
    }
    tools_->FlagWritten(index);
    return;
  }
  if (CommandHandler handler = FindCommand(word)) {
    handler(*this);
    return;
  }
  if (word.rfind("_end", 0) == 0) return;
  scriptError("コマンドが変です" + Cp932ToUtf8(word));
}

}  // namespace qw
