// `quillwork lint`: checks every script of a scenario without running it.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace qw {

struct LintFinding {
  std::string file;  // relative to the scenario folder, UTF-8
  int line = 0;      // one-based; 0 for the scenario as a whole
  std::string message;
  // Works as written, but only thanks to a rule of this engine (letter case ignored in file
  // names) or not the way the author may think (a second label of the same name).
  bool warning = false;
};

struct LintOptions {
  // Whether the engine runs a command word; the command table (FindCommand) when empty.
  std::function<bool(const std::string& word)> isCommand;
};

// Reads the start script ("autorun.txt", or its ".txd") and every script it reaches through
// `_goto` (".txd" deciphered with the loader's key rules), and reports with file and line what
// would go wrong at run time: unknown command words, labels not found, block markers that
// never come, more than 512 labels, expressions that fail, unbalanced quotes, arguments cut
// at an unquoted "_", picture, sound, movie and script files that do not exist (a warning for
// those found only without regard to letter case), transition names that run nothing. Sorted
// by file and line.
std::vector<LintFinding> LintScenario(const std::filesystem::path& dir,
                                      const LintOptions& options = {});

// Prints the findings as "file:line: message" ("file:line: warning: message") and returns 0
// when there are none or only warnings, 1 when there are problems, 2 when `dir` is no folder.
int RunLintCommand(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

}  // namespace qw
