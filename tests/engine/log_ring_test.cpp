#include "state/log_ring.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/cp932.h"

namespace qw {
namespace {

void Type(LogRing& ring, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLength(text, i);
    if (text[i] == '\n') {
      ring.RecordLineBreak();
    } else {
      ring.RecordChar(text.substr(i, len), false);
    }
    i += len;
  }
}

// Fills `pages` pages, each with one line "<prefix><i>", starting a new page after each.
void FillPages(LogRing& ring, int pages, const std::string& prefix = "p") {
  for (int i = 0; i < pages; ++i) {
    Type(ring, prefix + std::to_string(i));
    ring.NewPage();
  }
}

TEST(LogRingTest, RecordingCharactersAndLineBreaks) {
  LogRing ring;
  ring.RecordLineBreak();  // a page never starts with an empty line
  ring.NewPage();          // nor does an empty page advance the ring
  EXPECT_EQ(ring.pageCount(), 0);
  EXPECT_EQ(ring.currentPage(), 0);
  ring.RecordChar("", false);
  EXPECT_EQ(ring.pageCount(), 0);

  Type(ring, Utf8ToCp932("あい\nb\n"));
  ring.RecordChar("\x41", true);  // a symbol-font character is kept as a blank
  EXPECT_EQ(ring.pageCount(), 1);
  EXPECT_EQ(ring.pageBack(0), (LogPage{Utf8ToCp932("あい"), "b", " "}));
  EXPECT_EQ(ring.lineIndex(), 2);

  ring.NewPage();
  EXPECT_EQ(ring.currentPage(), 1);
  EXPECT_EQ(ring.pageCount(), 2);
  EXPECT_TRUE(ring.pageBack(0).empty());
  EXPECT_EQ(ring.pageBack(1).front(), Utf8ToCp932("あい"));

  ring.Clear();
  EXPECT_EQ(ring.pageCount(), 0);
  EXPECT_EQ(ring.currentPage(), 0);
  EXPECT_TRUE(ring.ringPage(0).empty());
  EXPECT_EQ(ring.saveRange().count, 0);
}

TEST(LogRingTest, SeventeenPagesOverwriteTheOldest) {
  LogRing ring;
  FillPages(ring, 17);
  EXPECT_EQ(ring.pageCount(), 16);
  EXPECT_EQ(ring.currentPage(), 17 % 16);
  EXPECT_EQ(ring.pageBack(15), LogPage{"p2"});  // p0 and p1 are gone
  BacklogPager pager;
  ASSERT_TRUE(pager.Open(ring));
  int steps = 0;
  while (pager.Older(ring))
    ++steps;
  EXPECT_EQ(steps, 15);
  EXPECT_EQ(LayoutLogPage(ring, pager.pagesBack()).header, "Page 16/16");
  EXPECT_TRUE(pager.Newer());
  EXPECT_EQ(pager.pagesBack(), 14);

  LogRing few;
  FillPages(few, 2);  // three pages: two full and the current, empty one
  ASSERT_TRUE(pager.Open(few));
  EXPECT_TRUE(pager.Older(few));
  EXPECT_TRUE(pager.Older(few));
  EXPECT_FALSE(pager.Older(few));
  EXPECT_EQ(LayoutLogPage(few, pager.pagesBack()).header, "Page 3/3");
  EXPECT_FALSE(pager.Open(LogRing{}));
  EXPECT_FALSE(BacklogPager{}.Newer());
}

TEST(LogRingTest, SaveRangeFollowsSnapshots) {
  LogRing ring;
  FillPages(ring, 3);
  LogRing::SaveRange range = ring.TakeSaveRange();
  EXPECT_EQ(range.count, 3);
  EXPECT_EQ(range.end, 2);
  EXPECT_EQ(ring.PagesForSave(range), (std::vector<LogPage>{{"p0"}, {"p1"}, {"p2"}}));

  // With no snapshot between pages the range stays, and loses the pages the ring overwrites.
  FillPages(ring, 13, "b");  // 16 pages stored
  range = ring.TakeSaveRange();
  EXPECT_EQ(range.count, 15);
  FillPages(ring, 2, "c");
  EXPECT_EQ(ring.saveRange().count, 13);
  EXPECT_EQ(ring.saveRange().end, range.end);
  range = ring.TakeSaveRange();
  EXPECT_EQ(range.count, 15);
  std::vector<LogPage> saved = ring.PagesForSave(range);
  ASSERT_EQ(saved.size(), 15u);
  EXPECT_EQ(saved.front(), LogPage{"b0"});
  EXPECT_EQ(saved.back(), LogPage{"c1"});
}

TEST(LogRingTest, RestoringSavedPages) {
  struct Case {
    int pages;
    int pageCount;
    int current;
    int rangeEnd;
  };
  const Case cases[] = {{0, 1, 0, 15}, {3, 4, 3, 2}, {15, 16, 15, 14}, {20, 16, 15, 14}};
  for (const Case& c : cases) {
    std::vector<LogPage> pages;
    for (int i = 0; i < c.pages; ++i)
      pages.push_back({"s" + std::to_string(i)});
    LogRing ring;
    FillPages(ring, 5);
    ring.RestoreSaved(pages);
    EXPECT_EQ(ring.pageCount(), c.pageCount) << c.pages;
    EXPECT_EQ(ring.currentPage(), c.current) << c.pages;
    EXPECT_EQ(ring.lineIndex(), 0);
    EXPECT_TRUE(ring.pageBack(0).empty()) << c.pages;
    EXPECT_EQ(ring.saveRange().count, std::min(c.pages, 15));
    EXPECT_EQ(ring.saveRange().end, c.rangeEnd);
    if (c.pages > 0) {
      EXPECT_EQ(ring.pageBack(1), LogPage{"s" + std::to_string(c.current - 1)});
    }
    EXPECT_EQ(ring.PagesForSave(ring.saveRange()).size(),
              static_cast<std::size_t>(std::min(c.pages, 15)));
  }
}

TEST(LogRingTest, PagesStayBounded) {
  LogRing ring;
  Type(ring, "x");
  for (int i = 0; i < 1000; ++i)
    ring.RecordLineBreak();
  EXPECT_LE(ring.pageBack(0).size(), LogRing::kMaxLinesPerPage);
  for (int i = 0; i < 5000; ++i)
    ring.RecordChar("ab", false);
  EXPECT_LE(ring.pageBack(0).back().size(), LogRing::kMaxLineBytes);
}

TEST(LogSplitTest, PiecesOf52Bytes) {
  const std::string a52(52, 'a');
  const std::string kanji = Utf8ToCp932("日");  // 0x93 0xFA: its trail byte is in the lead range
  struct Case {
    const char* name;
    std::string line;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"short line", "abc", {"abc"}},
      {"empty line", "", {""}},
      {"exactly 52", a52, {a52}},
      {"60 single bytes", std::string(60, 'b'), {std::string(52, 'b'), std::string(8, 'b')}},
      {"52nd byte starts a double-byte character",
       std::string(51, 'c') + kanji + "d",
       {std::string(51, 'c') + kanji, "d"}},
      {"trail bytes in the lead range do not count as leads",
       [&] {
         std::string s;
         for (int i = 0; i < 30; ++i)
           s += kanji;
         return s;
       }(),
       {[&] {
          std::string s;
          for (int i = 0; i < 26; ++i)
            s += kanji;
          return s;
        }(),
        [&] {
          std::string s;
          for (int i = 0; i < 4; ++i)
            s += kanji;
          return s;
        }()}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitLogLine(c.line), c.pieces) << c.name;
}

TEST(LogLayoutTest, RowsHeightAndScrollBar) {
  LogRing ring;
  Type(ring, std::string(60, 'x') + "\nshort");
  ring.NewPage();
  LogPageLayout layout = LayoutLogPage(ring, 1);
  EXPECT_EQ(layout.header, "Page 2/2");
  ASSERT_EQ(layout.rows.size(), 3u);
  EXPECT_EQ(layout.rows[0].row, 2);
  EXPECT_EQ(layout.rows[0].text, std::string(52, 'x'));
  EXPECT_EQ(layout.rows[1].row, 3);
  EXPECT_EQ(layout.rows[2].row, 5);  // after the long line's empty row
  EXPECT_EQ(layout.rows[2].text, "short");
  EXPECT_EQ(layout.rowsUsed, 6);
  EXPECT_EQ(layout.neededHeight, 6 * 32 + 48);
  EXPECT_FALSE(layout.scrollBarShown);
  EXPECT_EQ(layout.canvasHeight, 480);

  // 15 rows need 528 pixels: the scroll bar shows with the overflow as its range.
  LogRing tall;
  for (int i = 0; i < 12; ++i)
    Type(tall, "line\n");
  layout = LayoutLogPage(tall, 0);
  EXPECT_EQ(layout.rowsUsed, 15);  // 12 lines and the empty line after the last break
  EXPECT_TRUE(layout.scrollBarShown);
  EXPECT_EQ(layout.canvasHeight, 15 * 32 + 48);
  EXPECT_EQ(layout.scrollMax, 15 * 32 + 48 - 480);

  LogRing huge;
  for (std::size_t i = 0; i < LogRing::kMaxLinesPerPage; ++i)
    Type(huge, std::string(200, 'z') + "\n");
  layout = LayoutLogPage(huge, 0);
  EXPECT_LE(layout.rowsUsed, kMaxLogRows);
  EXPECT_LE(layout.canvasHeight, kMaxLogRows * 32 + 48);
}

}  // namespace
}  // namespace qw
