// End-to-end runs of the control flow: jumps within and across script files (plain and
// enciphered), labels, calls and returns, condition and branch blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp932.h"
#include "script/source.h"
#include "support/report_text.h"
#include "support/scenario.h"

namespace qw {
namespace {

using test::At;
using test::Dump;
using test::kQuestion;
using test::Scenario;

// Errors that show their own box (exclamation, OK) and then the question answered No.
void ExpectErrors(const HeadlessReport& r, const std::vector<std::string>& locations) {
  SCOPED_TRACE(Dump(r));
  EXPECT_EQ(r.errors, locations);
  ASSERT_EQ(r.messages.size(), 2 * locations.size());
  for (std::size_t i = 0; i < locations.size(); ++i) {
    const MessageRecord& own = r.messages[2 * i];
    EXPECT_EQ(own.caption, "");
    EXPECT_EQ(own.icon, MessageIcon::Exclamation);
    EXPECT_EQ(locations[i].substr(locations[i].find('/') + 1), own.text);
    EXPECT_EQ(r.messages[2 * i + 1].caption, locations[i]);
    EXPECT_EQ(r.messages[2 * i + 1].text, kQuestion);
    EXPECT_EQ(r.messages[2 * i + 1].answer, "no");
  }
}

// Cells 1 to 5, the ones these scripts use as witnesses.
std::vector<std::string> Witnesses(const HeadlessReport& r) {
  return std::vector<std::string>(r.flags.begin() + 1, r.flags.begin() + 6);
}

using W = std::vector<std::string>;

std::string Enciphered(std::string_view utf8, std::int32_t key) {
  std::string bytes = Utf8ToCp932(utf8);
  CipherBytes(bytes, key);
  return bytes;
}

struct FlowCase {
  const char* name;
  const char* script;
  W witnesses;
  std::vector<std::string> errors;
};

void RunFlowCases(const std::vector<FlowCase>& cases) {
  for (const FlowCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", c.script);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(Witnesses(r), c.witnesses);
    ExpectErrors(r, c.errors);
  }
}

// ---- Jumps within a file ----

TEST(InterpreterGoto, LabelsWithinAFile) {
  RunFlowCases({
      {"forward", "_goto :b\n_$flg[1]=1\n:b\n_$flg[2]=1\n", {"0", "1", "0", "0", "0"}, {}},
      {"backward loop",
       ":top\n_$flg[1]=$flg[1]+1\n_($flg[1]<3),_goto :top\n",
       {"3", "0", "0", "0", "0"},
       {}},
      {"empty label restarts at the first line",
       "_$flg[1]=$flg[1]+1\n_($flg[1]<4),_goto *\n",
       {"4", "0", "0", "0", "0"},
       {}},
      {"letter case is ignored",
       "_goto :bIg\n_$flg[1]=1\n:BIG\n_$flg[2]=1\n",
       {"0", "1", "0", "0", "0"},
       {}},
      {"labels differing in case: the first wins",
       "_goto :dup\n:DUP\n_$flg[1]=1\n_goto :end\n:dup\n_$flg[2]=1\n:end\n",
       {"1", "0", "0", "0", "0"},
       {}},
      {"indented label",
       "_goto :ind\n_$flg[1]=1\n \t:ind\n_$flg[2]=1\n",
       {"0", "1", "0", "0", "0"},
       {}},
      {"Japanese label",
       "_goto :開始\n_$flg[1]=1\n:開始\n_$flg[2]=1\n",
       {"0", "1", "0", "0", "0"},
       {}},
      {"unknown label continues two lines below",
       "_goto :none\n_$flg[1]=1\n_$flg[2]=1\n",
       {"0", "1", "0", "0", "0"},
       {At(1, "ラベルが見つかりません:none")}},
      {"a label keeps its trailing blanks",
       "_goto :t\n_$flg[1]=1\n_$flg[2]=1\n:t  \n_$flg[3]=1\n",
       {"0", "1", "1", "0", "0"},
       {At(1, "ラベルが見つかりません:t")}},
      {"quoted, the blanks match",
       "_goto \":t  \"\n_$flg[1]=1\n_$flg[2]=1\n:t  \n_$flg[3]=1\n",
       {"0", "0", "1", "0", "0"},
       {}},
      {"a comment after a label is part of its name",
       "_goto :c\n_$flg[1]=1\n_$flg[2]=1\n:c ;note\n_$flg[3]=1\n",
       {"0", "1", "1", "0", "0"},
       {At(1, "ラベルが見つかりません:c")}},
      {"the colon is part of the name",
       "_goto b\n_$flg[1]=1\n_$flg[2]=1\n:b\n_$flg[3]=1\n",
       {"0", "1", "1", "0", "0"},
       {At(1, "ラベルが見つかりませんb")}},
      {"an unquoted underscore cuts the label",
       "_goto :a_b\n_$flg[1]=1\n:a\n_$flg[2]=1\n:a_b\n_$flg[3]=1\n",
       {"0", "1", "1", "0", "0"},
       {}},
      {"quoted, the underscore stays",
       "_goto \":a_b\"\n_$flg[1]=1\n:a\n_$flg[2]=1\n:a_b\n_$flg[3]=1\n",
       {"0", "0", "1", "0", "0"},
       {}},
      {"unknown label on the second-to-last line ends the run",
       "_$flg[1]=1\n_goto :none\n_$flg[2]=1\n",
       {"1", "0", "0", "0", "0"},
       {At(2, "ラベルが見つかりません:none")}},
  });
}

TEST(InterpreterGoto, FiveHundredTwelveLabelsAtMost) {
  std::string labels;
  for (int i = 1; i <= 511; ++i)
    labels += ":l" + std::to_string(i) + "\n";
  // Lines: 0 goto :l513, 1 witness, 2 goto :l512, then the labels.
  const std::string head = "_goto :l513\n_$flg[1]=1\n_goto :l512\n";
  const std::string tail = ":l512\n_$flg[2]=1\n:l513\n_$flg[3]=$flg[3]+1\n";

  Scenario s;
  s.writeScript("autorun.txt", "_goto :l512\n" + labels + ":l512\n_$flg[2]=1\n_$flg[3]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(Witnesses(r), (W{"0", "1", "1", "0", "0"}));
  ExpectErrors(r, {});

  s.writeScript("autorun.txt", head + labels + tail);
  r = s.run();
  // The 513th label is not in the table: its jump fails and continues at line index 2.
  EXPECT_EQ(Witnesses(r), (W{"0", "1", "1", "0", "0"}));
  ExpectErrors(r, {At(1, "ラベルが多すぎます。最大：512"), At(1, "ラベルが見つかりません:l513")});
}

TEST(InterpreterGoto, TooManyLabelsInALoadedFileNameTheCallingLine) {
  std::string labels;
  for (int i = 1; i <= 513; ++i)
    labels += ":l" + std::to_string(i) + "\n";
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=1\n_goto :l1,other.txt\n");
  s.writeScript("other.txt", labels + "_$flg[2]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(Witnesses(r), (W{"1", "1", "0", "0", "0"}));
  EXPECT_EQ(r.file, "other.txt");
  ExpectErrors(r, {At(2, "ラベルが多すぎます。最大：512")});
}

// ---- Jumps across files ----

struct FileCase {
  const char* name;
  const char* jump;                                        // the _goto line of autorun.txt
  std::vector<std::pair<std::string, std::string>> files;  // name, UTF-8 text (plain)
  std::vector<std::string> enciphered;                     // names to store enciphered
  const char* reportFile;
  W witnesses;
};

TEST(InterpreterGoto, AcrossFilesWithTheTxdFallBacks) {
  const std::string other = "_$flg[2]=1\n:x\n_$flg[3]=1\n";
  const std::string otherTxd = "_$flg[2]=1\n:x\n_$flg[4]=1\n";
  const std::vector<FileCase> cases = {
      {"label in the other file",
       "_goto :x,other.txt",
       {{"other.txt", other}},
       {},
       "other.txt",
       {"1", "0", "1", "0", "0"}},
      {"no label: its first line",
       "_goto ,other.txt",
       {{"other.txt", other}},
       {},
       "other.txt",
       {"1", "1", "1", "0", "0"}},
      {"a subfolder with a backslash",
       "_goto :x,sub\\other.txt",
       {{"sub/other.txt", other}},
       {},
       "sub\\other.txt",
       {"1", "0", "1", "0", "0"}},
      {"letter case of the file name",
       "_goto :x,OTHER.TXT",
       {{"other.txt", other}},
       {},
       "OTHER.TXT",
       {"1", "0", "1", "0", "0"}},
      {".txt falls back to the enciphered .txd",
       "_goto :x,other.txt",
       {{"other.txd", otherTxd}},
       {"other.txd"},
       "other.txt",
       {"1", "0", "0", "1", "0"}},
      {".txt in other letters falls back too",
       "_goto :x,OTHER.TXT",
       {{"other.txd", otherTxd}},
       {"other.txd"},
       "OTHER.TXT",
       {"1", "0", "0", "1", "0"}},
      {".txd falls back to the plain .txt",
       "_goto :x,other.txd",
       {{"other.txt", other}},
       {},
       "other.txd",
       {"1", "0", "1", "0", "0"}},
      {".txd is read when it exists",
       "_goto :x,other.txd",
       {{"other.txt", other}, {"other.txd", otherTxd}},
       {"other.txd"},
       "other.txd",
       {"1", "0", "0", "1", "0"}},
      {".txt is read when it exists",
       "_goto :x,other.txt",
       {{"other.txt", other}, {"other.txd", otherTxd}},
       {"other.txd"},
       "other.txt",
       {"1", "0", "1", "0", "0"}},
      {"a quoted name keeps its underscore",
       "_goto :x,\"my_other.txt\"",
       {{"my_other.txt", other}},
       {},
       "my_other.txt",
       {"1", "0", "1", "0", "0"}},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=1\n") + c.jump + "\n_$flg[5]=1\n");
    for (const auto& [name, text] : c.files) {
      bool encipher = false;
      for (const std::string& e : c.enciphered)
        encipher |= e == name;
      if (encipher) {
        s.writeFile(name, Enciphered(text, kDefaultScriptKey));
      } else {
        s.writeScript(name, text);
      }
    }
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.file, c.reportFile);
    EXPECT_EQ(r.line, 4);  // fell off the end of the three-line file
    EXPECT_EQ(Witnesses(r), c.witnesses);
    ExpectErrors(r, {});
  }
}

TEST(InterpreterGoto, DataDriveTokenNamesTheDataRoot) {
  Scenario s;
  s.writeScript("autorun.txt", "_goto :x,\"%DATA_DRIVE%\\scripts\\other.txt\"\n");
  s.writeScript("disc/scripts/other.txt", ":x\n_$flg[1]=1\n");
  s.options().dataRoot = s.dir() / "disc";
  HeadlessReport r = s.run();
  EXPECT_EQ(r.file, "%DATA_DRIVE%\\scripts\\other.txt");
  EXPECT_EQ(r.flags[1], "1");
  ExpectErrors(r, {});

  // Unquoted, the token's "_" ends the argument list: the name is cut to "%DATA".
  s.writeScript("autorun.txt", "_goto :x,%DATA_DRIVE%\\scripts\\other.txt\n");
  r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "0");
  ASSERT_EQ(r.errors.size(), 1u) << Dump(r);
  EXPECT_EQ(r.errors[0].rfind("File:autorun.txt Line:1/", 0), 0u);
}

TEST(InterpreterGoto, EncipheredStartScriptAndKeyFile) {
  const std::string start = "_$flg[1]=1\n_goto :x,next.txt\n";
  const std::string next = "_$flg[2]=1\n:x\n_@flg[3]=暗号\n";

  {
    SCOPED_TRACE("default key");
    Scenario s;
    s.writeFile("autorun.txd", Enciphered(start, kDefaultScriptKey));
    s.writeFile("next.txd", Enciphered(next, kDefaultScriptKey));
    HeadlessReport r = s.run();
    EXPECT_EQ(r.file, "next.txt");
    EXPECT_EQ(Witnesses(r), (W{"1", "0", "暗号", "0", "0"}));
    ExpectErrors(r, {});
  }
  const std::int32_t key = DeriveScriptKey(12345);
  {
    SCOPED_TRACE("key file");
    Scenario s;
    s.writeFile("decode.key", "12345\r\n");
    s.writeFile("autorun.txd", Enciphered(start, key));
    s.writeFile("next.txd", Enciphered(next, key));
    HeadlessReport r = s.run();
    EXPECT_EQ(r.file, "next.txt");
    EXPECT_EQ(Witnesses(r), (W{"1", "0", "暗号", "0", "0"}));
    ExpectErrors(r, {});
  }
  {
    SCOPED_TRACE("wrong key");
    std::string a = ":x";
    std::string b = ":x";
    CipherLine(a, kDefaultScriptKey);
    CipherLine(b, key);
    ASSERT_NE(a, b) << "the two keys must differ for this case";
    Scenario s;
    s.writeFile("decode.key", "12345");
    s.writeScript("autorun.txt", "_goto :x,next.txt\n");
    s.writeFile("next.txd", Enciphered(":x\n_$flg[1]=1\n", kDefaultScriptKey));
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[1], "0");
    ASSERT_FALSE(r.errors.empty()) << Dump(r);
    EXPECT_EQ(r.errors[0], At(1, "ラベルが見つかりません:x", "next.txt"));
  }
}

TEST(InterpreterGoto, MissingFileEndsTheRunThroughTheErrorPath) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=1\n_goto :x,missing.txt\n_$flg[2]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.file, "autorun.txt");
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(Witnesses(r), (W{"1", "0", "0", "0", "0"}));
  ASSERT_EQ(r.messages.size(), 2u) << Dump(r);
  EXPECT_EQ(r.messages[0].caption, "Quillwork");
  EXPECT_EQ(r.messages[0].icon, MessageIcon::Error);
  EXPECT_NE(r.messages[0].text.find("missing"), std::string::npos) << r.messages[0].text;
  EXPECT_EQ(r.errors, std::vector<std::string>{At(2, r.messages[0].text)});
}

TEST(InterpreterGoto, UnknownLabelInTheLoadedFileCountsFromItsFirstLine) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=1\n_$flg[1]=2\n_goto :nope,other.txt\n");
  s.writeScript("other.txt", "_$flg[2]=1\n_$flg[3]=1\n_$flg[4]=1\n");
  HeadlessReport r = s.run();
  // The load put the position at the new file's first line: the error names it, and the run
  // goes on two lines below it.
  EXPECT_EQ(Witnesses(r), (W{"2", "0", "0", "1", "0"}));
  ExpectErrors(r, {At(1, "ラベルが見つかりません:nope", "other.txt")});
}

TEST(InterpreterGoto, LoadingAFileEmptiesTheReturnStack) {
  Scenario s;
  s.writeScript("autorun.txt", "_gosub :s\n_$flg[1]=1\n:s\n_goto ,other.txt\n");
  s.writeScript("other.txt", "_return\n_$flg[2]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(Witnesses(r), (W{"0", "1", "0", "0", "0"}));
  ExpectErrors(r, {At(1, "GOSUB無しでRETURNが実行されました", "other.txt")});
}

// ---- Calls ----

TEST(InterpreterGosub, CallsAndReturns) {
  RunFlowCases({
      {"call and return",
       "_gosub :s\n_$flg[1]=$flg[1]+1\n_goto :end\n:s\n_$flg[2]=1\n_return\n:end\n",
       {"1", "1", "0", "0", "0"},
       {}},
      {"return to a label drops the entry",
       "_gosub :s\n_$flg[1]=1\n:s\n_return :r\n_$flg[2]=1\n:r\n_$flg[3]=1\n_return\n"
       "_$flg[4]=1\n",
       {"0", "0", "1", "1", "0"},
       {At(8, "GOSUB無しでRETURNが実行されました")}},
      {"call from a conditional line returns to the next line",
       "_(1),_gosub :s\n_$flg[1]=1\n_goto :end\n:s\n_$flg[2]=1\n_return\n:end\n",
       {"1", "1", "0", "0", "0"},
       {}},
      {"return without a call is ignored",
       "_return\n_$flg[1]=1\n",
       {"1", "0", "0", "0", "0"},
       {At(1, "GOSUB無しでRETURNが実行されました")}},
      {"gosub without a label empties the stack and does not jump",
       "_gosub :s\n_$flg[1]=1\n_goto :end\n:s\n_gosub\n_$flg[3]=1\n_return\n_$flg[2]=1\n:end\n",
       {"0", "1", "1", "0", "0"},
       {At(7, "GOSUB無しでRETURNが実行されました")}},
      {"gosub to an unknown label still keeps a return entry",
       "_gosub :none\n_$flg[1]=1\n_$flg[2]=$flg[2]+1\n_return\n",
       {"1", "2", "0", "0", "0"},
       {At(1, "ラベルが見つかりません:none"), At(4, "GOSUB無しでRETURNが実行されました")}},
  });
}

TEST(InterpreterGosub, SixteenNestedCallsAndTheSeventeenth) {
  // Each level counts its call in cell 1 and its return in cell 2.
  const char* script =
      "_gosub :rec\n"
      "_goto :end\n"
      ":rec\n"
      "_$flg[1]=$flg[1]+1\n"
      "_($flg[1]<$flg[3]),_gosub :rec\n"  // line 6, after the depth line
      "_$flg[2]=$flg[2]+1\n"
      "_return\n"
      ":end\n";
  for (int depth : {16, 17}) {
    SCOPED_TRACE(depth);
    Scenario s;
    s.writeScript("autorun.txt", "_$flg[3]=" + std::to_string(depth) + "\n" + script);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[1], std::to_string(depth));  // every call jumped
    // Sixteen entries were kept: the deepest level runs its tail once more than it returns.
    EXPECT_EQ(r.flags[2], "16");
    if (depth == 16) {
      ExpectErrors(r, {});
    } else {
      ExpectErrors(r, {At(6, "GOSUBのスタックが溢れました")});
    }
  }
}

// ---- Condition blocks ----

TEST(InterpreterBlocks, IfThenElse) {
  struct IfCase {
    const char* condition;
    W witnesses;
  };
  const IfCase cases[] = {
      {"0", {"0", "1", "1", "1", "0"}},     {"1", {"1", "0", "1", "1", "0"}},
      {"-1", {"1", "0", "1", "1", "0"}},    {"$flg[9]==0", {"1", "0", "1", "1", "0"}},
      {"2 > 3", {"0", "1", "1", "1", "0"}}, {"1==1 & 2==3", {"0", "1", "1", "1", "0"}},
  };
  for (const IfCase& c : cases) {
    SCOPED_TRACE(c.condition);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_if ") + c.condition +
                                     "\n_then\n_$flg[1]=1\n_endthen\n_$flg[3]=1\n_else\n"
                                     "_$flg[2]=1\n_endelse\n_$flg[4]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(Witnesses(r), c.witnesses);
    ExpectErrors(r, {});
  }
}

TEST(InterpreterBlocks, ConditionRulesAndMarkers) {
  RunFlowCases({
      {"an empty _if keeps the last condition",
       "_if 1\n_if\n_then\n_$flg[1]=1\n_endthen\n",
       {"1", "0", "0", "0", "0"},
       {}},
      {"the condition is 0 after start",
       "_then\n_$flg[1]=1\n_endthen\n_else\n_$flg[2]=1\n_endelse\n",
       {"0", "1", "0", "0", "0"},
       {}},
      {"the skip ends at the inner _endthen",
       "_if 0\n_then\n_$flg[1]=1\n_if 1\n_then\n_$flg[2]=1\n_endthen\n_$flg[3]=1\n"
       "_endthen\n_$flg[4]=1\n",
       {"0", "0", "1", "1", "0"},
       {}},
      {"an _if inside a taken block changes later tests",
       "_if 1\n_then\n_if 0\n_endthen\n_else\n_$flg[1]=1\n_endelse\n_then\n_$flg[2]=1\n"
       "_endthen\n",
       {"1", "0", "0", "0", "0"},
       {}},
      {"markers may be indented and followed by blanks",
       "_if 0\n_then\n_$flg[1]=1\n \t_endthen \t\n_$flg[2]=1\n",
       {"0", "1", "0", "0", "0"},
       {}},
      {"a marker with a comment after it is no marker",
       "_if 0\n_then\n_$flg[1]=1\n_endthen ;x\n_$flg[2]=1\n_endthen\n_$flg[3]=1\n",
       {"0", "0", "1", "0", "0"},
       {}},
      {"markers are case-sensitive",
       "_if 0\n_then\n_$flg[1]=1\n_ENDTHEN\n_$flg[2]=1\n_endthen\n_$flg[3]=1\n",
       {"0", "0", "1", "0", "0"},
       {}},
      {"a marker inside a label or text line does not count",
       "_if 1\n_else\n:_endelse\n_$flg[1]=1\n_endelse\n_$flg[2]=1\n",
       {"0", "1", "0", "0", "0"},
       {}},
  });
}

TEST(InterpreterBlocks, FailedConditionGivesOneWithTheEvaluatorsMessage) {
  Scenario s;
  s.writeScript("autorun.txt", "_if abc\n_then\n_$flg[1]=1\n_endthen\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.errors,
            std::vector<std::string>{At(1, "算術エラーが発生しました。コード:-6 式:abc")});
}

TEST(InterpreterBlocks, MissingMarkersContinueAtTheSecondLine) {
  struct MissingCase {
    const char* opener;  // the line that skips, with what makes it skip before it
    const char* marker;
  };
  const MissingCase cases[] = {
      {"_if 0\n_then", "_endthen"},
      {"_if 1\n_else", "_endelse"},
      {"_branch 7", "_endbranch"},
  };
  for (const MissingCase& c : cases) {
    SCOPED_TRACE(c.marker);
    // Line index 1 counts the passes; the second pass jumps out.
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=5\n_$flg[2]=$flg[2]+1\n") +
                                     "_($flg[2]>=2),_goto :out\n" + c.opener +
                                     "\n_$flg[3]=1\n:out\n_$flg[4]=$flg[4]+1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(Witnesses(r), (W{"5", "2", "0", "1", "0"}));
    const int openerLine = std::string(c.opener).find('\n') == std::string::npos ? 4 : 5;
    ExpectErrors(r, {At(openerLine, std::string(c.marker) + "が見つかりません")});
  }
}

TEST(InterpreterBlocks, BranchComparesWithTheLastSelection) {
  // No menu has run, so the selection is the same for every _branch; exactly one of the
  // values a selection can hold before any menu (-1 or 0) matches it, and 2 never does.
  Scenario s;
  s.writeScript("autorun.txt",
                "_branch -1\n_$flg[1]=1\n_endbranch\n"
                "_branch 0\n_$flg[2]=1\n_endbranch\n"
                "_branch 2\n_$flg[3]=1\n_endbranch\n"
                "_branch $flg[9]+2\n_$flg[4]=1\n_endbranch\n"
                "_$flg[5]=1\n");
  HeadlessReport r = s.run();
  EXPECT_NE(r.flags[1], r.flags[2]);
  EXPECT_EQ(r.flags[3], "0");
  EXPECT_EQ(r.flags[4], "0");
  EXPECT_EQ(r.flags[5], "1");
  ExpectErrors(r, {});

  // Branch blocks do not nest: the skip ends at the first _endbranch.
  s.writeScript("autorun.txt",
                "_branch 2\n_$flg[1]=1\n_branch 3\n_$flg[2]=1\n_endbranch\n_$flg[3]=1\n"
                "_endbranch\n_$flg[4]=1\n");
  r = s.run();
  EXPECT_EQ(Witnesses(r), (W{"0", "0", "1", "1", "0"}));
  ExpectErrors(r, {});
}

}  // namespace
}  // namespace qw
