#include "gfx/picture_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "gfx/codecs.h"
#include "gfx/picture.h"
#include "gfx/picture_writers.h"
#include "recording_reporter.h"

namespace qw {
namespace {

namespace fs = std::filesystem;

bool SamePixels(const Surface& a, const Surface& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.width()) * a.height() * 4) == 0;
}

class PictureCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qw_cache_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary | std::ios::trunc) << bytes;
    return dir_ / name;
  }
  PictureLoad load(Surface& s, const std::string& name) {
    return LoadPicture(s, "%DATA_DRIVE%\\" + name, dir_.string(), reporter_);
  }
  PictureKey key(const std::string& name) { return *PictureFileKey(dir_ / name, ".png"); }

  fs::path dir_;
  testing::RecordingReporter reporter_;
  PictureCache cache_;
  PictureCacheScope scope_{cache_};
};

TEST_F(PictureCacheTest, SecondLoadIsAHitAndAChangedFileIsReadAgain) {
  const Surface first = testing::MakeRgbPattern(40, 30, 1);
  const fs::path file = write("a.png", testing::WritePngKind(first, testing::PngKind::Rgb, false));
  Surface s;
  ASSERT_EQ(load(s, "a.png"), PictureLoad::Loaded);
  ASSERT_EQ(load(s, "A.PNG"), PictureLoad::Loaded);
  EXPECT_TRUE(SamePixels(s, first));
  EXPECT_EQ(cache_.hits(), 1u);
  EXPECT_EQ(cache_.entries(), 1u);

  // Same size, same name, written again: only the identity on disk tells it changed.
  const Surface second = testing::MakeRgbPattern(40, 30, 2);
  const auto stamp = fs::last_write_time(file);
  write("a.png", testing::WritePngKind(second, testing::PngKind::Rgb, false));
  fs::last_write_time(file, stamp + std::chrono::seconds(1));
  ASSERT_EQ(load(s, "a.png"), PictureLoad::Loaded);
  EXPECT_TRUE(SamePixels(s, second));
  EXPECT_EQ(cache_.hits(), 1u);
  EXPECT_EQ(cache_.entries(), 1u);
  EXPECT_TRUE(reporter_.reports.empty());
}

TEST_F(PictureCacheTest, FailedLoadsAreNeverKept) {
  write("bad.mag", "MAKI02  not a picture");
  write("bad.png", "\x89PNG broken");
  for (int run = 0; run < 2; ++run) {
    Surface s(4, 4, 0x123456);
    EXPECT_EQ(load(s, "bad.mag"), PictureLoad::Failed);
    EXPECT_THROW(load(s, "bad.png"), FrameworkError);
  }
  EXPECT_EQ(reporter_.reports.size(), 2u);
  EXPECT_EQ(cache_.entries(), 0u);
}

TEST_F(PictureCacheTest, FrlResultsDependOnTheTargetAndAreNotKept) {
  // Coded data for 16 x 6 under a header of 16 x 12: the lower half keeps the target's pixels.
  std::string frl = testing::EncodeFrl(testing::MakeRgbPattern(16, 6, 1), 24);
  frl[12] = 12;
  write("half.frl", frl);
  for (std::uint32_t fill : {0x123456u, 0x654321u}) {
    Surface s(16, 12, fill);
    ASSERT_EQ(load(s, "half.frl"), PictureLoad::Loaded);
    EXPECT_EQ(s.at(3, 10), fill);
  }
  EXPECT_EQ(cache_.entries(), 0u);
}

TEST_F(PictureCacheTest, AKeptPictureStillCountsAgainstTheMemoryBudget) {
  const Surface picture = testing::MakeRgbPattern(64, 64, 3);
  write("a.png", testing::WritePngKind(picture, testing::PngKind::Rgb, false));
  Surface s;
  ASSERT_EQ(load(s, "a.png"), PictureLoad::Loaded);
  const std::int64_t previous = SetPictureMemoryBudget(
      static_cast<std::int64_t>(Surface::bytesInUse()));  // no room for another 64 x 64 picture
  Surface other;
  EXPECT_EQ(load(other, "a.png"), PictureLoad::Failed);
  SetPictureMemoryBudget(previous);
  EXPECT_EQ(reporter_.reports.size(), 1u);
}

TEST_F(PictureCacheTest, BoundHoldsDroppingTheLeastRecentlyUsed) {
  const Surface picture = testing::MakeRgbPattern(16, 16, 4);  // 1 KiB of pixels
  for (const char* name : {"a.png", "b.png", "c.png", "huge.png"})
    write(name, "x");
  PictureCache cache(2048);
  cache.insert(key("a.png"), picture);
  cache.insert(key("b.png"), picture);
  ASSERT_NE(cache.find(key("a.png")), nullptr);
  cache.insert(key("c.png"), picture);
  EXPECT_EQ(cache.bytes(), 2048u);
  EXPECT_EQ(cache.find(key("b.png")), nullptr);
  ASSERT_NE(cache.find(key("a.png")), nullptr);
  EXPECT_TRUE(SamePixels(picture, [&] {
    const CachedPicture* kept = cache.find(key("c.png"));
    Surface out(kept->width, kept->height);
    std::memcpy(out.data(), kept->pixels.get(), kept->bytes());
    return out;
  }()));

  cache.insert(key("huge.png"), testing::MakeRgbPattern(32, 32, 5));
  EXPECT_EQ(cache.find(key("huge.png")), nullptr);
  EXPECT_EQ(cache.entries(), 2u);
  cache.setMaxBytes(1024);
  EXPECT_EQ(cache.entries(), 1u);
  EXPECT_NE(cache.find(key("c.png")), nullptr);
  EXPECT_LE(cache.bytes(), cache.maxBytes());
}

}  // namespace
}  // namespace qw
