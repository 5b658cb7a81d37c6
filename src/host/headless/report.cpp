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

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

std::string ReportToJson(const HeadlessReport& r) {
  using Json = nlohmann::ordered_json;
  auto texts = [](const std::vector<std::string>& items) {
    Json array = Json::array();
    for (const std::string& item : items)
      array.push_back(ValidUtf8(item));
    return array;
  };
  Json doc;
  doc["outcome"] = OutcomeName(r.outcome);
  doc["exit_code"] = r.exitCode;
  doc["file"] = ValidUtf8(r.file);
  doc["line"] = r.line;
  doc["caption"] = ValidUtf8(r.caption);
  doc["virtual_ms"] = r.virtualMs;
  doc["flags"] = texts(r.flags);
  doc["errors"] = texts(r.errors);
  Json messages = Json::array();
  for (const MessageRecord& m : r.messages) {
    messages.push_back(
        {{"caption", ValidUtf8(m.caption)}, {"text", ValidUtf8(m.text)}, {"answer", m.answer}});
  }
  doc["messages"] = std::move(messages);
  doc["channels"] = r.channels;
  doc["audio"] = r.audio;
  Json windows = Json::array();
  for (const HeadlessHost::WindowRecord& w : r.windows) {
    windows.push_back({{"name", ValidUtf8(w.name)},
                       {"caption", ValidUtf8(w.caption)},
                       {"texts", texts(w.texts)}});
  }
  doc["windows"] = std::move(windows);
  if (r.debug) doc["debug"] = *r.debug;
  // Texts were made valid above; what the engine's structures hold is replaced the same way.
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace qw
