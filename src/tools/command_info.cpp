#include "tools/command_info.h"

#include <algorithm>
#include <array>

#include "script/parse.h"
#include "script/prog.h"
#include "script/source.h"

namespace qw {
namespace {

using enum BlockKind;

std::vector<CommandInfo> MakeTable() {
  return {
      // Text window.
      {"_textclear", ""},
      {"_textrect", "NNNN"},
      {"_textcur", "NN"},
      {"_textcurto", "NN"},
      {"_textloc", "NN"},
      {"_textlocto", "NN"},
      {"_textwait", "N"},
      {"_textoffset", "NN"},
      {"_textimage", "NNPk"},
      // Timing and refresh.
      {"_waitset", ""},
      {"_wait", "N"},
      {"_refresh", ""},
      {"_fade", "q"},
      {"_autorefresh", "A"},
      {"_smartrefresh", "QQT"},
      {"_bgload", "P"},
      // Character objects, sprites, the effect layer.
      {"_objload", "NPk"},
      {"_objput", "NPkOO"},
      {"_objset", "NNOO"},
      {"_objclear", "N"},
      {"_sprload", "PNNk"},
      {"_sprset", "NNN"},
      {"_sprput", "NNN"},
      {"_sprhide", "N"},
      {"_sprclear", ""},
      {"_sprrefresh", ""},
      {"_spranime", "NN"},
      {"_efload", "PkN"},
      {"_efset", "NKNNN"},
      // Menus.
      {"_selmenu", "NNCCN", Menu, "_endsel"},
      {"_selcgmode", "NNPNNNT", Menu, "_endsel"},
      {"_selbutton", "NNPNNT", Menu, "_endsel"},
      {"_branch", "N", Skip, "_endbranch"},
      // Media.
      {"_movplay", "ZNNNN"},
      {"_shake", "NNN"},
      {"_bgmmode", "N"},
      {"_bgmplay", "BN"},
      {"_bgmstop", ""},
      {"_midiplay", "MN"},
      {"_midistop", ""},
      {"_cdplay", "RN"},
      {"_cdstop", ""},
      {"_pcmplay", "SN"},
      {"_pcmstop", ""},
      {"_aviplay", "VNNNN"},
      // Control flow and the log.
      {"_goto", "LX"},
      {"_gosub", "L"},
      {"_return", "L"},
      {"_if", "N"},
      {"_then", "", Skip, "_endthen"},
      {"_else", "", Skip, "_endelse"},
      {"_logclear", ""},
      {"_lognext", ""},
      // System switches and flags.
      {"_sysdark", "N"},
      {"_syspopup", "N"},
      {"_syssave", "N"},
      {"_syslog", "N"},
      {"_flgclear", "NT"},
      {"_flginstr", "FFTTN"},
      {"_flginstrd", "FTTTN"},
      {"_flgclick", "f"},
      // Program and window.
      {"_version", "DT"},
      {"_delay", "N"},
      {"_mouseclick", ""},
      {"_winsave", ""},
      {"_winload", ""},
      {"_winexit", ""},
      {"_stop", "T"},
      {"_scroll", "NCNNN", Scroll, "_endscroll"},
      {"_bhole", "PNNNNNNNNNN"},
      {"_bholeop", "PNNNNNNNNNNNNNP"},
      {"_bholeover", "PNNNNNNNNNNNNPP"},
      {"_mouseloc", "NN"},
      {"_mousepat", "N"},
  };
}

}  // namespace

const std::vector<CommandInfo>& CommandInfos() {
  static const std::vector<CommandInfo> table = MakeTable();
  return table;
}

const CommandInfo* FindCommandInfo(std::string_view word) {
  const auto& table = CommandInfos();
  auto it = std::find_if(table.begin(), table.end(),
                         [word](const CommandInfo& info) { return info.word == word; });
  return it == table.end() ? nullptr : &*it;
}

std::string_view LineBody(std::string_view line) {
  std::string_view body = TrimControl(line);
  if (!body.empty() && body[0] == '~') body.remove_prefix(std::min<std::size_t>(9, body.size()));
  return body;
}

std::vector<bool> BlockDataLines(const std::vector<std::string>& lines) {
  std::vector<bool> data(lines.size(), false);
  std::array<std::string, TProg::kArgCount> args;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (data[i]) continue;
    std::string_view body = LineBody(lines[i]);
    if (body.empty() || body[0] != '_') continue;
    const CommandInfo* info = FindCommandInfo(ParseCommandLine(body, args));
    if (!info || (info->block != Menu && info->block != Scroll)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && TrimControl(lines[end]) != info->blockEnd)
      ++end;
    // A menu without its end reads items to the end of the script; a scroll without its end
    // reads nothing and jumps away.
    if (end == lines.size() && info->block == Scroll) continue;
    for (std::size_t j = i + 1; j < end; ++j)
      data[j] = true;
  }
  return data;
}

}  // namespace qw
