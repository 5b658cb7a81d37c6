#include "platform/text_cut.h"

namespace qw {
namespace {

constexpr std::string_view kCutMark = "\xE2\x80\xA6";  // …

}  // namespace

std::string CutText(std::string_view utf8Text, std::size_t maxBytes) {
  if (utf8Text.size() <= maxBytes) return std::string(utf8Text);
  const std::string_view mark = maxBytes >= kCutMark.size() * 2 ? kCutMark : std::string_view{};
  std::size_t keep = maxBytes - mark.size();
  // Never half a character: step back over continuation bytes to a character's start.
  while (keep > 0 && (static_cast<unsigned char>(utf8Text[keep]) & 0xC0) == 0x80)
    --keep;
  std::string out(utf8Text.substr(0, keep));
  out += mark;
  return out;
}

}  // namespace qw
