// Texts that come from a script and go into lists kept for the whole run (the error list,
// recorded message boxes, the headless report) are cut, so that a script repeating one huge
// line cannot fill the memory or the disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qw {

// The longest text an entry of such a list keeps, in bytes, the mark of the cut included.
inline constexpr std::size_t kMaxListTextBytes = 1024;

// `utf8Text` when it fits in `maxBytes`; otherwise its head, cut before a character that would
// not fit, followed by "…". A `maxBytes` too small for the mark gives a bare head.
std::string CutText(std::string_view utf8Text, std::size_t maxBytes = kMaxListTextBytes);

}  // namespace qw
