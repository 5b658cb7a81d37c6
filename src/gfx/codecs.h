// Decoders of picture files held in memory. Each one reads untrusted bytes: it stays inside
// the buffer it is given and refuses pictures larger than the limits below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "gfx/surface.h"

namespace qw {

// The largest picture any decoder accepts: each side at most 16384 pixels and at most
// 256 MiB of 32-bit pixels.
inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{256} << 20;

constexpr bool PictureSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height * 4 <= kMaxPictureBytes;
}

using ByteSpan = std::span<const std::uint8_t>;

inline ByteSpan AsBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The platform's messages for pictures it cannot read.
inline constexpr const char* kInvalidBitmapMessage = "Bitmap image is not valid";

// BMP: 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down, BI_RGB, BI_BITFIELDS,
// RLE4, RLE8, and the old 12-byte core header. Palette and 16/24-bit pictures come out with
// the fourth byte 0; 32-bit BI_RGB pixels keep their fourth byte as stored. Throws
// FrameworkError on anything it cannot read; `out` is then unchanged.
void DecodeBmp(ByteSpan data, Surface& out);

// PNG through libpng: every colour type and depth, interlaced or not. Colours come out as
// stored (alpha and transparency are dropped), the fourth byte 0. Throws FrameworkError.
void DecodePng(ByteSpan data, Surface& out);

// JPEG through libjpeg: baseline, progressive, greyscale, CMYK/YCCK. The fourth byte is 0.
// Throws FrameworkError.
void DecodeJpeg(ByteSpan data, Surface& out);

}  // namespace qw
