#include "script/source.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/cp932.h"

namespace qw {
namespace {

TEST(SplitLinesTest, LineEnds) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitLines(""), V{});
  EXPECT_EQ(SplitLines("a"), V{"a"});
  EXPECT_EQ(SplitLines("a\n"), V{"a"});
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n\n"), (V{"a", ""}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), (V{"", ""}));
  EXPECT_EQ(SplitLines("\n\r"), (V{"", ""}));
  EXPECT_EQ(SplitLines(std::string("a\nb\0c\nd", 7)), (V{"a", "b"}));
}

TEST(CipherTest, KeyBytesAndSelfInverse) {
  std::string line = "ABC";
  CipherLine(line, 0x25);  // key bytes 1 and 5
  EXPECT_EQ(line, std::string({'A' ^ 1, 'B' ^ 5, 'C' ^ 1}));
  std::string small = "AB";
  CipherLine(small, 3);  // below 32 both bytes are the key itself
  EXPECT_EQ(small, std::string({'A' ^ 3, 'B' ^ 3}));
  std::string control = "\tA";
  CipherLine(control, 0x25);
  EXPECT_EQ(control, std::string({'\t', 'A' ^ 5}));  // counted, not changed

  std::mt19937 rng(7);
  for (std::int32_t key : {0, 1, 31, 32, 467, 1023, 0x7FFFFFFF, DeriveScriptKey(-5)}) {
    std::string bytes;
    for (int i = 0; i < 500; ++i) bytes.push_back(static_cast<char>(rng() & 0xFF));
    std::string copy = bytes;
    CipherBytes(copy, key);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      auto before = static_cast<unsigned char>(bytes[i]);
      auto after = static_cast<unsigned char>(copy[i]);
      EXPECT_EQ(before >= 32, after >= 32) << "key " << key;
    }
    CipherBytes(copy, key);
    EXPECT_EQ(copy, bytes) << "key " << key;
  }
}

TEST(CipherTest, WholeFileMatchesLineByLine) {
  std::string file = Utf8ToCp932("一行目\r\n_goto :二\nabc");
  std::string enciphered = file;
  CipherBytes(enciphered, kDefaultScriptKey);
  std::vector<std::string> lines = SplitLines(enciphered);
  ASSERT_EQ(lines.size(), 3u);
  for (std::string& l : lines) CipherLine(l, kDefaultScriptKey);
  EXPECT_EQ(lines, SplitLines(file));
}

TEST(CipherTest, DerivedKeysAreNonNegative) {
  for (std::int32_t v : {0, 1, -1, 12345, -12345, 0x7FFFFFFF, -0x7FFFFFFF - 1}) {
    EXPECT_GE(DeriveScriptKey(v), 0) << v;
  }
  EXPECT_NE(DeriveScriptKey(1), DeriveScriptKey(1000));
}

TEST(TrimTest, ControlCharactersButNotWideBlanks) {
  EXPECT_EQ(TrimControl(" \t_x \r"), "_x");
  std::string wide = Utf8ToCp932("　x　");
  EXPECT_EQ(TrimControl(wide), wide);
  EXPECT_EQ(TrimLeftControl("  :a  "), ":a  ");
}

TEST(LabelTableTest, BuildAndFind) {
  ScriptSource s;
  s.lines = {":Start", "x", "\t :start", ":end  ", Utf8ToCp932(":ａＢ")};
  EXPECT_TRUE(BuildLabelTable(s));
  ASSERT_EQ(s.labelNames.size(), 4u);
  EXPECT_EQ(s.labelLines, (std::vector<std::int32_t>{0, 2, 3, 4}));
  EXPECT_EQ(FindLabel(s, ":start"), 0);
  EXPECT_EQ(FindLabel(s, ":START"), 0);
  EXPECT_EQ(FindLabel(s, ":end"), -1);
  EXPECT_EQ(FindLabel(s, ":end  "), 2);
  EXPECT_EQ(FindLabel(s, Utf8ToCp932(":Ａｂ")), 3);
  EXPECT_EQ(FindLabel(s, ":missing"), -1);
}

TEST(LabelTableTest, FiveHundredTwelveAtMost) {
  ScriptSource s;
  for (int i = 0; i < 512; ++i) s.lines.push_back(":l" + std::to_string(i));
  EXPECT_TRUE(BuildLabelTable(s));
  EXPECT_EQ(s.labelNames.size(), 512u);
  s.lines.push_back(":extra");
  s.lines.push_back(":more");
  EXPECT_FALSE(BuildLabelTable(s));
  EXPECT_EQ(s.labelNames.size(), 512u);
  EXPECT_EQ(FindLabel(s, ":extra"), -1);
}

}  // namespace
}  // namespace qw
