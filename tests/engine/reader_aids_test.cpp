// The reader's aids on the headless host: auto-advance timed on the virtual clock, the wheel
// and keys of the backlog, Ctrl held over read text, screenshots, and the text hook.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/reader_aids.h"
#include "input_rig.h"
#include "media/media_samples.h"
#include "platform/cp932.h"
#include "support/scenario.h"

namespace qw {
namespace {

using test::InputRig;

std::int64_t Flag(const InputRig& rig, int i) {
  return std::stoll(rig.engine->flags().text(i));
}

bool SamePicture(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- Auto-advance ----

// Flag 1 is set after the first line's wait, flag 2 after the second's, whose three
// characters are the ones its delay counts.
constexpr const char* kTwoLines = "_textwait 0\nあ\n_$flg[1]=$sys[31]\nいうえ\n_$flg[2]=$sys[31]\n";

TEST(ReaderAidsAuto, AdvancesAfterTheDelayForTheTextShown) {
  struct Case {
    const char* name;
    const char* ini;  // qwk.ini, or empty for none
    const char* events;
    std::int64_t secondWait;
  };
  const Case cases[] = {
      {"menu item, defaults", "", "menu Kautoadv\n", 1500 + 3 * 40},
      {"shortcut", "", "key ctrl+A\n", 1500 + 3 * 40},
      {"from qwk.ini", "[Reader]\r\nAutoAdvance=1\r\nAutoDelay=500\r\nAutoDelayPerChar=10\r\n", "",
       500 + 3 * 10},
      {"bounded", "AutoAdvance=1\r\nAutoDelay=999999999\r\nAutoDelayPerChar=-5\r\n", "", 60000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InputRig rig;
    if (*c.ini) rig.scenario.writeFile("qwk.ini", c.ini);
    rig.run(kTwoLines, c.events);
    ASSERT_TRUE(rig.scriptEnded());
    EXPECT_EQ(Flag(rig, 2) - Flag(rig, 1), c.secondWait);
    EXPECT_TRUE(rig.engine->menu().checked(ReaderAids::kAutoItem));
  }
}

TEST(ReaderAidsAuto, AClickTurnsItOffAndEndsTheWait) {
  InputRig rig;
  rig.scenario.writeFile("qwk.ini", "AutoAdvance=1\r\n");
  rig.run(kTwoLines, "at +300 click\n");
  // The click ended the first wait early; the second waits for the reader again.
  EXPECT_TRUE(rig.inputExhausted());
  EXPECT_EQ(rig.engine->flags().text(2), "0");
  EXPECT_FALSE(rig.engine->readerAids().autoAdvance());
  EXPECT_FALSE(rig.engine->menu().checked(ReaderAids::kAutoItem));
}

TEST(ReaderAidsAuto, WaitsForTheVoiceOfTheLineToEnd) {
  InputRig rig;
  rig.scenario.writeFile("voice.wav", testing::WavBytes(1000));
  rig.scenario.writeFile("qwk.ini", "AutoAdvance=1\r\nAutoDelay=500\r\nAutoDelayPerChar=0\r\n");
  rig.run("_textwait 0\n_$flg[1]=$sys[31]\n<O\"voice.wav\">あ\n_$flg[2]=$sys[31]\n", "");
  ASSERT_TRUE(rig.scriptEnded());
  const std::int64_t waited = Flag(rig, 2) - Flag(rig, 1);
  EXPECT_GE(waited, 1500);
  EXPECT_LT(waited, 1600);
}

TEST(ReaderAidsAuto, SavedInTheReaderSettingsAndABadValueIsReported) {
  struct Case {
    const char* ini;
    const char* section;  // what the end writes after the old keys
    bool reported;
  };
  // Timed, the shortcut also reaches a wait that advances by itself.
  const Case cases[] = {
      {"AutoDelay=soon\r\nAutoDelayPerChar=25\r\n",
       "[Reader]\r\nAutoAdvance=1\r\nAutoDelay=1500\r\nAutoDelayPerChar=25\r\n", true},
      // Switched off again with the defaults, the file is as the old engine wrote it.
      {"AutoAdvance=1\r\n", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    InputRig rig;
    rig.scenario.writeFile("qwk.ini", c.ini);
    rig.run("あ\n", "at +100 key ctrl+A\n");
    EXPECT_EQ(rig.host->messages().empty(), !c.reported);
    // The save folder "./" is the scenario's only while it is the current one.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(rig.scenario.dir());
    rig.engine->SaveOnExit();
    std::filesystem::current_path(previous);
    const std::string ini = ReadFile(rig.scenario.dir() / "qwk.ini");
    const std::string oldEnd = "Font3=" + Utf8ToCp932("ＭＳ ゴシック") + "\r\n";
    ASSERT_NE(ini.find(oldEnd), std::string::npos) << ini;
    EXPECT_EQ(ini.substr(ini.find(oldEnd) + oldEnd.size()), c.section);
  }
}

// ---- Wheel and keys ----

TEST(ReaderAidsWheel, TurnsBacklogPagesAndClosesAtTheNewest) {
  InputRig rig;
  rig.run("一&\n二&\n三\n",
          "click\nclick\nsnap story\n"
          "wheel up\nsnap newest\nwheel up\nsnap older\n"
          "key PageDown\nsnap pagedown\nkey PageUp\nsnap pageup\n"
          "wheel down\nsnap down\nwheel down\nsnap closed\n"
          // Outside a viewer the page keys do nothing, and wheel down opens nothing.
          "key PageUp\nwheel down\nsnap still\n");
  ASSERT_TRUE(rig.inputExhausted());
  const test::Scenario& s = rig.scenario;
  EXPECT_FALSE(SamePicture(s.snapshot("story"), s.snapshot("newest")));
  EXPECT_FALSE(SamePicture(s.snapshot("newest"), s.snapshot("older")));
  EXPECT_TRUE(SamePicture(s.snapshot("newest"), s.snapshot("pagedown")));
  EXPECT_TRUE(SamePicture(s.snapshot("older"), s.snapshot("pageup")));
  EXPECT_TRUE(SamePicture(s.snapshot("newest"), s.snapshot("down")));
  EXPECT_TRUE(SamePicture(s.snapshot("story"), s.snapshot("closed")));
  EXPECT_TRUE(SamePicture(s.snapshot("story"), s.snapshot("still")));
}

TEST(ReaderAidsWheel, ArrowKeysScrollALongPageByARow) {
  InputRig rig;
  std::string page;
  for (int i = 0; i < 39; ++i)
    page += "あ|";
  rig.run("_textwait 0\n" + page + "x\n",
          "wheel up\nsnap top\nkey Down\nsnap down\nkey Up\nsnap up\n",
          [](TFmain& e, HeadlessHost&) { e.textStatus().bottomLimit = 100000; });
  ASSERT_TRUE(rig.inputExhausted());
  const Surface top = rig.scenario.snapshot("top");
  const Surface down = rig.scenario.snapshot("down");
  int differing = 0;
  for (int y = 48; y < 400; ++y)
    for (int x = 0; x < 620; ++x)
      differing += down.at(x, y) != top.at(x, y + 32);
  EXPECT_EQ(differing, 0);
  EXPECT_TRUE(SamePicture(top, rig.scenario.snapshot("up")));
}

TEST(ReaderAidsControl, HeldCtrlSkipsReadTextButNotAShortcut) {
  struct Case {
    const char* name;
    const char* events;
    bool skipped;
  };
  const Case cases[] = {
      {"held", "hold ctrl\nwait 400\n", true},
      {"too short", "hold ctrl\nwait 100\nrelease ctrl\nwait 400\n", false},
      {"a shortcut", "hold ctrl\nkey ctrl+H\nwait 400\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InputRig rig;
    rig.scenario.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=4\r\n");
    // Lines 1 and 2 were read on an earlier run; line 3 was not.
    rig.scenario.writeFile("textid.dat", std::string("\x06\0\0\0", 4));
    rig.run("~00000001あ\n~00000002い\n_$flg[1]=1\n~00000003う\n_$flg[2]=1\n", c.events);
    EXPECT_EQ(rig.engine->flags().text(1), c.skipped ? "1" : "0");
    // Unread text stops the race even while Ctrl is held.
    EXPECT_EQ(rig.engine->flags().text(2), "0");
    EXPECT_TRUE(rig.inputExhausted());
  }
}

// ---- Screenshots ----

TEST(ReaderAidsScreenshot, SavesByDateAndTimeWithoutOverwriting) {
  InputRig rig;
  rig.run("あ\n", "key F12\nkey F12\nmenu Mscrshot\n");
  const std::filesystem::path folder = rig.scenario.dir() / "screenshots";
  for (const char* name : {"20000101-000000.png", "20000101-000000-2.png", "20000101-000000-3.png"})
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / name)) << name;
  EXPECT_TRUE(SamePicture(test::ReadPng(folder / "20000101-000000.png"), rig.host->shown()));
  EXPECT_TRUE(rig.host->messages().empty());
}

TEST(ReaderAidsScreenshot, AFolderThatCannotBeMadeIsReported) {
  InputRig rig;
  rig.scenario.writeFile("screenshots", "a file where the folder would go");
  rig.run("あ\n", "key F12\n");
  ASSERT_EQ(rig.host->messages().size(), 1u);
  EXPECT_NE(rig.host->messages()[0].text.find("画面を保存できませんでした。"), std::string::npos);
}

// ---- Text hook ----

TEST(ReaderAidsHook, PassesEachShownLineWithoutTagsAndWithRuby) {
  const std::string script =
      "_textwait 0\n_$flg[9]=7\n"
      "<C#ff0000>赤い(花)はな)が.咲く\n"
      "\\生の<文字>\n"
      "続き<F4>ab<F0>%\n"
      "です[$flg[9],3]\n";
  const std::vector<std::string> expected = {"赤い花(はな)が", "咲く", "生の<文字>続きです7  "};
  // None: the host takes the lines to read them aloud.
  for (TextHookTarget target :
       {TextHookTarget::Stdout, TextHookTarget::Clipboard, TextHookTarget::None}) {
    SCOPED_TRACE(static_cast<int>(target));
    InputRig rig;
    std::ostringstream out;
    rig.run(script, "click\nclick\nclick\n", [&](TFmain& e, HeadlessHost& host) {
      e.readerAids().SetTextHook(target, &out);
      host.setStoryLinesWanted(target == TextHookTarget::None);
    });
    ASSERT_TRUE(rig.scriptEnded());
    std::vector<std::string> lines =
        target == TextHookTarget::None ? rig.host->storyLines() : rig.host->clipboardTexts();
    if (target == TextHookTarget::Stdout) {
      lines.clear();
      std::istringstream in(out.str());
      for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    }
    EXPECT_EQ(lines, expected);
  }
}

TEST(ReaderAidsHook, CommandLineOption) {
  struct Case {
    std::vector<std::string> args;
    TextHookTarget target;
    bool usage;
  };
  const Case cases[] = {
      {{"--texthook", "dir"}, TextHookTarget::Stdout, false},
      {{"--texthook=clipboard", "dir"}, TextHookTarget::Clipboard, false},
      {{"run", "--headless", "--texthook", "dir"}, TextHookTarget::Stdout, false},
      {{"dir"}, TextHookTarget::None, false},
      {{"--texthook=printer", "dir"}, TextHookTarget::None, true},
      {{"lint", "--texthook", "dir"}, TextHookTarget::None, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    const CommandLine cmd = ParseCommandLineArguments(c.args);
    EXPECT_EQ(cmd.mode == CommandLine::Mode::Usage, c.usage) << cmd.error;
    EXPECT_EQ(cmd.textHook, c.target);
    if (!c.usage) {
      EXPECT_EQ(*cmd.dir, "dir");
    }
  }
}

}  // namespace
}  // namespace qw
