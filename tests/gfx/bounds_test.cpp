// The bounds of the graphics side: the pixels of all surfaces counted against the picture
// memory budget, picture files read only when they are regular files of a picture's size, the
// glyph cache within its limit, and effects with no interval counted as a run's work.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "effects_fixture.h"
#include "gfx/black_hole.h"
#include "gfx/codecs.h"
#include "gfx/glyphs.h"
#include "gfx/picture.h"
#include "gfx/scroll_roll.h"
#include "picture_writers.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/work_meter.h"
#include "recording_reporter.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using testing::EffectsRecorder;
using testing::PictureFolder;
using testing::RecordingReporter;

TEST(SurfaceBytes, EveryPixelIsCountedOnceWhileItLives) {
  const std::size_t base = Surface::bytesInUse();
  {
    Surface a(100, 10);
    EXPECT_EQ(Surface::bytesInUse() - base, 4000u);
    Surface b = a;
    EXPECT_EQ(Surface::bytesInUse() - base, 8000u);
    Surface c = std::move(b);  // taken over, not copied
    EXPECT_EQ(Surface::bytesInUse() - base, 8000u);
    a.reset(10, 10);
    EXPECT_EQ(Surface::bytesInUse() - base, 4400u);
    a = std::move(c);  // a's 400 bytes go, c's 4000 stay
    EXPECT_EQ(Surface::bytesInUse() - base, 4000u);
    a.resetForOverwrite(40, 25);  // the same pixel count keeps the storage
    EXPECT_EQ(Surface::bytesInUse() - base, 4000u);
    a.reset(0, 0);
    EXPECT_EQ(Surface::bytesInUse(), base);
    a.reset(1, 1);
  }
  EXPECT_EQ(Surface::bytesInUse(), base);
}

class BudgetScope {
 public:
  explicit BudgetScope(std::int64_t bytes) : previous_(SetPictureMemoryBudget(bytes)) {}
  ~BudgetScope() { SetPictureMemoryBudget(previous_); }

 private:
  std::int64_t previous_;
};

class PictureBoundsTest : public ::testing::Test {
 protected:
  PictureLoad load(Surface& s, const std::string& name) {
    return LoadPicture(s, "%DATA_DRIVE%\\" + name, folder_.path().string(), reporter_,
                       MessageBoxFn{});
  }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_.path() / name, std::ios::binary) << bytes;
  }
  std::string shown(const std::string& name) const {
    return Cp932ToUtf8(folder_.path().string()) + "\\" + name;
  }

  PictureFolder folder_;
  RecordingReporter& reporter_ = folder_.reporter;
};

TEST_F(PictureBoundsTest, APicturePastTheBudgetIsRefusedInEveryFormatLikeAnUnusableOne) {
  // 512 x 512 pictures: 1 MB of pixels each.
  const testing::IndexedImage indexed = testing::MakePattern(512, 512, 16);
  const Surface rgb = indexed.toSurface();
  write("p.bmp", testing::WriteBmp(indexed, {.bpp = 8}));
  write("p.png", testing::WritePngKind(rgb, testing::PngKind::Rgb, false));
  write("p.jpg", testing::WriteJpeg(rgb, testing::JpegKind::Baseline));
  write("p.mag", testing::EncodeMag(indexed, {}));
  write("p.frl", testing::EncodeFrl(rgb, 24));
  const struct {
    const char* file;
    const char* message;
  } cases[] = {{"p.bmp", kPictureUnreadableMessage},
               {"p.png", kPictureUnreadableMessage},
               {"p.jpg", kPictureUnreadableMessage},
               {"p.mag", kMagUnreadableMessage},
               {"p.frl", kPictureUnreadableMessage}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Surface picture(4, 4, 0x123456);
    {
      // Less than one more picture of this size fits.
      BudgetScope tight(static_cast<std::int64_t>(Surface::bytesInUse()) + (512 << 10));
      reporter_.boxes.clear();
      EXPECT_EQ(load(picture, c.file), PictureLoad::Failed);
      EXPECT_EQ(picture.width(), 8);
      EXPECT_EQ(picture.height(), 8);
      ASSERT_EQ(reporter_.boxes.size(), 1u);
      EXPECT_EQ(reporter_.boxes[0], c.message + shown(c.file));
    }
    BudgetScope roomy(static_cast<std::int64_t>(Surface::bytesInUse()) + (4 << 20));
    EXPECT_EQ(load(picture, c.file), PictureLoad::Loaded);
    EXPECT_EQ(picture.width(), 512);
  }
}

TEST_F(PictureBoundsTest, OnlyRegularPictureFilesOfAPicturesSizeAreRead) {
  const Surface rgb = testing::MakeRgbPattern(8, 8);
  write("real.bmp", testing::WriteBmp(rgb, {}));
  fs::create_symlink(folder_.path() / "real.bmp", folder_.path() / "link.bmp");
  ASSERT_EQ(::mkfifo((folder_.path() / "fifo.frl").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((folder_.path() / "fifo.png").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", folder_.path() / "zero.jpg");
  fs::create_symlink("/dev/zero", folder_.path() / "zero.mag");
  std::ofstream(folder_.path() / "huge.bmp", std::ios::binary) << "BM";
  fs::resize_file(folder_.path() / "huge.bmp", kMaxPictureFileSize + 1);

  Surface s;
  EXPECT_EQ(load(s, "link.bmp"), PictureLoad::Loaded);  // links are followed
  EXPECT_EQ(s.width(), 8);
  EXPECT_EQ(load(s, "fifo.frl"), PictureLoad::Failed);
  EXPECT_EQ(load(s, "zero.mag"), PictureLoad::Failed);
  EXPECT_EQ(reporter_.boxes,
            (std::vector<std::string>{kPictureUnreadableMessage + shown("fifo.frl"),
                                      kMagUnreadableMessage + shown("zero.mag")}));
  const struct {
    const char* file;
    std::string reason;
  } thrown[] = {{"fifo.png", "Not a regular file"},
                {"zero.jpg", "Not a regular file"},
                {"huge.bmp", "File too large (268435457 bytes, at most 268435456)"}};
  for (const auto& t : thrown) {
    SCOPED_TRACE(t.file);
    try {
      load(s, t.file);
      ADD_FAILURE() << "loaded";
    } catch (const FrameworkError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + shown(t.file) + "\". " + t.reason);
    }
  }
}

TEST(GlyphCacheBound, TheCacheStaysWithinItsLimitAndGivesTheSameGlyphsAgain) {
  GlyphRenderer r;
  constexpr std::size_t kLimit = 256 << 10;
  r.setCacheLimit(kLimit);
  const std::string font = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
  const Glyph first = r.Get(font, "\x8A\xBF", 48, false);                        // 漢
  std::size_t most = 0;
  // Every kanji of the first levels at two sizes: several times the limit.
  for (int lead = 0x88; lead <= 0x8F; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string ch = {static_cast<char>(lead), static_cast<char>(trail)};
      for (int height : {24, 48}) {
        r.Get(font, ch, height, height == 48);
        most = std::max(most, r.cacheBytes());
        ASSERT_LE(r.cacheBytes(), kLimit);
      }
    }
  }
  EXPECT_GT(most, kLimit / 2);  // the cache did fill up before it was emptied
  const Glyph& again = r.Get(font, "\x8A\xBF", 48, false);
  EXPECT_EQ(again.ink, first.ink);
  EXPECT_EQ(again.advance, first.advance);

  r.setCacheLimit(1024);  // lowering it empties what no longer fits
  EXPECT_EQ(r.cacheBytes(), 0u);
  // A glyph larger than the whole cache is still drawn; it is all the cache then holds.
  const Glyph& huge = r.Get(font, "\x8A\xBF", 1000, false);
  EXPECT_GT(huge.ink.size(), 1024u);
  EXPECT_EQ(r.cacheBytes(), huge.ink.size() + sizeof(Glyph) + 32);
}

// ---- Effects with no interval as a run's work ----

struct Stopped {};

TEST(EffectWork, FramesWithNoIntervalAreChargedOneByOne) {
  PictureFolder folder;
  const std::string picture = folder.add("w.bmp", testing::Pattern(64, 64, 1));
  EffectsRecorder sink;
  std::uint64_t used = 0;
  WorkMeter meter(used, 1000, [] { throw Stopped{}; });
  WorkMeterScope scope(meter);

  // A roll of a million rows, one a frame.
  RollSettings roll;
  roll.interval = 0;
  const std::vector<std::string> lines = {"|999999"};
  EXPECT_THROW(RunRoll(roll, lines, sink, folder.files()), Stopped);
  EXPECT_EQ(sink.of(testing::SinkEvent::Present).size(), 1001u);

  // A moving window of 100,000 frames; its picture load counts too.
  used = 0;
  sink.events.clear();
  BlackHoleArgs args;
  args.picture = picture;
  args.width = args.height = 64;
  args.frames = kMaxBlackHoleFrames;
  EXPECT_THROW(RunBlackHole(args, sink.screen, sink, folder.files()), Stopped);
  const std::size_t frames = sink.of(testing::SinkEvent::Present).size();
  EXPECT_GT(frames, 900u);
  EXPECT_LE(frames, 1001u);
}

}  // namespace
}  // namespace qw
