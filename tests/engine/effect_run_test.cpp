// The roll, shake and moving-window commands run by the engine: their frames at the virtual
// times they are shown, the line the script goes on with, the menu lock around them, and
// what bad arguments and missing files give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "input_rig.h"
#include "support/scenario.h"

namespace qw {
namespace {

using test::InputRig;
using test::Scenario;

constexpr std::uint32_t kTop = 0x0000A0;     // rows 0..239 of the background
constexpr std::uint32_t kBottom = 0x00A000;  // rows 240..479
constexpr std::uint32_t kRoll = 0x102030;    // "#102030", the colour the roll uncovers
constexpr std::uint32_t kBand1 = 0xC00000;   // rows 0..99 of roll.png
constexpr std::uint32_t kBand2 = 0x00C0C0;   // rows 100..149
constexpr std::uint32_t kSide = 0x808000;    // side.png

Surface HalvesBackground() {
  Surface bg(640, 480, kTop);
  for (int y = 240; y < 480; ++y)
    std::fill_n(bg.row(y), 640, kBottom);
  return bg;
}

// Every pixel tells where it came from.
std::uint32_t Coded(int x, int y) {
  return 0x800000u | static_cast<std::uint32_t>(x) << 12 | static_cast<std::uint32_t>(y);
}

Surface CodedPicture(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      s.at(x, y) = Coded(x, y);
  }
  return s;
}

void RollPictures(Scenario& s) {
  s.writePng("bg.png", HalvesBackground());
  Surface roll(100, 150, kBand1);
  for (int y = 100; y < 150; ++y)
    std::fill_n(roll.row(y), 100, kBand2);
  s.writePng("roll.png", roll);
  s.writePng("side.png", Surface(40, 30, kSide));
}

bool HasErrorContaining(const HeadlessReport& r, const std::string& text) {
  for (const std::string& e : r.errors) {
    if (e.find(text) != std::string::npos) return true;
  }
  return false;
}

struct Probe {
  int frame;  // the snapshot "f<frame>"
  int x, y;
  std::uint32_t color;
};

TEST(EffectRun, RollOfGapsAndPicturesFrameByFrame) {
  struct Case {
    const char* name;
    const char* block;  // `_scroll` line and its roll lines
    std::vector<Probe> probes;
  };
  // Step 100 at 10 ms: each case runs four frames, shown at 0, 10, 20 and 30 ms; the snaps
  // fall in the middle of each.
  const std::vector<Case> cases = {
      {"up",
       "_scroll 10,#102030,100,0,0\n|200\nroll.png\n",
       {// The gap's first frame: moved up by 100, the bottom band in the roll's colour.
        {0, 0, 139, kTop},
        {0, 0, 140, kBottom},
        {0, 0, 379, kBottom},
        {0, 0, 380, kRoll},
        {0, 639, 479, kRoll},
        {1, 0, 39, kTop},
        {1, 0, 40, kBottom},
        {1, 0, 279, kBottom},
        {1, 0, 280, kRoll},
        // The picture's first rows come in at the bottom, centred at x 270.
        {2, 0, 179, kBottom},
        {2, 0, 180, kRoll},
        {2, 269, 400, kRoll},
        {2, 270, 380, kBand1},
        {2, 369, 479, kBand1},
        {2, 370, 400, kRoll},
        // Its rows 100..199: 150..199 lie below the picture and keep the roll's colour.
        {3, 0, 79, kBottom},
        {3, 0, 80, kRoll},
        {3, 320, 279, kRoll},
        {3, 320, 280, kBand1},
        {3, 320, 379, kBand1},
        {3, 320, 380, kBand2},
        {3, 320, 429, kBand2},
        {3, 320, 430, kRoll},
        {3, 200, 400, kRoll}}},
      {"down",
       "_scroll 10,#102030,100,0,1\n|200\nroll.png\n",
       {{0, 0, 99, kRoll},
        {0, 0, 100, kTop},
        {0, 0, 339, kTop},
        {0, 0, 340, kBottom},
        {1, 0, 199, kRoll},
        {1, 0, 200, kTop},
        {1, 0, 440, kBottom},
        // The picture comes in from its bottom rows: 50..149 at the top.
        {2, 320, 0, kBand1},
        {2, 320, 49, kBand1},
        {2, 320, 50, kBand2},
        {2, 320, 99, kBand2},
        {2, 269, 50, kRoll},
        {2, 320, 100, kRoll},
        {2, 0, 300, kTop},
        // Then rows -50..49: the 50 rows above the picture keep the roll's colour.
        {3, 320, 0, kRoll},
        {3, 320, 49, kRoll},
        {3, 320, 50, kBand1},
        {3, 320, 149, kBand1},
        {3, 320, 150, kBand2},
        {3, 320, 199, kBand2},
        {3, 320, 200, kRoll},
        {3, 0, 399, kRoll},
        {3, 0, 400, kTop}}},
      {"split",
       "_scroll 10,#102030,100,0,4\n  |100\n\n@side.png\n\troll.png\n",
       {// Only the left half rolls.
        {0, 0, 139, kTop},
        {0, 0, 140, kBottom},
        {0, 319, 380, kRoll},
        {0, 320, 239, kTop},
        {0, 320, 380, kBottom},
        // The "@" picture: one more roll frame and the picture at (320, 120).
        {1, 0, 39, kTop},
        {1, 0, 40, kBottom},
        {1, 0, 280, kRoll},
        {1, 320, 120, kSide},
        {1, 359, 149, kSide},
        {1, 360, 120, kTop},
        {1, 320, 150, kTop},
        // The rolled picture is centred in the left half, at x 110.
        {2, 0, 179, kBottom},
        {2, 0, 180, kRoll},
        {2, 109, 400, kRoll},
        {2, 110, 380, kBand1},
        {2, 209, 479, kBand1},
        {2, 210, 400, kRoll},
        {2, 320, 120, kSide},
        {3, 110, 280, kBand1},
        {3, 110, 380, kBand2},
        {3, 110, 430, kRoll},
        {3, 320, 479, kBottom},
        {3, 330, 140, kSide}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    RollPictures(s);
    s.writeScript("autorun.txt",
                  std::string("_bgload bg.png\n_refresh\n") + c.block + "_endscroll\n_$flg[3]=1\n");
    s.events("at +5 snap f0\nat +10 snap f1\nat +10 snap f2\nat +10 snap f3\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    ASSERT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.virtualMs, 40u);
    EXPECT_EQ(r.flags[3], "1") << "the line after `_endscroll` ran";
    std::vector<Surface> frames;
    for (int i = 0; i < 4; ++i)
      frames.push_back(s.snapshot("f" + std::to_string(i)));
    for (const Probe& p : c.probes) {
      EXPECT_EQ(frames[static_cast<std::size_t>(p.frame)].at(p.x, p.y), p.color)
          << "frame " << p.frame << " at " << p.x << "," << p.y;
    }
    const Surface last = s.snapshot("final");
    EXPECT_TRUE(std::equal(last.data(), last.data() + 640 * 480, frames[3].data()))
        << "the last frame stays";
  }
}

TEST(EffectRun, TheScriptGoesOnAfterEndscrollWithoutRunningTheRollLines) {
  struct Case {
    const char* scroll;
    std::uint64_t ms;
    std::uint32_t bottom;  // the picture's bottom row at the end
  };
  // Kinds other than 0, 1 and 4 roll nothing; a step below 1 rolls one row a frame.
  for (const Case& c : {Case{"_scroll 10,#102030,100,0,2", 0, kBottom},
                        Case{"_scroll 10,#102030,100,0,3", 0, kBottom},
                        Case{"_scroll 10,#102030,100,0,-1", 0, kBottom},
                        Case{"_scroll 10,#102030,-5,0,0", 10 * 3 + 10, kRoll},
                        Case{"_scroll -10,#102030,0,0,1", 0, kBottom}}) {
    SCOPED_TRACE(c.scroll);
    Scenario s;
    RollPictures(s);
    // The line that looks like a command is a roll line: a picture no loader knows, which
    // rolls one frame and sets nothing.
    s.writeScript("autorun.txt", std::string("_bgload bg.png\n_refresh\n") + c.scroll +
                                     "\n|3\n_$flg[4]=1\n  _endscroll \t\n_$flg[3]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    ASSERT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.virtualMs, c.ms);
    EXPECT_EQ(r.flags[3], "1");
    EXPECT_NE(r.flags[4], "1");
    EXPECT_EQ(s.snapshot("final").at(0, 479), c.bottom);
  }
}

TEST(EffectRun, AMissingEndscrollIsReportedAndTheRollTakesTheRestOfTheScript) {
  Scenario s;
  RollPictures(s);
  s.writeScript("autorun.txt",
                "_$flg[1]=$flg[1]+1\n_bgload bg.png\n_refresh\n_scroll 10,#102030,100\n|200\n"
                "_endscroll ;a comment makes it no marker\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_TRUE(HasErrorContaining(r, "_endscrollが見つかりません")) << r.errors[0];
  // The script did not start again from its top.
  EXPECT_EQ(r.flags[1], "1");
  // The gap and the unloadable last line: three frames.
  EXPECT_EQ(r.virtualMs, 30u);
  EXPECT_EQ(s.snapshot("final").at(0, 479), kRoll);
}

TEST(EffectRun, AHeldButtonRunsTheRollAtFullSpeedOnlyWhenAllowed) {
  struct Case {
    int fastForward;
    std::uint64_t ms;
  };
  // 100 frames of 10 ms; the button goes down during the sixth frame's wait.
  for (const Case& c : {Case{1, 55}, Case{0, 1000}}) {
    SCOPED_TRACE(c.fastForward);
    Scenario s;
    RollPictures(s);
    s.writeScript("autorun.txt", "_bgload bg.png\n_refresh\n_scroll 10,#102030,10," +
                                     std::to_string(c.fastForward) +
                                     ",0\n|1000\n_endscroll\n_$flg[3]=1\n");
    s.events("at +55 down 10 10\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.virtualMs, c.ms);
    EXPECT_EQ(r.flags[3], "1");
    // Every frame ran: the whole picture rolled away.
    const Surface last = s.snapshot("final");
    EXPECT_EQ(last.at(0, 0), kRoll);
    EXPECT_EQ(last.at(639, 479), kRoll);
  }
}

// The offset at which `frame` shows `picture` (every pixel coded by its position), checked
// over the whole frame: the moved picture and black where it leaves the screen uncovered.
bool ShownAtOffset(const Surface& frame, int& dx, int& dy) {
  const std::uint32_t centre = frame.at(320, 240);
  dx = 320 - static_cast<int>((centre >> 12) & 0x3FF);
  dy = 240 - static_cast<int>(centre & 0xFFF);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const int sx = x - dx, sy = y - dy;
      const bool inside = sx >= 0 && sx < 640 && sy >= 0 && sy < 480;
      if (frame.at(x, y) != (inside ? Coded(sx, sy) : 0u)) return false;
    }
  }
  return true;
}

TEST(EffectRun, ShakeFramesStayWithinTheAmplitudeAndThePictureIsRestored) {
  struct Case {
    const char* command;
    int amplitude;
    int shakes;
    int delay;
  };
  for (const Case& c : {Case{"_shake", 16, 5, 100}, Case{"_shake 4,3,50", 4, 3, 50},
                        Case{"_shake *,2,*", 16, 2, 100}, Case{"_shake 0,2,30", 0, 2, 30},
                        Case{"_shake -3,2,30", -3, 2, 30}}) {
    SCOPED_TRACE(c.command);
    Scenario s;
    s.writePng("bg.png", CodedPicture(640, 480));
    s.writeScript("autorun.txt", std::string("_bgload bg.png\n_refresh\n") + c.command + "\n");
    std::string events = "at +" + std::to_string(c.delay / 2) + " snap s0\n";
    for (int i = 1; i <= c.shakes; ++i)
      events += "at +" + std::to_string(c.delay) + " snap s" + std::to_string(i) + "\n";
    s.events(events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    ASSERT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.virtualMs, static_cast<std::uint64_t>((c.shakes + 1) * c.delay));
    // A negative amplitude shakes by offsets up to three times its size.
    const int a = std::abs(c.amplitude);
    const int low = c.amplitude < 0 ? -3 * a : -a;
    const int high = c.amplitude < 0 ? 3 * a : std::max(a - 1, 0);
    for (int i = 0; i < c.shakes; ++i) {
      int dx = 0, dy = 0;
      ASSERT_TRUE(ShownAtOffset(s.snapshot("s" + std::to_string(i)), dx, dy)) << "shake " << i;
      EXPECT_TRUE(dx >= low && dx <= high && dy >= low && dy <= high) << dx << "," << dy;
    }
    // The last pause and the end show the picture where it was.
    for (const std::string& name : {"s" + std::to_string(c.shakes), std::string("final")}) {
      int dx = 1, dy = 1;
      ASSERT_TRUE(ShownAtOffset(s.snapshot(name), dx, dy)) << name;
      EXPECT_EQ(dx, 0) << name;
      EXPECT_EQ(dy, 0) << name;
    }
  }
}

TEST(EffectRun, ShakeCountsAndDelaysOutOfRangeAreBounded) {
  struct Case {
    const char* command;
    std::uint64_t ms;
  };
  // No shakes for a negative count, no pause for a negative delay; at most 10000 shakes.
  for (const Case& c : {Case{"_shake 8,-3,50", 50}, Case{"_shake 8,3,-50", 0},
                        Case{"_shake 8,2000000000,1", 10001}}) {
    SCOPED_TRACE(c.command);
    Scenario s;
    s.writePng("bg.png", CodedPicture(640, 480));
    s.writeScript("autorun.txt",
                  std::string("_bgload bg.png\n_refresh\n") + c.command + "\n_$flg[3]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.virtualMs, c.ms);
    EXPECT_EQ(r.flags[3], "1");
    int dx = 1, dy = 1;
    EXPECT_TRUE(ShownAtOffset(s.snapshot("final"), dx, dy));
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
  }
}

// The moving-window tests show bg.png and then load bg2.png into BG without a refresh, so a
// rectangle restored from BG is told from the picture that was shown.
constexpr std::uint32_t kShownBg = 0x203040;
constexpr std::uint32_t kBufferBg = 0x405060;

void WindowPictures(Scenario& s) {
  s.writePng("bg.png", Surface(640, 480, kShownBg));
  s.writePng("bg2.png", Surface(640, 480, kBufferBg));
  s.writePng("src.png", CodedPicture(200, 200));
}

std::string WindowScript(const std::string& command) {
  return "_bgload bg.png\n_refresh\n_bgload bg2.png\n" + command + "\n_$flg[3]=1\n";
}

TEST(EffectRun, BholeMovesTheWindowAndRestoresItsRectangleFromBg) {
  Scenario s;
  WindowPictures(s);
  // Three frames of 20 ms: the window steps right (code 1), its source down (code 2).
  s.writeScript("autorun.txt", WindowScript("_bhole src.png,10,20,100,100,50,40,3,20,1,2"));
  s.events("at +10 snap f0\nat +20 snap f1\nat +20 snap f2\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  ASSERT_TRUE(r.errors.empty()) << r.errors.front();
  EXPECT_EQ(r.virtualMs, 60u);
  EXPECT_EQ(r.flags[3], "1");
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Surface f = s.snapshot("f" + std::to_string(i));
    for (int v : {0, 17, 39}) {
      for (int u : {0, 25, 49})
        EXPECT_EQ(f.at(100 + i + u, 100 + v), Coded(10 + u, 20 + i + v)) << u << "," << v;
      // Left of the window: the shown picture at first, then what BG restored.
      EXPECT_EQ(f.at(99 + i, 100 + v), i == 0 ? kShownBg : kBufferBg);
    }
    EXPECT_EQ(f.at(100 + i, 140), kShownBg);
    EXPECT_EQ(f.at(150 + i, 100), kShownBg);
  }
  const Surface last = s.snapshot("final");
  EXPECT_EQ(last.at(102, 100), Coded(10, 22)) << "the last frame stays";
  EXPECT_EQ(last.at(101, 100), kBufferBg);
}

TEST(EffectRun, BholeoverLeavesATrailAndMasksItsOverlay) {
  Scenario s;
  WindowPictures(s);
  constexpr std::uint32_t kOverlay = 0xE0E0E0;
  Surface mask(20, 20, 0xFFFFFF), over(20, 20, 0);
  for (int y = 0; y < 20; ++y) {
    std::fill_n(mask.row(y), 10, 0u);
    std::fill_n(over.row(y), 10, kOverlay);
  }
  s.writePng("mask.png", mask);
  s.writePng("over.png", over);
  s.writeScript("autorun.txt",
                WindowScript("_bholeover src.png,0,0,100,100,50,40,3,20,1,0,300,300,mask.png,"
                             "over.png"));
  s.events("at +10 snap f0\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  ASSERT_TRUE(r.errors.empty()) << r.errors.front();
  EXPECT_EQ(r.virtualMs, 60u);
  const Surface first = s.snapshot("f0");
  EXPECT_EQ(first.at(302, 305), kOverlay);
  EXPECT_EQ(first.at(315, 305), kShownBg) << "the mask's white keeps the screen";
  const Surface last = s.snapshot("final");
  for (int x : {100, 101, 102})
    EXPECT_EQ(last.at(x, 110), Coded(0, 10)) << "frames before the last stay: x " << x;
  EXPECT_EQ(last.at(151, 110), Coded(49, 10));
  EXPECT_EQ(last.at(99, 110), kShownBg);
  EXPECT_EQ(last.at(309, 319), kOverlay);
  EXPECT_EQ(last.at(310, 300), kShownBg);
}

TEST(EffectRun, BholeopCombinesItsOverlayEveryFrameByMode) {
  constexpr std::uint32_t kOverlay = 0x0F33F0;
  struct Case {
    int mode;
    int frames;
    std::uint32_t expected;
  };
  // The overlay is never restored: XOR twice gives the screen back.
  for (const Case& c :
       {Case{0, 2, kOverlay}, Case{1, 2, kShownBg & kOverlay}, Case{2, 2, kShownBg | kOverlay},
        Case{3, 1, kShownBg ^ kOverlay}, Case{3, 2, kShownBg}, Case{3, 3, kShownBg ^ kOverlay},
        Case{7, 2, kOverlay}}) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " frames " << c.frames);
    Scenario s;
    WindowPictures(s);
    s.writePng("over.png", Surface(30, 30, kOverlay));
    s.writeScript("autorun.txt",
                  WindowScript("_bholeop src.png,0,0,0,0,20,20," + std::to_string(c.frames) +
                               ",10,6,0,400,300," + std::to_string(c.mode) + ",over.png"));
    HeadlessReport r = s.run();
    ASSERT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.virtualMs, static_cast<std::uint64_t>(10 * c.frames));
    const Surface last = s.snapshot("final");
    EXPECT_EQ(last.at(415, 315), c.expected);
    EXPECT_EQ(last.at(430, 315), kShownBg);
    // The window moved down-right (code 6) and its earlier place came back from BG.
    EXPECT_EQ(last.at(c.frames - 1, c.frames - 1), Coded(0, 0));
    if (c.frames > 1) {
      EXPECT_EQ(last.at(0, 0), kBufferBg);
    }
  }
}

TEST(EffectRun, WindowArgumentsOutOfRangeGiveBoundedRuns) {
  struct Case {
    const char* command;
    std::uint64_t ms;
  };
  for (const Case& c : {
           // At most 100000 frames.
           Case{"_bhole src.png,0,0,0,0,10,10,2000000000,1,1,1", 100000},
           Case{"_bhole src.png,0,0,0,0,10,10,-5,10,1,1", 10},
           Case{"_bhole src.png,0,0,0,0,-50,-50,3,10,0,0", 30},
           Case{"_bhole src.png,0,0,2147483647,-2147483647,10,10,3,-10,6,8", 0},
           Case{"_bhole src.png,-2147483647,2147483647,0,0,100000,100000,2,10,9,-4", 20},
           Case{"_bholeop src.png,0,0,0,0,10,10,2,10,1,1,2147483647,2147483647,3,src.png", 20},
           Case{"_bholeop src.png,0,0,0,0,10,10,2,10,1,1,-2147483647,-100,2,src.png", 20},
           Case{"_bholeop src.png,0,0,0,0,10,10,2,10,1,1,0,0,1,nothing.xyz", 20},
           Case{"_bholeover src.png,0,0,0,0,10,10,2,10,1,1,-5,-5,,src.png", 20},
       }) {
    SCOPED_TRACE(c.command);
    Scenario s;
    WindowPictures(s);
    s.writeScript("autorun.txt", WindowScript(c.command));
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.virtualMs, c.ms);
    EXPECT_EQ(r.flags[3], "1");
  }
}

TEST(EffectRun, BadFilesAndNumbersEndTheRunWithTheirMessage) {
  struct Case {
    const char* block;
    const char* error;
  };
  for (const Case& c : {
           Case{"_bhole missing.png,0,0,0,0,10,10,3,10,1,1", "missing.png"},
           Case{"_bholeop src.png,0,0,0,0,10,10,3,10,1,1,0,0,0,missing.png", "missing.png"},
           Case{"_bholeover src.png,0,0,0,0,10,10,3,10,1,1,0,0,missing.bmp,src.png", "missing.bmp"},
           Case{"_scroll 10,#102030,100\n|100\nmissing.jpg\n_endscroll", "missing.jpg"},
           Case{"_scroll 10,#102030,100\n|12ab\n_endscroll", "'12ab' is not a valid integer value"},
           Case{"_scroll 10,#1020zz,100\n|100\n_endscroll",
                "'0x01020zz' is not a valid integer value"},
       }) {
    SCOPED_TRACE(c.block);
    InputRig rig;
    WindowPictures(rig.scenario);
    rig.run(WindowScript(c.block), "");
    EXPECT_TRUE(rig.scriptEnded());
    ASSERT_EQ(rig.engine->errorList().size(), 1u);
    EXPECT_NE(rig.host->messages().at(0).text.find(c.error), std::string::npos)
        << rig.host->messages().at(0).text;
    EXPECT_NE(rig.engine->flags().text(3), "1") << "the failure ended the run";
    EXPECT_EQ(rig.engine->menu().lockCount(), 0);
    EXPECT_TRUE(rig.engine->menu().autoPopup());
  }
}

TEST(EffectRun, TheMenuStaysShutDuringAnEffectAndOpensAgainAfterIt) {
  for (const char* command : {"_scroll 10,#102030,10\n|100\n_endscroll", "_shake 4,5,20",
                              "_bhole src.png,0,0,0,0,10,10,10,10,1,1",
                              "_bholeop src.png,0,0,0,0,10,10,10,10,1,1,0,0,2,src.png",
                              "_bholeover src.png,0,0,0,0,10,10,10,10,1,1,0,0,src.png,src.png"}) {
    SCOPED_TRACE(command);
    InputRig rig;
    WindowPictures(rig.scenario);
    // The first right click comes during the effect; the second at the click wait after it.
    rig.run(std::string("_bgload bg.png\n_refresh\n") + command + "\nあ\n",
            "at +25 rclick 10 10\nrclick 20 20\nclick\n");
    EXPECT_TRUE(rig.scriptEnded());
    EXPECT_TRUE(rig.engine->errorList().empty());
    ASSERT_EQ(rig.host->popups().size(), 1u);
    EXPECT_EQ(rig.host->popups()[0].x, 20);
    EXPECT_EQ(rig.engine->menu().lockCount(), 0);
  }
}

}  // namespace
}  // namespace qw
