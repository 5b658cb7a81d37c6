// TProg: the interpreter's position and the state of the command being run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qw {

struct TProg {
  static constexpr int kArgCount = 16;
  static constexpr int kStackSize = 16;

  std::string FileName;                         // script now loaded, as given to the loader
  std::string Caption;                          // window caption last set by the engine (CP932)
  std::array<std::string, kArgCount> Args;      // arguments of the command being executed
  std::int32_t Reserved = 0;
  std::int32_t Pc = 0;                          // zero-based line being processed
  std::int32_t NextPc = -1;                     // -1: the following line; else the jump target
  std::int32_t TextPos = 0;                     // one-based resume position of a text line
  std::array<std::int32_t, kStackSize> ReturnStack{};
  std::int32_t StackTop = -1;                   // -1: empty
  std::int32_t Condition = 0;                   // last `_if` value
  std::int32_t Selection = -1;                  // item chosen in the last menu
  std::int32_t Status = 0;                      // 0 command, 1 conditional/menu command, 2 text
};

}  // namespace qw
