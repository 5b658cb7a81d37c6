// The bitmap reader: everything the old Windows bitmap format held in practice.
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "gfx/codecs.h"
#include "platform/errors.h"

namespace qw {
namespace {

enum : std::uint32_t {
  kBiRgb = 0,
  kBiRle8 = 1,
  kBiRle4 = 2,
  kBiBitfields = 3,
  kBiAlphaBitfields = 6
};

[[noreturn]] void Invalid() {
  throw FrameworkError(kInvalidBitmapMessage);
}

std::uint32_t U16(const std::uint8_t* p) {
  return p[0] | (p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One channel described by a bit mask, scaled to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::popcount(m >> shift);
    if (bits > 8) {
      // Keep the top eight bits of a wide channel.
      shift += bits - 8;
      bits = 8;
      mask = 0xFFu << shift;
    }
  }
  std::uint32_t get(std::uint32_t v) const {
    if (bits == 0) return 0;
    std::uint32_t c = (v & mask) >> shift;
    if (bits == 8) return c;
    // Replicate the high bits into the low ones, so that full scale is 255.
    std::uint32_t out = 0;
    for (int have = 0; have < 8; have += bits)
      out |= (c << (8 - bits)) >> have;
    return out & 0xFF;
  }
};

struct Info {
  std::int64_t width = 0;
  std::int64_t height = 0;  // absolute
  bool topDown = false;
  int bpp = 0;
  std::uint32_t compression = kBiRgb;
  std::array<std::uint32_t, 256> palette{};  // as pixels; missing entries black
  std::uint32_t masks[3] = {0, 0, 0};        // red, green, blue
  std::size_t pixelOffset = 0;
};

void ReadPixelsRgb(ByteSpan data, const Info& info, Surface& out) {
  const std::size_t stride = static_cast<std::size_t>((info.width * info.bpp + 31) / 32) * 4;
  const std::size_t need = stride * static_cast<std::size_t>(info.height);
  if (info.pixelOffset > data.size() || data.size() - info.pixelOffset < need) Invalid();
  const int w = static_cast<int>(info.width);
  const int h = static_cast<int>(info.height);
  out.reset(w, h);
  const bool bitfields = info.compression == kBiBitfields || info.compression == kBiAlphaBitfields;
  Channel red, green, blue;
  if (info.bpp == 16 || info.bpp == 32) {
    if (bitfields) {
      red = Channel(info.masks[0]);
      green = Channel(info.masks[1]);
      blue = Channel(info.masks[2]);
    } else if (info.bpp == 16) {
      red = Channel(0x7C00);
      green = Channel(0x03E0);
      blue = Channel(0x001F);
    }
  }
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = data.data() + info.pixelOffset +
                              stride * static_cast<std::size_t>(info.topDown ? y : h - 1 - y);
    std::uint32_t* dst = out.row(y);
    switch (info.bpp) {
      case 1:
        for (int x = 0; x < w; ++x)
          dst[x] = info.palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < w; ++x) {
          dst[x] = info.palette[(x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4)];
        }
        break;
      case 8:
        for (int x = 0; x < w; ++x)
          dst[x] = info.palette[src[x]];
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          std::uint32_t v = U16(src + 2 * x);
          dst[x] = (red.get(v) << 16) | (green.get(v) << 8) | blue.get(v);
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* p = src + 3 * x;
          dst[x] = p[0] | (p[1] << 8) | (p[2] << 16);
        }
        break;
      case 32:
        if (!bitfields) {
          std::memcpy(dst, src, static_cast<std::size_t>(w) * 4);
        } else {
          for (int x = 0; x < w; ++x) {
            std::uint32_t v = U32(src + 4 * x);
            dst[x] = (red.get(v) << 16) | (green.get(v) << 8) | blue.get(v);
          }
        }
        break;
      default:
        Invalid();
    }
  }
}

// RLE4 and RLE8: bottom-up rows of palette indices. Pixels the runs skip keep index 0.
void ReadPixelsRle(ByteSpan data, const Info& info, Surface& out) {
  if (info.topDown || info.pixelOffset > data.size()) Invalid();
  const std::int64_t w = info.width;
  const std::int64_t h = info.height;
  const bool four = info.compression == kBiRle4;
  std::vector<std::uint8_t> index(static_cast<std::size_t>(w * h), 0);
  const std::uint8_t* p = data.data() + info.pixelOffset;
  const std::uint8_t* end = data.data() + data.size();
  std::int64_t x = 0;
  std::int64_t y = 0;  // stored row, bottom first
  auto put = [&](std::uint8_t value) {
    if (x >= w || y >= h) Invalid();
    index[static_cast<std::size_t>((h - 1 - y) * w + x)] = value;
    ++x;
  };
  while (end - p >= 2) {
    const std::uint8_t count = p[0];
    const std::uint8_t value = p[1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(four ? ((i & 1) ? (value & 15) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (end - p < 2) break;
      x += p[0];
      y += p[1];
      p += 2;
      if (x > w || y > h) Invalid();
    } else {  // a literal run, padded to a 16-bit boundary
      const std::size_t bytes = four ? (value + 1u) / 2 : value;
      if (static_cast<std::size_t>(end - p) < bytes) Invalid();
      for (int i = 0; i < value; ++i)
        put(four ? ((i & 1) ? (p[i >> 1] & 15) : (p[i >> 1] >> 4)) : p[i]);
      p += bytes + (bytes & 1);
      if (p > end) p = end;
    }
  }
  out.reset(static_cast<int>(w), static_cast<int>(h));
  const std::uint8_t* src = index.data();
  std::uint32_t* dst = out.data();
  for (std::size_t i = 0; i < index.size(); ++i)
    dst[i] = info.palette[src[i]];
}

}  // namespace

void DecodeBmp(ByteSpan data, Surface& out) {
  if (data.size() < 14 + 12 || data[0] != 'B' || data[1] != 'M') Invalid();
  const std::uint8_t* d = data.data();
  Info info;
  const std::uint32_t offBits = U32(d + 10);
  const std::uint32_t headerSize = U32(d + 14);
  if (headerSize < 12 || headerSize > data.size() - 14) Invalid();
  std::uint32_t clrUsed = 0;
  std::size_t paletteAt = 14 + headerSize;
  std::size_t entrySize = 4;
  if (headerSize == 12) {  // the old core header
    info.width = U16(d + 18);
    info.height = U16(d + 20);
    info.bpp = static_cast<int>(U16(d + 24));
    entrySize = 3;
  } else {
    if (headerSize < 16) Invalid();
    info.width = static_cast<std::int32_t>(U32(d + 18));
    std::int64_t height = static_cast<std::int32_t>(U32(d + 22));
    info.topDown = height < 0;
    info.height = height < 0 ? -height : height;
    info.bpp = static_cast<int>(U16(d + 28));
    info.compression = headerSize >= 20 ? U32(d + 30) : kBiRgb;
    if (headerSize >= 36) clrUsed = U32(d + 46);
    if (info.compression == kBiBitfields || info.compression == kBiAlphaBitfields) {
      if (headerSize >= 52) {
        for (int i = 0; i < 3; ++i)
          info.masks[i] = U32(d + 54 + 4 * i);
      } else {
        const std::size_t maskBytes = info.compression == kBiAlphaBitfields ? 16 : 12;
        if (data.size() < paletteAt + maskBytes) Invalid();
        for (int i = 0; i < 3; ++i)
          info.masks[i] = U32(d + paletteAt + 4 * i);
        paletteAt += maskBytes;
      }
    }
  }
  if (!PictureSizeAllowed(info.width, info.height)) Invalid();
  if (!PictureFitsMemoryBudget(info.width, info.height)) {
    throw PictureBudgetError(kPictureBudgetMessage);
  }
  switch (info.compression) {
    case kBiRgb:
      if (info.bpp != 1 && info.bpp != 4 && info.bpp != 8 && info.bpp != 16 && info.bpp != 24 &&
          info.bpp != 32) {
        Invalid();
      }
      break;
    case kBiRle8:
      if (info.bpp != 8) Invalid();
      break;
    case kBiRle4:
      if (info.bpp != 4) Invalid();
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (info.bpp != 16 && info.bpp != 32) Invalid();
      break;
    default:
      Invalid();
  }
  std::size_t paletteEnd = paletteAt;
  if (info.bpp <= 8) {
    const std::uint32_t full = 1u << info.bpp;
    const std::uint32_t count = (clrUsed == 0 || clrUsed > full) ? full : clrUsed;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t at = paletteAt + i * entrySize;
      if (at + 3 > data.size()) break;
      info.palette[i] = d[at] | (d[at + 1] << 8) | (d[at + 2] << 16);
    }
    paletteEnd = paletteAt + count * entrySize;
  }
  // Writers disagree on the pixel offset; trust it only when it points past the headers.
  info.pixelOffset = (offBits >= paletteAt && offBits < data.size()) ? offBits : paletteEnd;

  Surface decoded;
  if (info.compression == kBiRle4 || info.compression == kBiRle8) {
    ReadPixelsRle(data, info, decoded);
  } else {
    ReadPixelsRgb(data, info, decoded);
  }
  out = std::move(decoded);
}

}  // namespace qw
