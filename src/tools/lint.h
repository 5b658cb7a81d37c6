// `quillwork lint`: checks every script of a scenario without running it.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace qw {

struct LintFinding {
  std::string file;  // relative to the scenario folder, UTF-8
  int line = 0;      // one-based
  std::string message;
};

// Reads every ".txt" and ".txd" script below `dir` (".txd" deciphered with the key rules of
// the loader) and reports what the engine would stumble over: unknown commands, labels that
// are missing or defined twice, too many labels, jumps to scripts that do not exist, block
// markers that never come, expressions that fail, bad text ids.
std::vector<LintFinding> LintScenario(const std::filesystem::path& dir);

// Prints the findings as "file:line: message" and returns 0 when there are none, 1 when there
// are, 2 when `dir` is no folder.
int RunLintCommand(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

}  // namespace qw
