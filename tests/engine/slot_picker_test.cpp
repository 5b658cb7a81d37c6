#include "tools/slot_picker.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

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

const ToolControl& Control(const std::vector<ToolControl>& controls, const std::string& name) {
  for (const ToolControl& c : controls) {
    if (c.name == name) return c;
  }
  throw std::out_of_range("no control " + name);
}

TEST(SlotPickerWindowTest, ControlsShowThePageTheModeAndEveryCaption) {
  SlotPicker picker;
  picker.Show(SlotPicker::Mode::Load, Entries({6}));
  EXPECT_EQ(picker.formName(), "TFfile");
  EXPECT_EQ(picker.caption(), "ファイル選択");
  picker.act("TrackBar1", 1, {});
  std::vector<ToolControl> controls = picker.controls();
  EXPECT_EQ(Control(controls, "Label1").text, "2/20");
  EXPECT_EQ(Control(controls, "TrackBar1").value, 1);
  EXPECT_EQ(Control(controls, "TrackBar1").maximum, 19);
  EXPECT_TRUE(Control(controls, "TkBtn3").visible);
  EXPECT_FALSE(Control(controls, "TkBtn4").visible);
  // Slots 5 to 8: only slot 6 holds a save, so only its button can be pressed when loading.
  EXPECT_EQ(Control(controls, "TkBtn6").text, "5  データがありません");
  EXPECT_FALSE(Control(controls, "TkBtn6").enabled);
  EXPECT_EQ(Control(controls, "TkBtn7").text.substr(0, 5), "6  s6");
  EXPECT_TRUE(Control(controls, "TkBtn7").enabled);
  EXPECT_TRUE(Control(controls, "TkBtn1").visible);
  EXPECT_EQ(Control(controls, "Captions").lines.size(), 80u);
  EXPECT_EQ(Control(controls, "Captions").lines[79], "80 データがありません");
  picker.act("TkBtn6", 0, {});
  EXPECT_FALSE(picker.closed());
  picker.act("TkBtn2", 0, {});
  picker.act("TkBtn2", 0, {});
  EXPECT_EQ(picker.page(), 3);
  picker.act("TkBtn1", 0, {});
  EXPECT_EQ(picker.page(), 2);
  picker.act("TkBtn5", 0, {});
  EXPECT_TRUE(picker.closed());
  EXPECT_FALSE(picker.chosenSlot().has_value());
}

TEST(SlotPickerWindowTest, ASlotAnswerShowsItsPageAndSavingOverAUsedSlotAsks) {
  struct Case {
    const char* name;
    SlotPicker::Mode mode;
    int slot;
    bool okAnswer;
    int questions;
    std::optional<int> chosen;
  };
  const Case cases[] = {
      {"load a used slot", SlotPicker::Mode::Load, 42, false, 0, 42},
      {"load an empty slot", SlotPicker::Mode::Load, 43, false, 0, std::nullopt},
      {"save an empty slot", SlotPicker::Mode::Save, 43, false, 0, 43},
      {"overwrite cancelled", SlotPicker::Mode::Save, 42, false, 1, std::nullopt},
      {"overwrite confirmed", SlotPicker::Mode::Save, 42, true, 1, 42},
      {"no such slot", SlotPicker::Mode::Save, 81, true, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SlotPicker picker;
    int questions = 0;
    picker.setQuestion([&](const std::string& text, const std::string& caption) {
      ++questions;
      EXPECT_EQ(text, "上書きしていいですか？");
      EXPECT_EQ(caption, "確認");
      return c.okAnswer;
    });
    picker.Show(c.mode, Entries({42}));
    picker.act("slot", c.slot, {});
    EXPECT_EQ(questions, c.questions);
    EXPECT_EQ(picker.chosenSlot(), c.chosen);
    EXPECT_EQ(picker.closed(), c.chosen.has_value());
    if (c.slot <= kSaveSlotCount) {
      EXPECT_EQ(picker.page(), (c.slot - 1) / 4);
    }
  }
}

}  // namespace
}  // namespace qw
