// Texts the interpreter tests compare reports with.
#pragma once

#include <string>

#include "host/headless/report.h"

namespace qw::test {

inline constexpr const char* kQuestion =
    "エラー発生！！強制終了しますか？(設定ファイルを保存しません)";

// The location text an error report adds to the error list.
inline std::string At(int line, const std::string& message,
                      const std::string& file = "autorun.txt") {
  return "File:" + file + " Line:" + std::to_string(line) + "/" + message;
}

// A readable summary of a run for failure messages.
inline std::string Dump(const HeadlessReport& r) {
  std::string out = "outcome " + std::string(OutcomeName(r.outcome)) + " file " + r.file +
                    " line " + std::to_string(r.line) + " ms " + std::to_string(r.virtualMs) + "\n";
  for (const MessageRecord& m : r.messages) {
    out += "  [" + m.caption + "] " + m.text + " -> " + m.answer + "\n";
  }
  return out;
}

}  // namespace qw::test
