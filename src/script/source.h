// Script files: reading with the .txt/.txd fall-backs, deciphering, the label table.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

struct ScriptSource {
  static constexpr int kMaxLabels = 512;

  std::vector<std::string> lines;        // ScriptLines
  std::vector<std::string> labelNames;   // LabelNames
  std::vector<std::int32_t> labelLines;  // LabelLines, parallel to labelNames
};

// Splits file bytes into lines at CR, LF or CR LF; a NUL byte ends the text.
std::vector<std::string> SplitLines(std::string_view bytes);

// The working key from the integer in "decode.key"; kDefaultScriptKey without the file.
std::int32_t DeriveScriptKey(std::int32_t fileValue);
inline constexpr std::int32_t kDefaultScriptKey = 467;
// Reads the key file "decode.key" of `folder` (the current folder when empty), its name matched
// without regard to letter case; the default key
// when there is none. A key file that cannot be read (not a regular file, larger than a
// settings file, no permission) gives the default key too, and `problem`, when given, says
// why ("Cannot open file "decode.key". Not a regular file"); it is left empty otherwise.
std::int32_t ReadScriptKey(const std::filesystem::path& folder = {},
                           std::string* problem = nullptr);
// The same from a key file named exactly.
std::int32_t ReadScriptKeyFile(const std::filesystem::path& keyFile,
                               std::string* problem = nullptr);

// Enciphers or deciphers one line in place (the operation is its own inverse).
void CipherLine(std::string& line, std::int32_t key);

// Enciphers or deciphers a whole file's bytes, line by line, keeping its line ends.
void CipherBytes(std::string& bytes, std::int32_t key);

// Strips leading and trailing bytes of code at most 32.
std::string_view TrimControl(std::string_view s);
std::string_view TrimLeftControl(std::string_view s);

// Rebuilds the label table; returns false when the 513th label was met (the table keeps 512).
bool BuildLabelTable(ScriptSource& source);

// Index into labelNames of the first label equal to `label` without regard to case, or -1.
int FindLabel(const ScriptSource& source, std::string_view label);

}  // namespace qw
