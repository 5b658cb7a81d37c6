// The FRL decoder on arbitrary bytes, into a fresh picture and into one that keeps its size.
#include "gfx/frl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qw::TFrlHeader header;
  qw::Surface fresh;
  qw::LoadCodedImage({data, size}, fresh, false, header);
  qw::Surface kept(7, 5);
  qw::LoadCodedImage({data, size}, kept, true, header);
  if (kept.width() != 7 || kept.height() != 5) __builtin_trap();
  return 0;
}
