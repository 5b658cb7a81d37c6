#include "gfx/frl.h"

#include <algorithm>
#include <cstring>

namespace qw {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Paints runs left to right, top row first, wrapping onto the next row; stops at the end.
class RunWriter {
 public:
  explicit RunWriter(Surface& s)
      : p_(s.data()), left_(static_cast<std::size_t>(s.width()) * s.height()) {}
  bool full() const { return left_ == 0; }
  void run(std::size_t count, std::uint32_t pixel) {
    count = std::min(count, left_);
    std::fill_n(p_, count, pixel);
    p_ += count;
    left_ -= count;
  }

 private:
  std::uint32_t* p_;
  std::size_t left_;
};

void DecodeMode24(const std::uint8_t* d, std::size_t size, Surface& s) {
  RunWriter out(s);
  for (std::size_t i = 0; i + 4 <= size && !out.full(); i += 4) {
    out.run(d[i] + 1u, d[i + 1] | (d[i + 2] << 8) | (static_cast<std::uint32_t>(d[i + 3]) << 16));
  }
}

void DecodeMode12(const std::uint8_t* d, std::size_t size, Surface& s) {
  RunWriter out(s);
  for (std::size_t i = 0; i + 2 <= size && !out.full(); i += 2) {
    const std::uint32_t a = d[i], b = d[i + 1];
    const std::uint32_t blue = (a >> 4) * 17, green = (b & 15) * 17, red = (b >> 4) * 17;
    out.run((a & 15) + 1, blue | (green << 8) | (red << 16));
  }
}

void DecodeMode10(const std::uint8_t* d, std::size_t size, Surface& s) {
  RunWriter out(s);
  for (std::size_t i = 0; i + 2 <= size && !out.full(); i += 2) {
    const std::uint32_t a = d[i], b = d[i + 1];
    const std::uint32_t blue = (((a >> 6) << 1) | (b >> 7)) * 36;
    const std::uint32_t green = (b & 15) * 17, red = ((b >> 4) & 7) * 36;
    out.run((a & 63) + 1, blue | (green << 8) | (red << 16));
  }
}

// Planar: all blue bytes, then green, then red; each code sets one byte of a run of pixels.
void DecodeMode18(const std::uint8_t* d, std::size_t size, Surface& s) {
  const std::size_t total = static_cast<std::size_t>(s.width()) * s.height();
  auto* bytes = reinterpret_cast<std::uint8_t*>(s.data());
  std::size_t pos = 0;
  int plane = 0;
  for (std::size_t i = 0; i < size && plane < 3; ++i) {
    const std::uint8_t c = d[i];
    std::size_t run = (c & 3) + 1u;
    const std::uint8_t v = c >> 2;
    const std::uint8_t value = static_cast<std::uint8_t>((v << 2) | (v >> 4));
    while (run > 0 && plane < 3) {
      const std::size_t n = std::min(run, total - pos);
      std::uint8_t* p = bytes + 4 * pos + plane;
      for (std::size_t k = 0; k < n; ++k)
        p[4 * k] = value;
      pos += n;
      run -= n;
      if (pos == total) {
        pos = 0;
        ++plane;
      }
    }
  }
}

}  // namespace

void ResizePicture(Surface& picture, int width, int height) {
  if (picture.width() == width && picture.height() == height) return;
  Surface resized(width, height, 0x00FFFFFF);
  const int w = std::min(width, picture.width());
  const int h = std::min(height, picture.height());
  for (int y = 0; y < h; ++y) {
    std::memcpy(resized.row(y), picture.row(y), static_cast<std::size_t>(std::max(w, 0)) * 4);
  }
  picture = std::move(resized);
}

bool LoadCodedImage(ByteSpan file, Surface& picture, bool keepSize, TFrlHeader& header) {
  if (file.size() < kFrlHeaderSize || std::memcmp(file.data(), "FRL", 3) != 0) return false;
  const std::uint8_t* p = file.data();
  std::memcpy(header.magic, p, 4);
  header.mode = Le32(p + 4);
  header.width = static_cast<std::int32_t>(Le32(p + 8));
  header.height = static_cast<std::int32_t>(Le32(p + 12));
  header.dataSize = Le32(p + 20);
  int width = picture.width();
  int height = picture.height();
  if (!keepSize) {
    if (!PictureSizeAllowed(header.width, header.height)) return false;
    if (!PictureFitsMemoryBudget(header.width, header.height)) return false;
    width = header.width;
    height = header.height;
  }
  const std::uint64_t capacity =
      std::uint64_t{4} * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (header.dataSize > capacity) return false;
  if (header.dataSize > file.size() - kFrlHeaderSize) return false;

  Surface& decoded = picture;
  ResizePicture(decoded, width, height);
  const std::uint8_t* data = p + kFrlHeaderSize;
  switch (header.mode) {
    case 24:
      DecodeMode24(data, header.dataSize, decoded);
      break;
    case 18:
      DecodeMode18(data, header.dataSize, decoded);
      break;
    case 12:
      DecodeMode12(data, header.dataSize, decoded);
      break;
    case 10:
      DecodeMode10(data, header.dataSize, decoded);
      break;
    default:
      break;
  }
  // From here on the picture counts as 32 bits: the fourth byte is 0.
  for (std::uint32_t *q = decoded.data(), *end = q + static_cast<std::size_t>(width) * height;
       q < end; ++q) {
    *q &= 0x00FFFFFFu;
  }
  return true;
}

}  // namespace qw
