// The bundled demo played headless from its title, the way a reader plays it: each route of
// its menus, a save and a load in the middle of a page, the backlog, skip mode, the return to
// the title, the end of the program and debug mode. Every run is checked on its report and on
// pixels of snapshots taken on the way.
//
// The events follow the demo's pages: a reader's click per line wait, three lines a page.
// When the story changes, the counts below change with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "script/source.h"
#include "support/report_text.h"
#include "support/scenario.h"
#include "tools/lint.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::Scenario;

const fs::path kDemo = QW_DEMO_SOURCE_DIR;

std::string Clicks(int n) {
  std::string out;
  for (int i = 0; i < n; ++i)
    out += "click\n";
  return out;
}

// The title's buttons (はじめから, つづきから, おわる), 160 x 40 each from (240, 262).
const std::string kNewGame = "click 320 282\n";
const std::string kContinue = "click 320 322\n";
const std::string kQuit = "click 320 362\n";
// Chapter 1: five pages, the last one with two lines before the text menu.
const std::string kChapter1 = Clicks(14);
// The text menu at (160, 40), rows of 28 from y + 3.
const std::string kStayOnTheHill = "click 200 55\n";
const std::string kGoHome = "click 200 85\n";
// Chapter 2 on the hill: a page of three lines, the telescope, two lines, the gallery.
const std::string kNightToGallery = Clicks(5);
// At home: the line before the movie, two after it, one more; then the hill as above.
const std::string kHomeToGallery = Clicks(4) + kNightToGallery;
// The gallery: four pictures of 128 x 96 from (64, 136), in one row.
std::string Gallery(int item) {
  return "click " + std::to_string(128 + 128 * item) + " 184\n";
}
// After the choice: three lines, then the last chapter's four lines; the roll, then `_stop`.
const std::string kGalleryToEnd = Clicks(7);

struct Rgb {
  int r, g, b;
};

Rgb At(const Surface& s, int x, int y) {
  const std::uint32_t p = s.at(x, y);
  return {int(p >> 16) & 0xFF, int(p >> 8) & 0xFF, int(p) & 0xFF};
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// Pixels of `a` and `b` that differ inside the rectangle.
int Differences(const Surface& a, const Surface& b, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      n += a.at(x, y) != b.at(x, y);
  return n;
}

int CountColor(const Surface& s, std::uint32_t pixel, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      n += (s.at(x, y) & 0xFFFFFF) == pixel;
  return n;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The one-based line of a demo script that holds `text` (UTF-8); the enciphered chapter is
// read through its key. 0 when no line holds it.
int LineOf(const std::string& script, const std::string& text) {
  std::string bytes = ReadBytes(kDemo / script);
  if (fs::path(script).extension() == ".txd") CipherBytes(bytes, ReadScriptKey(kDemo));
  const std::vector<std::string> lines = SplitLines(bytes);
  const std::string wanted = Utf8ToCp932(text);
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find(wanted) != std::string::npos) return static_cast<int>(i + 1);
  return 0;
}

// The audio log as "channel event file" lines.
std::vector<std::string> AudioLines(const HeadlessReport& r) {
  std::vector<std::string> out;
  for (const auto& e : r.audio) {
    out.push_back(e["channel"].get<std::string>() + " " + e["event"].get<std::string>() + " " +
                  e["file"].get<std::string>());
  }
  return out;
}

// Whether `wanted` appear in `log` in this order (others may come between).
bool InOrder(const std::vector<std::string>& log, const std::vector<std::string>& wanted) {
  auto at = log.begin();
  for (const std::string& w : wanted) {
    at = std::find(at, log.end(), w);
    if (at == log.end()) return false;
    ++at;
  }
  return true;
}

int Count(const std::vector<std::string>& log, const std::string& line) {
  return static_cast<int>(std::count(log.begin(), log.end(), line));
}

std::string Json(const nlohmann::ordered_json& j) {
  return j.dump();
}

// A copy of the demo in a scenario folder of its own, so that saves and settings stay there.
class Demo {
 public:
  Demo() {
    fs::copy(kDemo, s.dir(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  HeadlessReport play(const std::string& events) {
    s.events(events);
    return s.run();
  }
  Scenario s;
};

TEST(DemoE2e, TheDemoLintsClean) {
  const std::vector<LintFinding> findings = LintScenario(kDemo);
  for (const LintFinding& f : findings)
    ADD_FAILURE() << f.file << ":" << f.line << ": " << f.message;
  // The chapter that ships only enciphered is there in no other form.
  EXPECT_TRUE(fs::exists(kDemo / "chapter3.txd"));
  EXPECT_FALSE(fs::exists(kDemo / "chapter3.txt"));
}

TEST(DemoE2e, TheHillRouteRunsFromTheTitleToTheEnd) {
  Demo d;
  const HeadlessReport r =
      d.play("snap title\n" + kNewGame + kChapter1 + "snap menu\n" + kStayOnTheHill +
             kNightToGallery + "snap gallery\n" + Gallery(0) + "snap orion\n" +
             // The shooting star, a sprite, crosses the sky after the next click: 50 ms a step.
             "click\nat +125 snap meteor\n" + Clicks(6));
  SCOPED_TRACE(test::Dump(r));
  // The last chapter was read from its .txd under the name the script gives, and the run
  // waits in its `_stop` for the reader.
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.file, "chapter3.txt");
  EXPECT_EQ(r.line, LineOf("chapter3.txd", "_stop"));
  EXPECT_EQ(r.caption, "星見の丘 ─ 最終話　ねがいごと");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(r.windows.empty());
  EXPECT_EQ(r.flags[1], "1");           // the text menu's first item
  EXPECT_EQ(r.flags[3], "オリオン座");  // the gallery's first picture
  EXPECT_EQ(r.flags[20], "ハル");       // the name box, cancelled, keeps the default
  EXPECT_EQ(r.flags[300], "1");         // the visit counter, a global flag
  EXPECT_EQ(r.flags[301], "");          // the television was not watched

  // MIDI on the title, MP3 on the hill with the wind looping, the voice of a text tag, the
  // menus' click, the chime, and the CD track of the ending still playing.
  const std::vector<std::string> audio = AudioLines(r);
  EXPECT_TRUE(InOrder(
      audio,
      {"music play bgm\\theme.mid", "click play se\\click.wav", "music stop bgm\\theme.mid",
       "music play bgm\\yuugure.mp3", "sound play se\\wind.wav", "voice play voice\\mina01.wav",
       "voice end voice\\mina01.wav", "sound play se\\thud.wav", "music stop bgm\\yuugure.mp3",
       "sound play se\\chime.wav", "cd play 2"}))
      << Json(r.audio);
  EXPECT_EQ(r.channels["mode"], 2);
  EXPECT_EQ(r.channels["cd"]["file"], "2");
  EXPECT_EQ(r.channels["cd"]["playing"], true);
  EXPECT_EQ(r.channels["cd"]["repeat"], 1);
  EXPECT_EQ(r.channels["music"]["playing"], false);

  const Surface title = d.s.snapshot("title");
  EXPECT_EQ(title.at(247, 269) & 0xFFFFFF, 0x181A3Cu) << "the inside of はじめから";
  const Surface menu = d.s.snapshot("menu");
  EXPECT_EQ(menu.at(160, 50) & 0xFFFFFF, 0xFFFFFFu) << "the text menu's frame";
  EXPECT_EQ(menu.at(161, 50) & 0xFFFFFF, 0u) << "and its shadow";
  const Surface gallery = d.s.snapshot("gallery");
  for (int item = 0; item < 4; ++item) {
    EXPECT_EQ(gallery.at(68 + 128 * item, 184) & 0xFFFFFF, 0x465082u) << "picture " << item;
  }
  // The constellation is the effect layer, composed with #SCREEN over the night.
  EXPECT_EQ(d.s.snapshot("orion").at(390, 70) & 0xFFFFFF, 0xE6F0FFu);
  // Its third step: the head of the star at (409, 67).
  EXPECT_EQ(d.s.snapshot("meteor").at(409, 67) & 0xFFFFFF, 0xFFFFF0u);
  // The roll ends with おわり in the middle of a black screen.
  const Surface end = d.s.snapshot("final");
  EXPECT_GT(CountColor(end, 0xFFE6A0, 240, 240, 400, 290), 100);
  EXPECT_EQ(end.at(0, 479) & 0xFFFFFF, 0u);
  EXPECT_EQ(end.at(639, 0) & 0xFFFFFF, 0u);
}

TEST(DemoE2e, TheHomeRoutePlaysTheMovieAndUnlocksTheLastPicture) {
  Demo d;
  const HeadlessReport r = d.play(kNewGame + kChapter1 + kGoHome +
                                  // The click that ends the first line starts the movie.
                                  "click\nat +1000 snap movie\n" + Clicks(3) + kNightToGallery +
                                  Gallery(3) + kGalleryToEnd);
  SCOPED_TRACE(test::Dump(r));
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.line, LineOf("chapter3.txd", "_stop"));
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.flags[1], "2");
  EXPECT_EQ(r.flags[301], "1");
  EXPECT_EQ(r.flags[3], "さそり座");

  const auto& audio = r.audio;
  auto movie = std::find_if(audio.begin(), audio.end(), [](const auto& e) {
    return e["channel"] == "movie" && e["event"] == "play";
  });
  ASSERT_NE(movie, audio.end()) << Json(audio);
  EXPECT_EQ((*movie)["file"], "mov\\tv.avi");
  auto ended = std::find_if(movie, audio.end(), [](const auto& e) {
    return e["channel"] == "movie" && e["event"] == "end";
  });
  ASSERT_NE(ended, audio.end());
  // Two seconds of movie, to its end: nobody clicked.
  EXPECT_EQ((*ended)["ms"].get<int>() - (*movie)["ms"].get<int>(), 2000);

  // The movie plays in its rectangle (160, 100, 320 x 240) on a black window.
  const Surface shot = d.s.snapshot("movie");
  EXPECT_TRUE(Near(At(shot, 180, 300), {200, 40, 50}, 24)) << "the red caption box";
  EXPECT_TRUE(Near(At(shot, 300, 150), {10, 14, 44}, 24)) << "the movie's night sky";
  EXPECT_EQ(shot.at(20, 20) & 0xFFFFFF, 0u);
  EXPECT_EQ(shot.at(600, 440) & 0xFFFFFF, 0u);
}

TEST(DemoE2e, EachGalleryPictureCanBeChosenButNotTheLockedOne) {
  const struct {
    int item;
    const char* flag;
  } cases[] = {{0, "オリオン座"}, {1, "北斗七星"}, {2, "カシオペヤ座"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flag);
    Demo d;
    // A click on the locked fourth picture first: it is drawn, but cannot be chosen.
    const HeadlessReport r = d.play(kNewGame + kChapter1 + kStayOnTheHill + kNightToGallery +
                                    Gallery(3) + Gallery(c.item) + Clicks(1) + "snap found\n");
    SCOPED_TRACE(test::Dump(r));
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.flags[3], c.flag);
    EXPECT_EQ(r.line, LineOf("chapter2.txt", "そのとき、夜空を流れ星が横切った。"));
    // The pictures' transitions all end on the same frame: the night, Mina, the effect.
    const Surface found = d.s.snapshot("found");
    EXPECT_EQ(found.at(170, 130) & 0xFFFFFF, 0x5C3624u) << "Mina's hair";
  }
}

TEST(DemoE2e, ASaveInTheMiddleOfAPageLoadsInTheMiddleOfAnother) {
  Demo d;
  // Page 2's first line waits; save there. Then on to the first line of page 4, after the
  // cat's jump, and load.
  const HeadlessReport r =
      d.play(kNewGame + Clicks(3) + "snap saved\nmenu Msave\nslot 5\n" + Clicks(6) +
             "snap before\nmenu Mload\nslot 5\nsnap loaded\n" + Clicks(1) + "snap next\n");
  SCOPED_TRACE(test::Dump(r));
  EXPECT_TRUE(r.errors.empty());
  EXPECT_TRUE(r.messages.empty());
  for (const char* ext : {".qfd", ".qsd", ".qld"}) {
    EXPECT_TRUE(fs::exists(d.s.dir() / (std::string("data5") + ext))) << ext;
  }
  // The slot picker saved into slot 5, then offered it for loading under the chapter's name.
  ASSERT_EQ(r.windows.size(), 2u);
  EXPECT_EQ(r.windows[0].name, "TFfile");
  EXPECT_EQ(r.windows[1].name, "TFfile");
  const auto& loadTexts = r.windows[1].texts;
  EXPECT_TRUE(std::any_of(loadTexts.begin(), loadTexts.end(), [](const std::string& t) {
    return t.rfind("5  星見の丘 ─ 第一話　夕暮れの丘", 0) == 0;
  })) << "no caption for slot 5";

  // The load took the game back to the start of page 2: Mina's first line again, with her
  // voice, the music restarted, and the picture as it was when the save was made.
  EXPECT_EQ(r.file, "chapter1.txt");
  EXPECT_EQ(r.line, LineOf("chapter1.txt", "幼なじみのミナが"));
  const std::vector<std::string> audio = AudioLines(r);
  EXPECT_EQ(Count(audio, "voice play voice\\mina01.wav"), 2);
  EXPECT_TRUE(InOrder(audio, {"sound play se\\thud.wav", "music stop bgm\\yuugure.mp3",
                              "music play bgm\\yuugure.mp3", "voice play voice\\mina01.wav"}))
      << Json(r.audio);
  EXPECT_EQ(r.channels["music"]["playing"], true);
  EXPECT_EQ(r.flags[300], "1") << "the load does not pass the visit counter again";

  const Surface saved = d.s.snapshot("saved"), before = d.s.snapshot("before");
  const Surface loaded = d.s.snapshot("loaded");
  // Above the text, the frame is the saved one: Mina alone, no Sora and no cat.
  EXPECT_EQ(Differences(saved, loaded, 0, 0, 640, 320), 0);
  EXPECT_GT(Differences(before, loaded, 0, 0, 640, 320), 1000);
  // The first line is drawn again (its left part; the wait icon blinks at its end).
  EXPECT_EQ(Differences(saved, loaded, 0, 320, 400, 360), 0);
}

TEST(DemoE2e, TheBacklogShowsEarlierPagesAndGivesThePictureBack) {
  Demo d;
  // Page 3's first line: two pages lie behind it.
  const HeadlessReport r = d.play(kNewGame + Clicks(6) +
                                  "snap page\nmenu Mback\nsnap newest\n"
                                  // １ページ戻る at (256, 8), EXIT at (448, 440).
                                  "click 312 24\nsnap older\nclick 480 456\nsnap back\n");
  SCOPED_TRACE(test::Dump(r));
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.line, LineOf("chapter1.txt", "夕日が、丘をオレンジ色"));
  const Surface page = d.s.snapshot("page"), newest = d.s.snapshot("newest");
  const Surface older = d.s.snapshot("older"), back = d.s.snapshot("back");
  // The viewer lays its text over the tile of qwk.cfg's Tile= (18, 22, 52).
  EXPECT_EQ(newest.at(200, 300) & 0xFFFFFF, 0x121634u);
  // The newest page is the one being read: one line so far, in row 2.
  EXPECT_GT(CountColor(newest, 0xFFFFFF, 0, 64, 640, 96), 200);
  EXPECT_EQ(CountColor(newest, 0xFFFFFF, 0, 96, 640, 160), 0);
  // The page before it has three lines.
  EXPECT_GT(Differences(newest, older, 0, 64, 640, 96), 200);
  for (int row = 2; row < 5; ++row)
    EXPECT_GT(CountColor(older, 0xFFFFFF, 0, 32 * row, 640, 32 * row + 32), 200) << row;
  // EXIT gives back the picture (the wait icon at the line's end goes on blinking).
  EXPECT_EQ(Differences(page, back, 0, 0, 640, 320), 0);
  EXPECT_EQ(Differences(page, back, 0, 320, 400, 480), 0);
}

TEST(DemoE2e, SkipModeRacesThroughReadTextAndStopsAtTheFirstUnreadLine) {
  Demo d;
  // Read chapter 1 and the first page of the hill, go back to the title, start again and
  // skip: the skip stops at the text menu (a choice is never skipped), then at home.
  const HeadlessReport r = d.play(kNewGame + kChapter1 + kStayOnTheHill + Clicks(3) +
                                  "menu Mtitle\nanswer ok\nsnap title\n" + kNewGame +
                                  "menu Mskipout\nsnap skipped\n" + kGoHome + "snap home\n");
  SCOPED_TRACE(test::Dump(r));
  EXPECT_TRUE(r.errors.empty());
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].caption, "確認");
  EXPECT_EQ(r.messages[0].text, "タイトルに戻りますか？");
  EXPECT_EQ(r.messages[0].answer, "ok");
  // Waiting at the first line never read.
  EXPECT_EQ(r.file, "chapter2.txt");
  EXPECT_EQ(r.line, LineOf("chapter2.txt", "家に帰って、テレビをつけた。"));
  EXPECT_EQ(r.flags[1], "2");
  EXPECT_EQ(r.flags[300], "2") << "the title return kept the global visit counter";
  // The voice tag plays only when the text is read, not while it is skipped.
  const std::vector<std::string> audio = AudioLines(r);
  EXPECT_EQ(Count(audio, "voice play voice\\mina01.wav"), 1);
  EXPECT_EQ(Count(audio, "music play bgm\\theme.mid"), 2) << "the title ran twice";

  // The title after the return is the title of the start.
  const Surface title = d.s.snapshot("title");
  EXPECT_EQ(title.at(247, 269) & 0xFFFFFF, 0x181A3Cu);
  // The skip ended in the text menu with the page of its question on screen.
  const Surface skipped = d.s.snapshot("skipped");
  EXPECT_EQ(skipped.at(160, 50) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(d.s.snapshot("home").at(42, 120) & 0xFFFFFF, 0x6E5032u) << "the room's window frame";
}

TEST(DemoE2e, TheTitleContinuesASavedGame) {
  Demo d;
  const HeadlessReport r =
      d.play(kNewGame + Clicks(3) + "menu Msave\nslot 2\nmenu Mtitle\nanswer ok\n" + kContinue +
             "slot 2\nsnap continued\n");
  SCOPED_TRACE(test::Dump(r));
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.file, "chapter1.txt");
  EXPECT_EQ(r.caption, "星見の丘 ─ 第一話　夕暮れの丘");
  EXPECT_EQ(r.line, LineOf("chapter1.txt", "こっちこっち"));
  ASSERT_EQ(r.windows.size(), 2u);  // the save, then the load from the title's つづきから
  EXPECT_TRUE(InOrder(AudioLines(r), {"music play bgm\\yuugure.mp3", "music play bgm\\theme.mid",
                                      "music stop bgm\\theme.mid", "music play bgm\\yuugure.mp3"}))
      << Json(r.audio);
  // Mina stands in the middle again: her dress under the face.
  EXPECT_EQ(d.s.snapshot("continued").at(330, 310) & 0xFFFFFF, 0x4060A8u);
}

TEST(DemoE2e, QuittingFromTheTitleAsksAndWritesTheReadersFiles) {
  Demo d;
  // The first おわる is called off; the second one ends the program. The menu takes a click
  // only after the pointer moved, as a reader's hand does between the two.
  const HeadlessReport r = d.play(kQuit + "answer cancel\nmove 10 10\n" + kQuit + "answer ok\n");
  SCOPED_TRACE(test::Dump(r));
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_EQ(r.messages.size(), 2u);
  for (const MessageRecord& m : r.messages) {
    EXPECT_EQ(m.caption, "終了");
    EXPECT_EQ(m.text, "終了しますか？");
  }
  EXPECT_EQ(r.messages[0].answer, "cancel");
  EXPECT_EQ(r.messages[1].answer, "ok");
  EXPECT_EQ(ReadBytes(d.s.dir() / "qwk.ini").rfind("Version=1.43\r\n", 0), 0u);
  // qwk.cfg's TextMaxIndex=64: the read-text record is 64 bytes.
  EXPECT_EQ(ReadBytes(d.s.dir() / "textid.dat").size(), 64u);
  EXPECT_TRUE(fs::exists(d.s.dir() / "data0.qfd"));
}

TEST(DemoE2e, DebugModeFromTheReadersSettingsOpensTheDebugWindow) {
  Demo d;
  d.s.writeFile("qwk.ini", "[System]\r\nSavePath=.\\\r\nDebugMode=on\r\n");
  const HeadlessReport r = d.play(kNewGame + Clicks(1) + "menu Mdebug\n" + Clicks(1));
  SCOPED_TRACE(test::Dump(r));
  EXPECT_TRUE(r.errors.empty());
  ASSERT_FALSE(r.windows.empty());
  EXPECT_EQ(r.windows[0].name, "TFdebug");
  ASSERT_TRUE(r.debug.has_value());
  // The visit counter was set by an assignment, which the debug list mirrors.
  EXPECT_EQ((*r.debug)["values"][300], "300 = 1");
}

}  // namespace
}  // namespace qw
