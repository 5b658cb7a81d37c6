// The report of a headless run, and its JSON form.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

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
  // The sound channels and music mode at the end, and every medium started, ended or stopped.
  nlohmann::ordered_json channels = nlohmann::ordered_json::object();
  nlohmann::ordered_json audio = nlohmann::ordered_json::array();
  std::vector<HeadlessHost::WindowRecord> windows;
  // The debug window's lists, in debug mode only.
  std::optional<nlohmann::ordered_json> debug;
};

// `text` with every byte that is not part of well-formed UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);
// The report's bound: its texts, escaped, take at most about this many bytes.
inline constexpr std::size_t kMaxReportBytes = std::size_t{32} << 20;

// Two-space indented JSON, keys in the documented order; texts pass through ValidUtf8 and are
// cut to kMaxListTextBytes. List entries that would take the report past kMaxReportBytes are
// left out, and then the report ends with "truncated": true.
std::string ReportToJson(const HeadlessReport& report);

}  // namespace qw
