#include "tools/lint.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <system_error>

#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "script/commands.h"
#include "script/parse.h"
#include "script/source.h"
#include "state/expr.h"

namespace qw {
namespace {

struct Script {
  std::string name;  // as found, relative to the folder, UTF-8
  ScriptSource source;
  bool tooManyLabels = false;
};

// Expressions are checked for their form only: flags read as 0 and errors are collected.
struct SilentValues : SystemValueSource {
  std::int32_t systemValue(int) override { return 0; }
};
struct CollectingReporter : ErrorReporter {
  std::vector<std::string> messages;
  void scriptError(const std::string& message, MessageIcon) override {
    messages.push_back(message);
  }
  void reportScriptError(const std::string& message) override { messages.push_back(message); }
};

class Linter {
 public:
  explicit Linter(const std::filesystem::path& dir)
      : dir_(std::filesystem::absolute(dir)), eval_(flags_, values_, reporter_) {
    key_ = ReadScriptKey(dir);
  }

  std::vector<LintFinding> run() {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      std::string ext = AsciiLower(it->path().extension().string());
      if (ext != ".txt" && ext != ".txd") continue;
      std::string relative = std::filesystem::relative(it->path(), dir_, ec).generic_string();
      if (Script* script = load(relative)) names_.push_back(script->name);
    }
    std::sort(names_.begin(), names_.end());
    for (const std::string& name : names_)
      check(scripts_.at(AsciiLower(name)));
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const LintFinding& a, const LintFinding& b) {
                       return a.file != b.file ? a.file < b.file : a.line < b.line;
                     });
    return std::move(findings_);
  }

 private:
  Script* load(const std::string& relative) {
    std::string key = AsciiLower(relative);
    if (auto it = scripts_.find(key); it != scripts_.end()) return &it->second;
    std::optional<std::string> bytes = ReadFileBytes(dir_ / relative);
    if (!bytes) return nullptr;
    Script script;
    script.name = relative;
    script.source.lines = SplitLines(*bytes);
    if (key.size() >= 4 && key.substr(key.size() - 4) == ".txd") {
      for (std::string& line : script.source.lines)
        CipherLine(line, key_);
    }
    script.tooManyLabels = !BuildLabelTable(script.source);
    return &scripts_.emplace(key, std::move(script)).first->second;
  }

  // The script a `_goto` names, with the loader's .txt/.txd fall-backs.
  Script* target(const std::string& cp932Name) {
    const std::string ext = LowerExtension(cp932Name);
    const std::string base =
        cp932Name.size() >= 4 ? cp932Name.substr(0, cp932Name.size() - 4) : std::string();
    const std::vector<std::string> candidates = {cp932Name,
                                                 ext == ".txt" ? base + ".txd" : base + ".txt"};
    for (const std::string& candidate : candidates) {
      // Scripts name files relative to the scenario folder, the current folder of a run.
      std::filesystem::path resolved = ResolvePathIn(dir_, candidate, dir_.string());
      std::error_code ec;
      if (!std::filesystem::is_regular_file(resolved, ec)) continue;
      std::string relative =
          std::filesystem::relative(resolved, dir_, ec).lexically_normal().generic_string();
      if (Script* s = load(relative)) return s;
    }
    return nullptr;
  }

  void report(const Script& script, std::size_t index, std::string message) {
    findings_.push_back({script.name, static_cast<int>(index) + 1, std::move(message)});
  }

  void checkExpression(const Script& script, std::size_t index, const std::string& text,
                       int pos = 1) {
    if (text.empty()) return;
    reporter_.messages.clear();
    try {
      Evaluator::Result r = eval_.Parse(text, pos);
      if (r.pos < 0) {
        report(script, index,
               "expression fails with code " + std::to_string(r.pos) + ": " + Cp932ToUtf8(text));
      }
    } catch (const FrameworkError& e) {
      report(script, index, std::string(e.what()) + ": " + Cp932ToUtf8(text));
    }
    for (const std::string& m : reporter_.messages)
      report(script, index, m);
  }

  void checkLabel(const Script& script, std::size_t index, const Script& in,
                  const std::string& label) {
    if (FindLabel(in.source, label) < 0) {
      report(script, index, "label " + Cp932ToUtf8(label) + " not found in " + in.name);
    }
  }

  void checkMarker(const Script& script, std::size_t index, const char* marker) {
    const auto& lines = script.source.lines;
    for (std::size_t i = index + 1; i < lines.size(); ++i) {
      if (TrimControl(lines[i]) == marker) return;
    }
    report(script, index, std::string(marker) + " never comes");
  }

  void checkCommand(const Script& script, std::size_t index, const std::string& line, int depth) {
    std::array<std::string, TProg::kArgCount> args;
    std::string word = ParseCommandLine(line, args);
    if (word.rfind("_(", 0) == 0) {
      checkExpression(script, index, word, 2);
      if (depth < 8) checkCommand(script, index, args[0], depth + 1);
      return;
    }
    if (word.rfind("_$flg", 0) == 0 || word.rfind("_@flg", 0) == 0) {
      int pos = 2;
      reporter_.messages.clear();
      eval_.ReadSubscript(word, pos);
      for (const std::string& m : reporter_.messages)
        report(script, index, m);
      if (word[1] == '$') checkExpression(script, index, args[0]);
      return;
    }
    if (word.rfind("_end", 0) == 0) return;
    if (!FindCommand(word)) {
      report(script, index, "unknown command " + Cp932ToUtf8(word));
      return;
    }
    if (word == "_goto") {
      const Script* in = &script;
      if (!args[1].empty()) {
        in = target(args[1]);
        if (!in) {
          report(script, index, "script " + Cp932ToUtf8(args[1]) + " not found");
          return;
        }
      }
      if (!args[0].empty()) checkLabel(script, index, *in, args[0]);
    } else if ((word == "_gosub" || word == "_return") && !args[0].empty()) {
      checkLabel(script, index, script, args[0]);
    } else if (word == "_then") {
      checkMarker(script, index, "_endthen");
    } else if (word == "_else") {
      checkMarker(script, index, "_endelse");
    } else if (word == "_branch") {
      checkMarker(script, index, "_endbranch");
      checkExpression(script, index, args[0]);
    } else if (word == "_if" || word == "_wait" || word == "_delay") {
      checkExpression(script, index, args[0]);
    }
  }

  void check(const Script& script) {
    if (script.tooManyLabels) {
      report(script, script.source.labelLines.back(),
             "more than " + std::to_string(ScriptSource::kMaxLabels) +
                 " labels: the rest define nothing");
    }
    const auto& names = script.source.labelNames;
    for (std::size_t n = 1; n < names.size(); ++n) {
      int first = FindLabel(script.source, names[n]);
      if (first >= 0 && static_cast<std::size_t>(first) != n) {
        report(script, static_cast<std::size_t>(script.source.labelLines[n]),
               "label " + Cp932ToUtf8(names[n]) + " also stands at line " +
                   std::to_string(script.source.labelLines[static_cast<std::size_t>(first)] + 1) +
                   ": jumps go there");
      }
    }
    const auto& lines = script.source.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string line(TrimControl(lines[i]));
      if (!line.empty() && line[0] == '~') {
        std::string digits = line.substr(1, 8);
        bool hex = digits.size() == 8 &&
                   digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        if (!hex) report(script, i, "a text id needs eight hexadecimal digits after \"~\"");
        line.erase(0, std::min<std::size_t>(9, line.size()));
      }
      if (!line.empty() && line[0] == '_') checkCommand(script, i, line, 0);
    }
  }

  std::filesystem::path dir_;
  std::int32_t key_ = kDefaultScriptKey;
  std::map<std::string, Script> scripts_;
  std::vector<std::string> names_;
  std::vector<LintFinding> findings_;
  FlagStore flags_;
  SilentValues values_;
  CollectingReporter reporter_;
  Evaluator eval_;
};

}  // namespace

std::vector<LintFinding> LintScenario(const std::filesystem::path& dir) {
  return Linter(dir).run();
}

int RunLintCommand(const std::filesystem::path& dir, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    err << "quillwork lint: no scenario folder " << dir.string() << "\n";
    return 2;
  }
  std::vector<LintFinding> findings = LintScenario(dir);
  for (const LintFinding& f : findings)
    out << f.file << ":" << f.line << ": " << f.message << "\n";
  return findings.empty() ? 0 : 1;
}

}  // namespace qw
