// The configuration files: one "key=value" a line, section lines ignored, keys matched without
// regard to letter case, the first line with a key winning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

class ConfigFile {
 public:
  // Reads `path`; returns false when it cannot be opened (the file then reads as empty).
  bool load(const std::string& path);
  void parse(std::string_view bytes);
  // The value of `key`, or the empty text.
  std::string value(std::string_view key) const;
  bool has(std::string_view key) const;
  // The value as a decimal integer; `fallback` when it is empty or no number.
  std::int32_t integer(std::string_view key, std::int32_t fallback) const;

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace qw
