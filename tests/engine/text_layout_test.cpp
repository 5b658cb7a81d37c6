// Where story text leaves the cursor: control characters, tags, wrapping, pages, embedded values
// and the text commands, read back through the `$sys` values.
#include <gtest/gtest.h>

#include <string>

#include "support/scenario.h"

namespace qw {
namespace {

using test::Scenario;

struct Cursor {
  std::string x, y;
  HeadlessOutcome outcome;
};

// Runs `script`, then copies the cursor ($sys[15], $sys[16]) into flags 1 and 2.
Cursor RunAndReadCursor(const std::string& script, const std::string& events = "") {
  Scenario s;
  s.writeScript("autorun.txt", script + "\n_$flg[1]=$sys[15]\n_$flg[2]=$sys[16]\n");
  s.events(events);
  HeadlessReport r = s.run();
  return {r.flags[1], r.flags[2], r.outcome};
}

struct CursorCase {
  const char* name;
  const char* script;
  const char* events;
  const char* x;
  const char* y;
};

// Runs each case to its end and compares the cursor it leaves.
template <std::size_t N>
void ExpectCursors(const CursorCase (&cases)[N]) {
  for (const CursorCase& c : cases) {
    SCOPED_TRACE(c.name);
    Cursor r = RunAndReadCursor(c.script, c.events);
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.x, c.x);
    EXPECT_EQ(r.y, c.y);
  }
}

TEST(TextLayout, ControlCharactersMoveTheCursor) {
  const CursorCase cases[] = {
      {"percent: no wait, no newline", "あいう%", "", "72", "0"},
      {"end of line: wait, then newline", "あいう", "click", "0", "40"},
      {"bar: newline without a wait", "あい|", "", "0", "40"},
      {"caret: wait without newline", "あい^", "click", "48", "0"},
      {"dot: wait and newline mid-line", "あ.い%", "click", "24", "40"},
      {"next line continues at the cursor", "あ%\nい%", "", "48", "0"},
      {"slash centres the rest", "/あいう%", "", "356", "0"},
      {"ampersand breaks the page", "あい&%", "click", "0", "0"},
      {"half-width characters take a whole cell", "ab%", "", "48", "0"},
  };
  ExpectCursors(cases);
}

TEST(TextLayout, CursorTags) {
  const CursorCase cases[] = {
      {"X and Y", "<X100Y50>あ%", "", "124", "50"},
      {"M and N", "<X10Y10><M5N-3>%", "", "15", "7"},
      {"L and H in cells", "<L3H2>%", "", "72", "80"},
      {"J and K by cells", "<L1H1><J2K1>%", "", "72", "80"},
      {"T down by 3", "<T3>%", "", "0", "12"},
      {"T up by 3", "<Y100><T-3>%", "", "0", "88"},
      {"T with 0 keeps the cursor", "<Y8><T0>%", "", "0", "8"},
      {"S mid-line keeps the bottom", "あ<S3>%", "", "24", "-12"},
      {"S at the margin keeps y", "<S3>あ%", "", "36", "0"},
      {"I sets the margin of new lines", "<I100>あ|", "", "100", "40"},
      {"R wraps early", "<R48>あいう%", "", "24", "40"},
      {"unknown letters are skipped", "<Z9 X30>%", "", "30", "0"},
      {"letters after an unclosed tag", "<X30", "click", "0", "40"},
      {"image tag without a file moves nothing", "<A>あ%", "", "24", "0"},
  };
  ExpectCursors(cases);
}

TEST(TextLayout, WrappingAndPagesAtTheLimits) {
  const std::string a25 = [] {
    std::string s;
    for (int i = 0; i < 25; ++i)
      s += "あ";
    return s;
  }();
  // 25 cells end at 600, short of the limit 616: the 26th still fits and then wraps.
  Cursor fits = RunAndReadCursor(a25 + "%");
  EXPECT_EQ(fits.x, "600");
  EXPECT_EQ(fits.y, "0");
  Cursor wrapped = RunAndReadCursor(a25 + "い%");
  EXPECT_EQ(wrapped.x, "0");
  EXPECT_EQ(wrapped.y, "40");
  // A line whose last character wrapped waits once and adds no second newline.
  Cursor once = RunAndReadCursor(a25 + "い", "click");
  EXPECT_EQ(once.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(once.y, "40");
  Cursor needsOneClick = RunAndReadCursor(a25 + "い");
  EXPECT_EQ(needsOneClick.outcome, HeadlessOutcome::InputExhausted);

  // Eleven lines fill a page: ten line waits, then the eleventh ends in a page wait that
  // clears the page and puts the cursor back at the top.
  std::string page, clicks;
  for (int i = 0; i < 11; ++i) {
    page += "あ\n_$flg[" + std::to_string(10 + i) + "]=$sys[16]\n";
    clicks += "click\n";
  }
  Scenario s;
  s.writeScript("autorun.txt", page + "_$flg[1]=$sys[15]\n_$flg[2]=$sys[16]\n");
  s.events(clicks);
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[10], "40");
  EXPECT_EQ(r.flags[19], "400");
  EXPECT_EQ(r.flags[20], "0");
  EXPECT_EQ(r.flags[2], "0");
  // One click fewer stops in the page wait.
  s.events(clicks.substr(6));
  EXPECT_EQ(s.run().outcome, HeadlessOutcome::InputExhausted);

  // A bottom limit set by U moves the page break up.
  Cursor shortPage = RunAndReadCursor("<U100>あ\nい\nう", "click\nclick\nclick");
  EXPECT_EQ(shortPage.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(shortPage.y, "0");  // lines at 0 and 40; the third, at 80, broke the page
}

TEST(TextLayout, SizeTagSetsEveryMetric) {
  Scenario s;
  s.writeScript("autorun.txt",
                "<S3>あ%\n_textwait 7\n"
                "_$flg[4]=$sys[4]\n_$flg[5]=$sys[5]\n_$flg[6]=$sys[6]\n_$flg[9]=$sys[9]\n"
                "_$flg[10]=$sys[10]\n_$flg[11]=$sys[11]\n_$flg[12]=$sys[12]\n"
                "_$flg[13]=$sys[13]\n_$flg[14]=$sys[14]\n<S99>いい%\n_$flg[17]=$sys[17]\n"
                "_$flg[15]=$sys[4]\n<F2>%\n_$flg[7]=$sys[7]\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[4], "36");
  EXPECT_EQ(r.flags[5], "36");
  EXPECT_EQ(r.flags[6], "16");
  EXPECT_EQ(r.flags[9], "604");
  EXPECT_EQ(r.flags[10], "427");
  EXPECT_EQ(r.flags[11], "3");
  EXPECT_EQ(r.flags[12], "36");
  EXPECT_EQ(r.flags[13], "12");
  EXPECT_EQ(r.flags[14], "7");
  EXPECT_EQ(r.flags[15], "24");  // a size outside 1..26 is 2
  EXPECT_EQ(r.flags[17], "3");   // (36 + 24 + 24) / 24
  EXPECT_EQ(r.flags[7], "2");
}

TEST(TextLayout, EmbeddedValuesArePaddedAndCut) {
  const CursorCase cases[] = {
      {"right-padded", "_$flg[5]=42\n[$flg[5],5]%", "", "120", "0"},
      {"left-padded", "_$flg[5]=42\n[$flg[5],-5]%", "", "120", "0"},
      {"cut to one byte", "_$flg[5]=42\n[$flg[5],1]%", "", "24", "0"},
      {"no width", "_$flg[5]=-42\n[$flg[5],]%", "", "72", "0"},
      {"expression", "[3*100,]%", "", "72", "0"},
      {"text view", "_@flg[6]=かな\n[@flg[6],]%", "", "48", "0"},
      {"empty name draws nothing", "[,5]%", "", "0", "0"},
      {"no comma: the matching bracket ends the name", "_$flg[5]=7\n[$flg[5]]あ%", "", "48", "0"},
  };
  ExpectCursors(cases);
}

TEST(TextLayout, RubyLeavesTheCursorAfterItsBase) {
  const CursorCase cases[] = {
      {"ruby over two characters", "(漢字)かんじ)%", "", "48", "0"},
      {"empty ruby draws nothing", "(漢字))%", "", "0", "0"},
      {"unclosed ruby is drawn as text", "(漢字%", "", "72", "0"},
      {"ruby without its closing parenthesis", "(漢字)かんじ%", "", "168", "0"},
  };
  ExpectCursors(cases);
}

TEST(TextLayout, CursorCommands) {
  const CursorCase cases[] = {
      {"textcur in cells", "_textcur 3,2", "", "72", "80"},
      {"textcur keeps an omitted part", "_textloc 5,7\n_textcur ,1", "", "5", "40"},
      {"textcurto", "_textcur 1,1\n_textcurto 2,-1", "", "72", "0"},
      {"textloc in pixels", "_textloc 13,17", "", "13", "17"},
      {"textlocto", "_textloc 13,17\n_textlocto -3", "", "10", "17"},
      {"textclear goes to the margin", "<I30>あい%\n_textclear", "", "30", "0"},
      {"offset does not move the cursor", "_textoffset 50,50\nあ%", "", "24", "0"},
      {"hostile positions stay bounded", "_textloc 2147483647,2147483647\n_textlocto 2147483647",
       "", "67108864", "67108864"},
  };
  ExpectCursors(cases);
}

// Lines that once could crash or hang a text engine: each must end, and the script go on.
TEST(TextLayout, BadInputIsDrawnOrSkipped) {
  const char* lines[] = {
      "<S999>あ%",
      "<T0>%",
      "(漢字",
      "((()))%",
      "<C#GGGGGG>あ%",
      "<M2147483647><M2147483647><M2147483647>あ%",
      "<F99>あ%",
      "<F4>abc<F0>%",
      "<W99999W1>%",
      "<N-2147483648><K-99999999>あ%",
      "[$flg[1],-99999999]%",
      "[$flg[,3]%",
      "<V\"nothing.wav\">%",
      "<O\"\">%",
      "<R-5>あいう%",
      "<I700>あ|い%",
  };
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    Scenario s;
    s.writeScript("autorun.txt", std::string(line) + "\n_@flg[1]=ok\n");
    std::string clicks;
    for (int i = 0; i < 40; ++i)
      clicks += "click\n";
    s.events(clicks);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[1], "ok");
  }
  // Bytes that are not CP932 text: a lead byte at the end, an unassigned pair.
  for (std::string bytes :
       {std::string("\x82\xa0\x82"), std::string("\x85\x40\xEF\xFC%"), std::string("<X\x82>%")}) {
    Scenario s;
    s.writeFile("autorun.txt", bytes + "\n_@flg[1]=ok\n");
    s.events("click\nclick\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[1], "ok");
  }
}

}  // namespace
}  // namespace qw
