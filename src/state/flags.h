// The flag store: 512 text cells, read as integers through `$flg` and as text through `@flg`.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qw {

class FlagStore {
 public:
  static constexpr int kCount = 512;
  static constexpr int kLocalCount = 256;

  const std::string& text(int index) const { return cells_[static_cast<std::size_t>(index)]; }
  // The longest text a cell keeps, so that 512 cells stay within a few tens of megabytes
  // whatever a script concatenates; longer texts are cut at a character boundary.
  static constexpr std::size_t kMaxCellBytes = 64 * 1024;
  void set(int index, std::string value);
  // The integer view: 0 for the empty text, else the text as a signed 32-bit decimal.
  // Throws FrameworkError when the text is not one.
  std::int32_t integer(int index) const;
  void setInteger(int index, std::int32_t value) { set(index, std::to_string(value)); }
  // `_flgclear`: kind 0 the local half, 1 the global half, 2 all; other kinds change nothing.
  void clearRange(std::int32_t kind, const std::string& value);

  // The cell a click on the picture sets to "1"; -1 when unset.
  int clickFlag = -1;

 private:
  std::array<std::string, kCount> cells_;
};

// The platform's decimal conversion: optional sign and digits, within 32 bits. Throws
// FrameworkError with the platform's message otherwise.
std::int32_t StrToInt(std::string_view text);

}  // namespace qw
