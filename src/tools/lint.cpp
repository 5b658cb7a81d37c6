#include "tools/lint.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <system_error>

#include "gfx/composite.h"
#include "gfx/transition.h"
#include "media/cd_tracks.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "present/text_engine.h"
#include "script/commands.h"
#include "script/menu_block.h"
#include "script/parse.h"
#include "script/source.h"
#include "state/expr.h"
#include "tools/command_info.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using Args = std::array<std::string, TProg::kArgCount>;

// Conditional lines hold command lines; a hostile chain of them must not exhaust the stack.
constexpr int kMaxNesting = 16;
constexpr std::int64_t kMaxSequencePictures = 1000;
constexpr int kUnknownMusicMode = -2;

struct Script {
  std::string name;  // as found, relative to the folder, UTF-8
  ScriptSource source;
  bool tooManyLabels = false;
};

// Expressions are checked for their form: flags and system values read as 0, and errors are
// collected rather than shown.
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

std::string U(std::string_view cp932) {
  return Cp932ToUtf8(cp932);
}

// A value that depends on flags or system values is known only at run time.
bool ReadsState(std::string_view text) {
  return text.find("flg[") != std::string_view::npos || text.find("sys[") != std::string_view::npos;
}

bool IsFlagReference(std::string_view text) {
  if (text.size() < 5 || text[4] != '[') return false;
  std::string_view prefix = text.substr(0, 4);
  return prefix == "$flg" || prefix == "@flg" || prefix == "$sys";
}

bool IsDecimal(std::string_view text) {
  std::size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  bool digits = false, dot = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      digits = true;
    } else if (text[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digits;
}

// The extensions the picture loader reads; it skips any other name without a word.
bool IsPictureName(std::string_view name) {
  const std::string ext = LowerExtension(name);
  for (const char* known : {".bmp", ".jpg", ".png", ".mag", ".qim", ".frl"}) {
    if (ext == known) return true;
  }
  return false;
}

bool UnbalancedQuotes(std::string_view line) {
  int quotes = 0;
  for (std::size_t i = 0; i < line.size(); i += CharLength(line, i)) {
    if (line[i] == '"') ++quotes;
  }
  return quotes % 2 != 0;
}

// What the parser never reads of a plain command line: the text after an unquoted "_" that
// ended the arguments, or after the 16th argument.
struct UnreadText {
  std::string text;
  bool afterUnderscore = false;
};
std::optional<UnreadText> Unread(std::string_view line) {
  std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const int len = static_cast<int>(line.size());
  auto rest = [&](int p, bool underscore) -> std::optional<UnreadText> {
    std::string_view text =
        p <= len ? TrimControl(line.substr(static_cast<std::size_t>(p - 1))) : std::string_view();
    if (text.empty()) return std::nullopt;
    return UnreadText{std::string(text), underscore};
  };
  int p = static_cast<int>(blank) + 2;
  for (int n = 0; n < TProg::kArgCount; ++n) {
    while (p <= len && (line[static_cast<std::size_t>(p - 1)] == ' ' ||
                        line[static_cast<std::size_t>(p - 1)] == '\t')) {
      ++p;
    }
    Token token = ReadToken(line, p, '_');
    if (token.ender == 0) return std::nullopt;
    if (token.ender == '_') return rest(token.next, true);
    p = token.next;
  }
  return rest(p, false);
}

// The CD track a music name stands for in CD mode: the first two characters of its file name.
std::optional<std::int32_t> CdTrackOf(const std::string& name) {
  std::string digits = CdTrackText(name);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoi(digits);
}

// The components of a file name as written, after the data root token.
std::vector<std::string> WrittenComponents(std::string_view cp932Name) {
  std::size_t at = cp932Name.find(kDataDriveToken);
  if (at != std::string_view::npos) cp932Name.remove_prefix(at + kDataDriveToken.size());
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < cp932Name.size();) {
    std::size_t n = CharLength(cp932Name, i);
    if (n == 1 && (cp932Name[i] == '/' || cp932Name[i] == '\\')) {
      if (!parts.back().empty()) parts.emplace_back();
    } else {
      parts.back().append(cp932Name.substr(i, n));
    }
    i += n;
  }
  if (parts.back().empty()) parts.pop_back();
  return parts;
}

class Linter {
 public:
  Linter(const fs::path& dir, const LintOptions& options)
      : dir_(fs::absolute(dir).lexically_normal()),
        isCommand_(options.isCommand),
        eval_(flags_, values_, reporter_) {
    if (!dir_.has_filename()) dir_ = dir_.parent_path();
    root_ = dir_.string();
    std::string keyProblem;
    key_ = ReadScriptKey(dir_, &keyProblem);
    if (!keyProblem.empty()) findings_.push_back({"decode.key", 0, keyProblem, false});
    if (!isCommand_) isCommand_ = [](const std::string& w) { return FindCommand(w) != nullptr; };
  }

  std::vector<LintFinding> run() {
    if (!locate("autorun.txt").path && !locate("autorun.txd").path) {
      findings_.push_back({"autorun.txt", 0,
                           "no start script autorun.txt or autorun.txd: the engine asks for one",
                           false});
    } else {
      target(nullptr, 0, "autorun.txt");
    }
    while (!pending_.empty()) {
      Script* script = pending_.front();
      pending_.pop_front();
      check(*script);
    }
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const LintFinding& a, const LintFinding& b) {
                       return a.file != b.file ? a.file < b.file : a.line < b.line;
                     });
    return std::move(findings_);
  }

 private:
  // ---- files ----

  struct Located {
    std::optional<fs::path> path;  // the file, when it exists
    bool caseOnly = false;         // found only by matching without regard to letter case
  };

  Located locate(const std::string& cp932Name) const {
    fs::path path = ResolvePathIn(dir_, cp932Name, root_);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return {};
    Located found{path, false};
    fs::path tail = path;
    const std::vector<std::string> written = WrittenComponents(cp932Name);
    for (auto it = written.rbegin(); it != written.rend(); ++it) {
      const std::string onDisk = tail.filename().string();
      if (onDisk != *it && onDisk != U(*it)) found.caseOnly = true;
      tail = tail.parent_path();
    }
    return found;
  }

  std::string shown(const fs::path& path) const {
    fs::path relative = path.lexically_normal().lexically_relative(dir_);
    if (relative.empty() || *relative.begin() == "..") return path.generic_string();
    return relative.generic_string();
  }

  void reportCase(const Script* from, std::size_t index, std::string_view kind,
                  const std::string& cp932Name, const fs::path& path) {
    warn(from, index,
         std::string(kind) + " " + U(cp932Name) + " is " + shown(path) +
             " on disk: found only because letter case is ignored");
  }

  // An empty name opens nothing, silently, as the engine does.
  void checkFile(const Script& s, std::size_t i, std::string_view kind, const std::string& name) {
    if (name.empty()) return;
    if (kind.find("picture") != std::string_view::npos && !IsPictureName(name)) {
      report(&s, i,
             std::string(kind) + " " + U(name) +
                 " is never loaded: pictures are .bmp, .jpg, .png, .mag, .qim or .frl");
      return;
    }
    Located found = locate(name);
    if (!found.path) {
      report(&s, i, std::string(kind) + " " + U(name) + " not found");
    } else if (found.caseOnly) {
      reportCase(&s, i, kind, name, *found.path);
    }
  }

  // Nothing, with `problem` set, when the file cannot be read.
  Script* load(const fs::path& path, std::string& problem) {
    const std::string name = shown(path);
    if (auto it = scripts_.find(name); it != scripts_.end()) return &it->second;
    FileRead file = ReadRegularFile(path, kMaxScriptFileSize);
    if (!file) {
      problem = file.reason();
      return nullptr;
    }
    Script script;
    script.name = name;
    script.source.lines = SplitLines(file.bytes);
    if (AsciiLower(path.extension().string()) == ".txd") {
      for (std::string& line : script.source.lines)
        CipherLine(line, key_);
    }
    script.tooManyLabels = !BuildLabelTable(script.source);
    Script* stored = &scripts_.emplace(name, std::move(script)).first->second;
    pending_.push_back(stored);
    return stored;
  }

  // The script the loader reads for `cp932Name`, with its .txt/.txd fall-back.
  Script* target(const Script* from, std::size_t index, const std::string& cp932Name) {
    const std::string ext = LowerExtension(cp932Name);
    const std::string base =
        cp932Name.size() >= 4 ? cp932Name.substr(0, cp932Name.size() - 4) : std::string();
    for (const std::string& candidate :
         {cp932Name, ext == ".txt" ? base + ".txd" : base + ".txt"}) {
      Located found = locate(candidate);
      if (!found.path) continue;
      if (found.caseOnly) reportCase(from, index, "script", candidate, *found.path);
      std::string problem;
      if (Script* script = load(*found.path, problem)) return script;
      report(from, index, "script " + shown(*found.path) + " cannot be read: " + problem);
      return nullptr;
    }
    report(from, index, "script " + U(cp932Name) + " not found");
    return nullptr;
  }

  // ---- findings ----

  void add(const Script* s, std::size_t index, std::string message, bool warning) {
    findings_.push_back({s ? s->name : std::string("autorun.txt"),
                         s ? static_cast<int>(index) + 1 : 0, std::move(message), warning});
  }
  void report(const Script* s, std::size_t index, std::string message) {
    add(s, index, std::move(message), false);
  }
  void warn(const Script* s, std::size_t index, std::string message) {
    add(s, index, std::move(message), true);
  }
  void reportCollected(const Script& s, std::size_t index) {
    for (const std::string& m : reporter_.messages)
      report(&s, index, m);
    reporter_.messages.clear();
  }

  // ---- values ----

  void checkExpression(const Script& s, std::size_t i, std::string_view text, int pos = 1) {
    if (text.empty()) return;
    reporter_.messages.clear();
    try {
      Evaluator::Result r = eval_.Parse(text, pos);
      if (r.pos < 0) {
        report(&s, i, "expression fails with code " + std::to_string(r.pos) + ": " + U(text));
      }
    } catch (const FrameworkError& e) {
      // Division by a flag that reads 0 here says nothing about the run.
      if (!ReadsState(text)) report(&s, i, std::string(e.what()) + ": " + U(text));
    }
    reportCollected(s, i);
  }

  std::optional<std::int32_t> constant(const std::string& text) {
    if (text.empty()) return 0;
    if (ReadsState(text)) return std::nullopt;
    try {
      Evaluator::Result r = eval_.Parse(text, 1);
      reporter_.messages.clear();
      if (r.pos < 0) return std::nullopt;
      return r.value;
    } catch (const FrameworkError&) {
      return std::nullopt;
    }
  }

  void checkSubscript(const Script& s, std::size_t i, std::string_view text, int pos) {
    reporter_.messages.clear();
    try {
      eval_.ReadSubscript(text, pos);
    } catch (const FrameworkError& e) {
      if (!ReadsState(text.substr(static_cast<std::size_t>(pos - 1) + 4))) {
        report(&s, i, std::string(e.what()) + ": " + U(text));
      }
    }
    reportCollected(s, i);
  }

  void checkFlag(const Script& s, std::size_t i, const std::string& text, bool orNone) {
    if (orNone && (text.empty() || text == "-1")) return;
    if (!IsFlagReference(text)) {
      report(&s, i, "\"" + U(text) + "\" is no flag reference ($flg[n], @flg[n] or $sys[n])");
      return;
    }
    checkSubscript(s, i, text, 1);
  }

  void checkTransition(const Script& s, std::size_t i, const std::string& name, bool required) {
    if (name.empty() && !required) return;
    if (ParseTransitionName(name)) return;
    std::string message = "transition \"" + U(name) + "\" runs nothing";
    if (!name.empty() && name[0] != '#') message += ": names begin with \"#\"";
    report(&s, i, message);
  }

  void checkLabel(const Script& s, std::size_t i, const Script& in, const std::string& label) {
    if (label.empty() || FindLabel(in.source, label) >= 0) return;
    std::string message = "label " + U(label) + " not found in " + in.name;
    if (label[0] != ':' && FindLabel(in.source, ":" + label) >= 0) {
      message += ": a label is named with its colon";
    }
    report(&s, i, message);
  }

  void checkMarker(const Script& s, std::size_t i, std::string_view marker) {
    const auto& lines = s.source.lines;
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
      if (TrimControl(lines[j]) == marker) return;
    }
    report(&s, i, std::string(marker) + " never comes");
  }

  // ---- media ----

  void checkCdTrack(const Script& s, std::size_t i, std::int32_t track) {
    if (!FindCdTrackFile(track, dir_, dir_).empty()) return;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", static_cast<int>(track));
    report(&s, i,
           "CD track " + std::to_string(track) + " has no file (cd/track" + digits +
               ".ogg, .flac, .mp3 or .wav)");
  }

  void checkMusicName(const Script& s, std::size_t i, const std::string& name) {
    if (name.empty()) return;
    switch (musicMode_) {
      case -1:
        return;  // ignored in this mode
      case 0:
        return checkFile(s, i, "music", name + ".mid");
      case 1:
      case 2:
        return checkFile(s, i, "music", name + ".mp3");
      case 3:
        return checkFile(s, i, "music", name + ".wav");
      case 4:
        if (std::optional<std::int32_t> track = CdTrackOf(name)) return checkCdTrack(s, i, *track);
        report(&s, i,
               "music " + U(name) + " names no CD track: its file name starts with two digits");
        return;
      default:
        break;
    }
    // The mode is set elsewhere: any medium will do.
    for (const char* ext : {".mid", ".mp3", ".wav"}) {
      if (Located found = locate(name + ext); found.path) {
        if (found.caseOnly) reportCase(&s, i, "music", name + ext, *found.path);
        return;
      }
    }
    if (std::optional<std::int32_t> track = CdTrackOf(name);
        track && !FindCdTrackFile(*track, dir_, dir_).empty()) {
      return;
    }
    report(&s, i, "music " + U(name) + " not found as .mid, .mp3, .wav or a CD track");
  }

  void checkSequence(const Script& s, std::size_t i, const Args& args) {
    const std::string& file = args[0];
    if (file.empty()) return;
    if (!IsPictureName(file)) return checkFile(s, i, "picture", file);
    std::optional<std::int32_t> first = constant(args[1]);
    std::optional<std::int32_t> last = constant(args[2]);
    if (!first || !last || *first < 0 || *last < *first ||
        std::int64_t{*last} - *first >= kMaxSequencePictures) {
      return;
    }
    const std::string base = file.size() >= 4 ? file.substr(0, file.size() - 4) : std::string();
    const std::size_t dot = file.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
    std::string firstMissing;
    int missing = 0;
    for (std::int32_t n = *first; n <= *last; ++n) {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(n));
      std::string number(digits);
      const std::string name = base + number.substr(number.size() - 3) + ext;
      Located found = locate(name);
      if (!found.path) {
        if (missing++ == 0) firstMissing = name;
      } else if (found.caseOnly && n == *first) {
        reportCase(&s, i, "picture", name, *found.path);
      }
    }
    if (missing > 0) {
      report(&s, i,
             "picture " + U(firstMissing) + " not found (" + std::to_string(missing) + " of " +
                 std::to_string(*last - *first + 1) + " numbered pictures missing)");
    }
  }

  // ---- arguments ----

  void checkArgument(const Script& s, std::size_t i, ArgKind kind, const std::string& a) {
    switch (kind) {
      case ArgKind::Text:
      case ArgKind::Keyword:
      case ArgKind::Label:
      case ArgKind::Script:
      case ArgKind::PictureSequence:
        break;  // read together with other arguments
      case ArgKind::Number:
        checkExpression(s, i, a);
        break;
      case ArgKind::Decimal:
        if (!IsDecimal(a)) report(&s, i, "\"" + U(a) + "\" is not a decimal number");
        break;
      case ArgKind::Color:
        if (!a.empty() && !ScriptColorToColor(a)) {
          report(&s, i, "colour \"" + U(a) + "\" is not \"#\" and six hexadecimal digits");
        }
        break;
      case ArgKind::MaskColor:
        reporter_.messages.clear();
        if (ParseMaskColor(a, Surface{}, reporter_) == kMaskFromFileColor) {
          checkFile(s, i, "mask picture", a);
        }
        reportCollected(s, i);
        break;
      case ArgKind::Position:
        if (!a.empty() && a[0] != '#') checkExpression(s, i, a);
        break;
      case ArgKind::Flag:
      case ArgKind::FlagOrNone:
        checkFlag(s, i, a, kind == ArgKind::FlagOrNone);
        break;
      case ArgKind::Picture:
        checkFile(s, i, "picture", a);
        break;
      case ArgKind::Sound:
        checkFile(s, i, "sound", a);
        break;
      case ArgKind::Music:
        checkFile(s, i, "music", a);
        break;
      case ArgKind::Movie:
        checkFile(s, i, "movie", a);
        break;
      case ArgKind::MusicName:
        checkMusicName(s, i, a);
        break;
      case ArgKind::CdTrack:
        checkExpression(s, i, a);
        if (std::optional<std::int32_t> track = constant(a)) checkCdTrack(s, i, *track);
        break;
      case ArgKind::Transition:
      case ArgKind::FadeTransition:
        checkTransition(s, i, a, kind == ArgKind::FadeTransition);
        break;
      case ArgKind::RefreshSetting:
        if (a != "0" && a != "1") checkTransition(s, i, a, true);
        break;
    }
  }

  void checkMenuItems(const Script& s, std::size_t i, int depth) {
    const auto& lines = s.source.lines;
    std::size_t items = 0;
    std::size_t j = i + 1;
    for (; j < lines.size(); ++j) {
      std::string_view t = TrimControl(lines[j]);
      if (t == "_endsel") return;
      if (++items == kMaxMenuItems + 1) {
        report(&s, j, "a menu holds 32 items: this one and those after it are dropped");
      }
      if (t.empty() || t[0] == ';') {
        warn(&s, j, "this line inside a menu block is read as an item");
        continue;
      }
      if (UnbalancedQuotes(t)) report(&s, j, "unbalanced quotes");
      MenuItemLine item = ParseMenuItemLine(t);
      checkExpression(s, j, item.condition);
      if (!item.command.empty()) checkCommand(s, j, item.command, depth + 1);
    }
    report(&s, i, "_endsel never comes: the items run to the end of the script");
  }

  void checkCommand(const Script& s, std::size_t i, std::string_view line, int depth) {
    if (depth > kMaxNesting) {
      report(&s, i, "command lines nested too deep");
      return;
    }
    Args args;
    const std::string word = ParseCommandLine(line, args);
    if (word.rfind("_(", 0) == 0) {
      checkExpression(s, i, word, 2);
      if (args[0].empty()) {
        report(&s, i, "no command after the condition's comma");
      } else {
        checkCommand(s, i, args[0], depth + 1);
      }
      return;
    }
    if (word.rfind("_$flg", 0) == 0 || word.rfind("_@flg", 0) == 0) {
      checkSubscript(s, i, word, 2);
      if (word[1] == '$') checkExpression(s, i, args[0]);
      Token value = ReadToken(line, ReadToken(line, 1, '=').next, '_');
      if (value.ender == '_' && value.next <= static_cast<int>(line.size()) &&
          !TrimControl(line.substr(static_cast<std::size_t>(value.next - 1))).empty()) {
        report(&s, i, "unquoted \"_\" ends the value: the rest is never read (quote it)");
      }
      return;
    }
    if (!isCommand_(word)) {
      if (word.rfind("_end", 0) == 0) return;
      std::string message = word.empty() ? "no command word" : "unknown command " + U(word);
      if (std::size_t tab = word.find('\t');
          tab != std::string::npos && isCommand_(word.substr(0, tab))) {
        message += ": a tab does not end the command word";
      }
      report(&s, i, message);
      return;
    }
    if (std::optional<UnreadText> unread = Unread(line)) {
      report(&s, i,
             unread->afterUnderscore
                 ? "unquoted \"_\" ends the arguments: \"" + U(unread->text) +
                       "\" is never read (quote an argument that holds \"_\")"
                 : "arguments after the 16th are never read: \"" + U(unread->text) + "\"");
    }
    const CommandInfo* info = FindCommandInfo(word);
    if (!info) return;
    for (std::size_t n = 0; n < info->args.size(); ++n) {
      checkArgument(s, i, static_cast<ArgKind>(info->args[n]), args[n]);
    }
    if (word == "_goto") {
      const Script* in = &s;
      if (!args[1].empty() && !(in = target(&s, i, args[1]))) return;
      checkLabel(s, i, *in, args[0]);
    } else if (word == "_gosub" || word == "_return") {
      checkLabel(s, i, s, args[0]);
    } else if (word == "_movplay") {
      checkSequence(s, i, args);
    } else if (word == "_bgmmode") {
      std::optional<std::int32_t> mode = constant(args[0]);
      musicMode_ = mode ? *mode : kUnknownMusicMode;
    }
    switch (info->block) {
      case BlockKind::Skip:
      case BlockKind::Scroll:
        checkMarker(s, i, info->blockEnd);
        break;
      case BlockKind::Menu:
        checkMenuItems(s, i, depth);
        break;
      case BlockKind::None:
        break;
    }
  }

  // ---- story text ----

  std::size_t checkTag(const Script& s, std::size_t i, std::string_view text, std::size_t p) {
    while (p < text.size() && text[p] != '>') {
      const char letter = text[p];
      if (IsLeadByte(static_cast<unsigned char>(letter))) {
        p += CharLength(text, p);
        continue;
      }
      ++p;
      if (letter == 'V' || letter == 'O' || letter == 'A') {
        std::string name = ReadTagFileName(text, p);
        if (!name.empty()) {
          checkFile(s, i, letter == 'A' ? "picture" : "sound", name);
        } else if (letter != 'O') {
          report(&s, i, std::string("tag ") + letter + " needs a file name in double quotes");
        }
      } else if (letter == 'C' || letter == 'B') {
        p += std::min<std::size_t>(7, text.size() - p);
      } else {
        if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9')
          ++p;
      }
    }
    return p < text.size() ? p + 1 : p;
  }

  std::size_t checkValue(const Script& s, std::size_t i, std::string_view text, std::size_t p) {
    auto find = [&](std::size_t from, char c) {
      for (std::size_t k = from; k < text.size(); k += CharLength(text, k)) {
        if (text[k] == c) return k;
      }
      return std::string_view::npos;
    };
    std::size_t comma = find(p, ',');
    std::size_t nameEnd = comma;
    if (comma == std::string_view::npos) {
      nameEnd = text.size();
      int depth = 0;
      for (std::size_t k = p; k < text.size(); k += CharLength(text, k)) {
        if (text[k] == '[') ++depth;
        if (text[k] == ']' && depth-- == 0) {
          nameEnd = k;
          break;
        }
      }
    }
    std::string_view name = text.substr(p, nameEnd - p);
    std::size_t next = nameEnd;
    if (comma != std::string_view::npos) {
      std::size_t close = find(comma + 1, ']');
      if (close == std::string_view::npos) close = text.size();
      checkExpression(s, i, text.substr(comma + 1, close - comma - 1));
      next = close;
    }
    if (!name.empty() && name[0] == '@') {
      if (!IsFlagReference(name)) {
        report(&s, i, "embedded value " + U(name) + " is no text flag reference @flg[n]");
      } else {
        checkSubscript(s, i, name, 1);
      }
    } else {
      checkExpression(s, i, name);
    }
    return next < text.size() ? next + 1 : next;
  }

  void checkText(const Script& s, std::size_t i, std::string_view text) {
    for (std::size_t p = 0; p < text.size();) {
      const std::size_t n = CharLength(text, p);
      const char c = text[p];
      p += n;
      if (n != 1) continue;
      if (c == '<') {
        p = checkTag(s, i, text, p);
      } else if (c == '[') {
        p = checkValue(s, i, text, p);
      } else if (c == '(') {
        // Ruby: the base is drawn as text, the ruby above it is not read for tags.
        std::size_t baseEnd = text.find(')', p);
        std::size_t rubyEnd =
            baseEnd == std::string_view::npos ? baseEnd : text.find(')', baseEnd + 1);
        if (rubyEnd == std::string_view::npos) continue;
        checkText(s, i, text.substr(p, baseEnd - p));
        p = rubyEnd + 1;
      }
    }
  }

  // ---- scripts ----

  void check(const Script& s) {
    musicMode_ = kUnknownMusicMode;
    if (s.tooManyLabels) {
      report(&s, static_cast<std::size_t>(s.source.labelLines.back()),
             "more than " + std::to_string(ScriptSource::kMaxLabels) +
                 " labels: the rest define nothing");
    }
    const auto& names = s.source.labelNames;
    for (std::size_t n = 1; n < names.size(); ++n) {
      int first = FindLabel(s.source, names[n]);
      if (first >= 0 && static_cast<std::size_t>(first) != n) {
        warn(&s, static_cast<std::size_t>(s.source.labelLines[n]),
             "label " + U(names[n]) + " also stands at line " +
                 std::to_string(s.source.labelLines[static_cast<std::size_t>(first)] + 1) +
                 ": jumps go there");
      }
    }
    const auto& lines = s.source.lines;
    const std::vector<bool> data = BlockDataLines(lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (data[i]) continue;
      std::string_view trimmed = TrimControl(lines[i]);
      if (!trimmed.empty() && trimmed[0] == '~') {
        std::string_view digits = trimmed.substr(1, 8);
        bool hex = digits.size() == 8 &&
                   digits.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
        if (!hex) report(&s, i, "a text id needs eight hexadecimal digits after \"~\"");
      }
      std::string_view body = LineBody(lines[i]);
      if (body.empty()) continue;
      switch (body[0]) {
        case '_':
          if (UnbalancedQuotes(body)) report(&s, i, "unbalanced quotes");
          checkCommand(s, i, body, 0);
          break;
        case ':':
        case ';':
        case '#':
        case '!':
        case '\\':
          break;
        default:
          checkText(s, i, body);
          break;
      }
    }
  }

  fs::path dir_;
  std::string root_;  // the data root: the scenario folder
  std::function<bool(const std::string&)> isCommand_;
  std::int32_t key_ = kDefaultScriptKey;
  std::map<std::string, Script> scripts_;
  std::deque<Script*> pending_;
  std::vector<LintFinding> findings_;
  int musicMode_ = kUnknownMusicMode;
  FlagStore flags_;
  SilentValues values_;
  CollectingReporter reporter_;
  Evaluator eval_;
};

}  // namespace

std::vector<LintFinding> LintScenario(const std::filesystem::path& dir,
                                      const LintOptions& options) {
  return Linter(dir, options).run();
}

int RunLintCommand(const std::filesystem::path& dir, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    err << "quillwork lint: no scenario folder " << dir.string() << "\n";
    return 2;
  }
  bool problems = false;
  for (const LintFinding& f : LintScenario(dir)) {
    out << f.file << ":";
    if (f.line > 0) out << f.line << ":";
    out << " " << (f.warning ? "warning: " : "") << f.message << "\n";
    problems = problems || !f.warning;
  }
  return problems ? 1 : 0;
}

}  // namespace qw
