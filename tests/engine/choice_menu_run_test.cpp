// The choice menus run by the engine: shown on the picture, chosen by click and by the cursor
// keys, the choice branching afterwards, the pop-up entries around them and their bad input.
#include <gtest/gtest.h>

#include <string>

#include "input_rig.h"

namespace qw {
namespace {

using test::InputRig;

constexpr std::uint32_t kBg = 0x204060;
// Button sheet cells: column 0 normal, column 1 highlighted, one row per button.
constexpr std::uint32_t kNormal[3] = {0xA00000, 0x00A000, 0x0000A0};
constexpr std::uint32_t kLit[3] = {0xF0F000, 0x00F0F0, 0xF000F0};

Surface Sheet(int w, int h) {
  Surface s(2 * w, 3 * h, 0);
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      s.at(x, y) = (x < w ? kNormal : kLit)[y / h];
  return s;
}

// Runs `menu` (its item lines included) on a plain background. Every item command stores its
// number + 1 in flag 2, and a branch for each of items 0..4 stores 100 + the item in flag 1.
void RunMenu(InputRig& rig, const std::string& menu, const std::string& events,
             const std::string& before = "") {
  rig.scenario.writePng("bg.png", Surface(640, 480, kBg));
  rig.scenario.writePng("btn.png", Sheet(40, 20));
  rig.scenario.writePng("cg.png", Sheet(40, 30));
  std::string script = "_bgload bg.png\n_refresh\n" + before + menu + "_endsel\n";
  for (int i = 0; i < 5; ++i) {
    script +=
        "_branch " + std::to_string(i) + "\n_$flg[1]=" + std::to_string(100 + i) + "\n_endbranch\n";
  }
  rig.run(script, events);
}

std::string Items(const std::string& texts) {
  std::string lines;
  int n = 0;
  for (std::size_t at = 0; at <= texts.size();) {
    std::size_t end = texts.find(' ', at);
    if (end == std::string::npos) end = texts.size();
    lines += texts.substr(at, end - at) + ",,_$flg[2]=" + std::to_string(++n) + "\n";
    at = end + 1;
  }
  return lines;
}

const std::string kText = "_selmenu 100,50,#FF0000,#00FF00\n" + Items("A BBBBB");
const std::string kButtons =
    "_mousepat 4\n_selbutton 200,100,btn.png,40,20,#NONE\n" + Items("2 0 1");
// Item 2 is a locked picture: its condition is false, so it stays as "0".
const std::string kGallery =
    "_mousepat 4\n_selcgmode 300,200,cg.png,40,30,2,#NONE\n1,,_$flg[2]=1\n2,,_$flg[2]=2\n"
    "3,$flg[9]==1,_$flg[2]=3\n1,,_$flg[2]=4\n2,,_$flg[2]=5\n";

void ExpectChosen(const InputRig& rig, int item) {
  EXPECT_TRUE(rig.scriptEnded());
  EXPECT_EQ(rig.host->eventsLeft(), 0u) << "an earlier event chose already";
  EXPECT_EQ(rig.engine->prog().Selection, item);
  EXPECT_EQ(rig.engine->flags().text(2), std::to_string(item + 1));
  EXPECT_EQ(rig.engine->flags().text(1), std::to_string(100 + item));
  EXPECT_TRUE(rig.engine->errorList().empty());
}

TEST(ChoiceMenuRun, EachMenuChoosesByClickAndByKeysThenBranches) {
  struct Case {
    const char* name;
    const std::string& menu;
    const char* events;
    int item;
  };
  const Case cases[] = {
      // Text menu at (100, 50), 86 x 68, rows of 32 from y + 3; x < px < x + W.
      {"text row 0", kText, "click 120 84", 0},
      {"text row 1", kText, "click 120 85", 1},
      {"text left edge", kText, "click 100 90\nclick 101 60", 0},
      {"text right edge", kText, "click 186 60\nclick 185 90", 1},
      {"text below", kText, "click 120 115\nclick 120 114", 1},
      {"text keys", kText, "key Down\nkey Down\nkey Down\nkey Enter", 1},
      {"text keys back up", kText, "key Down\nkey Down\nkey Up\nkey Enter", 0},
      {"text enter after a move", kText, "move 150 90\nkey Enter", 1},
      // Buttons at (200, 100), 40 x 20 each, three high.
      {"button edges", kButtons, "click 200 110\nclick 240 110\nclick 220 100\nclick 239 159", 2},
      {"button middle", kButtons, "click 220 160\nclick 220 125", 1},
      {"button keys", kButtons, "key Down\nkey Down\nkey Enter", 1},
      // Gallery at (300, 200), 2 columns of 40 x 30; the locked item 2 ignores the click.
      {"gallery locked then free", kGallery, "click 320 245\nclick 360 275\nclick 360 245", 3},
      {"gallery keys", kGallery, "key Down\nkey Down\nkey Enter", 3},
      {"gallery left then right", kGallery, "key Down\nkey Left\nkey Enter\nkey Right\nkey Enter",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InputRig rig;
    RunMenu(rig, c.menu, c.events);
    ExpectChosen(rig, c.item);
  }
}

TEST(ChoiceMenuRun, AClickBeforeTheFirstMoveChoosesNothing) {
  InputRig rig;
  // The pointer rests on row 1 when the menu opens; a click there without a move is lost.
  RunMenu(rig, kText, "click 120 90\nclick\nclick 120 60", "_mouseclick\n");
  ExpectChosen(rig, 0);
}

TEST(ChoiceMenuRun, TextMenuSizeFrameAndHighlight) {
  InputRig rig;
  RunMenu(rig, kText, "snap shown\nkey Down\nsnap first\nkey Down\nsnap second");
  EXPECT_TRUE(rig.inputExhausted());
  // Two items of 1 and 5 bytes at size 28: 86 x 68, text-colour frame inside a shadow frame.
  const Surface shown = rig.scenario.snapshot("shown");
  const struct {
    int x, y;
    std::uint32_t pixel;
  } frame[] = {{99, 80, kBg},        {100, 80, 0xFFFFFF}, {184, 80, 0xFFFFFF}, {185, 80, 0},
               {186, 80, kBg},       {150, 49, kBg},      {150, 50, 0xFFFFFF}, {150, 51, 0},
               {180, 116, 0xFFFFFF}, {180, 117, 0},       {180, 118, kBg},     {180, 60, kBg}};
  for (const auto& p : frame)
    EXPECT_EQ(shown.at(p.x, p.y), p.pixel) << p.x << "," << p.y;

  // The key moved the pointer through the host to the first row's centre, then one row down.
  EXPECT_EQ(rig.host->pointerX(), 145);
  EXPECT_EQ(rig.host->pointerY(), 100);
  auto count = [](const Surface& s, int row, std::uint32_t pixel) {
    int n = 0;
    for (int y = 53 + 32 * row; y < 85 + 32 * row; ++y)
      for (int x = 101; x < 184; ++x)
        n += s.at(x, y) == pixel;
    return n;
  };
  const Surface first = rig.scenario.snapshot("first"), second = rig.scenario.snapshot("second");
  EXPECT_GT(count(shown, 0, 0x00FF00), 0);
  EXPECT_EQ(count(shown, 0, 0xFF0000), 0);
  EXPECT_GT(count(first, 0, 0xFF0000), 0);
  EXPECT_EQ(count(first, 0, 0x00FF00), 0);
  EXPECT_EQ(count(first, 1, 0xFF0000), 0);
  EXPECT_EQ(count(second, 0, 0xFF0000), 0);
  EXPECT_GT(count(second, 1, 0xFF0000), 0);
}

TEST(ChoiceMenuRun, ButtonsAreDrawnHighlightedAndGivenBackToTheSpriteSlots) {
  InputRig rig;
  RunMenu(rig, kButtons, "snap shown\nmove 220 130\nsnap lit\nclick 220 150");
  ExpectChosen(rig, 2);
  const Surface shown = rig.scenario.snapshot("shown"), lit = rig.scenario.snapshot("lit");
  EXPECT_EQ(shown.at(220, 110), kNormal[2]);
  EXPECT_EQ(shown.at(220, 130), kNormal[0]);
  EXPECT_EQ(shown.at(220, 150), kNormal[1]);
  EXPECT_EQ(shown.at(220, 160), kBg);
  EXPECT_EQ(lit.at(220, 130), kLit[0]);
  EXPECT_EQ(lit.at(220, 110), kNormal[2]);
  // Afterwards the buttons are gone from the window and hidden in the engine's slots.
  EXPECT_EQ(rig.engine->shownPicture().at(220, 130), kBg);
  const int rows[] = {2, 0, 1};
  for (int i = 0; i < 3; ++i) {
    const SpriteSlot& slot = rig.engine->screen().spriteSlots[static_cast<std::size_t>(i)];
    EXPECT_FALSE(slot.visible);
    EXPECT_NE(slot.x & kSpriteOffScreen, 0);
    EXPECT_EQ(slot.row, rows[i]);
  }
  EXPECT_EQ(rig.host->cursor(), CursorShape::Arrow);
}

TEST(ChoiceMenuRun, GalleryLockedItemAndEmptyCell) {
  InputRig rig;
  RunMenu(rig, kGallery, "snap shown\nmove 360 275\nsnap empty\nmove 320 245\nsnap locked");
  // 5 items in 2 columns: 3 rows; the sixth cell is empty and highlights nothing.
  const Surface shown = rig.scenario.snapshot("shown");
  const std::uint32_t cells[] = {kNormal[1], kNormal[2], kNormal[0], kNormal[1], kNormal[2], kBg};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(shown.at(320 + 40 * (i % 2), 215 + 30 * (i / 2)), cells[i]) << i;
  const Surface empty = rig.scenario.snapshot("empty");
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(empty.at(320 + 40 * (i % 2), 215 + 30 * (i / 2)), cells[i]) << i;
  // The locked item lights up but keeps the normal pointer.
  EXPECT_EQ(rig.scenario.snapshot("locked").at(320, 245), kLit[0]);
  EXPECT_EQ(rig.host->cursor(), CursorShape::Arrow);

  InputRig free;
  RunMenu(free, kGallery, "move 320 215");
  EXPECT_EQ(free.host->cursor(), CursorShape::Hand);
}

TEST(ChoiceMenuRun, UnusablePicturesGiveTheMessageAndItemZero) {
  const char* kMessage = "画像の読み込み失敗もしくはサイズ指定が異常です";
  for (const char* menu :
       {"_selbutton 10,10,btn.png,1000,20,#NONE\n", "_selbutton 10,10,btn.png,-40,20,#NONE\n",
        "_selbutton 10,10,btn.png,0,0,#NONE\n", "_selbutton 10,10,btn.png,40,100000,#NONE\n",
        "_selcgmode 10,10,cg.png,40,-30,3,#NONE\n", "_selbutton 10,10,bad.mag,40,20,#NONE\n"}) {
    SCOPED_TRACE(menu);
    InputRig rig;
    rig.scenario.writeFile("bad.mag", "not a picture at all");
    RunMenu(rig, std::string(menu) + Items("1 2"), "");
    ASSERT_FALSE(rig.host->messages().empty());
    const MessageRecord& box = rig.host->messages().back();
    EXPECT_EQ(box.text, kMessage);
    EXPECT_EQ(box.caption, "");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_TRUE(rig.scriptEnded());
    EXPECT_EQ(rig.engine->prog().Selection, 0);
    EXPECT_EQ(rig.engine->flags().text(2), "1");
  }
}

TEST(ChoiceMenuRun, NoItemsTooManyItemsAndAMissingPicture) {
  for (const char* menu : {"_selmenu\nA,0,_$flg[2]=1\n", "_selbutton 0,0,none.png,40,20,#NONE\n"}) {
    InputRig rig;
    RunMenu(rig, menu, "");
    EXPECT_TRUE(rig.scriptEnded());
    EXPECT_TRUE(rig.host->messages().empty()) << "no menu, no picture needed";
    EXPECT_EQ(rig.engine->prog().Selection, -1);
    EXPECT_EQ(rig.engine->flags().text(2), "0");
  }

  // 40 items at size 10: 32 rows of 14, the frame ending at y + 32 * 14 + 4.
  std::string many;
  for (int i = 0; i < 40; ++i)
    many += "I" + std::to_string(i) + " ";
  many.pop_back();
  InputRig rig;
  RunMenu(rig, "_selmenu 10,10,,,10\n" + Items(many), "snap shown\nclick 20 454");
  EXPECT_EQ(rig.engine->prog().Selection, 31);
  EXPECT_EQ(rig.engine->flags().text(2), "32");
  const Surface shown = rig.scenario.snapshot("shown");
  EXPECT_EQ(shown.at(15, 460), 0xFFFFFFu);
  EXPECT_EQ(shown.at(15, 462), kBg);

  // A picture that cannot be opened fails as every picture load does: reported, run ended.
  InputRig missing;
  RunMenu(missing, "_selbutton 0,0,none.png,40,20,#NONE\n" + Items("1"), "click 20 10");
  EXPECT_EQ(missing.engine->errorList().size(), 1u);
  EXPECT_EQ(missing.host->eventsLeft(), 1u);
}

TEST(ChoiceMenuRun, SaveIsOfferedAndFontsWithheldWhileAMenuWaits) {
  struct Case {
    const std::string& menu;
    const char* before;
    bool save;
  };
  for (const Case& c : {Case{kText, "_textclear\n", true}, Case{kButtons, "_textclear\n", true},
                        Case{kGallery, "_textclear\n", true}, Case{kText, "", false},
                        Case{kText, "_syssave 1\n_textclear\n", false}}) {
    SCOPED_TRACE(c.menu + c.before);
    InputRig rig;
    RunMenu(rig, c.menu, "rclick 5 5\nkey Down\nkey Enter", c.before);
    EXPECT_TRUE(rig.scriptEnded());
    ASSERT_EQ(rig.host->popups().size(), 1u);
    EXPECT_EQ(rig.popupEntry(0, "Msave").enabled, c.save);
    EXPECT_FALSE(rig.popupEntry(0, "Kfont").enabled);
    EXPECT_FALSE(rig.engine->menu().enabled("Msave"));
    EXPECT_TRUE(rig.engine->menu().enabled("Kfont"));
  }
}

}  // namespace
}  // namespace qw
