// The report of a headless run, and its JSON form.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "host/headless/headless_host.h"

namespace qw {

enum class HeadlessOutcome { ScriptEnded, InputExhausted, Exited, TimeLimit };

// "script-ended", "input-exhausted", "exited", "time-limit".
const char* OutcomeName(HeadlessOutcome outcome);
std::ostream& operator<<(std::ostream& out, HeadlessOutcome outcome);

// Every text is UTF-8.
struct HeadlessReport {
  HeadlessOutcome outcome = HeadlessOutcome::ScriptEnded;
  int exitCode = 0;
  std::string file;     // the script loaded last
  int line = 0;         // one-based line of the driver's position
  std::string caption;  // the caption last set by the engine
  std::uint64_t virtualMs = 0;
  std::vector<std::string> flags;  // all 512 cells
  std::vector<std::string> errors;
  std::vector<MessageRecord> messages;
};

// A JSON string literal, quotes included. Control characters become \u00XX; bytes that are
// not UTF-8 become U+FFFD, so the result is always well formed.
std::string JsonString(std::string_view utf8);
std::string ReportToJson(const HeadlessReport& report);

}  // namespace qw
