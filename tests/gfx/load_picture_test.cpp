#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gfx/codecs.h"
#include "gfx/picture.h"
#include "gfx/picture_command.h"
#include "gfx/picture_writers.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "recording_reporter.h"

namespace qw {
namespace {

namespace fs = std::filesystem;

class LoadPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qw_load_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "cg");
  }
  void TearDown() override { fs::remove_all(dir_); }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string root() const { return dir_.string(); }
  PictureLoad load(Surface& s, const std::string& name) {
    return LoadPicture(s, name, root(), reporter_,
                       [this](const MessageBoxSpec& spec) { dialogs_.push_back(spec); });
  }

  fs::path dir_;
  testing::RecordingReporter reporter_;
  std::vector<MessageBoxSpec> dialogs_;
};

TEST_F(LoadPictureTest, EveryExtensionReachesItsDecoder) {
  const testing::IndexedImage pattern = testing::MakePattern(16, 6, 16, 3);
  const Surface rgb = pattern.toSurface();
  write("cg/a.bmp", testing::WriteBmp(pattern, {.bpp = 4}));
  write("cg/a.png", testing::WritePngKind(rgb, testing::PngKind::Rgb, false));
  write("cg/a.jpg", testing::WriteJpeg(rgb, testing::JpegKind::Baseline));
  write("cg/a.mag", testing::EncodeMag(pattern, {.magic = "QWKIF1  "}));
  write("cg/a.qim", testing::EncodeMag(pattern, {.magic = "MAKI02  "}));
  write("cg/a.frl", testing::EncodeFrl(rgb, 24));
  for (const char* name :
       {"%DATA_DRIVE%\\cg\\a.bmp", "%DATA_DRIVE%\\CG\\A.BMP", "%DATA_DRIVE%\\cg\\a.png",
        "%DATA_DRIVE%\\cg\\a.Mag", "%DATA_DRIVE%\\cg\\a.qim", "%DATA_DRIVE%\\cg\\a.FRL"}) {
    Surface s(1, 1);
    ASSERT_EQ(load(s, name), PictureLoad::Loaded) << name;
    ASSERT_EQ(s.width(), 16) << name;
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(s.at(x, y), rgb.at(x, y)) << name << " " << x << "," << y;
    }
  }
  Surface s;
  ASSERT_EQ(load(s, "%DATA_DRIVE%\\cg\\a.jpg"), PictureLoad::Loaded);
  EXPECT_EQ(s.width(), 16);
  EXPECT_EQ(s.height(), 6);
  EXPECT_TRUE(reporter_.reports.empty());
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(LoadPictureTest, UnknownExtensionsLeaveThePictureAlone) {
  write("cg/a.jpeg",
        testing::WriteJpeg(testing::MakeRgbPattern(8, 8), testing::JpegKind::Baseline));
  write("cg/a.gif", "GIF89a");
  write("cg/noext", "x");
  for (const char* name : {"cg\\a.jpeg", "cg\\a.gif", "cg\\noext", "cg\\missing.tga"}) {
    Surface s(2, 2, 0x77);
    EXPECT_EQ(LoadPicture(s, std::string(root()) + "/" + name, "", reporter_),
              PictureLoad::Skipped);
    EXPECT_EQ(s.width(), 2);
    EXPECT_EQ(s.at(1, 1), 0x77u);
  }
  EXPECT_TRUE(reporter_.reports.empty());
}

TEST_F(LoadPictureTest, PlatformFormatsThrowForTheExceptionHandler) {
  write("cg/bad.bmp", "BMnot really");
  write("cg/bad.png", "\x89PNG\r\n\x1a\nshort");
  write("cg/bad.jpg", "\xFF\xD8\xFF");
  for (const char* name : {"%DATA_DRIVE%\\cg\\missing.bmp", "%DATA_DRIVE%\\cg\\bad.bmp",
                           "%DATA_DRIVE%\\cg\\missing.png", "%DATA_DRIVE%\\cg\\bad.png",
                           "%DATA_DRIVE%\\cg\\missing.jpg", "%DATA_DRIVE%\\cg\\bad.jpg"}) {
    Surface s(2, 2, 0x77);
    EXPECT_THROW(load(s, name), FrameworkError) << name;
    EXPECT_EQ(s.at(1, 1), 0x77u) << name;
  }
  EXPECT_TRUE(reporter_.reports.empty());
  try {
    Surface s;
    load(s, "%DATA_DRIVE%\\cg\\missing.bmp");
  } catch (const FrameworkError& e) {
    EXPECT_NE(std::string(e.what()).find(root() + "\\cg\\missing.bmp"), std::string::npos)
        << e.what();
  }
}

struct FailureCase {
  const char* name;
  const char* file;
  std::string bytes;
  const char* message;
  bool warning;  // the "Failed by MMAG_MagtoBmp" dialog comes first
};

std::string CutMag(std::size_t keep) {
  std::string f = testing::EncodeMag(testing::MakePattern(32, 16, 16), {});
  return f.substr(0, keep);
}

std::string MagWithoutPixels() {
  std::string f = testing::EncodeMag(testing::MakePattern(32, 16, 16), {});
  f[32 + 28] = 0;  // pixel size 0: the stream runs out at once
  f[32 + 29] = 0;
  f[32 + 30] = 0;
  f[32 + 31] = 0;
  return f;
}

class LoadFailures : public LoadPictureTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoadFailures, ShowReportAndLeaveEightByEight) {
  const auto& c = GetParam();
  if (!c.bytes.empty()) write(std::string("cg/") + c.file, c.bytes);
  Surface s(20, 20, 0x00123456);
  const std::string name = std::string("%DATA_DRIVE%\\cg\\") + c.file;
  EXPECT_EQ(load(s, name), PictureLoad::Failed);
  const std::string want = std::string(c.message) + root() + "\\cg\\" + c.file;
  ASSERT_EQ(reporter_.boxes.size(), 1u);
  EXPECT_EQ(reporter_.boxes[0], want);
  EXPECT_EQ(reporter_.icons[0], MessageIcon::Exclamation);
  EXPECT_EQ(reporter_.reports, std::vector<std::string>{want});
  if (c.warning) {
    ASSERT_EQ(dialogs_.size(), 1u);
    EXPECT_EQ(dialogs_[0].text, "Failed by MMAG_MagtoBmp");
    EXPECT_EQ(dialogs_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dialogs_[0].buttons, MessageButtons::Ok);
  } else {
    EXPECT_TRUE(dialogs_.empty());
  }
  EXPECT_EQ(s.width(), 8);
  EXPECT_EQ(s.height(), 8);
  EXPECT_EQ(s.at(7, 7), 0x00123456u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFailures,
    ::testing::Values(
        FailureCase{"magMissing", "none.mag", "", "ＭＡＧ画像が読めません:", false},
        FailureCase{"magBadMagic", "bad.mag", "MAKI01  \x1A" + std::string(40, '\0'),
                    "ＭＡＧ画像が読めません:", false},
        FailureCase{"magCutShort", "cut.qim", CutMag(32 + 32 + 48 + 3),
                    "ＭＡＧ画像が読めません:", true},
        FailureCase{"magPixelsRunOut", "nopix.mag", MagWithoutPixels(),
                    "ＭＡＧ画像が読めません:", true},
        FailureCase{"frlMissing", "none.frl", "", "画像が読めません:", false},
        FailureCase{"frlBadMagic", "bad.frl", std::string(60, 'x'), "画像が読めません:", false},
        FailureCase{"frlHuge", "huge.frl",
                    std::string("FRL\0\x18\0\0\0\0\0\1\0\0\0\1\0", 16) + std::string(24, '\0'),
                    "画像が読めません:", false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(LoadPictureTest, MessagesConvertShiftJisNames) {
  // "表.mag": 0x95 0x5C, where 0x5C is a trail byte and not a separator.
  const std::string name = "%DATA_DRIVE%\\cg\\\x95\x5C.mag";
  Surface s;
  EXPECT_EQ(load(s, name), PictureLoad::Failed);
  ASSERT_EQ(reporter_.boxes.size(), 1u);
  EXPECT_EQ(reporter_.boxes[0], "ＭＡＧ画像が読めません:" + root() + "\\cg\\表.mag");
  write("cg/表.mag", testing::EncodeMag(testing::MakePattern(8, 2, 16), {}));
  EXPECT_EQ(load(s, name), PictureLoad::Loaded);
}

TEST_F(LoadPictureTest, PictureCommandWritesAPngOrPrintsTheMessage) {
  const Surface rgb = testing::MakePattern(24, 5, 16, 8).toSurface();
  write("cg/p.frl", testing::EncodeFrl(rgb, 24));
  const std::string out = (dir_ / "out.png").string();
  std::ostringstream err;
  ASSERT_EQ(RunPictureCommand(root(), "%DATA_DRIVE%\\cg\\P.FRL", out, err), 0) << err.str();
  std::ifstream in(out, std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Surface back;
  DecodePng(AsBytes(png), back);
  ASSERT_EQ(back.width(), 24);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 24; ++x)
      ASSERT_EQ(back.at(x, y), rgb.at(x, y));
  }

  struct {
    const char* in;
    const char* message;
  } failures[] = {
      {"%DATA_DRIVE%\\cg\\none.mag", "ＭＡＧ画像が読めません:"},
      {"%DATA_DRIVE%\\cg\\none.bmp", "Cannot open file"},
      {"%DATA_DRIVE%\\cg\\p.gif", "not a picture"},
  };
  for (const auto& f : failures) {
    std::ostringstream e;
    EXPECT_EQ(RunPictureCommand(root(), f.in, out, e), 1) << f.in;
    EXPECT_NE(e.str().find(f.message), std::string::npos) << e.str();
  }
}

}  // namespace
}  // namespace qw

namespace qw {
namespace {

TEST(PathsCp932, RawNamesMatchCaseInsensitivelyButNeverAcrossCharacters) {
  const fs::path dir = fs::temp_directory_path() / ("qw_paths_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // A name stored as raw CP932 bytes: 0x83 0x41 is one character whose trail byte is 'A'.
  const std::string raw = "\x83\x41.bmp";
  std::ofstream(dir / raw) << "x";
  const std::string root = dir.string();
  EXPECT_EQ(ResolvePath("%DATA_DRIVE%\\\x83\x41.BMP", root), dir / raw);
  // 0x83 0x61 is another character: folding its trail byte would wrongly find the file.
  EXPECT_FALSE(FileExists("%DATA_DRIVE%\\\x83\x61.bmp", root));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qw
