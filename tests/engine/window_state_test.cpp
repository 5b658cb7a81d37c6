#include "app/window_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli.h"
#include "save_test_folder.h"

namespace qw {
namespace {

TEST(WindowStateFile, RoundTripsBesideTheSettingsAndLeavesQwkIniAlone) {
  test::TempFolder folder;
  folder.write("qwk.ini", "[System]\r\nSavePath=./\r\n");
  const WindowState states[] = {
      {},
      {WindowPlace{-1200, 40, 1280, 960}, true, true},
      {WindowPlace{0, 0, kMaxWindowSide, kMinWindowHeight}, false, true},
  };
  for (const WindowState& state : states) {
    ASSERT_TRUE(SaveWindowState(WindowStatePath(folder.path()), state));
    std::vector<std::string> problems;
    EXPECT_EQ(LoadWindowState(WindowStatePath(folder.path()), &problems), state);
    EXPECT_TRUE(problems.empty());
  }
  EXPECT_EQ(WindowStatePath(folder.path()).filename(), "qwk-window.ini");
  EXPECT_EQ(folder.read("qwk.ini"), "[System]\r\nSavePath=./\r\n");
  // No file yet: the defaults, and nothing to report.
  std::vector<std::string> problems;
  EXPECT_EQ(LoadWindowState(folder / "none.ini", &problems), WindowState{});
  EXPECT_TRUE(problems.empty());
}

TEST(WindowStateFile, BadContentsKeepTheDefaultsOfWhatIsBad) {
  struct Case {
    const char* name;
    std::string text;
    WindowState expected;
    std::size_t problems;
  };
  const Case cases[] = {
      {"sound, CRLF and blanks",
       "X = 5\r\nY=6\r\nWidth=700\r\nHeight=500\r\nFullScreen=1\r\n",
       {WindowPlace{5, 6, 700, 500}, true, false},
       0},
      {"place incomplete", "X=5\nY=6\nWidth=700\nSharpPixels=1\n", {std::nullopt, false, true}, 0},
      {"too small, too large, not numbers",
       "X=5\nY=6\nWidth=10\nHeight=99999999999\nFullScreen=yes\nSharpPixels=2\n",
       {},
       4},
      {"trailing junk", "X=5x\nY=\nWidth=640\nHeight=480\n", {}, 2},
      {"unknown keys and lines", "Colour=3\njust words\n[Other]\n# note\n", {}, 2},
      {"binary", std::string("\0\xff\x01=\x80\n=\n\xfe", 10), {}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> problems;
    EXPECT_EQ(ParseWindowState(c.text, &problems), c.expected);
    EXPECT_EQ(problems.size(), c.problems);
  }
}

TEST(WindowStateFile, UnreadableFilesAreReportedNotRead) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder / "dir.ini");
  folder.write("huge.ini", std::string(200 * 1024, 'X'));
  for (const char* name : {"dir.ini", "huge.ini"}) {
    std::vector<std::string> problems;
    EXPECT_EQ(LoadWindowState(folder / name, &problems), WindowState{}) << name;
    EXPECT_EQ(problems.size(), 1u) << name;
  }
}

TEST(WindowStateFile, TheCommandLineGoesOverTheRememberedState) {
  const WindowState remembered{WindowPlace{10, 20, 800, 600}, true, true};
  EXPECT_EQ(StartWindowState(remembered, {}), remembered);
  DesktopOptions scaled;
  scaled.scale = 2;
  EXPECT_EQ(StartWindowState(remembered, scaled), (WindowState{std::nullopt, false, true}));
  scaled.fullScreen = true;
  scaled.sharpPixels = false;
  EXPECT_EQ(StartWindowState(remembered, scaled), (WindowState{std::nullopt, true, false}));
  DesktopOptions windowed;
  windowed.fullScreen = false;
  EXPECT_EQ(StartWindowState(remembered, windowed), (WindowState{remembered.place, false, true}));
}

TEST(WindowStateCommandLine, DesktopOptionsAndTheirMistakes) {
  const CommandLine all = ParseCommandLineArguments(
      {"--scale", "3", "--fullscreen", "--sharp-pixels", "--read-aloud", "game"});
  ASSERT_EQ(all.mode, CommandLine::Mode::Play) << all.error;
  EXPECT_EQ(all.desktop.scale, 3);
  EXPECT_EQ(all.desktop.fullScreen, true);
  EXPECT_EQ(all.desktop.sharpPixels, true);
  EXPECT_TRUE(all.desktop.readAloud);
  EXPECT_EQ(all.dir->string(), "game");
  const CommandLine plain = ParseCommandLineArguments({"--window", "--smooth"});
  EXPECT_EQ(plain.desktop.fullScreen, false);
  EXPECT_EQ(plain.desktop.sharpPixels, false);
  EXPECT_FALSE(plain.desktop.scale);

  const std::vector<std::vector<std::string>> wrong = {
      {"--scale"},
      {"--scale", "0"},
      {"--scale", "9"},
      {"--scale", "-2"},
      {"--scale", "2x"},
      {"--fullscreen", "--window"},
      {"--smooth", "--sharp-pixels"},
      {"run", "--headless", "--fullscreen", "game"},
      {"lint", "--scale", "2", "game"},
  };
  for (const auto& args : wrong) {
    SCOPED_TRACE(args.front() + " " + args.back());
    const CommandLine cmd = ParseCommandLineArguments(args);
    EXPECT_EQ(cmd.mode, CommandLine::Mode::Usage);
    EXPECT_FALSE(cmd.error.empty());
  }
}

}  // namespace
}  // namespace qw
