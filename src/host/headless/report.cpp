#include "host/headless/report.h"

#include <algorithm>
#include <cstdio>

#include "platform/text_cut.h"

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

namespace {

using Json = nlohmann::ordered_json;

// Keeps the report within kMaxReportBytes: every text is cut to kMaxListTextBytes and made
// valid, and the entries of a list that would pass the budget are left out.
class ReportBudget {
 public:
  std::string text(std::string_view s) {
    std::string t = CutText(ValidUtf8(s.substr(0, std::min(s.size(), kMaxListTextBytes * 4))));
    charge(JsonCost(t));
    return t;
  }
  // Whether another list entry fits; once one did not, none does.
  bool room() {
    if (used_ > kMaxReportBytes) truncated_ = true;
    return !truncated_;
  }
  bool truncated() const { return truncated_; }
  Json texts(const std::vector<std::string>& items) {
    Json array = Json::array();
    for (const std::string& item : items) {
      if (!room()) break;
      array.push_back(text(item));
    }
    return array;
  }
  // The same bounds for a part built elsewhere (channels, audio, debug lists).
  Json bound(const Json& value) {
    if (value.is_string()) return text(value.get_ref<const std::string&>());
    if (value.is_array()) {
      Json array = Json::array();
      for (const Json& item : value) {
        if (!room()) break;
        array.push_back(bound(item));
      }
      return array;
    }
    if (value.is_object()) {
      Json object = Json::object();
      for (auto it = value.begin(); it != value.end(); ++it) {
        charge(it.key().size() + 8);
        object[it.key()] = bound(it.value());
      }
      return object;
    }
    charge(24);
    return value;
  }

 private:
  // Bytes the text takes in the JSON at worst: escapes of six bytes, quotes, indentation.
  static std::size_t JsonCost(std::string_view t) {
    std::size_t cost = 16;
    for (char c : t) {
      const auto b = static_cast<unsigned char>(c);
      cost += (b < 0x20 || c == '"' || c == '\\') ? 6 : 1;
    }
    return cost;
  }
  void charge(std::size_t bytes) { used_ += bytes; }

  std::size_t used_ = 0;
  bool truncated_ = false;
};

}  // namespace

std::string ReportToJson(const HeadlessReport& r) {
  ReportBudget budget;
  Json doc;
  doc["outcome"] = OutcomeName(r.outcome);
  doc["exit_code"] = r.exitCode;
  doc["file"] = budget.text(r.file);
  doc["line"] = r.line;
  doc["caption"] = budget.text(r.caption);
  doc["virtual_ms"] = r.virtualMs;
  doc["flags"] = budget.texts(r.flags);
  doc["errors"] = budget.texts(r.errors);
  Json messages = Json::array();
  for (const MessageRecord& m : r.messages) {
    if (!budget.room()) break;
    messages.push_back(
        {{"caption", budget.text(m.caption)}, {"text", budget.text(m.text)}, {"answer", m.answer}});
  }
  doc["messages"] = std::move(messages);
  doc["channels"] = budget.bound(r.channels);
  doc["audio"] = budget.bound(r.audio);
  Json windows = Json::array();
  for (const HeadlessHost::WindowRecord& w : r.windows) {
    if (!budget.room()) break;
    windows.push_back({{"name", budget.text(w.name)},
                       {"caption", budget.text(w.caption)},
                       {"texts", budget.texts(w.texts)}});
  }
  doc["windows"] = std::move(windows);
  if (r.debug) doc["debug"] = budget.bound(*r.debug);
  if (budget.truncated()) doc["truncated"] = true;
  // Texts were made valid above; what the engine's structures hold is replaced the same way.
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace qw
