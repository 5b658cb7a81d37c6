#include "script/parse.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace qw {
namespace {

using Args = std::array<std::string, TProg::kArgCount>;

struct ParseCase {
  const char* line;
  const char* word;
  std::vector<std::string> args;  // leading arguments; the rest must be empty
};

TEST(ParseCommandLineTest, FormsAndQuoting) {
  const ParseCase cases[] = {
      {"_goto :a", "_goto", {":a"}},
      {"_goto :a,b.txt", "_goto", {":a", "b.txt"}},
      {"_delay 3 + 4", "_delay", {"3+4"}},
      {"_x a, b ,c", "_x", {"a", "b", "c"}},
      {"_x a,*,c", "_x", {"a", "", "c"}},
      {"_x \"a b,c\",d", "_x", {"a b,c", "d"}},
      {"_bgload cg_01.bmp", "_bgload", {"cg"}},
      {"_bgload \"cg_01.bmp\"", "_bgload", {"cg_01.bmp"}},
      {"_x \"ab\"cd,e", "_x", {"ab", "e"}},
      {"_x a\"b c\"", "_x", {"a\"bc\""}},
      {"_x a_b,c", "_x", {"a"}},
      {"_x \"unclosed, still", "_x", {"unclosed, still"}},
      {"_foo\tbar", "_foo\tbar", {}},
      {"_nothing", "_nothing", {}},
      {"_x  \t a", "_x", {"a"}},
      {"_$flg[ 3 + 1 ] = 5 * 2", "_$flg[3+1]", {"5*2"}},
      {"_@flg[1]=\"a b\"", "_@flg[1]", {"a b"}},
      {"_@flg[1]= \"a b\"", "_@flg[1]", {"\"ab\""}},
      {"_@flg[1]=two words", "_@flg[1]", {"twowords"}},
      {"_@flg[1]=x_y", "_@flg[1]", {"x"}},
      {"_(1 < 2), _goto :a", "_(1<2)", {"_goto :a"}},
      {"_(1)", "_(1)", {}},
  };
  for (const ParseCase& c : cases) {
    Args args;
    args.fill("stale");
    EXPECT_EQ(ParseCommandLine(c.line, args), c.word) << c.line;
    for (std::size_t i = 0; i < args.size(); ++i) {
      std::string want = i < c.args.size() ? c.args[i] : "";
      EXPECT_EQ(args[i], want) << c.line << " a" << i;
    }
  }
}

TEST(ParseCommandLineTest, SixteenArgumentsAtMost) {
  std::string line = "_x ";
  for (int i = 0; i < 20; ++i) line += std::to_string(i) + ",";
  Args args;
  ParseCommandLine(line, args);
  EXPECT_EQ(args[0], "0");
  EXPECT_EQ(args[15], "15");
}

TEST(ParseCommandLineTest, DoubleByteCharactersStayWhole) {
  // 0x5F ("_") and 0x2C are never split off a double-byte character; "ソ" ends in 0x5C.
  std::string name = Utf8ToCp932("ソ表_");
  Args args;
  ParseCommandLine("_x " + name, args);
  EXPECT_EQ(args[0], Utf8ToCp932("ソ表"));
  std::string trailUnderscore = "\x83\x5F";  // a katakana whose trail byte is "_"
  ParseCommandLine("_x a" + trailUnderscore + "b", args);
  EXPECT_EQ(args[0], "a" + trailUnderscore + "b");
  // A lead byte at the very end is kept as it is.
  ParseCommandLine("_x a\x81", args);
  EXPECT_EQ(args[0], "a\x81");
}

TEST(MenuItemLineTest, TextConditionCommand) {
  MenuItemLine a = ParseMenuItemLine("\"はい, そう\", $flg[1] == 1 , _goto :yes");
  EXPECT_EQ(a.text, "はい, そう");
  EXPECT_EQ(a.condition, "$flg[1]==1");
  EXPECT_EQ(a.command, "_goto :yes");
  MenuItemLine b = ParseMenuItemLine("only");
  EXPECT_EQ(b.text, "only");
  EXPECT_EQ(b.condition, "");
  EXPECT_EQ(b.command, "");
  MenuItemLine c = ParseMenuItemLine("x,,_gosub :s");
  EXPECT_EQ(c.condition, "");
  EXPECT_EQ(c.command, "_gosub :s");
}

}  // namespace
}  // namespace qw
