#include "gfx/raster.h"

#include <algorithm>
#include <cstring>

namespace qw {
namespace {

// Separate surfaces never overlap; saying so lets the compiler vectorise the row loops.
void AndRow(std::uint32_t* __restrict d, const std::uint32_t* __restrict s, long long n) {
  for (long long i = 0; i < n; ++i)
    d[i] &= s[i];
}
void OrRow(std::uint32_t* __restrict d, const std::uint32_t* __restrict s, long long n) {
  for (long long i = 0; i < n; ++i)
    d[i] |= s[i];
}

void MaskedRow(std::uint32_t* __restrict d, const std::uint32_t* __restrict image,
               const std::uint32_t* __restrict mask, long long n) {
  for (long long i = 0; i < n; ++i)
    d[i] = (d[i] & mask[i]) | image[i];
}

struct Clipped {
  long long dx, dy, sx, sy, width, height;
};

// The rectangle clipped to the source, then to the destination, both origins moving together;
// a width or height of 0 or less when nothing is left.
Clipped Clip(const Surface& dst, int dstX, int dstY, int w, int h, const Surface& src, int srcX,
             int srcY) {
  // 64-bit arithmetic: script positions may lie anywhere in the 32-bit range.
  long long dx = dstX, dy = dstY, width = w, height = h, sx = srcX, sy = srcY;
  // Clip the source rectangle to the source, then the destination to the destination,
  // moving both origins together.
  if (sx < 0) {
    width += sx;
    dx -= sx;
    sx = 0;
  }
  if (sy < 0) {
    height += sy;
    dy -= sy;
    sy = 0;
  }
  if (dx < 0) {
    width += dx;
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    height += dy;
    sy -= dy;
    dy = 0;
  }
  width = std::min({width, src.width() - sx, dst.width() - dx});
  height = std::min({height, src.height() - sy, dst.height() - dy});
  return {dx, dy, sx, sy, width, height};
}

}  // namespace

void Blit(Surface& dst, int dstX, int dstY, int w, int h, const Surface& src, int srcX, int srcY,
          RasterOp op) {
  const auto [dx, dy, sx, sy, width, height] = Clip(dst, dstX, dstY, w, h, src, srcX, srcY);
  if (width <= 0 || height <= 0) return;
  for (long long row = 0; row < height; ++row) {
    const std::uint32_t* s = src.row(static_cast<int>(sy + row)) + sx;
    std::uint32_t* d = dst.row(static_cast<int>(dy + row)) + dx;
    switch (op) {
      case RasterOp::Copy:
        std::memcpy(d, s, static_cast<std::size_t>(width) * sizeof(std::uint32_t));
        break;
      case RasterOp::And:
        AndRow(d, s, width);
        break;
      case RasterOp::Or:
        OrRow(d, s, width);
        break;
    }
  }
}

void BlitMasked(Surface& dst, int dstX, int dstY, int w, int h, const Surface& image,
                const Surface& mask, int srcX, int srcY) {
  if (image.width() != mask.width() || image.height() != mask.height()) {
    Blit(dst, dstX, dstY, w, h, mask, srcX, srcY, RasterOp::And);
    Blit(dst, dstX, dstY, w, h, image, srcX, srcY, RasterOp::Or);
    return;
  }
  const auto [dx, dy, sx, sy, width, height] = Clip(dst, dstX, dstY, w, h, image, srcX, srcY);
  if (width <= 0 || height <= 0) return;
  for (long long row = 0; row < height; ++row) {
    MaskedRow(dst.row(static_cast<int>(dy + row)) + dx, image.row(static_cast<int>(sy + row)) + sx,
              mask.row(static_cast<int>(sy + row)) + sx, width);
  }
}

}  // namespace qw
