// Small, plain writers of every picture format the loader reads, for tests, fuzz seeds and
// benchmarks. They favour obviously right output over compact output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/surface.h"

namespace qw::testing {

// A palette picture: one index per pixel, top row first.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> index;
  std::vector<std::uint32_t> palette;  // pixels 0x00RRGGBB

  std::uint8_t at(int x, int y) const { return index[static_cast<std::size_t>(y) * width + x]; }
  Surface toSurface() const;
};

// A deterministic test pattern with `colors` colours (stripes, blocks and noise, so that MAG
// finds both copies and literals).
IndexedImage MakePattern(int width, int height, int colors, std::uint32_t seed = 1);
// A true-colour pattern (gradients and noise).
Surface MakeRgbPattern(int width, int height, std::uint32_t seed = 1);

enum class BmpCompression { Rgb, Bitfields, Rle };

struct BmpOptions {
  int bpp = 24;  // 1, 4, 8 (palette), 16, 24, 32
  bool topDown = false;
  BmpCompression compression = BmpCompression::Rgb;
  bool coreHeader = false;             // the 12-byte header, with 3-byte palette entries
  std::uint32_t masks[3] = {0, 0, 0};  // bit fields red, green, blue (0: the usual ones)
};

// A palette bitmap (bpp 1, 4 or 8; RLE for 4 and 8).
std::string WriteBmp(const IndexedImage& image, const BmpOptions& options);
// A true-colour bitmap (bpp 16, 24 or 32). At 16 bits the default fields are 5-5-5 (BI_RGB)
// or 5-6-5 (BI_BITFIELDS); 32-bit pixels are written whole, fourth byte included.
std::string WriteBmp(const Surface& image, const BmpOptions& options);

// A MAG file of `image`; x start / y start place it in the coded screen. `image.width` must
// span the aligned x range: for 16 colours xStart % 8 + visible width rounded up to 8.
struct MagOptions {
  bool colors256 = false;
  int xStart = 0;
  int xEnd = -1;  // -1: xStart + width - 1 aligned
  int yStart = 0;
  const char* magic = "MAKI02  ";
};
std::string EncodeMag(const IndexedImage& image, const MagOptions& options);

// An FRL file in coding mode 24, 18, 12 or 10. Colours must be representable in the mode
// (the test picks them); runs are as long as the mode allows.
std::string EncodeFrl(const Surface& image, int mode);
// The colour a mode keeps of `pixel`.
std::uint32_t FrlQuantize(std::uint32_t pixel, int mode);

enum class PngKind { Rgb, Rgba, Palette, Grey, GreyAlpha, Grey2, Rgb16 };
std::string WritePngKind(const Surface& image, PngKind kind, bool interlaced);

enum class JpegKind { Baseline, Progressive, Grey, Cmyk };
std::string WriteJpeg(const Surface& image, JpegKind kind, int quality = 90);

}  // namespace qw::testing
