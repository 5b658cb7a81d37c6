// The debug, font and version windows in headless runs: what the report's `windows` and
// `debug` hold, what the `debug`, `font` and `scroll` events do, and what the windows change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/save_subsystem.h"
#include "app/tool_windows.h"
#include "host/headless/events.h"
#include "input_rig.h"
#include "platform/cp932.h"
#include "support/env_scope.h"
#include "support/report_text.h"
#include "support/scenario.h"
#include "tools/image_button.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::EnvScope;
using test::InputRig;
using test::Scenario;

constexpr const char* kDebugIni = "[System]\r\nSavePath=./\r\nDebugMode=on\r\n";

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::vector<std::string> Strings(const nlohmann::ordered_json& array) {
  std::vector<std::string> out;
  for (const auto& item : array)
    out.push_back(item.get<std::string>());
  return out;
}

// ---- Events ----

TEST(ToolWindowEvents, DebugAndScrollLinesAreReadOrRefused) {
  const EventScript script = ParseEvents(
      "debug set 5 hello # kept\ndebug set 6\nat +20 debug refresh\ndebug update # note\n"
      "debug close\ndebug quit\nscroll 120\n");
  ASSERT_EQ(script.events.size(), 7u);
  using Kind = HeadlessEvent::Kind;
  EXPECT_EQ(script.events[0].kind, Kind::Debug);
  EXPECT_EQ(script.events[0].name, "set");
  EXPECT_EQ(script.events[0].value, 5);
  EXPECT_EQ(script.events[0].text, "hello # kept");
  EXPECT_EQ(script.events[1].text, "");
  EXPECT_EQ(script.events[2].name, "refresh");
  EXPECT_EQ(script.events[2].after, 20u);
  EXPECT_EQ(script.events[3].name, "update");
  EXPECT_EQ(script.events[5].name, "quit");
  EXPECT_EQ(script.events[6].kind, Kind::Scroll);
  EXPECT_EQ(script.events[6].value, 120);

  struct Bad {
    const char* line;
    const char* reason;
  };
  for (const Bad& bad : {Bad{"debug set", "needs a flag"}, Bad{"debug set 512 x", "out of range"},
                         Bad{"debug set x y", "expected flag"}, Bad{"debug", "debug needs"},
                         Bad{"debug frob", "debug needs"}, Bad{"debug close now", "unexpected"},
                         Bad{"scroll", "expected scroll position"},
                         Bad{"scroll -4", "out of range"}, Bad{"scroll 3 4", "unexpected"}}) {
    SCOPED_TRACE(bad.line);
    try {
      ParseEvents(bad.line);
      ADD_FAILURE() << "accepted";
    } catch (const EventsError& e) {
      EXPECT_NE(std::string(e.what()).find(bad.reason), std::string::npos) << e.what();
    }
  }
}

// ---- The debug window ----

TEST(DebugWindowRun, ListsFollowTheStoryAndSetChangesAFlag) {
  Scenario s;
  s.writeFile("qwk.ini", kDebugIni);
  s.writeScript("autorun.txt",
                "_$flg[3]=7\n"       // 1
                "_foo\n"             // 2
                "あ\n"               // 3: the window opens here
                "_$flg[4]=8\n"       // 4
                "_@flg[300]=glob\n"  // 5
                "_flgclick $flg[9]\n"
                "_mouseclick\n"  // 7: a click with the click flag armed
                "_flgclear 0,z\n"
                "い\n");  // 9
  s.events(
      "menu Mdebug\ndebug set 5 hello\nclick\nclick\n"
      "debug update\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::InputExhausted) << test::Dump(r);
  EXPECT_EQ(r.flags[5], "z");  // SET, then `_flgclear` of the local half
  ASSERT_EQ(r.windows.size(), 1u);
  const HeadlessHost::WindowRecord& shown = r.windows[0];
  EXPECT_EQ(shown.name, "TFdebug");
  EXPECT_EQ(shown.caption, "デバッグモード");
  // Shown first: the tab set and the value tab, with the flags as they stood.
  EXPECT_TRUE(Has(shown.texts, "変数リスト"));
  EXPECT_TRUE(Has(shown.texts, "003 = 7"));
  EXPECT_TRUE(Has(shown.texts, "SET"));
  EXPECT_TRUE(Has(shown.texts, "プログラム終了"));
  EXPECT_FALSE(Has(shown.texts, "更新"));  // another tab's button

  ASSERT_TRUE(r.debug.has_value());
  const nlohmann::ordered_json& debug = *r.debug;
  const std::vector<std::string> values = Strings(debug["values"]);
  ASSERT_EQ(values.size(), 512u);
  EXPECT_EQ(values[3], "003 = z");
  EXPECT_EQ(values[4], "004 = z");
  EXPECT_EQ(values[5], "005 = z");
  EXPECT_EQ(values[9], "009 = z");
  EXPECT_EQ(values[300], "300 = glob");
  EXPECT_EQ(Strings(debug["errors"]),
            (std::vector<std::string>{test::At(2, "コマンドが変です_foo")}));
  EXPECT_EQ(r.errors, Strings(debug["errors"]));
  const std::vector<std::string> status = Strings(debug["status"]);
  ASSERT_EQ(status.size(), 16u);
  EXPECT_EQ(status[5], "ProgFileName:autorun.txt");
  EXPECT_EQ(status[7], "ProgExecLine:8");
  EXPECT_EQ(status[13], "ProgRunningScript:");
  EXPECT_EQ(status[14], "\"い\"");
  EXPECT_EQ(status[15].rfind("カレントDIR:\"", 0), 0u);
}

TEST(DebugWindowRun, TheFlagSetByHandShowsBeforeTheStoryGoesOn) {
  InputRig rig;
  rig.scenario.writeFile("qwk.ini", kDebugIni);
  rig.run("あ\n_$flg[1]=$flg[5]+1\nい\n", "menu Mdebug\ndebug set 5 41\nclick\n");
  ASSERT_TRUE(rig.inputExhausted());
  EXPECT_EQ(rig.engine->flags().text(1), "42");
  const DebugWindow& w = rig.engine->tools().debug();
  EXPECT_TRUE(w.shown());  // modeless: open while the story went on
  EXPECT_EQ(w.values()[1], "001 = 42");
  EXPECT_EQ(w.selected(), 5);
  ASSERT_EQ(rig.host->openToolWindows().size(), 1u);
}

TEST(DebugWindowRun, CloseHidesItAndItOpensAgainWithItsLists) {
  InputRig rig;
  rig.scenario.writeFile("qwk.ini", kDebugIni);
  rig.run("_bar\nあ\nい\n",
          "menu Mdebug\ndebug close\ndebug set 2 x\nclick\nmenu Mdebug\ndebug refresh\n");
  ASSERT_TRUE(rig.inputExhausted());
  // Closed, the window takes no `debug` event: cell 2 keeps the start script's value.
  EXPECT_EQ(rig.engine->flags().text(2), "0");
  ASSERT_EQ(rig.host->windows().size(), 2u);
  EXPECT_TRUE(rig.engine->tools().debug().shown());
  EXPECT_EQ(rig.engine->tools().debug().errors().size(), 1u);
  EXPECT_TRUE(Has(rig.host->windows()[1].texts, "002 = 0"));
}

TEST(DebugWindowRun, ProgramEndEndsAtOnceAndWritesNothing) {
  Scenario s;
  s.writeFile("qwk.ini", kDebugIni);
  s.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=16\r\n");
  s.writeScript("autorun.txt", "~00000001あ\n_$flg[300]=1\nい\n");
  s.events("menu Mdebug\ndebug quit\nclick\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited) << test::Dump(r);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.flags[300], "");      // the story stopped at the wait
  EXPECT_TRUE(r.messages.empty());  // no exit question
  EXPECT_EQ(ReadBytes(s.dir() / "qwk.ini"), kDebugIni);
  EXPECT_FALSE(fs::exists(s.dir() / "data0.qfd"));
  EXPECT_FALSE(fs::exists(s.dir() / "textid.dat"));
}

TEST(DebugWindowRun, OutsideDebugModeTheMenuItemOnlyClosesTheMenu) {
  InputRig rig;
  rig.run("_$flg[1]=3\nあ\n", "rclick 5 5\nmenu Mdebug\ndebug set 1 x\ndebug quit\n");
  ASSERT_TRUE(rig.inputExhausted());
  EXPECT_EQ(rig.popupEntry(0, "Mdebug").caption, "キャンセル");
  EXPECT_TRUE(rig.host->windows().empty());
  EXPECT_EQ(rig.engine->flags().text(1), "3");
  EXPECT_FALSE(rig.engine->tools().debug().hasValues());
  EXPECT_FALSE(rig.engine->exitRequested().has_value());

  Scenario s;
  s.writeScript("autorun.txt", "_baz\n");
  HeadlessReport r = s.run();
  EXPECT_FALSE(r.debug.has_value());
  EXPECT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(ReportToJson(r).find("\"debug\""), std::string::npos);
}

TEST(DebugWindowRun, ThousandsOfErrorsKeepTheListsBounded) {
  Scenario s;
  s.writeFile("qwk.ini", kDebugIni);
  // Each error carries a long command word.
  const std::string word = "_x" + std::string(1500, 'y');
  s.writeScript("autorun.txt",
                "あ\n:top\n" + word + "\n_$flg[1]=$flg[1]+1\n_($flg[1]<12000),_goto :top\nい\n");
  s.events("menu Mdebug\nclick\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.flags[1], "12000");
  ASSERT_TRUE(r.debug.has_value());
  const std::vector<std::string> errors = Strings((*r.debug)["errors"]);
  ASSERT_EQ(errors.size(), DebugWindow::kMaxErrors);
  for (const std::string& e : errors)
    ASSERT_LE(e.size(), DebugWindow::kMaxLineBytes);
  EXPECT_EQ(r.errors.size(), DebugWindow::kMaxErrors);
}

// ---- The font window ----

TEST(FontWindowRun, OkSetsTheSlotsAndTheTextFontsRowsOutsideTheListKeepTheirFont) {
  InputRig rig;
  rig.run("あ\n", "menu Kfont\nfont 0 ipagothic\nkey Escape\nanswer ok\n");
  EXPECT_EQ(rig.exitCode, 0);
  const TextFields& text = rig.engine->text();
  EXPECT_EQ(text.fonts[0], "IPAGothic");
  // "ＭＳ ゴシック" is drawn by a stand-in and not listed: its rows keep it.
  const std::string gothic = Utf8ToCp932("ＭＳ ゴシック");
  EXPECT_EQ(text.fonts[1], gothic);
  EXPECT_EQ(text.fonts[3], gothic);
  EXPECT_EQ(text.fonts[4], "Marlett");
  EXPECT_EQ(rig.engine->textStatus().fontName, "IPAGothic");
  EXPECT_EQ(rig.engine->textStatus().rubyFontName, gothic);
  ASSERT_EQ(rig.host->windows().size(), 1u);
  const HeadlessHost::WindowRecord& w = rig.host->windows()[0];
  EXPECT_EQ(w.name, "TFfont");
  EXPECT_EQ(w.caption, "フォント設定");
  EXPECT_TRUE(Has(w.texts, "欧文フォントを指定すると日本語が表示できません"));
  EXPECT_TRUE(Has(w.texts, "キャンセル"));
  for (const std::string& t : w.texts)
    EXPECT_NE(t.front(), '@');
  const std::string ini = ReadBytes(rig.scenario.dir() / "qwk.ini");
  EXPECT_NE(ini.find("Font0=IPAGothic\r\nFont1=" + gothic + "\r\n"), std::string::npos);
}

TEST(FontWindowRun, CancelAndUnknownNamesLeaveTheFonts) {
  struct Case {
    const char* name;
    const char* events;
  };
  for (const Case& c :
       {Case{"no answer cancels", "menu Kfont\n"},
        Case{"an unknown name keeps the row", "menu Kfont\nfont 2 No Such Font\n"}}) {
    SCOPED_TRACE(c.name);
    InputRig rig;
    rig.scenario.writeFile("qwk.ini",
                           "[System]\r\nSavePath=./\r\n[Font]\r\nFont0=IPAGothic\r\n"
                           "Font1=IPAPGothic\r\nFont2=IPAGothic\r\nFont3=IPAPGothic\r\n");
    rig.run("<F1>あ\n", c.events);
    ASSERT_TRUE(rig.inputExhausted());
    EXPECT_EQ(rig.engine->text().fonts[2], "IPAGothic");
    EXPECT_EQ(rig.engine->text().fonts[3], "IPAPGothic");
    EXPECT_EQ(rig.engine->textStatus().fontName, "IPAPGothic");
    ASSERT_EQ(rig.host->windows().size(), 1u);
    EXPECT_TRUE(Has(rig.host->windows()[0].texts, "IPAPGothic"));
  }
}

// ---- The version window ----

TEST(VersionWindowRun, ItNamesTheVersionAndWhereTheScenarioRuns) {
  Scenario s;
  const fs::path config = s.dir().parent_path() / "config";
  fs::create_directories(config / "quillwork");
  EnvScope home("XDG_CONFIG_HOME", (config).string());
  s.writeFile("qwk.cfg", "SavePath=./\r\nProgramID=Story\r\nVersion=ver.png\r\n");
  s.writePng("ver.png", Surface(64, 32, 0x3366CC));
  s.writeScript("autorun.txt", "あ\n");
  s.events("menu Mversion\n");
  HeadlessReport r = s.run();
  const std::string folder = fs::canonical(s.dir()).string();
  ASSERT_EQ(r.windows.size(), 1u) << test::Dump(r);
  EXPECT_EQ(r.windows[0].name, "TFver");
  EXPECT_EQ(r.windows[0].caption, "バージョン情報");
  EXPECT_EQ(r.windows[0].texts,
            (std::vector<std::string>{"インタプリタ", "Ver 1.43", "ProgramID=Story",
                                      "CurrentDir=" + folder, "閉じる"}));
  EXPECT_TRUE(r.errors.empty());

  std::ofstream(config / "quillwork" / "install-paths.ini") << "Story=" << s.dir().string() << "\n";
  s.events("menu Mversion\nmenu Mversion\n");
  r = s.run();
  ASSERT_EQ(r.windows.size(), 2u);
  EXPECT_EQ(r.windows[1].texts[3], "InstallPath=" + s.dir().string());
}

TEST(VersionWindowRun, AMissingPictureIsReportedOnceAndTheFallbackShows) {
  InputRig rig;
  rig.scenario.writeFile("qwk.cfg", "SavePath=./\r\nVersion=missing.png\r\n");
  rig.run("あ\n", "menu Mversion\nmenu Mversion\n");
  ASSERT_TRUE(rig.inputExhausted());
  EXPECT_EQ(rig.engine->errorList().size(), 1u);
  ASSERT_EQ(rig.host->windows().size(), 2u);
  const VersionWindow& w = rig.engine->tools().version();
  EXPECT_EQ(w.picture().width(), 512);
  EXPECT_EQ(w.picture().height(), 128);
  EXPECT_TRUE(Has(rig.host->windows()[1].texts, "ProgramID=設定無し"));
}

// ---- The backlog's scroll bar ----

TEST(BacklogScrollRun, TheScrollEventMovesTheShownPage) {
  InputRig rig;
  std::string page;
  for (int i = 0; i < 39; ++i)
    page += "あ|";
  rig.run("_textwait 0\n" + page + "x\n",
          "scroll 50\nmenu Mback\nsnap top\nscroll 100\nsnap scrolled\nscroll 100000\n"
          "snap bottom\n",
          [](TFmain& e, HeadlessHost&) { e.textStatus().bottomLimit = 100000; });
  ASSERT_TRUE(rig.inputExhausted());
  const Surface top = rig.scenario.snapshot("top");
  const Surface scrolled = rig.scenario.snapshot("scrolled");
  int inked = 0;
  for (int y = 0; y < 330; ++y) {
    ASSERT_EQ(scrolled.at(10, y), top.at(10, y + 100)) << y;
    inked += top.at(10, y + 100) != top.at(600, y + 100);
  }
  EXPECT_GT(inked, 0);  // the column crosses text
  // Past the end: the last position (1392 - 480 = 912 pixels down).
  const Surface bottom = rig.scenario.snapshot("bottom");
  bool differs = false;
  for (int y = 0; y < 400; ++y)
    differs = differs || bottom.at(10, y) != scrolled.at(10, y);
  EXPECT_TRUE(differs);
}

TEST(BacklogScrollRun, APageButtonShowsHeldDownUntilReleased) {
  InputRig rig;
  rig.run("一&\n二\n", "click\nmenu Mback\ndown 300 20\nsnap held\nup 300 20\nsnap released\n");
  ASSERT_TRUE(rig.inputExhausted());
  const Surface held = rig.scenario.snapshot("held");
  const Surface released = rig.scenario.snapshot("released");
  // `TkBtn1` at (256, 8): its outer bevel lowered while held, raised again after.
  EXPECT_EQ(held.at(256, 8), TTkBtn::kShadow);
  EXPECT_EQ(held.at(367, 39), TTkBtn::kHighlight);
  EXPECT_EQ(released.at(256, 8), TTkBtn::kHighlight);
  EXPECT_EQ(released.at(367, 39), TTkBtn::kShadow);
  EXPECT_EQ(rig.engine->saves().log().pageCount(), 2);
  // The release took it back one page: the header changed.
  bool differs = false;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 200; ++x)
      differs = differs || held.at(x, y) != released.at(x, y);
  EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace qw
