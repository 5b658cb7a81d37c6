#include "tools/lint.h"

#include <gtest/gtest.h>

#include <sstream>

#include "script/source.h"
#include "support/scenario.h"

namespace qw {
namespace {

std::vector<std::string> Lines(const std::vector<LintFinding>& findings) {
  std::vector<std::string> out;
  for (const LintFinding& f : findings) {
    out.push_back(f.file + ":" + std::to_string(f.line) + ": " + f.message);
  }
  return out;
}

TEST(LintTest, FindsWhatARunWouldStumbleOver) {
  test::Scenario s;
  s.writeScript("autorun.txt",
                ":start\n"
                "_goto :nowhere\n"
                "_gosub :Start\n"
                "_goto :end,Scene2.TXT\n"
                "_goto :x,missing.txt\n"
                "_bogus 1\n"
                "_if 1+x\n"
                "_(2/0),_goto :start\n"
                "_then\n"
                "~12zz一行\n"
                "_$flg[600]=1\n"
                "_(1),_nothing\n"
                "_endfoo is fine\n"
                ":START\n");
  s.writeScript("scene2.txt", ":end\n_return\n_else\n_endelse\n");
  std::vector<std::string> got = Lines(LintScenario(s.dir()));
  std::vector<std::string> want = {
      "autorun.txt:2: label :nowhere not found in autorun.txt",
      "autorun.txt:5: script missing.txt not found",
      "autorun.txt:6: unknown command _bogus",
      "autorun.txt:7: expression fails with code -6: 1+x",
      "autorun.txt:8: Division by zero: _(2/0)",
      "autorun.txt:9: _endthen never comes",
      "autorun.txt:10: a text id needs eight hexadecimal digits after \"~\"",
      "autorun.txt:11: フラグの添字が異常です_$flg[600]",
      "autorun.txt:12: unknown command _nothing",
      "autorun.txt:14: label :START also stands at line 1: jumps go there",
  };
  EXPECT_EQ(got, want);
}

TEST(LintTest, EncipheredScriptsAndACleanScenario) {
  test::Scenario s;
  std::string plain = "_goto :a,next.txt\n";
  s.writeScript("autorun.txt", plain);
  std::string body = ":a\n_wait 10\n";
  CipherBytes(body, kDefaultScriptKey);
  s.writeFile("next.txd", body);
  EXPECT_TRUE(LintScenario(s.dir()).empty());
  std::ostringstream out, err;
  EXPECT_EQ(RunLintCommand(s.dir(), out, err), 0);
  EXPECT_EQ(RunLintCommand(s.dir() / "none", out, err), 2);
  s.writeScript("bad.txt", "_nope\n");
  EXPECT_EQ(RunLintCommand(s.dir(), out, err), 1);
  EXPECT_EQ(out.str(), "bad.txt:1: unknown command _nope\n");
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

}  // namespace
}  // namespace qw
