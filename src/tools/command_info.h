// What the author tools know of each command word beyond its handler: what each argument is
// (a number, a picture file, a label, ...) and which block of lines the command reads. The
// handlers themselves live in the command table (FindCommand); this table may list words whose
// handler is not there yet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qw {

// One letter per argument kind, as written in CommandInfo::args.
enum class ArgKind : char {
  Text = 'T',             // taken as written
  Keyword = 'K',          // "#..." keyword, read by the command itself
  Number = 'N',           // integer expression
  Decimal = 'D',          // decimal number such as "1.43"
  Color = 'C',            // "#RRGGBB"
  MaskColor = 'k',        // "#NONE", a corner, "#RRGGBB", or else the name of a mask picture
  Position = 'O',         // "#LEFT", "#CENTER", ... or an integer expression
  Flag = 'F',             // "$flg[...]", "@flg[...]" or "$sys[...]"
  FlagOrNone = 'f',       // a flag reference, empty or "-1"
  Picture = 'P',          // picture file
  PictureSequence = 'Z',  // numbered pictures: the next two arguments are the first and last number
  Sound = 'S',            // sound-effect file
  Music = 'M',            // music file
  MusicName = 'B',        // music name without extension, completed by the music mode
  CdTrack = 'R',          // CD track number
  Movie = 'V',            // movie file
  Label = 'L',            // label, with its colon
  Script = 'X',           // script file
  Transition = 'Q',       // transition name; empty for a plain refresh
  FadeTransition = 'q',   // transition name, required
  RefreshSetting = 'A',   // "0", "1" or a transition name
};

enum class BlockKind {
  None,
  Skip,    // skips forward to a marker line when its test fails (_then, _else, _branch)
  Menu,    // item lines up to "_endsel", read by the command, never run as lines
  Scroll,  // text lines up to "_endscroll", handed to the scroll effect, never run as lines
};

struct CommandInfo {
  std::string_view word;
  std::string_view args;  // ArgKind letters, a0 first; later arguments are not read
  BlockKind block = BlockKind::None;
  std::string_view blockEnd;  // the marker line of the block
};

// The knowledge of `word`, or nullptr for a word this table does not list.
const CommandInfo* FindCommandInfo(std::string_view word);

// Every listed command, in the order of the command reference.
const std::vector<CommandInfo>& CommandInfos();

// For each line of a script, whether it belongs to a menu or scroll block, so that the driver
// never runs it as a line of its own (the block's command reads it).
std::vector<bool> BlockDataLines(const std::vector<std::string>& lines);

// The text of a script line as the driver reads it: control bytes trimmed and a leading
// read-text id ("~" and eight digits) removed.
std::string_view LineBody(std::string_view line);

}  // namespace qw
