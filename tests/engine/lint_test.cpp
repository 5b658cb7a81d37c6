#include "tools/lint.h"

#include <gtest/gtest.h>

#include <sstream>

#include "script/commands.h"
#include "script/source.h"
#include "support/scenario.h"
#include "tools/command_info.h"

namespace qw {
namespace {

std::vector<std::string> Lines(const std::vector<LintFinding>& findings) {
  std::vector<std::string> out;
  for (const LintFinding& f : findings) {
    out.push_back(f.file + ":" + std::to_string(f.line) + ": " + (f.warning ? "warning: " : "") +
                  f.message);
  }
  return out;
}

// Each kind of problem once, in the start script and a script it reaches.
TEST(LintTest, ReportsEveryKindOfProblemWithFileAndLine) {
  test::Scenario s;
  s.writeFile("cg/bg.png", "x");
  s.writeFile("bg_01.png", "x");
  s.writeScript("autorun.txt",
                ":start\n"
                "_goto :nowhere\n"
                "_goto end,Scene2.TXT\n"
                "_goto :x,missing.txt\n"
                "_bogus 1\n"
                "_if 1+x\n"
                "_then\n"
                "_bgload \"bg_01.png\"\n"
                "_bgload bg_01.png\n"
                "_stop \"unclosed\n"
                "_bgload cg\\BG.PNG\n"
                "_pcmplay se\\none.wav\n"
                "_aviplay op.avi\n"
                "_fade TILE0\n"
                "<V\"voice.wav\">声と[2+y,3]値\n"
                "_(2/0),_goto :start\n"
                "~12zz一行\n"
                "_$flg[600]=1\n"
                "_objput 0,cg\\bg.png,#12345G\n"
                "_textwait\t5\n"
                ":START\n"
                "_selmenu\n"
                "はい,,_gosub :gone\n");
  s.writeScript("scene2.txt", ":end\n_return\n_scroll 10,#FFFFFF\nline\n_bgload title.jpeg\n");
  std::vector<std::string> want = {
      "autorun.txt:2: label :nowhere not found in autorun.txt",
      "autorun.txt:3: warning: script Scene2.TXT is scene2.txt on disk: found only because "
      "letter case is ignored",
      "autorun.txt:3: label end not found in scene2.txt: a label is named with its colon",
      "autorun.txt:4: script missing.txt not found",
      "autorun.txt:5: unknown command _bogus",
      "autorun.txt:6: expression fails with code -6: 1+x",
      "autorun.txt:7: _endthen never comes",
      "autorun.txt:9: unquoted \"_\" ends the arguments: \"01.png\" is never read (quote an "
      "argument that holds \"_\")",
      "autorun.txt:9: picture bg is never loaded: pictures are .bmp, .jpg, .png, .mag, .qim or "
      ".frl",
      "autorun.txt:10: unbalanced quotes",
      "autorun.txt:11: warning: picture cg\\BG.PNG is cg/bg.png on disk: found only because "
      "letter case is ignored",
      "autorun.txt:12: sound se\\none.wav not found",
      "autorun.txt:13: movie op.avi not found",
      "autorun.txt:14: transition \"TILE0\" runs nothing: names begin with \"#\"",
      "autorun.txt:15: sound voice.wav not found",
      "autorun.txt:15: expression fails with code -6: 2+y",
      "autorun.txt:16: Division by zero: _(2/0)",
      "autorun.txt:17: a text id needs eight hexadecimal digits after \"~\"",
      "autorun.txt:18: フラグの添字が異常です_$flg[600]",
      "autorun.txt:19: 色指定が異常です。:#12345G",
      "autorun.txt:20: unknown command _textwait\t5: a tab does not end the command word",
      "autorun.txt:21: warning: label :START also stands at line 1: jumps go there",
      "autorun.txt:22: _endsel never comes: the items run to the end of the script",
      "autorun.txt:23: label :gone not found in autorun.txt",
      "scene2.txt:3: _endscroll never comes",
      "scene2.txt:5: picture title.jpeg is never loaded: pictures are .bmp, .jpg, .png, .mag, "
      ".qim or .frl",
  };
  EXPECT_EQ(Lines(LintScenario(s.dir())), want);
}

// Every kind of file a scenario names, present, through every command and form that names one.
TEST(LintTest, ACleanScenarioWithEveryFileKindHasNoFindings) {
  test::Scenario s;
  for (const char* file :
       {"cg/bg.png", "cg/mask.bmp", "cg/chara.png", "cg/op001.bmp", "cg/op002.bmp", "se/a.wav",
        "bgm/theme.mid", "cd/track05.ogg", "mv/op.avi", "voice/v1.wav"}) {
    s.writeFile(file, "x");
  }
  s.writeScript("autorun.txt",
                "; every line here is right\n"
                "_autorefresh #TILE0\n"
                "_bgload \"%DATA_DRIVE%\\cg\\bg.png\"\n"
                "_objput 1,cg\\chara.png,cg\\mask.bmp,#CENTER,$flg[3]*2\n"
                "_efload cg\\bg.png,\"#TOP_LEFT\",1\n"
                "_movplay cg\\op.bmp,1,2\n"
                "_bgmmode 0\n"
                "_bgmplay bgm\\theme,0\n"
                "_bgmmode 4\n"
                "_bgmplay \"bgm\\05_title\",1\n"
                "_cdplay 5,1\n"
                "_pcmplay se\\a.wav,1\n"
                "_aviplay mv\\op.avi,0,0,640,480\n"
                "_smartrefresh #WIPE0,,1\n"
                "_flginstr $flg[1],$flg[2],\"名前\",\"入力\",8\n"
                "_flgclick -1\n"
                "_version 1.43\n"
                "_selmenu 10,10,#FFFFFF,#808080,28\n"
                "\"はい\",$flg[1]==0,_goto :a,next.txt\n"
                "いいえ,,_fade #BLEND0\n"
                "_endsel\n"
                "_branch 0\n"
                "_endbranch\n"
                "_scroll 10,#FFFFFF,1,1,0\n"
                "these_lines are text: unquoted _ is fine\n"
                "_endscroll\n"
                "<V\"voice\\v1.wav\" S2 C#FF0000>声[@flg[2],-4](漢字)かんじ)と[$flg[1]/$flg[2]]\n"
                "_(1),_goto :a,NEXT.TXT\n");
  // The .txt name finds the enciphered .txd; its case-only match is reported once above.
  std::string body = ":a\n_wait 10\n";
  CipherBytes(body, kDefaultScriptKey);
  s.writeFile("next.txd", body);
  std::vector<std::string> want = {
      "autorun.txt:28: warning: script NEXT.txd is next.txd on disk: found only because letter "
      "case is ignored",
  };
  EXPECT_EQ(Lines(LintScenario(s.dir())), want);

  std::ostringstream out, err;
  EXPECT_EQ(RunLintCommand(s.dir(), out, err), 0) << "warnings alone are no problem";
  EXPECT_EQ(out.str(), want[0] + "\n");
}

TEST(LintTest, ReadsOnlyTheScriptsTheStartScriptReaches) {
  test::Scenario s;
  std::ostringstream out, err;
  EXPECT_EQ(RunLintCommand(s.dir(), out, err), 1);
  EXPECT_EQ(out.str(),
            "autorun.txt: no start script autorun.txt or autorun.txd: the engine asks "
            "for one\n");
  EXPECT_EQ(RunLintCommand(s.dir() / "none", out, err), 2);

  s.writeScript("autorun.txd", "");  // the enciphered start script, with the plain one preferred
  s.writeScript("autorun.txt", "_(1),_goto :a,sub/b.txt\n");
  s.writeScript("sub/b.txt", ":a\n_goto :c,c.txt\n");
  s.writeScript("c.txt", ":c\n_nope\n");
  s.writeScript("readme.txt", "_not a script, never reached\n");
  EXPECT_EQ(Lines(LintScenario(s.dir())),
            std::vector<std::string>{"c.txt:2: unknown command _nope"});

  // The words come from the command table: a word it lacks is unknown, whatever else is known
  // of it, and its arguments go unchecked.
  LintOptions options;
  options.isCommand = [](const std::string& w) { return w != "_goto" && FindCommand(w); };
  EXPECT_EQ(Lines(LintScenario(s.dir(), options)),
            std::vector<std::string>{"autorun.txt:1: unknown command _goto"});
}

TEST(LintTest, TooManyLabels) {
  test::Scenario s;
  std::string script;
  for (int i = 0; i < 514; ++i)
    script += ":l" + std::to_string(i) + "\n";
  s.writeScript("autorun.txt", script);
  std::vector<std::string> got = Lines(LintScenario(s.dir()));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], "autorun.txt:512: more than 512 labels: the rest define nothing");
}

TEST(LintTest, EveryListedCommandIsInTheCommandTable) {
  for (const CommandInfo& info : CommandInfos()) {
    EXPECT_NE(FindCommand(std::string(info.word)), nullptr) << info.word;
    EXPECT_LE(info.args.size(), 16u) << info.word;
    EXPECT_EQ(info.args.find_first_not_of("TKNDCkOFfPZSMBRVLXQqA"), std::string_view::npos)
        << info.word;
    EXPECT_EQ(info.block == BlockKind::None, info.blockEnd.empty()) << info.word;
  }
  // The black-hole commands name their overlay pictures after the numbers.
  EXPECT_EQ(FindCommandInfo("_bholeop")->args.find_last_of('P'), 14u);
  EXPECT_EQ(FindCommandInfo("_bholeover")->args.substr(13), "PP");
}

TEST(LintTest, BlockDataLinesAreTheMenuItemsAndScrollText) {
  const std::vector<std::string> lines = {"_selmenu", "a,,_goto :x",    "_endsel",   "_scroll 1",
                                          "text",     "  _endscroll  ", "_scroll 2", "no end"};
  EXPECT_EQ(BlockDataLines(lines),
            (std::vector<bool>{false, true, false, false, true, false, false, false}));
}

}  // namespace
}  // namespace qw
