#include "app/coverage.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "tools/command_info.h"

namespace qw {
namespace {

namespace fs = std::filesystem;

// What the driver does with each line of a script.
std::vector<std::uint8_t> LineKinds(const std::vector<std::string>& lines) {
  const std::vector<bool> data = BlockDataLines(lines);
  std::vector<std::uint8_t> kinds(lines.size(), ScriptCoverage::kSkipped);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view body = LineBody(lines[i]);
    if (body.empty() || body[0] == ':' || body[0] == ';' || body[0] == '#') continue;
    kinds[i] = data[i] ? ScriptCoverage::kBlockData : ScriptCoverage::kExecutable;
  }
  return kinds;
}

// The file the loader reads for `cp932Name`: the name itself, else its .txt/.txd other form.
fs::path LoadedFile(const fs::path& scenarioDir, const std::string& cp932Name,
                    std::string_view dataRoot) {
  std::error_code ec;
  fs::path path = ResolvePathIn(scenarioDir, cp932Name, dataRoot);
  if (fs::is_regular_file(path, ec)) return path;
  const std::string base =
      cp932Name.size() >= 4 ? cp932Name.substr(0, cp932Name.size() - 4) : std::string();
  fs::path other = ResolvePathIn(
      scenarioDir, LowerExtension(cp932Name) == ".txt" ? base + ".txd" : base + ".txt", dataRoot);
  return fs::is_regular_file(other, ec) ? other : path;
}

std::string RelativeName(const fs::path& scenarioDir, const fs::path& file) {
  fs::path relative = file.lexically_normal().lexically_relative(scenarioDir.lexically_normal());
  return relative.empty() ? file.generic_string() : relative.generic_string();
}

}  // namespace

ScriptCoverage::Record& ScriptCoverage::recordFor(const std::string& fileName,
                                                  const ScriptSource& script) {
  if (last_ && lastScript_ == &script && lastSize_ == script.lines.size() &&
      fileName == lastName_) {
    return *last_;
  }
  Record& record = records_[fileName];
  if (record.counts.size() != script.lines.size()) {
    // A name seen before may now stand for another file: its lines are merged.
    const std::vector<std::uint8_t> kinds = LineKinds(script.lines);
    const std::size_t size = std::max(record.counts.size(), kinds.size());
    record.counts.resize(size, 0);
    record.kinds.resize(size, kSkipped);
    for (std::size_t i = 0; i < kinds.size(); ++i)
      record.kinds[i] = std::max(record.kinds[i], kinds[i]);
  }
  lastName_ = fileName;
  last_ = &record;
  lastScript_ = &script;
  lastSize_ = script.lines.size();
  return record;
}

void ScriptCoverage::lineRun(const std::string& fileName, const ScriptSource& script,
                             std::int32_t pc) {
  if (pc < 0 || static_cast<std::size_t>(pc) >= script.lines.size()) return;
  Record& record = recordFor(fileName, script);
  ++record.counts[static_cast<std::size_t>(pc)];
}

std::string ScriptCoverage::tracefile(const fs::path& scenarioDir,
                                      std::string_view dataRoot) const {
  // Two names of one file ("A.TXT" and "a.txt") make one record.
  std::map<std::string, Record> byFile;
  for (const auto& [name, record] : records_) {
    Record& merged = byFile[RelativeName(scenarioDir, LoadedFile(scenarioDir, name, dataRoot))];
    const std::size_t size = std::max(merged.counts.size(), record.counts.size());
    merged.counts.resize(size, 0);
    merged.kinds.resize(size, kSkipped);
    for (std::size_t i = 0; i < record.counts.size(); ++i) {
      merged.counts[i] += record.counts[i];
      merged.kinds[i] = std::max(merged.kinds[i], record.kinds[i]);
    }
  }
  std::string out;
  for (const auto& [file, record] : byFile) {
    out += "TN:\nSF:" + file + "\n";
    std::size_t found = 0, hit = 0;
    for (std::size_t i = 0; i < record.counts.size(); ++i) {
      // A block's line that ran all the same (its block read from a conditional line) counts.
      const bool shown =
          record.kinds[i] == kExecutable || (record.kinds[i] == kBlockData && record.counts[i] > 0);
      if (!shown) continue;
      out += "DA:" + std::to_string(i + 1) + "," + std::to_string(record.counts[i]) + "\n";
      ++found;
      if (record.counts[i] > 0) ++hit;
    }
    out += "LF:" + std::to_string(found) + "\nLH:" + std::to_string(hit) + "\nend_of_record\n";
  }
  return out;
}

bool ScriptCoverage::write(const fs::path& file, const fs::path& scenarioDir,
                           std::string_view dataRoot) const {
  return WriteFileAtomically(file, tracefile(scenarioDir, dataRoot));
}

}  // namespace qw
