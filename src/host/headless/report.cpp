#include "host/headless/report.h"

#include <cstdio>

namespace qw {

const char* OutcomeName(HeadlessOutcome outcome) {
  switch (outcome) {
    case HeadlessOutcome::ScriptEnded:
      return "script-ended";
    case HeadlessOutcome::InputExhausted:
      return "input-exhausted";
    case HeadlessOutcome::Exited:
      return "exited";
    case HeadlessOutcome::TimeLimit:
      return "time-limit";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, HeadlessOutcome outcome) {
  return out << OutcomeName(outcome);
}

namespace {

// Length of the well-formed UTF-8 sequence at `i`, or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  std::size_t n = 0;
  unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (b(i + 1) < lo || b(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
  }
  return n;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = Utf8Length(utf8, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else {
      out.append(utf8.substr(i, n));
    }
    i += n;
  }
  out += '"';
  return out;
}

namespace {

void StringArray(std::string& out, const std::vector<std::string>& items) {
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += JsonString(items[i]);
  }
  out += ']';
}

}  // namespace

std::string ReportToJson(const HeadlessReport& r) {
  std::string out = "{\n";
  out += "  \"outcome\": " + JsonString(OutcomeName(r.outcome)) + ",\n";
  out += "  \"exit_code\": " + std::to_string(r.exitCode) + ",\n";
  out += "  \"file\": " + JsonString(r.file) + ",\n";
  out += "  \"line\": " + std::to_string(r.line) + ",\n";
  out += "  \"caption\": " + JsonString(r.caption) + ",\n";
  out += "  \"virtual_ms\": " + std::to_string(r.virtualMs) + ",\n";
  out += "  \"flags\": ";
  StringArray(out, r.flags);
  out += ",\n  \"errors\": ";
  StringArray(out, r.errors);
  out += ",\n  \"messages\": [";
  for (std::size_t i = 0; i < r.messages.size(); ++i) {
    const MessageRecord& m = r.messages[i];
    out += i ? ",\n    " : "\n    ";
    out += "{\"caption\": " + JsonString(m.caption) + ", \"text\": " + JsonString(m.text) +
           ", \"answer\": " + JsonString(m.answer) + "}";
  }
  out += r.messages.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

}  // namespace qw
