// Settings, the backlog, skip mode and save slots in headless runs: what start-up reads, what
// an end writes, what the viewer shows, where skipping stops, and what a load brings back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/media_subsystem.h"
#include "app/save_subsystem.h"
#include "gfx/glyphs.h"
#include "input_rig.h"
#include "media/media_samples.h"
#include "platform/cp932.h"
#include "support/env_scope.h"
#include "support/report_text.h"
#include "support/scenario.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::EnvScope;
using test::InputRig;
using test::Scenario;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool HasMessage(const HeadlessReport& r, const std::string& text) {
  return std::any_of(r.messages.begin(), r.messages.end(),
                     [&](const MessageRecord& m) { return m.text == text; });
}

// The lines of a CRLF file (UTF-8 from CP932).
std::vector<std::string> Lines(const fs::path& path) {
  std::vector<std::string> out;
  std::istringstream in(Cp932ToUtf8(ReadBytes(path)));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

// Line `n` of such a file, or "<none>".
std::string LineOf(const fs::path& path, std::size_t n) {
  const std::vector<std::string> lines = Lines(path);
  return n < lines.size() ? lines[n] : "<none>";
}

// ---- Start-up and the end of a run ----

TEST(SaveRunSettings, WithoutTheAuthorsSettingsTheProgramEndsAtOnce) {
  Scenario s;
  fs::remove(s.dir() / "qwk.cfg");
  s.writeScript("autorun.txt", "_$flg[1]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, "設定ファイルqwk.cfgが見つかりません");
  EXPECT_EQ(r.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(r.flags[1], "");
  EXPECT_FALSE(fs::exists(s.dir() / "qwk.ini"));
}

TEST(SaveRunSettings, TheReadersSettingsSetTheMenuChecksAndComeBackAtTheEnd) {
  InputRig rig;
  rig.scenario.writeFile("qwk.ini",
                         "[Display]\r\nBGDarkness=1\r\n[System]\r\nSavePath=./\r\nEnableMusic=0\r\n"
                         "EnableSound=1\r\nHighSpeedText=1\r\nSkipText=0\r\nDebugMode=on\r\n"
                         "[Font]\r\nFont0=Foo\r\nFont2=\r\n");
  // The reader switches the page-at-once option on, then ends the story.
  rig.run("あ\n", "rclick 10 10\nmenu Ktxtskip\nkey Escape\nanswer ok\n");
  ASSERT_EQ(rig.host->popups().size(), 1u);
  EXPECT_FALSE(rig.popupEntry(0, "Kmusic").checked);
  EXPECT_TRUE(rig.popupEntry(0, "Ksound").checked);
  EXPECT_TRUE(rig.popupEntry(0, "Ktxtwait").checked);
  EXPECT_TRUE(rig.popupEntry(0, "Mdarkness").checked);
  EXPECT_EQ(rig.popupEntry(0, "Mdebug").caption, "デバッグモード");
  EXPECT_TRUE(rig.engine->text().highSpeed);
  EXPECT_EQ(rig.engine->text().fonts[0], "Foo");

  const std::vector<std::string> ini = Lines(rig.scenario.dir() / "qwk.ini");
  const std::vector<std::string> expected = {"Version=1.43",
                                             "[Display]",
                                             "BGDarkness=1",
                                             "[System]",
                                             "SavePath=./",
                                             "EnableMusic=0",
                                             "EnableSound=1",
                                             "HighSpeedText=1",
                                             "SkipText=1",
                                             "DebugMode=on",
                                             "[Font]",
                                             "Font0=Foo",
                                             "Font1=ＭＳ ゴシック",
                                             "Font2=ＭＳ ゴシック",
                                             "Font3=ＭＳ ゴシック"};
  EXPECT_EQ(ini, expected);
  EXPECT_NE(ReadBytes(rig.scenario.dir() / "qwk.ini").find("\r\n"), std::string::npos);
}

TEST(SaveRunSettings, AnEndWritesSettingsGlobalFlagsAndReadTextButTheErrorQuestionNothing) {
  struct Case {
    const char* name;
    const char* script;
    const char* events;
    bool writes;
  };
  const Case cases[] = {
      {"winexit", "~00000003あ\n_$flg[300]=7\n_winexit\n", "click\nanswer ok\n", true},
      {"close", "~00000003あ\n_$flg[300]=7\nい\n", "click\nkey Escape\nanswer ok\n", true},
      {"cancelled", "~00000003あ\n_$flg[300]=7\n_winexit\nい\n", "click\nanswer cancel\n", false},
      {"error", "~00000003あ\n_$flg[300]=7\n_nosuch\n", "click\nanswer yes\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=2\r\n");
    s.writeScript("autorun.txt", c.script);
    s.events(c.events);
    s.run();
    EXPECT_EQ(fs::exists(s.dir() / "qwk.ini"), c.writes);
    ASSERT_EQ(fs::exists(s.dir() / "data0.qfd"), c.writes);
    ASSERT_EQ(fs::exists(s.dir() / "textid.dat"), c.writes);
    if (!c.writes) continue;
    const std::vector<std::string> global = Lines(s.dir() / "data0.qfd");
    ASSERT_EQ(global.size(), 256u);
    EXPECT_EQ(global[300 - 256], "7");
    // Two bytes; text id 3 is bit 3 of the first.
    EXPECT_EQ(ReadBytes(s.dir() / "textid.dat"), std::string("\x08\x00", 2));
  }
}

TEST(SaveRunSettings, TheInstallFolderOfTheProgramIdBecomesTheDataFolder) {
  Scenario s;
  s.writeFile("qwk.cfg", "ProgramID=MyStory\r\nSavePath=./\r\n");
  // The scripts are found there too.
  s.writeScript("installed/autorun.txt", "_$flg[256]=3\n_winexit\n");
  s.events("answer ok\n");
  s.writeFile("config/quillwork/install-paths.ini",
              "other=/nowhere\r\nmystory = " + (s.dir() / "installed").string() + "\r\n");
  s.writeFile("installed/qwk.ini", "[Display]\r\nBGDarkness=1\r\n");
  {
    EnvScope home("XDG_CONFIG_HOME", (s.dir() / "config").string());
    s.run();
  }
  // The reader's settings were read there and are written back there, with the saves.
  EXPECT_EQ(LineOf(s.dir() / "installed" / "qwk.ini", 2), "BGDarkness=1");
  EXPECT_EQ(LineOf(s.dir() / "installed" / "data0.qfd", 0), "3");
  EXPECT_FALSE(fs::exists(s.dir() / "qwk.ini"));
  EXPECT_FALSE(fs::exists(s.dir() / "data0.qfd"));
}

TEST(SaveRunSettings, WithoutASaveFolderTheReaderIsAskedForOne) {
  Scenario s;
  s.writeFile("qwk.cfg", "BGDarkness=1\r\n");
  fs::create_directories(s.dir() / "saves");
  s.writeScript("autorun.txt", "_$flg[256]=9\n_winexit\n");
  s.events("file saves/data0.qfd\nanswer ok\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
  // The folder of the chosen file, with its separator, is the save folder.
  const std::string folder = (fs::canonical(s.dir()) / "saves").string() + "/";
  EXPECT_EQ(LineOf(s.dir() / "qwk.ini", 4), "SavePath=" + folder);
  EXPECT_EQ(LineOf(s.dir() / "qwk.ini", 2), "BGDarkness=1");
  EXPECT_EQ(LineOf(s.dir() / "saves" / "data0.qfd", 0), "9");

  // Cancelled: no save folder, so the files go to the current one.
  Scenario cancelled;
  cancelled.writeFile("qwk.cfg", "");
  cancelled.writeScript("autorun.txt", "_$flg[256]=9\n_winexit\n");
  cancelled.events("file-cancel\nanswer ok\n");
  cancelled.run();
  EXPECT_EQ(LineOf(cancelled.dir() / "qwk.ini", 4), "SavePath=");
  EXPECT_EQ(LineOf(cancelled.dir() / "data0.qfd", 0), "9");
}

TEST(SaveRunSettings, GlobalFlagsAndTheReadTextRecordAreReadAtTheStart) {
  Scenario s;
  s.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=1\r\n");
  std::string global;
  for (int i = 0; i < 256; ++i)
    global += (i == 10 ? "hello" : "") + std::string("\r\n");
  s.writeFile("data0.qfd", global);
  s.writeFile("textid.dat", "\x06");
  // The start script's own flags are cleared; the global ones stay. Ids 1 and 2 were read:
  // skip mode from line 2 races through id 2 and stops at the unread id 3.
  s.writeScript("autorun.txt", "~00000000あ\n~00000001い\n~00000002う\n~00000003え\n_$flg[1]=1\n");
  s.events("click\nmenu Mskipout\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[266], "hello");
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.line, 4);

  // With GlobalFlagSave=0 the file is neither read nor written.
  Scenario off;
  off.writeFile("qwk.cfg", "SavePath=./\r\nGlobalFlagSave=0\r\n");
  off.writeFile("data0.qfd", global);
  off.writeScript("autorun.txt", "_$flg[300]=1\n_winexit\n");
  off.events("answer ok\n");
  HeadlessReport offRun = off.run();
  EXPECT_EQ(offRun.flags[266], "");
  EXPECT_EQ(ReadBytes(off.dir() / "data0.qfd"), global);
}

TEST(SaveRunSettings, ScenarioFontsAreTheFirstInstalledOfEachList) {
  GlyphRenderer glyphs;
  if (!glyphs.IsInstalled("IPAGothic")) GTEST_SKIP() << "IPAGothic is not installed";
  InputRig rig;
  rig.scenario.writeFile("qwk.cfg",
                         "SavePath=./\r\nDefaultFont0=NoSuchFontAtAll,IPAGothic\r\n"
                         "DefaultFont1=NoSuchFontAtAll\r\nDefaultFont5=IPAGothic\r\n");
  rig.run("", "");
  const FontTable& fonts = rig.engine->text().fonts;
  EXPECT_EQ(fonts[0], "IPAGothic");
  EXPECT_EQ(fonts[1], kDefaultTextFont);  // no installed name: the start value
  EXPECT_EQ(fonts[4], "Marlett");
  EXPECT_EQ(fonts[5], "IPAGothic");
  EXPECT_EQ(rig.engine->textStatus().fontName, "IPAGothic");
}

// ---- The backlog ----

TEST(SaveRunBacklog, PagesAreRecordedClearedAndLeftAloneWhileTheLogIsOff) {
  InputRig rig;
  rig.run(
      "あい\nうえ&\nお\n_lognext\n_syslog 1\nか&\nき\n_syslog 0\n_textclear\n"
      "_logclear\nく\n",
      "click\nclick\nclick\nclick\nclick\n");
  ASSERT_TRUE(rig.inputExhausted());
  LogRing& log = rig.engine->saves().log();
  // After `_logclear` only the last line is there.
  EXPECT_EQ(log.pageCount(), 1);
  EXPECT_EQ(log.pageBack(0), LogPage{Utf8ToCp932("く")});

  InputRig before;
  before.run("あい\nうえ&\nお\n_lognext\n_syslog 1\nか&\nき\n_syslog 0\n_textclear\n",
             "click\nclick\nclick\nclick\nclick\n");
  const LogRing& ring = before.engine->saves().log();
  // "お" started the second page, and the end of its line a second, empty line; `_lognext` the
  // third; the log off kept "か" and "き" out and the page clear of "&" from starting a page;
  // `_textclear` found that page empty.
  EXPECT_EQ(ring.pageCount(), 3);
  EXPECT_EQ(ring.pageBack(2), (LogPage{Utf8ToCp932("あい"), Utf8ToCp932("うえ")}));
  EXPECT_EQ(ring.pageBack(1), (LogPage{Utf8ToCp932("お"), ""}));
  EXPECT_TRUE(ring.pageBack(0).empty());
}

TEST(SaveRunBacklog, TheViewerPagesBackAndPutsTheWindowBack) {
  Scenario s;
  s.writeFile("qwk.cfg", "SavePath=./\r\nTile=tile.png\r\n");
  s.writePng("tile.png", Surface(16, 16, 0x203040));
  s.writeScript("autorun.txt", "一&\n二&\n三\n");
  s.events(
      "click\nclick\nsnap before\nmenu Mback\nsnap newest\n"
      "click 300 20\nsnap older\nclick 300 20\nsnap oldest\nclick 300 20\nsnap still\n"
      "click 300 450\nsnap newer\nclick 470 450\nsnap after\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::InputExhausted) << test::Dump(r);
  const Surface before = s.snapshot("before");
  const Surface newest = s.snapshot("newest");
  const Surface older = s.snapshot("older");
  const Surface oldest = s.snapshot("oldest");
  // The tile fills the page; the buttons lie over it.
  EXPECT_EQ(newest.at(320, 300), 0x203040u);
  EXPECT_EQ(newest.at(258, 10), 0xC0C0C0u);
  EXPECT_EQ(newest.at(450, 442), 0xC0C0C0u);
  // Three pages: each step back shows another header and text; the third press does nothing.
  auto differ = [](const Surface& a, const Surface& b) {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (a.at(x, y) != b.at(x, y)) return true;
    return false;
  };
  EXPECT_TRUE(differ(newest, older));
  EXPECT_TRUE(differ(older, oldest));
  EXPECT_FALSE(differ(oldest, s.snapshot("still")));
  EXPECT_FALSE(differ(older, s.snapshot("newer")));
  // EXIT puts the window back as it was.
  EXPECT_FALSE(differ(before, s.snapshot("after")));
}

TEST(SaveRunBacklog, ALongPageScrollsByTheArrowsAndTheTrack) {
  InputRig rig;
  std::string page;
  for (int i = 0; i < 39; ++i)
    page += "あ|";
  // Forty lines of a row each, under the header and an empty row: 1392 pixels of page.
  rig.run("_textwait 0\n" + page + "x\n",
          "menu Mback\nsnap top\nclick 633 475\nsnap arrow\nclick 633 300\nsnap track\n",
          [](TFmain& e, HeadlessHost&) { e.textStatus().bottomLimit = 100000; });
  ASSERT_TRUE(rig.inputExhausted());
  ASSERT_EQ(rig.engine->saves().log().pageBack(0).size(), 40u);
  const Surface top = rig.scenario.snapshot("top");
  // The bar: its thumb at the top of the track, under the upper arrow.
  EXPECT_EQ(top.at(633, 20), 0xC0C0C0u);
  EXPECT_EQ(top.at(633, 400), 0xE0E0E0u);
  // The small step moves the page up by 2 pixels, the large step below the thumb by 24 more.
  for (const auto& [name, shift] : {std::pair<const char*, int>{"arrow", 2}, {"track", 26}}) {
    SCOPED_TRACE(name);
    const Surface moved = rig.scenario.snapshot(name);
    int differing = 0;
    for (int y = 48; y < 410; ++y)
      for (int x = 0; x < 620; ++x)
        differing += moved.at(x, y) != top.at(x, y + shift);
    EXPECT_EQ(differing, 0);
  }
  // The viewer ended with the run: the window is the story's again.
  EXPECT_EQ(rig.engine->screen().buffer(SAVE).width(), 8);
}

// ---- Skip mode ----

TEST(SaveRunSkip, SkippingStopsAtUnreadTextAndAtLinesWithoutId) {
  struct Case {
    const char* name;
    const char* script;
    int stopLine;
  };
  const Case cases[] = {
      {"unread", "~00000001あ\n~00000002い\n~00000003う\n~00000004え\n", 3},
      {"no id", "~00000001あ\n~00000002い\nう\n~00000003え\n", 3},
      {"out of range", "~00000001あ\n~00000002い\n~000000FFう\n", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=1\r\n");
    s.writeFile("textid.dat", "\x06");  // ids 1 and 2 read
    s.writeScript("autorun.txt", std::string("_textwait 100\n") + c.script);
    s.events("menu Mskipout\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
    EXPECT_EQ(r.line, c.stopLine + 1);
    // Line 2 went by without its pause per character.
    EXPECT_LT(r.virtualMs, 250u);
  }
  // A mouse press ends skip mode; without the record the item stays disabled.
  InputRig rig;
  rig.scenario.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=1\r\n");
  rig.scenario.writeFile("textid.dat", "\x0E");
  rig.run("~00000001あ\n~00000002い\n~00000003う\n_stop\n", "menu Mskipout\ndown 5 5\n");
  EXPECT_EQ(rig.engine->prog().Pc, 3);
  EXPECT_FALSE(rig.engine->text().skipMode);
  EXPECT_TRUE(rig.engine->saves().readText().isRead(3));
  InputRig none;
  none.run("あ\n", "rclick 5 5\n");
  EXPECT_FALSE(none.popupEntry(0, "Mskipout").enabled);
}

// ---- Save slots ----

// Saves at the second page and loads at the third: the load goes back to the start of the
// first page, with its flags and pictures.
constexpr const char* kSaveLoadScript =
    "_bgload bg.png\n"
    "_objload 0,ch.png,#NONE\n"
    "_objset 0,1,100,100\n"
    "_refresh\n"
    "!第一章\n"
    "_$flg[1]=1\n"
    "_$flg[300]=1\n"
    "_textclear\n"
    "一ページ目\n"
    "_$flg[1]=2\n"
    "_$flg[300]=2\n"
    "_objset 0,-1\n"
    "_bgload bg2.png\n"
    "_refresh\n"
    "二ページ目\n";

void WriteSaveLoadScenario(Scenario& s) {
  s.writeScript("autorun.txt", kSaveLoadScript);
  s.writePng("bg.png", Surface(640, 480, 0x336699));
  s.writePng("bg2.png", Surface(640, 480, 0x994411));
  s.writePng("ch.png", Surface(40, 40, 0x00FF00));
}

TEST(SaveRunSlots, ALoadRestoresThePageStartAndKeepsTheGlobalFlags) {
  Scenario s;
  WriteSaveLoadScenario(s);
  s.events("menu Msave\nslot 5\nclick\nsnap second\nmenu Mload\nslot 5\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::InputExhausted) << test::Dump(r);
  EXPECT_TRUE(r.errors.empty()) << r.errors.front();
  // Back at "一ページ目", with the flags of its page start; the global flag stays.
  EXPECT_EQ(r.line, 9);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[300], "2");
  EXPECT_EQ(r.caption, "第一章");
  const Surface second = s.snapshot("second");
  EXPECT_EQ(second.at(600, 400), 0x994411u);
  const Surface loaded = s.snapshot("final");
  EXPECT_EQ(loaded.at(600, 400), 0x336699u);
  EXPECT_EQ(loaded.at(120, 120), 0x00FF00u);
  for (const char* ext : {".qfd", ".qsd", ".qld", ".qmf"})
    EXPECT_TRUE(fs::exists(s.dir() / (std::string("data5") + ext))) << ext;
  // The flag file holds the page start's flags; the status file's first line the chapter.
  EXPECT_EQ(LineOf(s.dir() / "data5.qfd", 1), "1");
  EXPECT_EQ(LineOf(s.dir() / "data5.qsd", 0), "第一章");
  EXPECT_EQ(Lines(s.dir() / "data5.qsd").size(), 516u);
  EXPECT_EQ(LineOf(s.dir() / "data0.qfd", 300 - 256), "1");
}

TEST(SaveRunSlots, ALoadResumesALineAtThePageItWasSavedOn) {
  InputRig rig;
  rig.scenario.writePng("bg.png", Surface(640, 480, 0x102030));
  // The line fills a page and goes on on the next; the save comes at the end of the line.
  rig.run("_bgload bg.png\n_refresh\n_$flg[2]=0\n前半&後半\n_$flg[2]=1\n次\n",
          "click\nsnap saved\nmenu Msave\nslot 1\nclick\nmenu Mload\nslot 1\nsnap resumed\n");
  ASSERT_TRUE(rig.inputExhausted());
  const TProg& prog = rig.engine->prog();
  EXPECT_EQ(prog.Pc, 3);
  EXPECT_EQ(prog.Status, 2);
  EXPECT_EQ(prog.TextPos, static_cast<std::int32_t>(Utf8ToCp932("前半&後半").size()) + 1);
  EXPECT_EQ(rig.engine->flags().text(2), "0");
  // The same picture as when the save was made: "後半" alone at the top of the page.
  const Surface saved = rig.scenario.snapshot("saved");
  const Surface resumed = rig.scenario.snapshot("resumed");
  int differing = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      differing += saved.at(x, y) != resumed.at(x, y);
  EXPECT_EQ(differing, 0);
  EXPECT_NE(resumed.at(600, 400), 0u);
}

TEST(SaveRunSlots, ALoadRestoresTheChannelRecordsAndPlaysTheMusicAgain) {
  InputRig rig;
  rig.scenario.writeFile("theme.wav", testing::WavBytes(200));
  rig.scenario.writeFile("other.wav", testing::WavBytes(200));
  rig.scenario.writeFile("se.wav", testing::WavBytes(100));
  rig.run(
      "_bgmmode 3\n_bgmplay theme,0\n_pcmplay se.wav,3\n_textclear\n一\n"
      "_bgmmode 0\n_midiplay other.wav,2\n_pcmstop\n二\n",
      "menu Msave\nslot 2\nclick\nmenu Mload\nslot 2\n");
  ASSERT_TRUE(rig.inputExhausted());
  EXPECT_EQ(rig.engine->prog().Pc, 4);
  EXPECT_EQ(rig.engine->media().channels().musicMode(), 0);
  const MediaChannels& channels = rig.engine->media().channels();
  // The music of the page start plays again, endlessly, as the file it was, although the
  // music mode now asks for MIDI.
  EXPECT_EQ(channels.music().fileName, "theme.wav");
  EXPECT_EQ(channels.music().repeatCount, 0);
  EXPECT_TRUE(channels.music().playing);
  // The sound effect's record comes back as saved; only music is started again.
  EXPECT_EQ(channels.sound().fileName, "se.wav");
  EXPECT_EQ(channels.sound().repeatCount, 3);
  EXPECT_FALSE(channels.sound().playing);
  // The status file holds the records as the page began: the channel names follow the 440
  // lines before group E and its 50 lines of menu and buffer names.
  const std::vector<std::string> status = Lines(rig.scenario.dir() / "data2.qsd");
  ASSERT_EQ(status.size(), 516u);
  EXPECT_EQ(status[490], "theme.wav");
  EXPECT_EQ(status[491], "se.wav");
}

TEST(SaveRunSlots, ThePickerShowsCaptionsAsksBeforeOverwritingAndDisablesEmptySlots) {
  Scenario s;
  WriteSaveLoadScenario(s);
  s.events(
      "menu Msave\nslot 5\n"                 // saved
      "menu Msave\nslot 5\nanswer cancel\n"  // kept
      "menu Mload\nslot 6\n"                 // empty: nothing chosen
      "click\nmenu Mload\nslot-cancel\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::InputExhausted) << test::Dump(r);
  ASSERT_EQ(r.windows.size(), 4u);
  for (const auto& w : r.windows) {
    EXPECT_EQ(w.name, "TFfile");
    EXPECT_EQ(w.caption, "ファイル選択");
  }
  auto has = [](const HeadlessHost::WindowRecord& w, const std::string& text) {
    return std::find(w.texts.begin(), w.texts.end(), text) != w.texts.end();
  };
  const std::string used = "5  第一章" + std::string(58, ' ') + "(2000/01/01 00:00)";
  EXPECT_FALSE(has(r.windows[0], used));
  EXPECT_TRUE(has(r.windows[0], "5  データがありません"));
  EXPECT_TRUE(has(r.windows[0], "80 データがありません"));
  EXPECT_TRUE(has(r.windows[0], "1/20"));
  EXPECT_TRUE(has(r.windows[0], "データ保存"));
  EXPECT_TRUE(has(r.windows[1], used));
  EXPECT_TRUE(has(r.windows[2], "データ読み込み"));
  EXPECT_TRUE(has(r.windows[2], "2/20"));  // the page of slot 5 stays shown
  int questions = 0;
  for (const MessageRecord& m : r.messages) {
    if (m.text == "上書きしていいですか？") {
      ++questions;
      EXPECT_EQ(m.caption, "確認");
      EXPECT_EQ(m.answer, "cancel");
    }
  }
  EXPECT_EQ(questions, 1);
  // No load happened: the story went on to the second page.
  EXPECT_EQ(r.line, 15);
  EXPECT_EQ(r.flags[1], "2");
}

TEST(SaveRunSlots, ASaveBeforeTheFirstPageClearOrATornSlotChangesNothing) {
  Scenario early;
  early.writeScript("autorun.txt", "_winsave\n_$flg[1]=1\n");
  early.events("slot 3\n");
  HeadlessReport r = early.run();
  EXPECT_TRUE(HasMessage(r, "システムがセーブ可能な状態ではありません"));
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], test::At(1, "システムがセーブ可能な状態ではありません"));
  EXPECT_FALSE(fs::exists(early.dir() / "data3.qsd"));
  EXPECT_FALSE(fs::exists(early.dir() / "data0.qfd"));

  // Slot 5 holds a save whose log file came from another one.
  Scenario torn;
  WriteSaveLoadScenario(torn);
  torn.events("menu Msave\nslot 5\nclick\n");
  torn.run();
  std::ofstream(torn.dir() / "data5.qld", std::ios::binary | std::ios::app) << "x\r\n";
  torn.events("click\nmenu Mload\nslot 5\nclick\n");
  HeadlessReport refused = torn.run();
  EXPECT_TRUE(HasMessage(refused, kTornSaveMessage));
  EXPECT_EQ(refused.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(refused.flags[1], "2");
}

TEST(SaveRunSlots, ADamagedSlotWithoutManifestLoadsAsFarAsItGoes) {
  InputRig rig;
  // Files as another program might leave them: three flag lines, a status file of bytes that
  // are no numbers, a log that claims 20 pages.
  rig.scenario.writeFile("data7.qfd", "a\nb\r\nc");
  rig.scenario.writeFile(
      "data7.qsd", std::string("title\r\n\x01\xFF\x80garbage\r\n", 19) + std::string(3000, 'z'));
  std::string log = "20\r\n";
  for (int page = 0; page < 20; ++page)
    log += "\t" + std::to_string(page) + "\r\nline " + std::to_string(page) + "\r\n";
  rig.scenario.writeFile("data7.qld", log);
  rig.run("_$flg[5]=5\n_textclear\nあ\n_$flg[5]=6\nい\n", "click\nmenu Mload\nslot 7\n");
  ASSERT_TRUE(rig.inputExhausted());
  const FlagStore& flags = rig.engine->flags();
  EXPECT_EQ(flags.text(0), "a");
  EXPECT_EQ(flags.text(2), "c");
  EXPECT_EQ(flags.text(5), "5");  // the snapshot's, which the file did not reach
  // The conversion failure was shown and reported once; the rest of the state is the
  // snapshot's, so the story goes on where it was saved.
  EXPECT_EQ(rig.engine->errorList().size(), 1u);
  EXPECT_EQ(rig.engine->prog().Pc, 2);
  const LogRing& ring = rig.engine->saves().log();
  EXPECT_EQ(ring.pageCount(), 16);
  EXPECT_EQ(ring.pageBack(15), LogPage{"line 0"});
  EXPECT_EQ(ring.pageBack(1), LogPage{"line 14"});
}

TEST(SaveRunSlots, ATruncatedSlotLoadedBeforeAnyPageClearChangesNothing) {
  Scenario s;
  s.writeFile("data4.qsd", "title\r\n1\r\n");
  s.writeFile("data4.qfd", "x\r\n");
  s.writeScript("autorun.txt", "_$flg[0]=7\nあ\n_$flg[1]=1\n");
  s.events("menu Mload\nslot 4\nclick\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded) << test::Dump(r);
  EXPECT_TRUE(HasMessage(r, "ステータスデータが読めません．．．"));
  EXPECT_EQ(r.flags[0], "7");
  EXPECT_EQ(r.flags[1], "1");
}

TEST(SaveRunSlots, TheTitleEmptiesTheLog) {
  InputRig rig;
  rig.run("あ&\nい\n", "click\nmenu Mtitle\nanswer ok\n");
  ASSERT_TRUE(rig.inputExhausted());
  // Back at the first line: its page has been recorded again, nothing before it.
  EXPECT_EQ(rig.engine->prog().Pc, 0);
  EXPECT_EQ(rig.engine->saves().log().pageCount(), 1);
  EXPECT_EQ(rig.engine->saves().log().pageBack(0), LogPage{Utf8ToCp932("あ")});
}

}  // namespace
}  // namespace qw
