#include "app/bundled_demo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/env_scope.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::EnvScope;

void Write(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(BundledDemoTest, TheCopyFollowsTheBundleAndKeepsTheReadersFiles) {
  const fs::path root = fs::temp_directory_path() / "qw_bundled_demo_test";
  fs::remove_all(root);
  const fs::path bundle = root / "bundle";
  const fs::path copy = root / "home" / "demo";
  Write(bundle / "autorun.txt", "first");
  Write(bundle / "cg" / "sky.png", "picture");

  ASSERT_EQ(RefreshDemoCopy(bundle, copy), "");
  EXPECT_EQ(Read(copy / "autorun.txt"), "first");
  EXPECT_EQ(Read(copy / "cg" / "sky.png"), "picture");

  // The reader's files, and a file the reader changed that the bundle did not.
  Write(copy / "qwk.ini", "settings");
  Write(copy / "data1.qfd", "save");
  Write(bundle / "autorun.txt", "second, longer");
  fs::last_write_time(bundle / "autorun.txt",
                      fs::last_write_time(bundle / "autorun.txt") + std::chrono::seconds(5));
  ASSERT_EQ(RefreshDemoCopy(bundle, copy), "");
  EXPECT_EQ(Read(copy / "autorun.txt"), "second, longer");
  EXPECT_EQ(Read(copy / "qwk.ini"), "settings");
  EXPECT_EQ(Read(copy / "data1.qfd"), "save");
  EXPECT_FALSE(fs::exists(copy / "autorun.txt.part"));

  // Same size, same time: taken as up to date, not copied again.
  Write(copy / "cg" / "sky.png", "PICTURE");
  fs::last_write_time(copy / "cg" / "sky.png", fs::last_write_time(bundle / "cg" / "sky.png"));
  ASSERT_EQ(RefreshDemoCopy(bundle, copy), "");
  EXPECT_EQ(Read(copy / "cg" / "sky.png"), "PICTURE");

  EXPECT_NE(RefreshDemoCopy(root / "missing", copy), "");
  Write(root / "file", "x");
  EXPECT_NE(RefreshDemoCopy(bundle, root / "file" / "demo"), "");
  fs::remove_all(root);
}

TEST(BundledDemoTest, TheReadersFolderComesFromTheEnvironment) {
  EnvScope dataHome("XDG_DATA_HOME", "/data");
  EXPECT_EQ(ReaderDemoFolder(), fs::path("/data/quillwork/demo"));
  setenv("XDG_DATA_HOME", "relative", 1);
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') {
    EXPECT_EQ(ReaderDemoFolder(), fs::path(home) / ".local/share/quillwork/demo");
  }
}

}  // namespace
}  // namespace qw
