// Script coverage: which script lines a run took, written as an lcov tracefile so that an
// author sees with the usual tools (genhtml) which branches the regression runs never reach.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "script/source.h"

namespace qw {

class ScriptCoverage {
 public:
  // What the driver does with a line, in rising order of what the tracefile shows.
  static constexpr std::uint8_t kSkipped = 0;     // label, comment, empty line
  static constexpr std::uint8_t kBlockData = 1;   // menu item or scroll text: read by its block
  static constexpr std::uint8_t kExecutable = 2;  // command, caption, story text

  // Called by the driver for every line it takes: `pc` of the script `fileName` (CP932, as
  // the script named it), whose lines are `script`.
  void lineRun(const std::string& fileName, const ScriptSource& script, std::int32_t pc);

  // The tracefile: one record per script file that ran, sorted by path. "SF:" is the file
  // read (the ".txd" behind a ".txt" name, letter case as on disk) relative to
  // `scenarioDir`; each line the driver can run (commands, captions, story text; not labels,
  // comments, empty lines, nor the item and text lines that menu and scroll blocks read
  // themselves) has a "DA:" entry with its one-based number and the times it ran.
  std::string tracefile(const std::filesystem::path& scenarioDir, std::string_view dataRoot) const;

  // Writes the tracefile atomically; false when it cannot be written.
  bool write(const std::filesystem::path& file, const std::filesystem::path& scenarioDir,
             std::string_view dataRoot) const;

 private:
  struct Record {
    std::vector<std::uint64_t> counts;
    std::vector<std::uint8_t> kinds;
  };
  Record& recordFor(const std::string& fileName, const ScriptSource& script);

  std::map<std::string, Record> records_;  // by the name the scripts used
  std::string lastName_;
  Record* last_ = nullptr;
  const ScriptSource* lastScript_ = nullptr;
  std::size_t lastSize_ = 0;
};

}  // namespace qw
