// Decoders of picture files held in memory. Each one reads untrusted bytes: it stays inside
// the buffer it is given and refuses pictures larger than the limits below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "gfx/surface.h"
#include "platform/errors.h"

namespace qw {

// The largest picture any decoder accepts: each side at most 16384 pixels and at most
// 256 MiB of 32-bit pixels.
inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{256} << 20;

constexpr bool PictureSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height * 4 <= kMaxPictureBytes;
}

// All surfaces of the process together (screen buffers, pictures, masks, scratch copies) stay
// within this many bytes of pixels: a picture that would take them past it is refused, as one
// its decoder cannot read. With the largest picture's file or mask on top (256 MB), the engine
// stays under 1 GB.
inline constexpr std::int64_t kDefaultPictureMemoryBudget = std::int64_t{640} << 20;

// The budget in force: kDefaultPictureMemoryBudget unless a test set another.
std::int64_t PictureMemoryBudget();
// Sets the budget and returns the previous one.
std::int64_t SetPictureMemoryBudget(std::int64_t bytes);
// Whether a new picture of width x height leaves all surfaces together within the budget. The
// surface it replaces still counts: decoders build the new picture before the old one goes.
bool PictureFitsMemoryBudget(std::int64_t width, std::int64_t height);

// Thrown by the BMP, PNG and JPEG decoders for a picture that does not fit the budget.
class PictureBudgetError : public FrameworkError {
 public:
  using FrameworkError::FrameworkError;
};
inline constexpr const char* kPictureBudgetMessage = "Not enough memory for the picture";

using ByteSpan = std::span<const std::uint8_t>;

inline ByteSpan AsBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The platform's messages for pictures it cannot read.
inline constexpr const char* kInvalidBitmapMessage = "Bitmap image is not valid";

// BMP: 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down, BI_RGB, BI_BITFIELDS,
// RLE4, RLE8, and the old 12-byte core header. Palette and 16/24-bit pictures come out with
// the fourth byte 0; 32-bit BI_RGB pixels keep their fourth byte as stored. Throws
// FrameworkError on anything it cannot read (PictureBudgetError for a picture past the
// memory budget); `out` is then unchanged.
void DecodeBmp(ByteSpan data, Surface& out);

// PNG through libpng: every colour type and depth, interlaced or not. Colours come out as
// stored (alpha and transparency are dropped), the fourth byte 0. Throws FrameworkError
// (PictureBudgetError past the memory budget).
void DecodePng(ByteSpan data, Surface& out);

// JPEG through libjpeg: baseline, progressive, greyscale, CMYK/YCCK. The fourth byte is 0.
// Throws FrameworkError (PictureBudgetError past the memory budget).
void DecodeJpeg(ByteSpan data, Surface& out);

}  // namespace qw
