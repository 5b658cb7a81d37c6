#include "tools/slot_picker.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace qw {
namespace {

SlotEntry Used(const std::string& title) {
  SlotEntry e;
  e.used = true;
  e.title = title;
  e.modified.year = 2001;
  e.modified.month = 2;
  e.modified.day = 3;
  e.modified.hour = 4;
  e.modified.minute = 5;
  return e;
}

TEST(SlotCaptionTest, NumberTitleAndDateLineUp) {
  const std::string date = "(2001/02/03 04:05)";
  const std::string kanji = Utf8ToCp932("章");
  struct Case {
    const char* name;
    int slot;
    SlotEntry entry;
    std::string caption;
  };
  const Case cases[] = {
      {"empty slot", 1, SlotEntry{}, "1  " + Utf8ToCp932("データがありません")},
      {"short title padded", 12, Used("abc"), "12 abc" + std::string(61, ' ') + date},
      {"trailing blanks dropped first", 80, Used("abc   \r"),
       "80 abc" + std::string(61, ' ') + date},
      {"long title cut to 64 bytes", 7, Used(std::string(100, 't')),
       "7  " + std::string(64, 't') + date},
      {"a double-byte character across the cut becomes a blank", 9,
       Used(std::string(63, 'a') + kanji + "zzz"), "9  " + std::string(63, 'a') + " " + date},
      {"double-byte title", 10, Used(kanji + kanji),
       "10 " + kanji + kanji + std::string(60, ' ') + date},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SlotCaption(c.slot, c.entry), c.caption) << c.name;
}

std::array<SlotEntry, kSaveSlotCount> Entries(std::initializer_list<int> usedSlots) {
  std::array<SlotEntry, kSaveSlotCount> entries;
  for (int slot : usedSlots)
    entries[static_cast<std::size_t>(slot - 1)] = Used("s" + std::to_string(slot));
  return entries;
}

TEST(SlotPickerTest, PagingIsKeptBetweenShowings) {
  SlotPicker picker;
  picker.Show(SlotPicker::Mode::Load, Entries({}));
  EXPECT_EQ(picker.page(), 0);
  EXPECT_EQ(picker.pageLabel(), "1/20");
  EXPECT_FALSE(picker.previousVisible());
  EXPECT_TRUE(picker.nextVisible());
  picker.NextPage();
  picker.NextPage();
  EXPECT_EQ(picker.slotOfButton(0), 9);
  EXPECT_EQ(picker.slotOfButton(3), 12);
  picker.SetPage(40);
  EXPECT_EQ(picker.pageLabel(), "20/20");
  EXPECT_FALSE(picker.nextVisible());
  EXPECT_EQ(picker.slotOfButton(3), 80);
  picker.NextPage();
  EXPECT_EQ(picker.page(), 19);
  picker.Cancel();
  picker.Show(SlotPicker::Mode::Save, Entries({}));
  EXPECT_EQ(picker.page(), 19);
  picker.SetPage(-3);
  EXPECT_EQ(picker.page(), 0);
}

TEST(SlotPickerTest, LoadingDisablesEmptySlots) {
  SlotPicker picker;
  picker.Show(SlotPicker::Mode::Load, Entries({2}));
  EXPECT_FALSE(picker.buttonEnabled(0));
  EXPECT_TRUE(picker.buttonEnabled(1));
  EXPECT_EQ(picker.Press(0), SlotPicker::Click::Ignored);
  EXPECT_TRUE(picker.isOpen());
  EXPECT_EQ(picker.Press(1), SlotPicker::Click::Chosen);  // loading never asks
  EXPECT_FALSE(picker.isOpen());
  EXPECT_EQ(picker.chosenSlot(), 2);
  EXPECT_TRUE(picker.loadPictureShown());
  EXPECT_FALSE(picker.savePictureShown());
  EXPECT_EQ(picker.windowColor().red, 208);
  EXPECT_EQ(picker.windowColor().blue, 160);
}

TEST(SlotPickerTest, SavingAsksBeforeOverwriting) {
  SlotPicker picker;
  picker.Show(SlotPicker::Mode::Save, Entries({1}));
  EXPECT_TRUE(picker.buttonEnabled(0));
  EXPECT_TRUE(picker.buttonEnabled(2));
  EXPECT_EQ(picker.windowColor().red, 160);
  EXPECT_EQ(picker.windowColor().blue, 208);
  EXPECT_TRUE(picker.savePictureShown());
  EXPECT_EQ(picker.Press(0), SlotPicker::Click::AskOverwrite);
  picker.AnswerOverwrite(0, false);
  EXPECT_TRUE(picker.isOpen());
  EXPECT_FALSE(picker.chosenSlot().has_value());
  EXPECT_EQ(picker.Press(0), SlotPicker::Click::AskOverwrite);
  picker.AnswerOverwrite(0, true);
  EXPECT_EQ(picker.chosenSlot(), 1);

  picker.Show(SlotPicker::Mode::Save, Entries({1}));
  EXPECT_FALSE(picker.chosenSlot().has_value());
  EXPECT_EQ(picker.Press(2), SlotPicker::Click::Chosen);  // an empty slot: no question
  EXPECT_EQ(picker.chosenSlot(), 3);
  picker.Show(SlotPicker::Mode::Save, Entries({}));
  picker.Cancel();
  EXPECT_FALSE(picker.isOpen());
  EXPECT_FALSE(picker.chosenSlot().has_value());
  EXPECT_EQ(picker.Press(1), SlotPicker::Click::Ignored);  // closed
}

TEST(SlotPickerTest, TextsShowEveryCaption) {
  SlotPicker picker;
  picker.Show(SlotPicker::Mode::Load, Entries({80}));
  std::vector<std::string> texts = picker.Texts();
  ASSERT_EQ(texts.size(), 81u);
  EXPECT_EQ(texts[0], "1/20");
  EXPECT_EQ(texts[1], "1  データがありません");
  EXPECT_EQ(texts[80].substr(0, 6), "80 s80");
  EXPECT_EQ(picker.caption(80), SlotCaption(80, Used("s80")));
  EXPECT_EQ(picker.caption(81), "");
}

}  // namespace
}  // namespace qw
