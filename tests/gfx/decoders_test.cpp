#include <gtest/gtest.h>

#include <zlib.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "gfx/codecs.h"
#include "gfx/frl.h"
#include "gfx/mag.h"
#include "gfx/picture_writers.h"
#include "platform/errors.h"

namespace qw {
namespace {

using testing::IndexedImage;

// First differing pixel, for readable failures.
::testing::AssertionResult SamePixels(const Surface& got, const Surface& want) {
  if (got.width() != want.width() || got.height() != want.height()) {
    return ::testing::AssertionFailure() << "size " << got.width() << "x" << got.height()
                                         << ", want " << want.width() << "x" << want.height();
  }
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x) {
      if (got.at(x, y) != want.at(x, y)) {
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") = " << std::hex
                                             << got.at(x, y) << ", want " << want.at(x, y);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

Surface Decode(void (*decode)(ByteSpan, Surface&), const std::string& bytes) {
  Surface s;
  decode(AsBytes(bytes), s);
  return s;
}

// ---- BMP ----

struct PaletteBmpCase {
  const char* name;
  int bpp;
  bool topDown;
  bool rle;
  bool core;
  int width;
};

class PaletteBmp : public ::testing::TestWithParam<PaletteBmpCase> {};

TEST_P(PaletteBmp, DecodesToThePaletteColours) {
  const auto& c = GetParam();
  const IndexedImage image = testing::MakePattern(c.width, 23, 1 << std::min(c.bpp, 8), 7);
  testing::BmpOptions o;
  o.bpp = c.bpp;
  o.topDown = c.topDown;
  o.coreHeader = c.core;
  o.compression = c.rle ? testing::BmpCompression::Rle : testing::BmpCompression::Rgb;
  EXPECT_TRUE(SamePixels(Decode(DecodeBmp, testing::WriteBmp(image, o)), image.toSurface()));
}

INSTANTIATE_TEST_SUITE_P(Variants, PaletteBmp,
                         ::testing::Values(PaletteBmpCase{"bpp1", 1, false, false, false, 37},
                                           PaletteBmpCase{"bpp1TopDown", 1, true, false, false, 8},
                                           PaletteBmpCase{"bpp4", 4, false, false, false, 33},
                                           PaletteBmpCase{"bpp4TopDown", 4, true, false, false, 32},
                                           PaletteBmpCase{"bpp8", 8, false, false, false, 31},
                                           PaletteBmpCase{"bpp8TopDown", 8, true, false, false, 17},
                                           PaletteBmpCase{"bpp8Core", 8, false, false, true, 19},
                                           PaletteBmpCase{"bpp4Core", 4, false, false, true, 9},
                                           PaletteBmpCase{"rle8", 8, false, true, false, 45},
                                           PaletteBmpCase{"rle4", 4, false, true, false, 41},
                                           PaletteBmpCase{"rle4Odd", 4, false, true, false, 7}),
                         [](const auto& p) { return std::string(p.param.name); });

struct RgbBmpCase {
  const char* name;
  int bpp;
  bool topDown;
  bool bitfields;
  std::uint32_t masks[3];
  std::uint32_t keep;  // bits of each channel the format keeps
};

class RgbBmp : public ::testing::TestWithParam<RgbBmpCase> {};

TEST_P(RgbBmp, DecodesEveryChannel) {
  const auto& c = GetParam();
  Surface image = testing::MakeRgbPattern(29, 13, 3);
  // Colours the format holds exactly; the low bits are the high bits repeated, as a full
  // channel value must scale to 255.
  auto expand = [](std::uint32_t v, int bits) {
    const std::uint32_t top = v >> (8 - bits);
    std::uint32_t out = 0;
    for (int have = 0; have < 8; have += bits)
      out |= (top << (8 - bits)) >> have;
    return out & 0xFF;
  };
  Surface want(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const std::uint32_t p = image.at(x, y);
      int bits[3] = {8, 8, 8};
      for (int k = 0; k < 3; ++k) {
        if (c.masks[k]) bits[k] = std::min(8, std::popcount(c.masks[k]));
      }
      if (c.bpp == 16 && !c.bitfields) bits[0] = bits[1] = bits[2] = 5;
      want.at(x, y) = (expand((p >> 16) & 0xFF, bits[0]) << 16) |
                      (expand((p >> 8) & 0xFF, bits[1]) << 8) | expand(p & 0xFF, bits[2]);
    }
  }
  if (c.bpp == 32 && !c.bitfields) {
    // Whole 32-bit pixels keep their fourth byte.
    image.at(0, 0) |= 0x5A000000;
    want.at(0, 0) |= 0x5A000000;
  }
  testing::BmpOptions o;
  o.bpp = c.bpp;
  o.topDown = c.topDown;
  o.compression = c.bitfields ? testing::BmpCompression::Bitfields : testing::BmpCompression::Rgb;
  std::memcpy(o.masks, c.masks, sizeof o.masks);
  EXPECT_TRUE(SamePixels(Decode(DecodeBmp, testing::WriteBmp(image, o)), want));
}

INSTANTIATE_TEST_SUITE_P(
    Variants, RgbBmp,
    ::testing::Values(RgbBmpCase{"rgb16", 16, false, false, {0, 0, 0}, 0},
                      RgbBmpCase{"fields565", 16, false, true, {0xF800, 0x07E0, 0x001F}, 0},
                      RgbBmpCase{"fields444", 16, true, true, {0x0F00, 0x00F0, 0x000F}, 0},
                      RgbBmpCase{"rgb24", 24, false, false, {0, 0, 0}, 0},
                      RgbBmpCase{"rgb24TopDown", 24, true, false, {0, 0, 0}, 0},
                      RgbBmpCase{"rgb32", 32, false, false, {0, 0, 0}, 0},
                      RgbBmpCase{"fields32Swapped", 32, false, true, {0xFF, 0xFF00, 0xFF0000}, 0},
                      RgbBmpCase{"fields32Wide", 32, true, true, {0x3FF00000, 0xFFC00, 0x3FF}, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Bmp, RleDeltaSkipsPixelsAndEscapesEndTheRow) {
  // 4 x 3 at RLE8: row 0 (bottom) "1 1 _ 2", delta to (1, 2), then "3".
  IndexedImage image;
  image.width = 4;
  image.height = 3;
  image.index.assign(12, 0);
  image.palette = {0x000000, 0x111111, 0x222222, 0x333333};
  testing::BmpOptions o;
  o.bpp = 8;
  o.compression = testing::BmpCompression::Rle;
  std::string file = testing::WriteBmp(image, o);
  const std::size_t pixelOffset = 14 + 40 + 256 * 4;
  file.resize(pixelOffset);
  const unsigned char rle[] = {2, 1, 0, 2, 1, 0, 1, 2, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1};
  file.append(reinterpret_cast<const char*>(rle), sizeof rle);
  const Surface s = Decode(DecodeBmp, file);
  const std::uint32_t want[3][4] = {{0, 0x333333, 0, 0},                 // top
                                    {0, 0, 0, 0},                        // skipped
                                    {0x111111, 0x111111, 0, 0x222222}};  // bottom
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(s.at(x, y), want[y][x]) << x << "," << y;
  }
}

struct BadBmpCase {
  const char* name;
  std::size_t at;  // byte to patch (npos: truncate to `value` bytes)
  std::uint32_t value;
  int bytes;
};

constexpr std::size_t kRle = 14 + 40 + 1024;
constexpr std::size_t kRleData = kRle;

class BadBmp : public ::testing::TestWithParam<BadBmpCase> {};

TEST_P(BadBmp, ThrowsAndLeavesThePicture) {
  const auto& c = GetParam();
  testing::BmpOptions o;
  o.bpp = 8;
  o.compression = testing::BmpCompression::Rle;
  std::string file = testing::WriteBmp(testing::MakePattern(16, 8, 200), o);
  if (c.at == std::string::npos) {
    file.resize(c.value);
  } else {
    for (int i = 0; i < c.bytes; ++i)
      file[c.at + i] = static_cast<char>((c.value >> (8 * i)) & 0xFF);
  }
  Surface picture(3, 3, 0x123456);
  EXPECT_THROW(DecodeBmp(AsBytes(file), picture), FrameworkError);
  EXPECT_EQ(picture.width(), 3);
  EXPECT_EQ(picture.at(2, 2), 0x123456u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadBmp,
    ::testing::Values(BadBmpCase{"magic", 0, 'X', 1}, BadBmpCase{"tiny", std::string::npos, 20, 0},
                      BadBmpCase{"headerSize", 14, 0xFFFF, 4},
                      BadBmpCase{"hugeWidth", 18, 16385, 4}, BadBmpCase{"zeroWidth", 18, 0, 4},
                      BadBmpCase{"bpp", 28, 7, 2}, BadBmpCase{"compression", 30, 4, 4},
                      BadBmpCase{"runPastRow", kRle, 17, 1},  // a run of 17 in a 16-wide row
                      BadBmpCase{"deltaPastPicture", kRle, 0x00FF0200, 4}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Bmp, RefusesMoreThan256MiBOfPixels) {
  // An RLE bitmap that is only an end-of-bitmap code decodes at any size; 16384 x 16384 is
  // allowed per side but is 1 GiB of pixels.
  testing::BmpOptions o;
  o.bpp = 8;
  o.compression = testing::BmpCompression::Rle;
  std::string file = testing::WriteBmp(testing::MakePattern(4, 4, 2), o);
  file.resize(kRleData);
  file += std::string("\x00\x01", 2);
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      file[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  Surface s;
  put(18, 64);
  put(22, 32);
  ASSERT_NO_THROW(DecodeBmp(AsBytes(file), s));
  EXPECT_EQ(s.width(), 64);
  put(18, 16384);
  put(22, 16384);
  EXPECT_THROW(DecodeBmp(AsBytes(file), s), FrameworkError);
  EXPECT_EQ(s.width(), 64);
}

// ---- PNG and JPEG ----

struct PngCase {
  const char* name;
  testing::PngKind kind;
  bool interlaced;
};

class PngKinds : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngKinds, DecodeToOpaqueColoursWithFourthByteZero) {
  const auto& c = GetParam();
  const IndexedImage pattern = testing::MakePattern(27, 19, 200, 5);
  Surface image = pattern.toSurface();
  Surface want = image;
  for (std::uint32_t* p = want.data(); p < want.data() + 27 * 19; ++p) {
    const std::uint32_t g = (*p >> 8) & 0xFF;
    switch (c.kind) {
      case testing::PngKind::Grey:
      case testing::PngKind::GreyAlpha:
        *p = g * 0x010101;
        break;
      case testing::PngKind::Grey2:
        *p = ((g >> 6) * 0x55) * 0x010101;
        break;
      default:
        break;
    }
  }
  EXPECT_TRUE(
      SamePixels(Decode(DecodePng, testing::WritePngKind(image, c.kind, c.interlaced)), want));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngKinds,
                         ::testing::Values(PngCase{"rgb", testing::PngKind::Rgb, false},
                                           PngCase{"rgbInterlaced", testing::PngKind::Rgb, true},
                                           PngCase{"rgba", testing::PngKind::Rgba, false},
                                           PngCase{"palette", testing::PngKind::Palette, false},
                                           PngCase{"paletteInterlaced", testing::PngKind::Palette,
                                                   true},
                                           PngCase{"grey", testing::PngKind::Grey, false},
                                           PngCase{"greyAlpha", testing::PngKind::GreyAlpha, true},
                                           PngCase{"grey2", testing::PngKind::Grey2, false},
                                           PngCase{"rgb16", testing::PngKind::Rgb16, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Png, BrokenFilesThrow) {
  const std::string good =
      testing::WritePngKind(testing::MakeRgbPattern(40, 30), testing::PngKind::Rgb, false);
  std::string truncated = good.substr(0, good.size() / 2);
  std::string badCrc = good;
  badCrc[30] = static_cast<char>(badCrc[30] ^ 0x55);  // inside IHDR
  std::string huge = good;
  huge[16] = 0x00, huge[17] = 0x00, huge[18] = 0x40, huge[19] = 0x01;  // width 16385
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17);
  for (int i = 0; i < 4; ++i)
    huge[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
  for (const std::string* bytes : {&truncated, &badCrc, &huge}) {
    Surface s(2, 2, 7);
    EXPECT_THROW(DecodePng(AsBytes(*bytes), s), FrameworkError);
    EXPECT_EQ(s.at(1, 1), 7u);
  }
}

struct JpegCase {
  const char* name;
  testing::JpegKind kind;
};

class JpegKinds : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegKinds, DecodeCloseToTheOriginal) {
  const auto& c = GetParam();
  // Smooth content, so that a lossy code stays close.
  Surface image(48, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x) {
      const std::uint32_t v = static_cast<std::uint32_t>(x * 5);
      image.at(x, y) = c.kind == testing::JpegKind::Grey
                           ? (v * 0x010101)
                           : (v << 16) | (static_cast<std::uint32_t>(y * 7) << 8) | 90;
    }
  }
  const Surface s = Decode(DecodeJpeg, testing::WriteJpeg(image, c.kind, 95));
  ASSERT_EQ(s.width(), 48);
  ASSERT_EQ(s.height(), 32);
  int worst = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x) {
      ASSERT_EQ(s.at(x, y) >> 24, 0u);
      for (int shift = 0; shift < 24; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((s.at(x, y) >> shift) & 0xFF) -
                                         static_cast<int>((image.at(x, y) >> shift) & 0xFF)));
      }
    }
  }
  EXPECT_LE(worst, 12);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegKinds,
                         ::testing::Values(JpegCase{"baseline", testing::JpegKind::Baseline},
                                           JpegCase{"progressive", testing::JpegKind::Progressive},
                                           JpegCase{"grey", testing::JpegKind::Grey},
                                           JpegCase{"cmyk", testing::JpegKind::Cmyk}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Jpeg, BrokenFilesThrow) {
  const std::string good =
      testing::WriteJpeg(testing::MakeRgbPattern(16, 16), testing::JpegKind::Baseline);
  for (const std::string& bytes :
       {std::string(), good.substr(0, 100), std::string("\xFF\xD8garbage")}) {
    Surface s(2, 2, 7);
    EXPECT_THROW(DecodeJpeg(AsBytes(bytes), s), FrameworkError);
    EXPECT_EQ(s.at(0, 0), 7u);
  }
}

// ---- MAG ----

struct MagCase {
  const char* name;
  bool colors256;
  int width;  // aligned
  int height;
  int xStart;
  int xEnd;  // -1: full aligned range
  const char* magic;
};

class MagRoundTrip : public ::testing::TestWithParam<MagCase> {};

TEST_P(MagRoundTrip, DecodesTheEncodedPatternExactly) {
  const auto& c = GetParam();
  const IndexedImage image = testing::MakePattern(c.width, c.height, c.colors256 ? 256 : 16, 11);
  testing::MagOptions o;
  o.colors256 = c.colors256;
  o.xStart = c.xStart;
  o.xEnd = c.xEnd;
  o.yStart = 5;
  o.magic = c.magic;
  const std::string file = testing::EncodeMag(image, o);
  TMagHeader h;
  ASSERT_EQ(TM2BC::ParseHeader(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), h),
            0);
  if (c.height > 8) {
    EXPECT_GT(h.flagBSize, 0u);  // the pattern must exercise the copies
  }
  Surface s;
  ASSERT_EQ(TM2BC::MMAG_MagtoBmp(AsBytes(file), s), TM2BC::Result::Loaded);
  EXPECT_TRUE(SamePixels(s, image.toSurface()));
}

INSTANTIATE_TEST_SUITE_P(Variants, MagRoundTrip,
                         ::testing::Values(MagCase{"c16", false, 64, 40, 0, -1, "MAKI02  "},
                                           MagCase{"c256", true, 60, 41, 0, -1, "MAKI02  "},
                                           MagCase{"c16Qwk", false, 8, 3, 0, -1, "QWKIF1  "},
                                           MagCase{"c256Qwk", true, 4, 1, 0, -1, "QWKIF1  "},
                                           MagCase{"c16Unaligned", false, 16, 9, 3, 10, "MAKI02  "},
                                           MagCase{"c256Unaligned", true, 12, 20, 13, 22,
                                                   "MAKI02  "},
                                           MagCase{"c16Tall", false, 24, 70, 8, -1, "MAKI02  "}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Mag, UnalignedXRangeWidensToTheUnit) {
  // 16 colours, x 3..10: aligned 0..15.
  const std::string file =
      testing::EncodeMag(testing::MakePattern(16, 4, 16), {.xStart = 3, .xEnd = 10});
  EXPECT_EQ(TM2BC::BitmapImageSize(AsBytes(file)), 54u + 64 + 8 * 4);
  Surface s;
  ASSERT_EQ(TM2BC::MMAG_MagtoBmp(AsBytes(file), s), TM2BC::Result::Loaded);
  EXPECT_EQ(s.width(), 16);
  EXPECT_EQ(s.height(), 4);
}

TEST(Mag, BitmapImageIsAPaletteBitmapFile) {
  const IndexedImage image = testing::MakePattern(8, 2, 16, 3);
  const std::string file = testing::EncodeMag(image, {});
  std::vector<std::uint8_t> out;
  ASSERT_EQ(TM2BC::DecodeToBitmapImage(AsBytes(file), out), 0);
  ASSERT_EQ(out.size(), 54u + 64 + 4 * 2);
  auto u32 = [&](std::size_t at) {
    return out[at] | (out[at + 1] << 8) | (out[at + 2] << 16) |
           (static_cast<std::uint32_t>(out[at + 3]) << 24);
  };
  EXPECT_EQ(out[0], 'B');
  EXPECT_EQ(u32(2), out.size());
  EXPECT_EQ(u32(10), 54u + 64);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 8u);
  EXPECT_EQ(u32(22), 2u);
  EXPECT_EQ(out[28], 4);
  // Palette entry 1: (blue, green, red, 0).
  EXPECT_EQ(u32(54 + 4), image.palette[1] & 0xFFFFFF);
}

// Header field offsets from H = 32, as the test encoder lays files out.
constexpr std::size_t kH = 32;

struct MagHeaderCase {
  const char* name;
  std::size_t at;  // byte to patch; npos: truncate to `value`
  std::uint32_t value;
  int bytes;
  int parse;     // ParseHeader on the whole file
  bool hasSize;  // BitmapImageSize != 0
};

TM2BC::Result Expected(const MagHeaderCase& c) {
  if (!c.hasSize) return TM2BC::Result::NoSize;
  return c.parse == 0 ? TM2BC::Result::Loaded : TM2BC::Result::DecodeFailed;
}

class MagHeader : public ::testing::TestWithParam<MagHeaderCase> {};

TEST_P(MagHeader, ResultCodesAndSize) {
  const auto& c = GetParam();
  std::string file = testing::EncodeMag(testing::MakePattern(32, 16, 16), {.yStart = 5});
  if (c.at == std::string::npos) {
    file.resize(c.value);
  } else {
    for (int i = 0; i < c.bytes; ++i)
      file[c.at + i] = static_cast<char>((c.value >> (8 * i)) & 0xFF);
  }
  TMagHeader h;
  EXPECT_EQ(TM2BC::ParseHeader(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), h),
            c.parse);
  EXPECT_EQ(TM2BC::BitmapImageSize(AsBytes(file)) != 0, c.hasSize);
  Surface s(1, 1, 9);
  const TM2BC::Result r = TM2BC::MMAG_MagtoBmp(AsBytes(file), s);
  EXPECT_EQ(r, Expected(c));
  if (r != TM2BC::Result::Loaded) {
    EXPECT_EQ(s.at(0, 0), 9u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MagHeader,
    ::testing::Values(MagHeaderCase{"valid", 0, 'M', 1, 0, true},
                      MagHeaderCase{"noEof", std::string::npos, 31, 0, 2, false},
                      MagHeaderCase{"headerCut", std::string::npos, kH + 31, 0, 2, false},
                      MagHeaderCase{"magic", 0, 'X', 1, 3, false},
                      MagHeaderCase{"byte0", kH + 0, 1, 1, 4, false},
                      MagHeaderCase{"xEndBeforeStart", kH + 4, 40, 2, 4, false},
                      MagHeaderCase{"flagBPastEnd", kH + 20, 0x10000, 4, 1, true},
                      MagHeaderCase{"pixelsPastEnd", kH + 28, 0x7FFFFFFF, 4, 1, true},
                      MagHeaderCase{"flagAPastEnd", kH + 12, 0xFFFFFF00, 4, 1, true},
                      MagHeaderCase{"paletteOnly", std::string::npos, kH + 32 + 48, 0, 1, true},
                      MagHeaderCase{"tooWide", kH + 8, 0xFFFF, 2, 1, false},  // 65536 wide
                      MagHeaderCase{"heightWraps", kH + 10, 3, 2, 1, false},  // y 5..3: 65535 lines
                      MagHeaderCase{"heightZero", kH + 10, 4, 2, 0, false}),  // y 5..4: 0 lines
    [](const auto& p) { return std::string(p.param.name); });

TEST(Mag, XRangeInsideOneUnitIsNotEmpty) {
  // x 0..0 aligns to 0..7, which is a valid range; only an x end before the start is bad.
  std::string file = testing::EncodeMag(testing::MakePattern(8, 2, 16), {});
  TMagHeader h;
  EXPECT_EQ(TM2BC::ParseHeader(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), h),
            0);
  file[kH + 4] = 16;  // x start 16, x end 7
  EXPECT_EQ(TM2BC::ParseHeader(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), h),
            4);
}

TEST(Mag, MalformedStreamsFailTheDecode) {
  // A picture of 8 x 4 at 16 colours: one flag position (2 words) per line.
  const std::string good = testing::EncodeMag(testing::MakePattern(8, 4, 16, 4), {});
  TMagHeader h;
  ASSERT_EQ(TM2BC::ParseHeader(reinterpret_cast<const std::uint8_t*>(good.data()), good.size(), h),
            0);
  const std::size_t flagA = kH + h.flagAOffset;
  struct Patch {
    const char* name;
    std::function<void(std::string&)> apply;
  } patches[] = {
      // The first line copies from 16 lines up: above the first line.
      {"copyAboveFirstLine",
       [&](std::string& f) {
         f[flagA] = static_cast<char>(0x80);
         f.insert(kH + h.flagBOffset, 1, static_cast<char>(0xFF));
         // Keep the offsets of the following areas right.
         const std::uint32_t size = h.flagBSize + 1, pix = h.pixelOffset + 1;
         for (int i = 0; i < 4; ++i)
           f[kH + 20 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
         for (int i = 0; i < 4; ++i)
           f[kH + 24 + i] = static_cast<char>((pix >> (8 * i)) & 0xFF);
       }},
      // Every flag bit set but flag B is empty: the stream runs past its area.
      {"flagBRunsOut",
       [&](std::string& f) {
         f[flagA] = static_cast<char>(0xF0);
         for (int i = 0; i < 4; ++i)
           f[kH + 20 + i] = 0;
       }},
      // The pixel stream is one word short.
      {"pixelsRunOut",
       [&](std::string& f) {
         const std::uint32_t size = h.pixelSize - 2;
         for (int i = 0; i < 4; ++i)
           f[kH + 28 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
       }},
  };
  for (auto& p : patches) {
    std::string f = good;
    p.apply(f);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(TM2BC::DecodeToBitmapImage(AsBytes(f), out), -1) << p.name;
    Surface s;
    EXPECT_EQ(TM2BC::MMAG_MagtoBmp(AsBytes(f), s), TM2BC::Result::DecodeFailed) << p.name;
  }
}

TEST(Mag, CopyFromTheLeftAtTheLastLineStartIsBeforeThePicture) {
  // A single line whose first word copies from 2 bytes to the left: before the picture.
  IndexedImage image;
  image.width = 8;
  image.height = 1;
  image.index = {0, 1, 2, 3, 4, 5, 6, 7};  // four different words: all literal
  image.palette.assign(16, 0);
  std::string file = testing::EncodeMag(image, {});
  TMagHeader h;
  ASSERT_EQ(TM2BC::ParseHeader(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), h),
            0);
  ASSERT_EQ(h.flagBSize, 0u);
  std::vector<std::uint8_t> good;
  ASSERT_EQ(TM2BC::DecodeToBitmapImage(AsBytes(file), good), 0);
  file[kH + h.flagAOffset] = static_cast<char>(0x80);
  file.insert(kH + h.flagBOffset, 1, static_cast<char>(0x10));
  for (int i = 0; i < 4; ++i)
    file[kH + 20 + i] = static_cast<char>(i == 0 ? 1 : 0);
  const std::uint32_t pix = h.pixelOffset + 1;
  for (int i = 0; i < 4; ++i)
    file[kH + 24 + i] = static_cast<char>((pix >> (8 * i)) & 0xFF);
  std::vector<std::uint8_t> out;
  EXPECT_EQ(TM2BC::DecodeToBitmapImage(AsBytes(file), out), -1);
}

// ---- FRL ----

struct FrlCase {
  const char* name;
  int mode;
  int width;
  int height;
};

class FrlRoundTrip : public ::testing::TestWithParam<FrlCase> {};

TEST_P(FrlRoundTrip, DecodesTheEncodedPatternExactly) {
  const auto& c = GetParam();
  Surface image = testing::MakeRgbPattern(c.width, c.height, 9);
  // Long runs as well as single pixels.
  for (int x = 0; x < c.width; ++x)
    image.at(x, c.height / 2) = 0x336699;
  for (std::uint32_t* p = image.data(); p < image.data() + c.width * c.height; ++p) {
    *p = testing::FrlQuantize(*p, c.mode);
  }
  Surface s(3, 3, 0xFF00FF00);
  TFrlHeader h;
  ASSERT_TRUE(LoadCodedImage(AsBytes(testing::EncodeFrl(image, c.mode)), s, false, h));
  EXPECT_EQ(h.mode, static_cast<std::uint32_t>(c.mode));
  EXPECT_TRUE(SamePixels(s, image));
}

INSTANTIATE_TEST_SUITE_P(Modes, FrlRoundTrip,
                         ::testing::Values(FrlCase{"m24", 24, 300, 7}, FrlCase{"m18", 18, 33, 21},
                                           FrlCase{"m12", 12, 40, 9}, FrlCase{"m10", 10, 17, 30},
                                           FrlCase{"m24OnePixel", 24, 1, 1}),
                         [](const auto& p) { return std::string(p.param.name); });

std::string FrlFile(std::uint32_t mode, std::int32_t w, std::int32_t h, const std::string& data,
                    std::uint32_t dataSize) {
  std::string s = "FRL ";
  auto put = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  put(mode);
  put(static_cast<std::uint32_t>(w));
  put(static_cast<std::uint32_t>(h));
  put(0);
  put(dataSize);
  s += std::string(16, '\0');
  return s + data;
}

TEST(Frl, OneRecordPaintsTwoHundredFiftySixPixels) {
  const std::string file = FrlFile(24, 16, 20, std::string("\xFF\x00\x00\xFF", 4), 4);
  Surface s;
  TFrlHeader h;
  ASSERT_TRUE(LoadCodedImage(AsBytes(file), s, false, h));
  ASSERT_EQ(s.width(), 16);
  ASSERT_EQ(s.height(), 20);
  for (int y = 0; y < 20; ++y) {
    EXPECT_EQ(s.at(0, y), y < 16 ? 0xFF0000u : 0xFFFFFFu) << y;
    EXPECT_EQ(s.at(15, y), y < 16 ? 0xFF0000u : 0xFFFFFFu) << y;
  }
}

TEST(Frl, UnknownModeKeepsTheNewSizeAndSucceeds) {
  Surface s(2, 2, 0x00123456);
  TFrlHeader h;
  ASSERT_TRUE(LoadCodedImage(AsBytes(FrlFile(8, 5, 3, "abcd", 4)), s, false, h));
  EXPECT_EQ(s.width(), 5);
  EXPECT_EQ(s.height(), 3);
  EXPECT_EQ(s.at(1, 1), 0x00123456u);  // what a resize keeps
  EXPECT_EQ(s.at(4, 2), 0x00FFFFFFu);
}

TEST(Frl, RunsPastTheLastPixelAreCutOff) {
  // Mode 12, 2 x 2: a run of 16 and another record; only 4 pixels exist.
  const std::string data("\x0F\xF0\x0F\x0F", 4);
  Surface s;
  TFrlHeader h;
  ASSERT_TRUE(LoadCodedImage(AsBytes(FrlFile(12, 2, 2, data, 4)), s, false, h));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(s.data()[i], 0xFF0000u);
  // Mode 18 runs on past the red plane.
  ASSERT_TRUE(LoadCodedImage(AsBytes(FrlFile(18, 2, 1, "\xFF\xFF\xFF\xFF\xFF", 5)), s, false, h));
  EXPECT_EQ(s.at(0, 0), 0xFFFFFFu);
  EXPECT_EQ(s.at(1, 0), 0xFFFFFFu);
}

TEST(Frl, BadFilesAreRefused) {
  const std::string four("\x00\x01\x02\x03", 4);
  const std::string cases[] = {
      std::string("FRX ") + FrlFile(24, 2, 2, four, 4).substr(4),  // magic
      FrlFile(24, 2, 2, four, 4).substr(0, 39),                    // header cut
      FrlFile(24, 2, 2, four, 8),                                  // data cut
      FrlFile(24, 1, 1, four + four, 8),                           // more than 4 bytes a pixel
      FrlFile(24, 0, 5, four, 4),                                  // empty
      FrlFile(24, -3, 5, four, 4),                                 // negative
      FrlFile(24, 16385, 1, four, 4),                              // too wide
      FrlFile(24, 16384, 16384, four, 4),                          // too many pixels
  };
  for (const std::string& file : cases) {
    Surface s(1, 1, 5);
    TFrlHeader h;
    EXPECT_FALSE(LoadCodedImage(AsBytes(file), s, false, h));
    EXPECT_EQ(s.at(0, 0), 5u);
  }
}

}  // namespace
}  // namespace qw
