// Splitting command lines into a word and arguments.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "script/prog.h"

namespace qw {

struct Token {
  std::string text;
  int next = 0;     // one-based position after the character that ended the token
  char ender = 0;   // that character; 0 when the end of the line ended it
};

// Reads an argument token at one-based position `pos` with delimiter `delim`: quotes keep
// blanks, commas and the delimiter; unquoted blanks and tabs are dropped.
Token ReadToken(std::string_view line, int pos, char delim);

// Fills `args` (all 16 emptied first) and returns the command word.
std::string ParseCommandLine(std::string_view line, std::array<std::string, TProg::kArgCount>& args);

// An item line of a menu block: text, condition, and the rest as its command.
struct MenuItemLine {
  std::string text;
  std::string condition;
  std::string command;
};
MenuItemLine ParseMenuItemLine(std::string_view trimmedLine);

}  // namespace qw
