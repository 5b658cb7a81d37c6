// Click waits, per-character pauses, the click that hurries a line, the timed pause of tag Q,
// and the animated wait icon.
#include <gtest/gtest.h>

#include <string>

#include "support/scenario.h"

namespace qw {
namespace {

using test::Scenario;

HeadlessReport RunScenario(const std::string& script, const std::string& events) {
  Scenario s;
  s.writeScript("autorun.txt", script);
  s.events(events);
  return s.run();
}

TEST(TextWaits, LinesWaitForTheReader) {
  EXPECT_EQ(RunScenario("あ\n_$flg[1]=1\n", "").outcome, HeadlessOutcome::InputExhausted);
  HeadlessReport r = RunScenario("あ\n_$flg[1]=1\n", "click\n");
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
  // Enter ends a wait as a click does.
  EXPECT_EQ(RunScenario("あ\n", "key Enter\n").outcome, HeadlessOutcome::ScriptEnded);
  // A dot, a caret and the line end: three waits.
  EXPECT_EQ(RunScenario("あ.い^う\n", "click\nclick\n").outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(RunScenario("あ.い^う\n", "click\nclick\nclick\n").outcome,
            HeadlessOutcome::ScriptEnded);
}

TEST(TextWaits, PerCharacterPausesAndTheHurryingClick) {
  // Ten characters at 100 ms each.
  HeadlessReport slow = RunScenario("_textwait 100\nあいうえおかきくけこ\n", "click\n");
  EXPECT_EQ(slow.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_GE(slow.virtualMs, 1000u);
  // A click during the second pause draws the rest at once; the line still waits at its end.
  HeadlessReport hurried =
      RunScenario("_textwait 100\nあいうえおかきくけこ\n", "at +150 click\nclick\n");
  EXPECT_EQ(hurried.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_LT(hurried.virtualMs, 400u);
  // A negative wait pauses after every character whatever the reader does.
  HeadlessReport forced =
      RunScenario("_textwait -100\nあいうえおかきくけこ\n", "at +150 click\nclick\n");
  EXPECT_GE(forced.virtualMs, 1000u);
  // The hurry lasts one line: the next line is slow again.
  HeadlessReport next =
      RunScenario("_textwait 100\nあいうえお\nかきくけこ\n", "at +150 click\nclick\nclick\n");
  EXPECT_EQ(next.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_GE(next.virtualMs, 500u);
  // The wait tag changes the pace mid-line.
  HeadlessReport tagged = RunScenario("_textwait 0\nあ<W200>いう%\n", "");
  EXPECT_GE(tagged.virtualMs, 600u);
  EXPECT_LT(tagged.virtualMs, 900u);
}

TEST(TextWaits, TimedPauseTag) {
  HeadlessReport plain = RunScenario("_textwait 0\n<Q500>%\n", "");
  EXPECT_EQ(plain.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_GE(plain.virtualMs, 500u);
  HeadlessReport clicked = RunScenario("_textwait 0\n<Q500>%\n", "at +100 click\n");
  EXPECT_LT(clicked.virtualMs, 300u);
  HeadlessReport forced = RunScenario("_textwait 0\n<Q-500>%\n", "at +100 click\n");
  EXPECT_GE(forced.virtualMs, 500u);
  // The click that ended the pause does not also end the line wait that follows.
  HeadlessReport consumed = RunScenario("_textwait 0\n<Q500>あ\n", "at +100 click\n");
  EXPECT_EQ(consumed.outcome, HeadlessOutcome::InputExhausted);
}

// An icon sheet of 8 frames by 2 rows, each cell filled with its own colour, and a magenta
// top-left pixel as the transparent colour.
Surface IconSheet() {
  Surface sheet(256, 64);
  for (int row = 0; row < 2; ++row)
    for (int frame = 0; frame < 8; ++frame)
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
          sheet.at(frame * 32 + x, row * 32 + y) =
              0x100000u * static_cast<std::uint32_t>(frame + 1) +
              0x40u * static_cast<std::uint32_t>(row + 1);
  sheet.at(0, 0) = 0xFF00FF;
  return sheet;
}

std::uint32_t IconColour(int frame, int row) {
  return 0x100000u * static_cast<std::uint32_t>(frame + 1) +
         0x40u * static_cast<std::uint32_t>(row + 1);
}

TEST(TextWaits, WaitIconTurnsWhileWaiting) {
  Scenario s;
  s.writeFile("qwk.cfg", "Icon=icon.png\r\n");
  s.writePng("icon.png", IconSheet());
  s.writeScript("autorun.txt", "あ\n<X610>^\nう&%\n");
  s.events(
      "snap line0\nat +100 snap line1\nat +100 snap line2\nclick\n"
      "snap pinned\nclick\n"
      "snap page\nclick\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  // After "あ" the icon sits at (24, 12); each tick of Timer1 shows the next frame.
  EXPECT_EQ(s.snapshot("line0").at(40, 28) & 0xFFFFFF, IconColour(0, 0));
  EXPECT_EQ(s.snapshot("line1").at(40, 28) & 0xFFFFFF, IconColour(1, 0));
  EXPECT_EQ(s.snapshot("line2").at(40, 28) & 0xFFFFFF, IconColour(2, 0));
  // Beyond the right edge it is pinned at (608, 448); the frame runs on from the last wait.
  Surface pinned = s.snapshot("pinned");
  EXPECT_EQ(pinned.at(620, 460) & 0xFFFFFF, IconColour(3, 0));
  EXPECT_EQ(pinned.at(40, 28) & 0xFFFFFF, 0u);  // the first icon was taken away
  // A page wait uses the second row ("う" wrapped the line to y = 80 first).
  EXPECT_EQ(s.snapshot("page").at(16, 92 + 16) & 0xFFFFFF, IconColour(4, 1));
  // The transparent corner shows the picture below.
  EXPECT_EQ(s.snapshot("line0").at(24, 12) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace qw
