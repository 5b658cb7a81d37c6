#include "state/save_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/save_test_folder.h"
#include "platform/cp932.h"

namespace qw {
namespace {

using test::TempFolder;

std::vector<std::string> CrlfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "a line without CR LF at byte " << start;
    if (end == std::string::npos) break;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string JoinCrlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines)
    out += l + "\r\n";
  return out;
}

// The kind of each line of the status file, by its 1-based number, as the layout gives it.
enum class Kind { Text, Int, Colour, Flag, Zero };
Kind KindOfLine(int line) {
  if (line == 1 || line >= 441) return Kind::Text;
  if (line == 296 || line == 297 || line == 440) return Kind::Zero;
  if (line <= 312) return Kind::Int;
  if (line <= 330) return Kind::Colour;
  return Kind::Flag;
}

// A status file whose every value differs from every other, so a value read or written at
// the wrong line shows.
std::vector<std::string> DistinctStatusLines() {
  std::vector<std::string> lines;
  for (int i = 1; i <= kStatusFileLines; ++i) {
    switch (KindOfLine(i)) {
      case Kind::Text:
        lines.push_back(i == 1 || i == 510 ? "chapter" : "t" + std::to_string(i));
        break;
      case Kind::Int:
        lines.push_back(std::to_string(1000 + i));
        break;
      case Kind::Colour:
        lines.push_back(std::to_string(-i));
        break;
      case Kind::Flag:
        lines.push_back(i % 2 ? "1" : "0");
        break;
      case Kind::Zero:
        lines.push_back("0");
        break;
    }
  }
  return lines;
}

TEST(SaveStatusFileTest, EveryLineReadsBackWhereItWasWritten) {
  const std::vector<std::string> lines = DistinctStatusLines();
  SaveData data;
  std::vector<std::string> errors;
  ParseStatusFile(JoinCrlf(lines), data, errors);
  EXPECT_TRUE(errors.empty());
  const std::string written = FormatStatusFile(data);
  EXPECT_EQ(CrlfLines(written), lines);

  // The same file with bare line feeds (a save carried over) reads the same.
  std::string lf;
  for (const std::string& l : lines)
    lf += l + "\n";
  SaveData fromLf;
  ParseStatusFile(lf, fromLf, errors);
  EXPECT_EQ(FormatStatusFile(fromLf), written);
}

TEST(SaveStatusFileTest, NamedFieldsSitOnTheirLines) {
  const std::vector<std::string> lines = DistinctStatusLines();
  SaveData d;
  std::vector<std::string> errors;
  ParseStatusFile(JoinCrlf(lines), d, errors);
  auto at = [](int line) { return 1000 + line; };
  struct Case {
    int line;
    std::int64_t got;
  };
  const Case ints[] = {
      {2, d.persons[0].maskMode},
      {8, d.persons[0].spareInt},
      {14, d.persons[0].x},
      {26, d.persons[0].order},
      {32, d.buffers[0].maskMode},
      {76, d.buffers[8].order},
      {77, d.sprites[0].x},
      {236, d.sprites[31].animationCount},
      {237, d.channels[0].playCount},
      {248, d.channels[2].length},
      {249, d.prog.returnStack[0]},
      {264, d.prog.returnStack[15]},
      {265, d.text.cursorX},
      {267, d.text.edgeMode},
      {268, d.text.cellWidth},
      {276, d.text.size},
      {280, d.text.fontIndex},
      {281, d.text.textWait},
      {286, d.prog.reserved},
      {287, d.prog.pc},
      {288, d.prog.nextPc},
      {289, d.prog.textPos},
      {290, d.prog.stackTop},
      {291, d.prog.condition},
      {292, d.prog.selection},
      {293, d.prog.status},
      {294, d.clickFlag},
      {298, d.persons[0].mode},
      {304, d.buffers[0].mode},
  };
  for (const Case& c : ints)
    EXPECT_EQ(c.got, at(c.line)) << "line " << c.line;
  EXPECT_EQ(static_cast<std::int32_t>(d.persons[0].transparentColor), -313);
  EXPECT_EQ(static_cast<std::int32_t>(d.buffers[0].transparentColor), -319);
  EXPECT_EQ(static_cast<std::int32_t>(d.text.textColor), -328);
  EXPECT_EQ(static_cast<std::int32_t>(d.text.shadowColor), -329);
  struct FlagCase {
    int line;
    bool got;
  };
  const FlagCase flags[] = {
      {331, d.persons[0].spareSwitch},
      {337, d.persons[0].shown},
      {355, d.buffers[0].shown},
      {382, d.buffers[0].spareSwitch},
      {391, d.channels[0].playing},
      {400, d.sprites[0].visible},
      {432, d.text.textured},
      {433, d.text.shadow},
      {434, d.text.textVisible},
      {435, d.text.oneLine},
      {438, d.sysDark},
      {439, d.sysPopup},
  };
  for (const FlagCase& c : flags)
    EXPECT_EQ(c.got, c.line % 2 == 1) << "line " << c.line;
  EXPECT_EQ(d.menuTexts[0], "t441");
  EXPECT_EQ(d.menuCommands[0], "t451");
  EXPECT_EQ(d.persons[0].fileName, "t461");
  EXPECT_EQ(d.persons[0].maskFileName, "t467");
  EXPECT_EQ(d.buffers[0].fileName, "t473");
  EXPECT_EQ(d.buffers[0].maskFileName, "t482");
  EXPECT_EQ(d.channels[0].fileName, "t491");
  EXPECT_EQ(d.prog.args[0], "t494");
  EXPECT_EQ(d.prog.chapter, "chapter");
  EXPECT_EQ(d.text.fontName, "t511");
  EXPECT_EQ(d.text.rubyFontName, "t512");
  EXPECT_EQ(d.prog.fileName, "t515");
  EXPECT_EQ(d.prog.caption, "t516");
}

TEST(SaveStatusFileTest, DefaultsWriteColoursAsSignedLongsAndFlagsAsBits) {
  SaveData d;
  d.prog.chapter = Utf8ToCp932("第一章");
  d.buffers[2].transparentColor = 0xFFFFFFFF;
  d.sprites[3].visible = true;
  const std::vector<std::string> lines = CrlfLines(FormatStatusFile(d));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kStatusFileLines));
  EXPECT_EQ(lines[0], Utf8ToCp932("第一章"));
  EXPECT_EQ(lines[312], "536870911");  // no transparent colour
  EXPECT_EQ(lines[320], "-1");
  EXPECT_EQ(lines[402], "1");
  SaveData back;
  std::vector<std::string> errors;
  ParseStatusFile(FormatStatusFile(d), back, errors);
  EXPECT_EQ(back.buffers[2].transparentColor, 0xFFFFFFFFu);
}

TEST(SaveStatusFileTest, DamagedFilesReadAsFarAsTheyGo) {
  const std::vector<std::string> good = DistinctStatusLines();
  SaveData base;
  base.text.cellWidth = 24;
  base.prog.fileName = "keep.txt";

  {  // Truncated after the first sprite x: later values keep their old values.
    std::vector<std::string> cut(good.begin(), good.begin() + 77);
    SaveData d = base;
    std::vector<std::string> errors;
    ParseStatusFile(JoinCrlf(cut), d, errors);
    EXPECT_EQ(d.sprites[0].x, 1077);
    EXPECT_EQ(d.sprites[1].x, 0x10000);
    EXPECT_EQ(d.text.cellWidth, 24);
    EXPECT_EQ(d.prog.fileName, "keep.txt");
    EXPECT_TRUE(errors.empty());
  }
  {  // A word where a number belongs: one message, the value kept, the rest still read.
    std::vector<std::string> lines = good;
    lines[264] = "abc";  // cursor x
    lines[265] = "x1";   // cursor y
    SaveData d = base;
    std::vector<std::string> errors;
    ParseStatusFile(JoinCrlf(lines), d, errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'abc' is not a valid integer value");
    EXPECT_EQ(d.text.cursorX, 0);
    EXPECT_EQ(d.text.edgeMode, 1267);
    EXPECT_EQ(d.prog.caption, "t516");
  }
  {  // An over-long text keeps 256 bytes and does not shift the lines after it; extra lines
     // at the end are ignored; a switch of 5 reads as on.
    std::vector<std::string> lines = good;
    lines[440] = std::string(1000, 'a');
    lines[429] = "5";  // the visible switch of sprite 30, line 430
    lines.push_back("surplus");
    SaveData d = base;
    std::vector<std::string> errors;
    ParseStatusFile(JoinCrlf(lines), d, errors);
    EXPECT_EQ(d.menuTexts[0], std::string(256, 'a'));
    EXPECT_EQ(d.menuTexts[1], "t442");
    EXPECT_TRUE(d.sprites[30].visible);
    EXPECT_EQ(d.prog.caption, "t516");
  }
  {  // Binary garbage.
    std::string junk;
    for (int i = 0; i < 5000; ++i)
      junk += static_cast<char>((i * 7919) & 0xFF);
    SaveData d = base;
    std::vector<std::string> errors;
    ParseStatusFile(junk, d, errors);
    EXPECT_LE(errors.size(), 1u);
  }
}

TEST(SaveFlagFileTest, RoundTripAndShortLongAndOverlongFiles) {
  std::array<std::string, 256> cells;
  for (int i = 0; i < 256; ++i)
    cells[static_cast<std::size_t>(i)] = i % 3 ? std::to_string(i) : "";
  const std::string bytes = FormatFlagFile(cells);
  EXPECT_EQ(CrlfLines(bytes).size(), 256u);
  std::array<std::string, 256> back;
  back.fill("old");
  ParseFlagFile(bytes, back);
  EXPECT_EQ(back, cells);

  std::array<std::string, 256> partial;
  partial.fill("old");
  ParseFlagFile("a\nb\r\n", partial);
  EXPECT_EQ(partial[0], "a");
  EXPECT_EQ(partial[1], "b");
  EXPECT_EQ(partial[2], "old");

  // A long cell is cut at 256 bytes between characters: "あ" is two bytes, and 255 bytes of
  // "a" leave no room for it.
  std::string longCell = std::string(255, 'a') + Utf8ToCp932("あ") + "zz";
  std::array<std::string, 256> cut;
  ParseFlagFile(longCell + "\r\nnext\r\n", cut);
  EXPECT_EQ(cut[0], std::string(255, 'a'));
  EXPECT_EQ(cut[1], "next");
}

TEST(SaveLogFileTest, LayoutAndRoundTrip) {
  std::vector<LogPage> pages = {{"one", ""}, {Utf8ToCp932("二ページ"), "b\tc"}};
  const std::string bytes = FormatLogFile(pages);
  EXPECT_EQ(bytes, "2\r\n\t0\r\none\r\n\r\n\t1\r\n" + Utf8ToCp932("二ページ") + "\r\nb c\r\n");
  std::vector<LogPage> back;
  std::vector<std::string> errors;
  EXPECT_EQ(ParseLogFile(bytes, back, errors), 2);
  pages[1][1] = "b c";
  EXPECT_EQ(back, pages);
}

TEST(SaveLogFileTest, PageCountsOfOddFiles) {
  struct Case {
    const char* name;
    int declared;
    int written;
    int expected;
  };
  const Case cases[] = {
      {"twenty pages read back as fifteen", 20, 20, 15},
      {"fewer pages than declared", 5, 2, 5},
      {"more pages than declared", 2, 6, 2},
      {"negative count", -4, 3, 0},
  };
  for (const Case& c : cases) {
    std::string file = std::to_string(c.declared) + "\r\n";
    for (int i = 0; i < c.written; ++i)
      file += "\t" + std::to_string(i) + "\r\npage" + std::to_string(i) + "\r\n";
    std::vector<LogPage> pages;
    std::vector<std::string> errors;
    EXPECT_EQ(ParseLogFile(file, pages, errors), c.expected) << c.name;
    ASSERT_EQ(pages.size(), static_cast<std::size_t>(c.expected)) << c.name;
    for (int i = 0; i < c.expected; ++i) {
      LogPage want;
      if (i < c.written) want = {"page" + std::to_string(i)};
      EXPECT_EQ(pages[static_cast<std::size_t>(i)], want) << c.name << " page " << i;
    }
  }
  std::vector<LogPage> pages;
  std::vector<std::string> errors;
  EXPECT_EQ(ParseLogFile("many\r\n\t0\r\nx\r\n", pages, errors), 0);
  EXPECT_EQ(errors.size(), 1u);
}

SaveData SampleSave(const std::string& tag) {
  SaveData d;
  d.prog.fileName = "story.txt";
  d.prog.chapter = Utf8ToCp932("章 ") + tag;
  d.prog.pc = 42;
  d.prog.stackTop = 1;
  d.prog.returnStack[0] = 7;
  d.localFlags[0] = tag;
  d.localFlags[255] = "last";
  d.buffers[1].fileName = "bg01.bmp";
  d.buffers[1].loaded = d.buffers[1].shown = true;
  d.channels[0] = {"bgm01", 1, 0, 0, 0, true, true, false};
  d.text.fontName = "font";
  d.logPages = {{"first page " + tag}, {"second", "page"}};
  d.logRange = {2, 1};
  return d;
}

std::string Fingerprint(const SaveData& d) {
  return FormatFlagFile(d.localFlags) + FormatStatusFile(d) + FormatLogFile(d.logPages);
}

TEST(SaveSlotTest, SavesAndLoadsSlotEighty) {
  TempFolder folder;
  const SaveData saved = SampleSave("A");
  SlotSaveResult result = SaveSlot(folder.savePath(), 80, saved);
  EXPECT_TRUE(result.saved);
  EXPECT_TRUE(result.messages.empty());
  for (const char* name : {"data80.qfd", "data80.qsd", "data80.qld"})
    EXPECT_TRUE(folder.exists(name)) << name;
  EXPECT_EQ(folder.read("data80.qsd"), FormatStatusFile(saved));
  EXPECT_FALSE(folder.exists("data80.qfd.new"));

  SaveData loaded;
  SlotLoadResult load = LoadSlot(folder.savePath(), 80, loaded);
  EXPECT_FALSE(load.refused);
  EXPECT_TRUE(load.flagsRead && load.statusRead && load.logRead);
  EXPECT_TRUE(load.messages.empty());
  EXPECT_EQ(Fingerprint(loaded), Fingerprint(saved));
  EXPECT_EQ(loaded.logRange.count, 2);
  EXPECT_EQ(loaded.logRange.end, 1);
}

TEST(SaveSlotTest, NothingIsWrittenBeforeTheFirstPageClear) {
  TempFolder folder;
  folder.write("data3.qsd", "old");
  SaveData empty;
  SlotSaveResult result = SaveSlot(folder.savePath(), 3, empty);
  EXPECT_FALSE(result.saved);
  ASSERT_EQ(result.messages.size(), 1u);
  EXPECT_EQ(result.messages[0].text, "システムがセーブ可能な状態ではありません");
  EXPECT_EQ(result.messages[0].kind, SaveMessageKind::ScriptError);
  EXPECT_EQ(folder.read("data3.qsd"), "old");
  EXPECT_FALSE(folder.exists("data3.qfd"));
  EXPECT_FALSE(SaveSlot(folder.savePath(), 0, SampleSave("x")).saved);
  EXPECT_FALSE(folder.exists("data0.qsd"));
}

TEST(SaveSlotTest, WindowsSlotWithoutManifestLoads) {
  TempFolder folder;
  SaveData original = SampleSave("W");
  auto toLf = [](std::string s) {
    std::string out;
    for (char c : s)
      if (c != '\r') out += c;
    return out;
  };
  folder.write("data5.qfd", toLf(FormatFlagFile(original.localFlags)));
  folder.write("data5.qsd", toLf(FormatStatusFile(original)));
  folder.write("data5.qld", toLf(FormatLogFile(original.logPages)));
  SaveData loaded;
  SlotLoadResult load = LoadSlot(folder.savePath(), 5, loaded);
  EXPECT_FALSE(load.refused);
  EXPECT_EQ(Fingerprint(loaded), Fingerprint(original));
}

TEST(SaveSlotTest, MissingFilesOfALegacySlot) {
  TempFolder folder;
  SaveData before = SampleSave("B");
  {  // No status file: its message, the rest of the snapshot as it was; no log: no pages.
    folder.write("data6.qfd", "f0\r\n");
    SaveData d = before;
    SlotLoadResult load = LoadSlot(folder.savePath(), 6, d);
    EXPECT_FALSE(load.refused);
    ASSERT_EQ(load.messages.size(), 1u);
    EXPECT_EQ(load.messages[0].text, "ステータスデータが読めません．．．");
    EXPECT_EQ(d.localFlags[0], "f0");
    EXPECT_EQ(d.localFlags[255], "last");
    EXPECT_EQ(d.prog.pc, 42);
    EXPECT_TRUE(d.logPages.empty());
    EXPECT_EQ(d.logRange.count, 0);
  }
  {  // No flag file: the local flags stay.
    folder.write("data7.qsd", FormatStatusFile(SampleSave("C")));
    SaveData d = before;
    SlotLoadResult load = LoadSlot(folder.savePath(), 7, d);
    EXPECT_TRUE(load.messages.empty());
    EXPECT_EQ(d.localFlags[0], "B");
    EXPECT_EQ(d.prog.chapter, Utf8ToCp932("章 C"));
  }
}

TEST(SaveSlotTest, OutOfRangeValuesAreBroughtIntoRange) {
  TempFolder folder;
  SaveData wild = SampleSave("R");
  wild.prog.stackTop = 40;
  wild.text.fontIndex = -3;
  wild.clickFlag = 9999;
  wild.buffers[2].mode = 77;
  wild.sprites[0].row = -5;
  folder.write("data9.qsd", FormatStatusFile(wild));
  SaveData d;
  LoadSlot(folder.savePath(), 9, d);
  EXPECT_EQ(d.prog.stackTop, 15);
  EXPECT_EQ(d.text.fontIndex, 0);
  EXPECT_EQ(d.clickFlag, -1);
  EXPECT_EQ(d.buffers[2].mode, 8);
  EXPECT_EQ(d.sprites[0].row, 0);
}

TEST(SaveSlotTest, HugeAndGarbageFilesStayBounded) {
  TempFolder folder;
  // A 1 GB status file (sparse: zero bytes) of a legacy slot is read only so far.
  {
    std::FILE* f = std::fopen((folder / "data11.qsd").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(::ftruncate(::fileno(f), std::int64_t{1} << 30), 0);
    std::fclose(f);
  }
  SaveData d = SampleSave("G");
  SlotLoadResult load = LoadSlot(folder.savePath(), 11, d);
  EXPECT_FALSE(load.refused);
  // The same file in a slot with a manifest is refused from its size alone.
  ASSERT_TRUE(SaveSlot(folder.savePath(), 12, SampleSave("H")).saved);
  std::filesystem::resize_file(folder / "data12.qld", std::uintmax_t{1} << 30);
  SaveData e = SampleSave("E");
  load = LoadSlot(folder.savePath(), 12, e);
  EXPECT_TRUE(load.refused);
  EXPECT_EQ(Fingerprint(e), Fingerprint(SampleSave("E")));

  // Garbage in every file of a legacy slot.
  std::string junk;
  for (int i = 0; i < 20000; ++i)
    junk += static_cast<char>((i * 2654435761u) >> 24);
  for (const char* name : {"data13.qfd", "data13.qsd", "data13.qld"})
    folder.write(name, junk);
  SaveData g;
  load = LoadSlot(folder.savePath(), 13, g);
  EXPECT_FALSE(load.refused);
  EXPECT_GE(g.prog.stackTop, -1);
  EXPECT_LE(g.prog.stackTop, 15);
  EXPECT_LE(g.logPages.size(), 15u);
}

TEST(SaveGlobalFlagsTest, CellsFrom256RoundTripAndMissingFileKeepsThem) {
  TempFolder folder;
  FlagStore flags;
  EXPECT_FALSE(LoadGlobalFlags(folder.savePath(), flags));
  flags.set(0, "local");
  flags.set(256, "g0");
  flags.set(511, "g255");
  EXPECT_FALSE(SaveGlobalFlags(folder.savePath(), flags).has_value());
  const std::vector<std::string> lines = CrlfLines(folder.read("data0.qfd"));
  ASSERT_EQ(lines.size(), 256u);
  EXPECT_EQ(lines[0], "g0");
  EXPECT_EQ(lines[255], "g255");
  FlagStore back;
  back.set(0, "mine");
  EXPECT_TRUE(LoadGlobalFlags(folder.savePath(), back));
  EXPECT_EQ(back.text(256), "g0");
  EXPECT_EQ(back.text(511), "g255");
  EXPECT_EQ(back.text(0), "mine");

  std::optional<SaveMessage> failed = SaveGlobalFlags(folder.savePath() + "missing/", flags);
  ASSERT_TRUE(failed.has_value());
  EXPECT_EQ(failed->text, "フラグデータ保存できず．．．");
}

TEST(SaveSlotEntriesTest, TitleAndStampedDate) {
  TempFolder folder;
  SaveData d = SampleSave("T");
  d.prog.chapter = Utf8ToCp932("はじまり   ");
  LocalTime stamp;
  stamp.year = 2003;
  stamp.month = 4;
  stamp.day = 5;
  stamp.hour = 6;
  stamp.minute = 7;
  ASSERT_TRUE(SaveSlot(folder.savePath(), 2, d, &stamp).saved);
  auto entries = ReadSlotEntries(folder.savePath());
  EXPECT_FALSE(entries[0].used);
  ASSERT_TRUE(entries[1].used);
  EXPECT_EQ(entries[1].title, Utf8ToCp932("はじまり   "));
  EXPECT_EQ(entries[1].modified.year, 2003);
  EXPECT_EQ(entries[1].modified.month, 4);
  EXPECT_EQ(entries[1].modified.day, 5);
  EXPECT_EQ(entries[1].modified.hour, 6);
  EXPECT_EQ(entries[1].modified.minute, 7);
}

}  // namespace
}  // namespace qw
