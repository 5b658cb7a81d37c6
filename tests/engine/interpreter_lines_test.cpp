// End-to-end runs of the driver and the executor: how lines are classified, unknown commands,
// assignments, conditional lines, and scripts that try to break the interpreter.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "state/flags.h"
#include "support/report_text.h"
#include "support/scenario.h"

namespace qw {
namespace {

using test::At;
using test::Dump;
using test::kQuestion;
using test::Scenario;

// A script error the usual way: its own box (OK, no title), then the question answered No.
struct Reported {
  int line;
  std::string message;
  MessageIcon icon = MessageIcon::Exclamation;
};

void ExpectReported(const HeadlessReport& r, const std::vector<Reported>& expected) {
  SCOPED_TRACE(Dump(r));
  std::vector<std::string> locations;
  for (const Reported& e : expected)
    locations.push_back(At(e.line, e.message));
  EXPECT_EQ(r.errors, locations);
  ASSERT_EQ(r.messages.size(), 2 * expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const MessageRecord& own = r.messages[2 * i];
    EXPECT_EQ(own.caption, "");
    EXPECT_EQ(own.text, expected[i].message);
    EXPECT_EQ(own.icon, expected[i].icon);
    EXPECT_EQ(own.buttons, MessageButtons::Ok);
    const MessageRecord& question = r.messages[2 * i + 1];
    EXPECT_EQ(question.caption, locations[i]);
    EXPECT_EQ(question.text, kQuestion);
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.answer, "no");
  }
}

// ---- Line classification ----

struct LineCase {
  const char* name;
  const char* line;    // placed first, before "_$flg[1]=1"
  const char* events;  // "" for none
  HeadlessOutcome outcome;
  bool continued;  // the line after it ran
};

TEST(InterpreterLines, ClassificationDecidesWhatRunsAndWhatWaits) {
  const LineCase cases[] = {
      {"label", ":start", "", HeadlessOutcome::ScriptEnded, true},
      {"indented label", " \t:start", "", HeadlessOutcome::ScriptEnded, true},
      {"comment holding a command", ";_$flg[2]=1", "", HeadlessOutcome::ScriptEnded, true},
      {"hash line", "#_$flg[2]=1", "", HeadlessOutcome::ScriptEnded, true},
      {"empty line", "", "", HeadlessOutcome::ScriptEnded, true},
      {"blanks and tabs only", "  \t \t ", "", HeadlessOutcome::ScriptEnded, true},
      {"control characters only", "\x01\x1f", "", HeadlessOutcome::ScriptEnded, true},
      {"raw text does not wait", "\\生のテキスト", "", HeadlessOutcome::ScriptEnded, true},
      {"raw text is not a command", "\\_$flg[2]=1", "", HeadlessOutcome::ScriptEnded, true},
      {"caption", "!題名", "", HeadlessOutcome::ScriptEnded, true},
      {"text id alone", "~0000001A", "", HeadlessOutcome::ScriptEnded, true},
      {"text id before a label", "~0000001A:x", "", HeadlessOutcome::ScriptEnded, true},
      {"story text waits for the reader", "こんにちは", "", HeadlessOutcome::InputExhausted, false},
      {"story text ends on a click", "こんにちは", "click\n", HeadlessOutcome::ScriptEnded, true},
      {"story text ends on Enter", "こんにちは", "key Enter\n", HeadlessOutcome::ScriptEnded, true},
      {"story text ends on down and up", "text", "down 5 5\nup 5 5\n", HeadlessOutcome::ScriptEnded,
       true},
      {"a press alone does not end it", "text", "down 5 5\n", HeadlessOutcome::InputExhausted,
       false},
      {"a move does not end it", "text", "move 5 5\n", HeadlessOutcome::InputExhausted, false},
      {"text with a command inside", "x_$flg[2]=1", "", HeadlessOutcome::InputExhausted, false},
      {"a full-width blank is text", "　", "", HeadlessOutcome::InputExhausted, false},
      {"text after a text id", "~0000001Aテキスト", "", HeadlessOutcome::InputExhausted, false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.line) + "\n_$flg[1]=1\n");
    if (*c.events) s.events(c.events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.flags[1], c.continued ? "1" : "0");
    EXPECT_EQ(r.flags[2], "0");  // no hidden command ran
    EXPECT_EQ(r.line, c.continued ? 3 : 1);
    EXPECT_EQ(r.errors, std::vector<std::string>{}) << Dump(r);
  }
}

TEST(InterpreterLines, CommandsAfterAnIndentOrATextIdRun) {
  Scenario s;
  s.writeScript("autorun.txt", "~0000001A_$flg[2]=5\n~ffffffff_@flg[3]=x\n \t _$flg[4]=4 \t\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[2], "5");
  EXPECT_EQ(r.flags[3], "x");
  EXPECT_EQ(r.flags[4], "4");
  EXPECT_EQ(r.errors, std::vector<std::string>{});
}

TEST(InterpreterLines, MalformedTextIdEndsTheRunThroughTheErrorPath) {
  for (const char* line : {"~0000G01Aテキスト", "~12"}) {
    SCOPED_TRACE(line);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=1\n") + line + "\n_$flg[2]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.flags[2], "0");
    ASSERT_EQ(r.errors.size(), 1u) << Dump(r);
    EXPECT_EQ(r.errors[0].rfind("File:autorun.txt Line:2/", 0), 0u) << r.errors[0];
  }
}

TEST(InterpreterLines, StoryTextWaitsOnceForEachLine) {
  Scenario s;
  s.writeScript("autorun.txt", "一行目\n_$flg[1]=1\n二行目\n_$flg[2]=1\n三行目\n_$flg[3]=1\n");
  s.events("click\nkey Enter\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.line, 5);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "1");
  EXPECT_EQ(r.flags[3], "0");
}

TEST(InterpreterLines, CaptionLines) {
  struct CaptionCase {
    const char* script;
    const char* caption;
  };
  const CaptionCase cases[] = {
      {"_$flg[1]=1\n", "Quillwork"},  // the start script sets the application title
      {"!物語の題名\n", "物語の題名"},
      {"!\n", ""},
      {"  !前後の空白  \t\n", "前後の空白"},
      {"!一\n!二\n", "二"},
      {"!a, b _c\n", "a, b _c"},  // taken as written, not parsed as arguments
      {"~00000001!識別子つき\n", "識別子つき"},
      {"!題名\n_stop 待機中\n", "題名"},  // _stop changes only the window's caption
  };
  for (const CaptionCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", c.script);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.caption, c.caption);
    EXPECT_EQ(r.errors, std::vector<std::string>{});
  }
}

TEST(InterpreterLines, EmptyScriptAndJumpPastTheEndEndTheRun) {
  Scenario s;
  s.writeScript("autorun.txt", "\n\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.line, 3);

  s.writeScript("autorun.txt", "_goto :last\n_$flg[1]=1\n:last");
  r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.line, 4);  // the label was the last line
  EXPECT_EQ(r.flags[1], "0");
  EXPECT_EQ(r.errors, std::vector<std::string>{});
}

TEST(InterpreterLines, LineEndsOfEveryKindAndTheNulByte) {
  Scenario s;
  s.writeFile("autorun.txt", std::string("_$flg[1]=1\r\n_$flg[2]=2\r_$flg[3]=3\n_$flg[4]=4") +
                                 '\0' + "\n_$flg[5]=5\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "2");
  EXPECT_EQ(r.flags[3], "3");
  EXPECT_EQ(r.flags[4], "4");
  EXPECT_EQ(r.flags[5], "0");  // the text ended at the NUL
  EXPECT_EQ(r.line, 5);
}

// ---- Unknown commands ----

TEST(InterpreterCommands, UnknownWordsAreReportedAndSkipped) {
  struct UnknownCase {
    const char* line;
    const char* word;  // as it appears in the message
  };
  const UnknownCase cases[] = {
      {"_nosuch", "_nosuch"},
      {"_nosuch a, b ,c", "_nosuch"},
      {"_goto\t:x", "_goto\t:x"},  // a tab does not end the word
      {"_GOTO :x", "_GOTO"},       // words are case-sensitive
      {"_gotox :x", "_gotox"},     // a family prefix alone is not enough
      {"_winfoo", "_winfoo"},
      {"_flgfoo", "_flgfoo"},
      {"_", "_"},
      {"_命令", "_命令"},
      {"_(1),hello", "hello"},  // the nested line must be a command
      {"_(1),  _nosuch 1", "_nosuch"},
      {"_(1)", ""},
      {"_$sys[1]=3", "_$sys[1]"},  // only $flg and @flg can be assigned
  };
  for (const UnknownCase& c : cases) {
    SCOPED_TRACE(c.line);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=1\n") + c.line + "\n_$flg[2]=1\n:x\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[2], "1");  // the next line ran: no jump happened
    ExpectReported(r, {{2, std::string("コマンドが変です") + c.word}});
  }
}

TEST(InterpreterCommands, EveryWordBeginningWithEndDoesNothing) {
  Scenario s;
  s.writeScript("autorun.txt",
                "_end\n_endthen\n_endelse\n_endbranch\n_endsel\n_endscroll\n_endanything 1,2\n"
                "_end\tfoo\n_$flg[1]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
  ExpectReported(r, {});
}

// ---- Assignments ----

struct AssignCase {
  const char* script;
  int cell;
  const char* value;
};

TEST(InterpreterAssignments, NumericAndTextValues) {
  const AssignCase cases[] = {
      {"_$flg[2]=3 + 4", 2, "7"},
      {"_$flg[2] = 3+4", 2, "7"},
      {"_$flg[2]=-5", 2, "-5"},
      {"_$flg[2]=2^10-1", 2, "1023"},
      {"_$flg[300]=$flg[300]+1", 300, "1"},  // an empty cell reads as 0
      {"_$flg[300]=", 300, "0"},
      {"_$flg[1+1]=9", 2, "9"},
      {"_$flg[ 3 + 1 ]=8", 4, "8"},
      {"_$flg[10]=3\n_$flg[$flg[10]]=4", 3, "4"},
      {"_$flg[$sys[19]]=1", 143, "1"},
      {"_@flg[5]=12\n_$flg[6]=$flg[5]*2", 6, "24"},
      {"_$flg[5]=7\n_@flg[6]=@flg[5]", 6, "7"},
      {"_@flg[5]=ab cd", 5, "abcd"},
      {"_@flg[5]=\"ab cd\"", 5, "ab cd"},
      {"_@flg[5]= \"ab cd\"", 5, "\"abcd\""},
      {"_@flg[5] =\"ab cd\"", 5, "ab cd"},
      {"_@flg[5]=\"a,b_c\"", 5, "a,b_c"},
      {"_@flg[5]=a,b", 5, "a"},
      {"_@flg[5]=a_b", 5, "a"},
      {"_@flg[5]=日本語 の 文", 5, "日本語の文"},
      {"_@flg[5]=\"全角　空白\"", 5, "全角　空白"},
      {"_@flg[5]=$flg[1]+1", 5, "$flg[1]+1"},  // a text value is never evaluated
      {"_@flg[7]=\"x y\"\n_@flg[5]=@flg[7]", 5, "x y"},
      {"_@flg[7]=\"x y\"\n_@flg[5]=@flg[ 3 + 4 ]", 5, "x y"},
      {"_@flg[5]=@flg[300]", 5, ""},
      {"_@flg[5]=@foo", 5, ""},
      {"_@flg[5]=@flg[999]", 5, ""},
      {"_@flg[5]=", 5, ""},
      {"_@flg[511]=最後", 511, "最後"},
  };
  for (const AssignCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.script) + "\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[static_cast<std::size_t>(c.cell)], c.value);
    ExpectReported(r, {});
  }
}

TEST(InterpreterAssignments, BadSubscriptsWriteCellZero) {
  struct BadCase {
    const char* script;
    int cell;
    const char* value;
    Reported error;
  };
  const BadCase cases[] = {
      {"_$flg[512]=1", 0, "1", {1, "フラグの添字が異常です_$flg[512]"}},
      {"_$flg[512] = 1", 0, "1", {1, "フラグの添字が異常です_$flg[512]"}},
      {"_@flg[-1]=x", 0, "x", {1, "フラグの添字が異常です_@flg[-1]"}},
      {"_$flg[600-89]=2", 511, "2", {0, ""}},
      // A subscript that fails to evaluate is reported by the evaluator and reads as 1.
      {"_$flg[abc]=5",
       1,
       "5",
       {1, "算術エラーが発生しました。コード:-6 式:_$flg[abc]", MessageIcon::Warning}},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.script) + "\n_$flg[9]=9\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[static_cast<std::size_t>(c.cell)], c.value);
    EXPECT_EQ(r.flags[9], "9");
    if (c.error.line == 0) {
      ExpectReported(r, {});
    } else {
      ExpectReported(r, {c.error});
    }
  }
}

TEST(InterpreterAssignments, BadValuesAreReportedAndGiveOne) {
  struct ValueCase {
    const char* script;
    const char* message;
    int code;
  };
  const ValueCase cases[] = {
      {"_$flg[2]=abc", "abc", -6},         {"_$flg[2]=$sys[64]", "$sys[64]", -1},
      {"_$flg[2]=@flg[1]", "@flg[1]", -6}, {"_$flg[2]=-x", "-x", -4},
      {"_$flg[2]=(1+x)", "(1+x)", -3},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.script) + "\n_$flg[9]=9\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[2], "1");
    EXPECT_EQ(r.flags[9], "9");
    ExpectReported(
        r, {{1, "算術エラーが発生しました。コード:" + std::to_string(c.code) + " 式:" + c.message,
             MessageIcon::Warning}});
  }
}

TEST(InterpreterAssignments, TabsInAnArgumentAreDroppedBeforeEvaluation) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[2]=3+\t4\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[2], "7");
  ExpectReported(r, {});
}

TEST(InterpreterAssignments, PlatformConversionErrorsEndTheRun) {
  struct ConvCase {
    const char* script;
  };
  const ConvCase cases[] = {
      {"_$flg[2]=99999999999"},
      {"_@flg[1]=abc\n_$flg[2]=$flg[1]+1"},
      {"_@flg[1]=1.5\n_$flg[2]=$flg[1]"},
  };
  for (const ConvCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.script) + "\n_$flg[9]=9\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[2], "0");
    EXPECT_EQ(r.flags[9], "0");  // nothing after the failing line ran
    ASSERT_EQ(r.errors.size(), 1u) << Dump(r);
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[0].caption, "Quillwork");
    EXPECT_EQ(r.messages[0].icon, MessageIcon::Error);
    const int line = r.line;
    EXPECT_EQ(r.errors[0], At(line, r.messages[0].text));
    EXPECT_EQ(line, std::string(c.script).find('\n') == std::string::npos ? 1 : 2);
  }
}

// ---- Conditional lines ----

TEST(InterpreterConditionals, NestedCommandRunsWhenTheValueIsNotZero) {
  const AssignCase cases[] = {
      {"_(1),_$flg[1]=1", 1, "1"},
      {"_(0),_$flg[1]=1", 1, "0"},
      {"_(-3),_$flg[1]=1", 1, "1"},
      {"_( 2 > 1 ),   _$flg[1]=1", 1, "1"},
      {"_(2<1),_$flg[1]=1", 1, "0"},
      {"_($flg[2]==0),_$flg[1]=1", 1, "1"},
      {"_($flg[2]!=0),_$flg[1]=1", 1, "0"},
      {"_(1),_@flg[1]=\"a, b\"", 1, "a, b"},
      {"_(1),_@flg[1]=a, b", 1, "a"},
      {"_(1),_(1),_$flg[1]=1", 1, "1"},
      {"_(1),_(0),_$flg[1]=1", 1, "0"},
      // The condition is the whole word from its "(", not only the group.
      {"_(0)+1,_$flg[1]=1", 1, "1"},
      {"_(1)-1,_$flg[1]=1", 1, "0"},
      {"_(1),_$flg[1]=1,2", 1, "1"},
  };
  for (const AssignCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.script) + "\n_$flg[9]=9\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[static_cast<std::size_t>(c.cell)], c.value);
    EXPECT_EQ(r.flags[9], "9");
    ExpectReported(r, {});
  }
}

TEST(InterpreterConditionals, FailedConditionIsReportedAndCountsAsTrue) {
  Scenario s;
  s.writeScript("autorun.txt", "_(abc),_$flg[1]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  ExpectReported(r, {{1, "算術エラーが発生しました。コード:-3 式:_(abc)", MessageIcon::Warning}});
}

TEST(InterpreterConditionals, NestedCommandCanJump) {
  Scenario s;
  s.writeScript("autorun.txt",
                "_$flg[1]=$flg[1]+1\n_($flg[1]<5),_goto\n_(1),_goto :end\n_$flg[2]=1\n:end\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "5");
  EXPECT_EQ(r.flags[2], "0");
  ExpectReported(r, {});
}

TEST(InterpreterConditionals, DeepNestingStaysBounded) {
  std::string shallow;
  for (int i = 0; i < 20; ++i)
    shallow += "_(1),";
  std::string deep;
  for (int i = 0; i < 5000; ++i)
    deep += "_(1),";
  Scenario s;
  s.writeScript("autorun.txt", shallow + "_$flg[1]=1\n" + deep + "_$flg[2]=1\n_$flg[3]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "0");  // too deep: refused, not run
  EXPECT_EQ(r.flags[3], "1");
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], At(2, "コマンドが変です_(1)"));
}

// ---- Hostile scripts ----

TEST(InterpreterRobustness, HugeLinesAndUnbalancedText) {
  std::string sum = "_$flg[1]=1";
  for (int i = 0; i < 200000; ++i)
    sum += "+1";
  const std::string brackets(100000, '(');
  const std::string subscripts = [] {
    std::string t = "_$flg[2]=";
    for (int i = 0; i < 5000; ++i)
      t += "$flg[";
    return t + "0";
  }();
  std::string script;
  script += sum + "\n";                       // a long but valid expression
  script += "_$flg[3]=" + brackets + "\n";    // too deep: reported, gives 1
  script += subscripts + "\n";                // likewise
  script += "_@flg[4]=\"unclosed, quote_\n";  // a quote that never closes
  script += "_$flg[5=2\n";                    // a bracket that never closes
  script += "_$flg[6]=((1+2)\n";
  script += "_$flg[7]=1+2)*5\n";
  script += "_@flg[8]=" + std::string(300000, 'x') + "\n";
  script += "_" + std::string(100000, 'y') + "\n";   // a huge unknown word
  // A huge raw line, on a page made deep enough that it wraps without a page wait.
  script += "_textwait 0\n<U999999999>%\n";
  script += "\\" + std::string(100000, 'z') + "\n";
  script += "_$flg[9]=9\n";
  Scenario s;
  s.writeScript("autorun.txt", script);
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "200001");
  EXPECT_EQ(r.flags[3], "1");
  EXPECT_EQ(r.flags[2], "1");
  EXPECT_EQ(r.flags[4], "unclosed, quote_");
  EXPECT_EQ(r.flags[5], "2");
  EXPECT_EQ(r.flags[6], "3");
  EXPECT_EQ(r.flags[7], "3");
  // The 300,000-byte value is kept up to a cell's bound.
  EXPECT_EQ(r.flags[8].size(), FlagStore::kMaxCellBytes);
  EXPECT_EQ(r.flags[9], "9");
  ASSERT_EQ(r.errors.size(), 3u) << Dump(r);
  EXPECT_EQ(r.errors[0].rfind(At(2, "算術エラーが発生しました。コード:"), 0), 0u);
  EXPECT_EQ(r.errors[1].rfind(At(3, "算術エラーが発生しました。コード:"), 0), 0u);
  EXPECT_EQ(r.errors[2].rfind(At(9, "コマンドが変です_yyy"), 0), 0u);
}

TEST(InterpreterRobustness, HugeStoryLineWaitsLikeAnyOther) {
  Scenario s;
  std::string text;
  for (int i = 0; i < 100000; ++i)
    text += "あ";
  // The page is made deep enough that the line wraps without page waits.
  s.writeScript("autorun.txt", "_textwait 0\n<U999999999>%\n" + text + "\n_$flg[1]=1\n");
  s.events("click\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
}

TEST(InterpreterRobustness, RandomBytesNeverBreakTheRun) {
  std::mt19937 rng(20240601);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::string script;
    const int lines = 1 + static_cast<int>(rng() % 40);
    for (int l = 0; l < lines; ++l) {
      // Mostly command-like lines, so the run does not stop at the first story text.
      const unsigned kind = rng() % 8;
      if (kind < 5)
        script += "_";
      else if (kind == 5)
        script += "_(";
      else if (kind == 6)
        script += "_$flg[";
      const int length = static_cast<int>(rng() % 120);
      for (int i = 0; i < length; ++i)
        script += static_cast<char>(rng() & 0xFF);
      script += (rng() % 2) ? "\r\n" : "\n";
    }
    Scenario s;
    s.writeFile("autorun.txt", script);
    s.options().timeLimitMs = 20000;
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags.size(), 512u);
    EXPECT_NE(r.outcome, HeadlessOutcome::Exited);
    // Every error in the list is one question answered No, in order.
    std::vector<std::string> asked;
    for (const MessageRecord& m : r.messages) {
      if (m.text == kQuestion) {
        EXPECT_EQ(m.answer, "no");
        asked.push_back(m.caption);
      }
    }
    EXPECT_EQ(r.errors, asked);
    EXPECT_FALSE(s.reportJson().empty());
  }
}

}  // namespace
}  // namespace qw
