#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "gfx/composite.h"
#include "gfx/picture_writers.h"
#include "gfx/raster.h"
#include "platform/paths.h"
#include "recording_reporter.h"

namespace qw {
namespace {

// ---- per-pixel formulas ----

struct ModeCase {
  const char* keyword;
  std::uint32_t s, d, want;
};

class Modes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(Modes, GiveTheTableValue) {
  const auto& c = GetParam();
  const std::optional<CompositeMode> mode = CompositeModeFromKeyword(c.keyword);
  ASSERT_TRUE(mode.has_value());
  Surface src(1, 1, c.s), dst(1, 1, c.d);
  CompositeImage(*mode, 0, 0, 1, 1, src, dst, nullptr, kMaskNone);
  EXPECT_EQ(dst.at(0, 0), c.want) << std::hex << c.s << " over " << c.d;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Modes,
    ::testing::Values(
        ModeCase{"#COPY", 0xAB123456, 0x00FFFFFF, 0xAB123456},
        ModeCase{"#OR", 0x01F00F00, 0x100F0F0F, 0x11FF0F0F},
        ModeCase{"#AND", 0xFFF00F0F, 0x0F0FFF01, 0x0F000F01},
        ModeCase{"#XOR", 0xFF00FF00, 0x0F0F0F0F, 0xF00FF00F},
        ModeCase{"#BLEND", 0xFFFFFFFF, 0xFFFFFFFF, 0x00FEFEFE},  // 255 and 255 give 254
        ModeCase{"#BLEND", 0x00030201, 0x00010203, 0x00010201},
        ModeCase{"#INCREASE", 0xFF80FF01, 0xFF81000F, 0x00FFFF10},
        ModeCase{"#INCREASE", 0x00404040, 0x00C0BFC1, 0x00FFFFFF},
        ModeCase{"#INCREASE", 0x007F0000, 0x00800000, 0x00FF0000},
        ModeCase{"#DECREASE", 0xFF102030, 0x00302010, 0x00200000},
        ModeCase{"#DECREASE", 0x00FF00FF, 0xFF80FF7F, 0x0000FF00},
        ModeCase{"#DECREASE", 0x00018081, 0x00808080, 0x007F0000},
        ModeCase{"#SCREEN", 0xFF10F080, 0xFF8020FF, 0x0080F0FF},
        ModeCase{"#OVERLAY", 0x00C86464, 0x0064C8C8, 0x00C89696},  // 200/100 -> 200; 100/200 -> 150
        ModeCase{"#OVERLAY", 0x00000101, 0x00000102, 0x00000101}),
    [](const auto& p) { return std::string(p.param.keyword + 1) + std::to_string(p.index); });

// A plain per-channel model of modes 4..8, checked against the fast forms over many values.
std::uint32_t Model(CompositeMode mode, std::uint32_t s, std::uint32_t d) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((s >> shift) & 0xFF), b = static_cast<int>((d >> shift) & 0xFF);
    int v = 0;
    switch (mode) {
      case CompositeMode::Blend:
        v = (a >> 1) + (b >> 1);
        break;
      case CompositeMode::Increase:
        v = std::min(a + b, 255);
        break;
      case CompositeMode::Decrease:
        v = std::max(b - a, 0);
        break;
      case CompositeMode::Screen:
        v = std::max(a, b);
        break;
      case CompositeMode::Overlay:
        v = a > b ? a : (a + b) >> 1;
        break;
      default:
        break;
    }
    out |= static_cast<std::uint32_t>(v) << shift;
  }
  return out;
}

TEST(Composite, ChannelModesMatchThePlainFormulaEverywhere) {
  // Every pair of channel values, spread over the three channels and the fourth byte.
  Surface src(256, 256), dst(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      src.at(x, y) =
          static_cast<std::uint32_t>((x << 24) | (x << 16) | (y << 8) | ((x * 7 + y) & 0xFF));
      dst.at(x, y) =
          static_cast<std::uint32_t>((y << 24) | (y << 16) | (x << 8) | ((y * 3 + x) & 0xFF));
    }
  }
  for (CompositeMode mode : {CompositeMode::Blend, CompositeMode::Increase, CompositeMode::Decrease,
                             CompositeMode::Screen, CompositeMode::Overlay}) {
    Surface out = dst;
    CompositeImage(mode, 0, 0, 256, 256, src, out, nullptr, kMaskNone);
    int bad = 0;
    for (int y = 0; y < 256 && bad < 3; ++y) {
      for (int x = 0; x < 256 && bad < 3; ++x) {
        const std::uint32_t want = Model(mode, src.at(x, y), dst.at(x, y));
        if (out.at(x, y) != want) {
          ADD_FAILURE() << "mode " << static_cast<int>(mode) << " at " << x << "," << y << ": "
                        << std::hex << out.at(x, y) << " want " << want;
          ++bad;
        }
      }
    }
  }
}

TEST(Composite, KeywordsAreExact) {
  EXPECT_EQ(CompositeModeFromKeyword("#OVERLAY"), CompositeMode::Overlay);
  EXPECT_EQ(CompositeModeFromKeyword("#copy"), std::nullopt);
  EXPECT_EQ(CompositeModeFromKeyword("COPY"), std::nullopt);
  EXPECT_EQ(CompositeModeFromKeyword(""), std::nullopt);
}

// ---- clipping and masks ----

// A source whose pixel tells its own coordinates.
Surface Numbered(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      s.at(x, y) = static_cast<std::uint32_t>(0x100000 + (y << 8) + x);
  }
  return s;
}

struct ClipCase {
  const char* name;
  int x, y;
};

class Clipping : public ::testing::TestWithParam<ClipCase> {};

TEST_P(Clipping, DrawsExactlyTheOverlap) {
  const auto& c = GetParam();
  const Surface src = Numbered(20, 12);
  Surface dst(30, 16, 0xEEEEEE);
  CompositeImage(CompositeMode::Copy, c.x, c.y, 20, 12, src, dst, nullptr, kMaskNone);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 30; ++x) {
      const int sx = x - c.x, sy = y - c.y;
      const bool inside = sx >= 0 && sx < 20 && sy >= 0 && sy < 12;
      ASSERT_EQ(dst.at(x, y), inside ? src.at(sx, sy) : 0xEEEEEEu) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Edges, Clipping,
                         ::testing::Values(ClipCase{"inside", 3, 2}, ClipCase{"left", -10, 1},
                                           ClipCase{"top", 4, -5}, ClipCase{"right", 25, 3},
                                           ClipCase{"bottom", 2, 10}, ClipCase{"allFour", -3, -2},
                                           ClipCase{"offLeft", -20, 0}, ClipCase{"offTop", 0, -12},
                                           ClipCase{"offRight", 30, 0},
                                           ClipCase{"offBottom", 0, 16},
                                           ClipCase{"farAway", -100000, 100000}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Composite, LeftClippedSourceStartsAtColumnTen) {
  const Surface src = Numbered(20, 1);
  Surface dst(5, 1);
  CompositeImage(CompositeMode::Copy, -10, 0, 20, 1, src, dst, nullptr, kMaskNone);
  EXPECT_EQ(dst.at(0, 0), src.at(10, 0));
  EXPECT_EQ(dst.at(4, 0), src.at(14, 0));
}

TEST(Composite, MaskModesSelectThePixelsToDraw) {
  const Surface src(4, 4, 0x00ABCDEF);
  // Source-aligned mask: draw the left column only. 0x01000000 is black with a fourth byte:
  // it hides the pixel.
  Surface srcMask(4, 4, 0x00FFFFFF);
  for (int y = 0; y < 4; ++y)
    srcMask.at(0, y) = 0;
  srcMask.at(0, 3) = 0x01000000;
  Surface dst(8, 8, 0x111111);
  CompositeImage(CompositeMode::Copy, 2, 2, 4, 4, src, dst, &srcMask, kMaskSource);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool drawn = x == 2 && y >= 2 && y <= 4;
      EXPECT_EQ(dst.at(x, y), drawn ? 0x00ABCDEFu : 0x111111u) << x << "," << y;
    }
  }
  // Destination-aligned mask: draw where the screen mask is black.
  Surface dstMask(8, 8, 0x00FFFFFF);
  dstMask.at(3, 3) = 0;
  dstMask.at(0, 0) = 0;  // outside the source: stays
  dst.fill(0x111111);
  CompositeImage(CompositeMode::Xor, 2, 2, 4, 4, src, dst, &dstMask, kMaskDestination);
  EXPECT_EQ(dst.at(3, 3), 0x00ABCDEFu ^ 0x111111u);
  EXPECT_EQ(dst.at(0, 0), 0x111111u);
  EXPECT_EQ(dst.at(2, 2), 0x111111u);
  // An unknown mask mode draws nothing.
  dst.fill(0x111111);
  CompositeImage(CompositeMode::Copy, 0, 0, 4, 4, src, dst, &srcMask, 3);
  EXPECT_EQ(dst.at(0, 0), 0x111111u);
}

TEST(Composite, SmallMasksAndSourcesNeverReadOutside) {
  // Sizes larger than the source, masks smaller than the area: only real pixels count.
  const Surface src = Numbered(6, 6);
  const Surface mask(3, 2, 0);
  Surface dst(10, 10, 0x42);
  CompositeImage(CompositeMode::Copy, 1, 1, 50, 50, src, dst, &mask, kMaskSource);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool drawn = x >= 1 && x < 4 && y >= 1 && y < 3;
      EXPECT_EQ(dst.at(x, y), drawn ? src.at(x - 1, y - 1) : 0x42u) << x << "," << y;
    }
  }
  dst.fill(0x42);
  CompositeImage(CompositeMode::Copy, 1, 1, 6, 6, src, dst, &mask, kMaskDestination);
  EXPECT_EQ(dst.at(2, 1), src.at(1, 0));
  EXPECT_EQ(dst.at(3, 1), 0x42u);
  CompositeImage(CompositeMode::Copy, 0, 0, 6, 6, src, dst, nullptr, kMaskSource);  // no mask given
  EXPECT_EQ(dst.at(0, 0), 0x42u);
}

// ---- colours and masks ----

TEST(Colors, ConversionsBetweenScriptColoursColourValuesAndPixels) {
  EXPECT_EQ(ColorToPixel(0x00332211), 0x00112233u);
  EXPECT_EQ(PixelToColor(0xFF112233), 0x00332211u);
  struct {
    const char* text;
    std::optional<std::uint32_t> color;
  } cases[] = {
      {"#ff0000", 0x000000FF},    {"#FF8000", 0x000080FF},  {"#12", 0x00120000},
      {"#123456789", 0x00563412}, {"#", 0x00000000},        {"#zzzzzz", std::nullopt},
      {"#12 456", std::nullopt},  {"ff0000", std::nullopt}, {"", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScriptColorToColor(c.text), c.color) << c.text;
}

TEST(Colors, ParseMaskColorKeywordsCornersAndErrors) {
  Surface image(3, 2);
  image.at(0, 0) = 0xAA000001;
  image.at(0, 1) = 0x00000002;
  image.at(2, 0) = 0x00000003;
  image.at(2, 1) = 0x00102030;
  struct {
    const char* spec;
    std::uint32_t want;
    bool error;
  } cases[] = {
      {"#NONE", kNoMaskColor, false},
      {"#TOP_LEFT", 0x00010000, false},  // colour value: fourth byte dropped, bytes swapped
      {"#BOTTOM_LEFT", 0x00020000, false},
      {"#TOP_RIGHT", 0x00030000, false},
      {"#BOTTOM_RIGHT", 0x00302010, false},
      {"#ff0000", 0x000000FF, false},
      {"#12", 0x00120000, false},
      {"#none", 0x00FFFFFF, true},  // keywords are case-sensitive
      {"#zzzzzz", 0x00FFFFFF, true},
      {"mask\\m01.bmp", kMaskFromFileColor, false},
      {"", kMaskFromFileColor, false},
  };
  for (const auto& c : cases) {
    testing::RecordingReporter reporter;
    EXPECT_EQ(ParseMaskColor(c.spec, image, reporter), c.want) << c.spec;
    if (c.error) {
      ASSERT_EQ(reporter.boxes.size(), 1u) << c.spec;
      EXPECT_EQ(reporter.boxes[0], std::string("色指定が異常です。:") + c.spec);
      EXPECT_EQ(reporter.icons[0], MessageIcon::Exclamation);
    } else {
      EXPECT_TRUE(reporter.boxes.empty()) << c.spec;
    }
  }
  testing::RecordingReporter reporter;
  EXPECT_EQ(ParseMaskColor("#TOP_LEFT", Surface(), reporter), 0xFFFFFFFFu);
}

TEST(Masks, ColorMaskWhitensTransparentPixelsAndBlackensThemInTheImage) {
  Surface image(3, 1);
  image.at(0, 0) = 0x0000FF00;
  image.at(1, 0) = 0x7F00FF00;  // the fourth byte does not count
  image.at(2, 0) = 0x0000FF01;
  Surface mask(9, 9, 0x123456), temp2;
  MakeColorMask(image, mask, 0x0000FF00 /* green as colour value */, &temp2);
  EXPECT_EQ(mask.width(), 3);
  EXPECT_EQ(temp2.width(), 3);
  EXPECT_EQ(mask.at(0, 0), kMaskWhite);
  EXPECT_EQ(mask.at(1, 0), kMaskWhite);
  EXPECT_EQ(mask.at(2, 0), 0u);
  EXPECT_EQ(image.at(0, 0), 0u);
  EXPECT_EQ(image.at(1, 0), 0u);
  EXPECT_EQ(image.at(2, 0), 0x0000FF01u);
  // Red and blue are swapped between colour values and pixels.
  Surface red(1, 1, 0x00FF0000);
  MakeColorMask(red, mask, 0x000000FF);
  EXPECT_EQ(mask.at(0, 0), kMaskWhite);
}

class FileMask : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("qw_mask_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string root() const { return dir_.string(); }
  std::filesystem::path dir_;
};

TEST_F(FileMask, CutsTheImageOrLeavesItForScreenMasks) {
  // A 2 x 2 mask: white, black / black, 0x00F0F0F0.
  Surface m(2, 2, 0);
  m.at(0, 0) = 0x00FFFFFF;
  m.at(1, 1) = 0x00F0F0F0;
  write("m.bmp", testing::WriteBmp(m, {.bpp = 24}));
  for (int maskMode : {0, 1, 2}) {
    Surface image(3, 3, 0x00ABCDEF);
    Surface mask, temp2;
    testing::RecordingReporter reporter;
    MakeFileMask(image, mask, "%DATA_DRIVE%\\M.BMP", maskMode, temp2, root(), reporter);
    ASSERT_EQ(mask.width(), 2);  // only as large as the file
    ASSERT_EQ(mask.height(), 2);
    EXPECT_EQ(mask.at(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(mask.at(1, 1), 0x00F0F0F0u);
    if (maskMode == 0) {
      EXPECT_EQ(image.at(0, 0), 0u);
      EXPECT_EQ(image.at(1, 0), 0x00ABCDEFu);
      EXPECT_EQ(image.at(1, 1), 0x00ABCDEFu & ~0x00F0F0F0u);
    } else {
      EXPECT_EQ(image.at(0, 0), 0x00ABCDEFu);
    }
    EXPECT_EQ(image.at(2, 2), 0x00ABCDEFu);  // beyond the mask file
  }
}

TEST_F(FileMask, AnUnreadableMaskFileReportsAsItsLoaderDoes) {
  write("m.frl", "not an frl file, long enough for a header............");
  Surface image(3, 3, 1), mask, temp2;
  testing::RecordingReporter reporter;
  MakeFileMask(image, mask, "%DATA_DRIVE%\\m.frl", 0, temp2, root(), reporter);
  ASSERT_EQ(reporter.boxes.size(), 1u);
  EXPECT_EQ(mask.width(), 8);
  EXPECT_EQ(mask.height(), 8);
}

TEST(Tiling, RepeatsTheTileOverTheWholeTarget) {
  const Surface tile = Numbered(3, 2);
  Surface target(8, 5, 0xDEAD);
  TilePicture(tile, target);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(target.at(x, y), tile.at(x % 3, y % 2)) << x << "," << y;
  }
  Surface untouched(4, 4, 0xDEAD);
  TilePicture(Surface(), untouched);
  EXPECT_EQ(untouched.at(3, 3), 0xDEADu);
}

TEST(Darkening, ScalesEachChannelAndClearsTheFourthByte) {
  struct {
    int rate;
    std::uint32_t in, want;
  } cases[] = {
      {0, 0xFFFFFFFF, 0x00FFFFFF},   {128, 0xFF80FF01, 0x00407F00}, {64, 0x00C8C8C8, 0x00969696},
      {256, 0x00FFFFFF, 0x00000000}, {-5, 0x00010203, 0x00010203},  {300, 0x00FFFFFF, 0x00000000},
  };
  for (const auto& c : cases) {
    Surface frame(640, 480, c.in);
    DarkenFrame(frame, c.rate);
    EXPECT_EQ(frame.at(0, 0), c.want) << c.rate;
    EXPECT_EQ(frame.at(639, 479), c.want) << c.rate;
  }
}

// The one sweep gives the pixels of the separate passes, and falls back to them when a size
// differs.
TEST(ShowComposedFrame, GivesThePixelsOfTheSeparatePasses) {
  const auto busy = [](int w, int h, std::uint32_t seed) {
    Surface s = testing::MakeRgbPattern(w, h, seed);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        s.at(x, y) ^= static_cast<std::uint32_t>((x + y) & 0xFF) << 24;
    }
    return s;
  };
  Surface text(640, 480, 0), mask(640, 480, kMaskWhite);
  for (int y = 300; y < 340; ++y) {
    for (int x = 20; x < 600; x += 3) {
      text.at(x, y) = 0x00FFFF00;
      mask.at(x, y) = 0;
    }
  }
  for (int x = 0; x < 640; ++x)
    mask.at(x, 10) = 0xFF00FF00;
  for (const std::optional<int> rate : {std::optional<int>{}, std::optional<int>{96}}) {
    for (const bool withText : {false, true}) {
      for (const int windowWidth : {640, 641}) {
        Surface frame = busy(640, 480, 1), window = busy(windowWidth, 480, 2);
        Surface wantFrame = frame, wantWindow = window;
        if (rate) DarkenFrame(wantFrame, *rate);
        Blit(wantWindow, 0, 0, 640, 480, wantFrame, 0, 0, RasterOp::Copy);
        if (withText) BlitMasked(wantWindow, 0, 0, 640, 480, text, mask, 0, 0);
        ShowComposedFrame(window, frame, rate, withText ? &text : nullptr,
                          withText ? &mask : nullptr, 640, 480);
        const std::string at = std::to_string(rate.value_or(-1)) + " " + std::to_string(withText) +
                               " " + std::to_string(windowWidth);
        EXPECT_TRUE(std::equal(frame.data(), frame.data() + 640 * 480, wantFrame.data())) << at;
        EXPECT_TRUE(std::equal(window.data(), window.data() + windowWidth * 480, wantWindow.data()))
            << at;
      }
    }
  }
}

}  // namespace
}  // namespace qw
