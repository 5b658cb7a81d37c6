#include "app/coverage.h"

#include <gtest/gtest.h>

#include "app/cli.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "script/source.h"
#include "support/scenario.h"

namespace qw {
namespace {

class CoverageTest : public ::testing::Test {
 protected:
  std::string tracefile() const { return coverage_.tracefile(s_.dir(), s_.dir().string()); }

  test::Scenario s_;
  ScriptCoverage coverage_;
};

// A branch taken one way, a call made twice, a jump into an enciphered script named in other
// letter case, a menu the run stops in: each line's count, lines never run at 0, and no entry
// for labels, comments, empty lines or menu items.
TEST_F(CoverageTest, RecordsEachScriptLineTheRunTook) {
  s_.writeScript("autorun.txt",
                 "; a branch\n"            // 1
                 "_$flg[1]=2\n"            // 2
                 "_gosub :twice\n"         // 3
                 "_gosub :twice\n"         // 4
                 "_if $flg[1]==4\n"        // 5
                 "_then\n"                 // 6
                 "_goto :yes,Part2.TXT\n"  // 7
                 "_endthen\n"              // 8
                 "_flgclear 2,0\n"         // 9
                 "\n"                      // 10
                 ":twice\n"                // 11
                 "_$flg[1]=$flg[1]+1\n"    // 12
                 "_return\n");             // 13
  std::string part2 =
      ":yes\n"              // 1
      "_$flg[5]=1\n"        // 2
      "_if 0\n"             // 3
      "_then\n"             // 4
      "never\n"             // 5
      "_endthen\n"          // 6
      "_selmenu 10,10\n"    // 7
      "はい,,_goto :yes\n"  // 8
      "いいえ\n"            // 9
      "_endsel\n"           // 10
      "_wait 10\n";         // 11
  part2 = Utf8ToCp932(part2);
  CipherBytes(part2, kDefaultScriptKey);
  s_.writeFile("part2.txd", part2);
  s_.options().coverage = &coverage_;
  HeadlessReport report = s_.run();
  ASSERT_EQ(report.outcome, HeadlessOutcome::InputExhausted);
  ASSERT_TRUE(report.errors.empty()) << report.errors[0];

  EXPECT_EQ(tracefile(),
            "TN:\nSF:autorun.txt\n"
            "DA:2,1\nDA:3,1\nDA:4,1\nDA:5,1\nDA:6,1\nDA:7,1\nDA:8,0\nDA:9,0\n"
            "DA:12,2\nDA:13,2\n"
            "LF:10\nLH:8\nend_of_record\n"
            "TN:\nSF:part2.txd\n"
            "DA:2,1\nDA:3,1\nDA:4,1\nDA:5,0\nDA:6,0\nDA:7,1\nDA:10,0\nDA:11,0\n"
            "LF:8\nLH:4\nend_of_record\n");
}

// A run ended by the error report's forced end keeps the lines it took, and the front end
// writes them to the file it was given.
TEST_F(CoverageTest, AForcedEndKeepsTheLinesRunAndTheFileIsWritten) {
  s_.writeScript("autorun.txt", "_waitset\n_bogus\n_waitset\n");
  s_.events("answer yes\n");
  s_.options().coverage = &coverage_;
  HeadlessReport report = s_.run();
  ASSERT_EQ(report.outcome, HeadlessOutcome::Exited);
  EXPECT_EQ(report.exitCode, 1);
  const std::string want =
      "TN:\nSF:autorun.txt\nDA:1,1\nDA:2,1\nDA:3,0\nLF:3\nLH:2\nend_of_record\n";
  EXPECT_EQ(tracefile(), want);

  CommandLine cmd = ParseCommandLineArguments(
      {"run", "--headless", "--coverage", "out/lines.info", s_.dir().string()});
  ASSERT_EQ(cmd.mode, CommandLine::Mode::Headless);
  EXPECT_EQ(cmd.coverage->string(), "out/lines.info");
  EXPECT_EQ(ParseCommandLineArguments({"run", "--headless", "x", "--coverage"}).mode,
            CommandLine::Mode::Usage);
  EXPECT_EQ(ParseCommandLineArguments({"lint", "--coverage", "f", "x"}).mode,
            CommandLine::Mode::Usage);

  const std::filesystem::path file = s_.dir() / "lines.info";
  ASSERT_TRUE(coverage_.write(file, s_.dir(), s_.dir().string()));
  EXPECT_EQ(ReadFileBytes(file), want);
  EXPECT_FALSE(coverage_.write(s_.dir() / "no-such-folder" / "lines.info", s_.dir(), ""));
}

}  // namespace
}  // namespace qw
