// The FRL decoder: run-length coded true colour in four coding modes.
#pragma once

#include <cstdint>

#include "gfx/codecs.h"

namespace qw {

struct TFrlHeader {
  char magic[4] = {};
  std::uint32_t mode = 0;  // 24, 18, 12 or 10
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t dataSize = 0;
};

inline constexpr std::size_t kFrlHeaderSize = 40;

// Decodes an FRL file held in memory. With `keepSize` false (the only use) the picture takes
// the file's width and height; pixels no run reaches keep what a resize leaves there (see
// ResizePicture). False when the magic is not "FRL", the header or the data is cut short,
// the size is not a picture the decoders accept, or the data is larger than 4 bytes per
// pixel; `picture` is then unchanged. An unknown coding mode decodes nothing and succeeds.
// Runs past the last pixel are cut off.
bool LoadCodedImage(ByteSpan file, Surface& picture, bool keepSize, TFrlHeader& header);

// Gives `picture` the new size as a bitmap resize does: the part that fits stays, the rest
// is white.
void ResizePicture(Surface& picture, int width, int height);

}  // namespace qw
