// The MAG decoder on arbitrary bytes: the header parse, the size query and the whole load.
#include <vector>

#include "gfx/mag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qw::TMagHeader header;
  if (size > 0) qw::TM2BC::ParseHeader(data, size, header);
  const std::uint32_t imageSize = qw::TM2BC::BitmapImageSize({data, size});
  std::vector<std::uint8_t> image;
  if (qw::TM2BC::DecodeToBitmapImage({data, size}, image) == 0 && image.size() != imageSize) {
    __builtin_trap();  // the image must be exactly as large as the size query said
  }
  qw::Surface out;
  qw::TM2BC::MMAG_MagtoBmp({data, size}, out);
  return 0;
}
