// The reader of headless events files on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/headless/events.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    qw::ParseEvents(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  } catch (const qw::EventsError&) {
  }
  return 0;
}
