#include "gfx/mag.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace qw {
namespace {

std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// Where a non-zero flag nibble copies its word from: (bytes left, lines up).
constexpr int kCopyDx[16] = {0, 2, 4, 8, 0, 2, 0, 2, 4, 0, 2, 4, 0, 2, 4, 0};
constexpr int kCopyDy[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};

constexpr std::size_t kBmpHeaderSize = 54;

std::uint32_t PaletteBytes(const TMagHeader& h) {
  return h.colors256 ? 1024 : 64;
}

}  // namespace

int TM2BC::ParseHeader(const std::uint8_t* data, std::size_t length, TMagHeader& h) {
  const auto* eof = static_cast<const std::uint8_t*>(std::memchr(data, 0x1A, length));
  if (eof == nullptr) return kNoHeader;
  const std::uint64_t H = static_cast<std::uint64_t>(eof - data) + 1;
  if (H + 32 > length) return kNoHeader;
  if (std::memcmp(data, "MAKI02  ", 8) != 0 && std::memcmp(data, "QWKIF1  ", 8) != 0) {
    return kBadMagic;
  }
  const std::uint8_t* p = data + H;
  h.headerOffset = static_cast<std::uint32_t>(H);
  h.byte0 = p[0];
  h.machineCode = p[1];
  h.machineFlag = p[2];
  h.screenMode = p[3];
  h.xStart = Le16(p + 4);
  h.yStart = Le16(p + 6);
  h.xEnd = Le16(p + 8);
  h.yEnd = Le16(p + 10);
  h.flagAOffset = Le32(p + 12);
  h.flagBOffset = Le32(p + 16);
  h.flagBSize = Le32(p + 20);
  h.pixelOffset = Le32(p + 24);
  h.pixelSize = Le32(p + 28);
  h.colors256 = (h.screenMode & 0x80) != 0;
  const std::uint32_t unit = h.colors256 ? 4 : 8;
  h.alignedXStart = unit * (h.xStart / unit);
  h.alignedXEnd = unit * (h.xEnd / unit + 1) - 1;
  h.height = static_cast<std::uint16_t>(h.yEnd - h.yStart + 1);
  const std::int64_t span = static_cast<std::int64_t>(h.alignedXEnd) - h.alignedXStart;
  if (h.byte0 != 0 || span <= 0) {
    h.bytesPerLine = 0;
    return kBadHeader;
  }
  h.bytesPerLine = (h.alignedXEnd + 1 - h.alignedXStart) / (unit / 4);
  const std::uint64_t flagABytes =
      static_cast<std::uint64_t>(h.height) * ((h.bytesPerLine / 2 - 1) / 16 + 1);
  if (H + h.flagAOffset + flagABytes > length) return kDataBeyondLength;
  if (H + h.flagBOffset + h.flagBSize > length) return kDataBeyondLength;
  if (H + h.pixelOffset + h.pixelSize > length) return kDataBeyondLength;
  return kValid;
}

std::uint32_t TM2BC::BitmapImageSize(ByteSpan file) {
  const auto* eof = static_cast<const std::uint8_t*>(std::memchr(file.data(), 0x1A, file.size()));
  if (eof == nullptr) return 0;
  const std::size_t prefix =
      std::min(file.size(), static_cast<std::size_t>(eof - file.data()) + 1 + 32);
  TMagHeader h;
  const int result = ParseHeader(file.data(), prefix, h);
  if (result != kValid && result != kDataBeyondLength) return 0;
  if (!PictureSizeAllowed(h.width(), h.height)) return 0;
  if (!PictureFitsMemoryBudget(h.width(), h.height)) return 0;
  return static_cast<std::uint32_t>(kBmpHeaderSize + PaletteBytes(h) +
                                    static_cast<std::uint64_t>(h.bytesPerLine) * h.height);
}

int TM2BC::DecodeToBitmapImage(ByteSpan file, std::vector<std::uint8_t>& image) {
  TMagHeader h;
  if (file.empty() || ParseHeader(file.data(), file.size(), h) != kValid) return -1;
  const std::uint32_t size = BitmapImageSize(file);
  if (size == 0) return -1;
  image.assign(size, 0);
  const std::uint32_t paletteBytes = PaletteBytes(h);
  std::uint8_t* out = image.data();
  out[0] = 'B';
  out[1] = 'M';
  Put32(out + 2, size);
  Put32(out + 10, static_cast<std::uint32_t>(kBmpHeaderSize) + paletteBytes);
  Put32(out + 14, 40);
  Put32(out + 18, h.width());
  Put32(out + 22, h.height);
  Put16(out + 26, 1);
  Put16(out + 28, h.colors256 ? 8 : 4);

  const std::uint64_t H = h.headerOffset;
  const std::uint32_t entries = h.paletteEntries();
  if (file.size() < H + 32 + 3 * entries) return -1;
  const std::uint8_t* pal = file.data() + H + 32;
  std::uint8_t* bmpPal = out + kBmpHeaderSize;
  for (std::uint32_t i = 0; i < entries; ++i) {
    bmpPal[4 * i] = pal[3 * i + 2];      // blue
    bmpPal[4 * i + 1] = pal[3 * i];      // green
    bmpPal[4 * i + 2] = pal[3 * i + 1];  // red
  }

  const std::size_t bpl = h.bytesPerLine;
  const std::size_t lines = h.height;
  const std::size_t positions = bpl / 4;
  std::uint8_t* pixels = bmpPal + paletteBytes;
  const std::ptrdiff_t area = static_cast<std::ptrdiff_t>(bpl * lines);

  // Copy offsets in bytes from the word being decoded (rows are stored bottom-up, so the
  // lines above lie at higher addresses).
  std::ptrdiff_t offset[16];
  for (int i = 0; i < 16; ++i) {
    offset[i] = 2 * ((static_cast<std::ptrdiff_t>(bpl) * kCopyDy[i] - kCopyDx[i]) / 2);
  }

  const std::uint8_t* flagA = file.data() + H + h.flagAOffset;
  const std::uint8_t* flagAEnd = file.data() + file.size();
  const std::uint8_t* flagB = file.data() + H + h.flagBOffset;
  const std::uint8_t* flagBEnd = flagB + h.flagBSize;
  const std::uint8_t* src = file.data() + H + h.pixelOffset;
  const std::uint8_t* srcEnd = src + h.pixelSize;

  std::vector<std::uint8_t> flagLine(positions, 0);
  unsigned bitMask = 0x80;
  for (std::size_t line = 0; line < lines; ++line) {
    const std::ptrdiff_t rowStart = static_cast<std::ptrdiff_t>((lines - 1 - line) * bpl);
    for (std::size_t i = 0; i < positions; ++i) {
      if (flagA >= flagAEnd) return -1;
      if (*flagA & bitMask) {
        if (flagB >= flagBEnd) return -1;
        flagLine[i] ^= *flagB++;
      }
      bitMask >>= 1;
      if (bitMask == 0) {
        bitMask = 0x80;
        ++flagA;
      }
      const std::uint8_t pair = flagLine[i];
      std::ptrdiff_t pos = rowStart + static_cast<std::ptrdiff_t>(4 * i);
      if (pair == 0) {
        if (srcEnd - src < 4) return -1;
        std::memcpy(pixels + pos, src, 4);
        src += 4;
        continue;
      }
      for (int nibble : {pair >> 4, pair & 15}) {
        if (nibble == 0) {
          if (srcEnd - src < 2) return -1;
          std::memcpy(pixels + pos, src, 2);
          src += 2;
        } else {
          const std::ptrdiff_t from = pos + offset[nibble];
          if (from < 0 || from + 2 > area) return -1;
          std::memcpy(pixels + pos, pixels + from, 2);
        }
        pos += 2;
      }
    }
  }
  return 0;
}

TM2BC::Result TM2BC::MMAG_MagtoBmp(ByteSpan file, Surface& out) {
  if (BitmapImageSize(file) == 0) return Result::NoSize;
  std::vector<std::uint8_t> image;
  if (DecodeToBitmapImage(file, image) != 0) return Result::DecodeFailed;
  try {
    DecodeBmp(image, out);
  } catch (const FrameworkError&) {
    return Result::DecodeFailed;
  }
  return Result::Loaded;
}

}  // namespace qw
