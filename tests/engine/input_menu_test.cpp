// The pop-up menu: its lock, its shortcuts, the items the waits enable, the right button and
// `_syspopup`, the option switches, and the questions of `Mtitle` and `Mexit`.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_rig.h"
#include "present/popup_menu.h"

namespace qw {
namespace {

using test::InputRig;

std::vector<std::string> EnabledNames(const PopupMenu& menu) {
  std::vector<std::string> names;
  for (const MenuItem& item : menu.items()) {
    if (item.enabled) names.push_back(item.name);
  }
  return names;
}

TEST(PopupMenuLock, NestsAndOnlyTheLastUnlockRestores) {
  PopupMenu menu;
  menu.setEnabled("Msave", true);
  menu.setEnabled("Mback", false);
  const std::vector<std::string> before = EnabledNames(menu);

  menu.unlock();  // nothing held: nothing changes
  EXPECT_EQ(EnabledNames(menu), before);
  EXPECT_EQ(menu.lockCount(), 0);

  menu.lock();
  const std::vector<std::string> locked = {"Mdisplay", "Moption", "Mexit"};
  EXPECT_EQ(EnabledNames(menu), locked);

  // A click wait inside the lock enables items; a nested lock shuts them again.
  menu.setEnabled("Mload", true);
  menu.lock();
  EXPECT_EQ(EnabledNames(menu), locked);
  menu.unlock();
  EXPECT_EQ(EnabledNames(menu), locked) << "an inner unlock must not free the outer lock";
  EXPECT_EQ(menu.lockCount(), 1);

  menu.unlock();
  EXPECT_EQ(EnabledNames(menu), before) << "the states of the first lock come back";
  menu.unlock();
  EXPECT_EQ(EnabledNames(menu), before);
  EXPECT_EQ(menu.lockCount(), 0);
}

TEST(PopupMenuShortcuts, EveryShortcutFindsItsItem) {
  const std::vector<std::pair<const char*, const char*>> table = {
      {"Ctrl+T", "Khideimage"}, {"Ctrl+B", "Khidetext"}, {"Ctrl+W", "Kwinmode"},
      {"Ctrl+G", "Kfullscr"},   {"Ctrl+D", "Mdarkness"}, {"Ctrl+M", "Kmusic"},
      {"Ctrl+V", "Ksound"},     {"Ctrl+H", "Ktxtwait"},  {"Ctrl+P", "Ktxtskip"},
      {"Ctrl+S", "Msave"},      {"Ctrl+L", "Mload"},     {"Ctrl+R", "Mtitle"},
      {"Ctrl+Q", "Mexit"},      {"Ctrl+F", "Mskipout"},  {"Ctrl+A", "Kautoadv"},
      {"F12", "Mscrshot"},
  };
  PopupMenu menu;
  int withShortcut = 0;
  for (const MenuItem& item : menu.items())
    withShortcut += item.shortcut.empty() ? 0 : 1;
  EXPECT_EQ(withShortcut, static_cast<int>(table.size()));
  for (const auto& [keys, name] : table) {
    const MenuItem* item = menu.itemForShortcut(keys);
    ASSERT_NE(item, nullptr) << keys;
    EXPECT_EQ(item->name, name) << keys;
  }
  ASSERT_NE(menu.itemForShortcut("ctrl+t"), nullptr);
  EXPECT_EQ(menu.itemForShortcut("ctrl+t")->name, "Khideimage");
  EXPECT_EQ(menu.itemForShortcut("Ctrl+Z"), nullptr);
  EXPECT_EQ(menu.itemForShortcut(""), nullptr);
}

TEST(MenuInWaits, ClickWaitsAndStopEnableTheirItems) {
  InputRig rig;
  // The lone release after the first menu must not complete a click with the press that
  // opened it.
  rig.run("あ\n_stop\n", "rclick 10 10\nup\nrclick 20 20\nclick\nrclick 30 30\n");
  EXPECT_TRUE(rig.inputExhausted());
  ASSERT_EQ(rig.host->popups().size(), 3u);
  EXPECT_EQ(rig.host->popups()[0].x, 10);
  for (const char* name : {"Mload", "Mtitle", "Khideimage", "Khidetext", "Mdarkness"}) {
    EXPECT_TRUE(rig.popupEntry(0, name).enabled) << name;
  }
  EXPECT_FALSE(rig.popupEntry(0, "Msave").enabled) << "no page snapshot exists yet";
  EXPECT_TRUE(rig.popupEntry(1, "Khidetext").enabled) << "the second menu is in the same wait";
  // Neither menu advanced the story: the one click did, to `_stop`.
  EXPECT_EQ(rig.engine->prog().Pc, 1);
  EXPECT_TRUE(rig.popupEntry(2, "Mload").enabled);
  EXPECT_TRUE(rig.popupEntry(2, "Mtitle").enabled);
  EXPECT_FALSE(rig.popupEntry(2, "Mdarkness").enabled);
  EXPECT_FALSE(rig.popupEntry(2, "Khidetext").enabled);
}

TEST(MenuInWaits, SyspopupKeepsTheMenuShutAndTheRightButtonAdvances) {
  InputRig rig;
  rig.run("_syspopup 1\n_syspopup 1\nあ\n_$flg[1]=1\n_syspopup 0\nい\n_$flg[2]=1\n",
          // The first right click opens nothing and ends the wait; the second opens the menu,
          // which does not.
          "rclick\nrclick\nclick\n");
  EXPECT_TRUE(rig.scriptEnded());
  EXPECT_EQ(rig.engine->flags().text(1), "1");
  EXPECT_EQ(rig.engine->flags().text(2), "1");
  ASSERT_EQ(rig.host->popups().size(), 1u);
  EXPECT_TRUE(rig.popupEntry(0, "Mback").enabled) << "one `_syspopup 0` undoes two locks";
  EXPECT_EQ(rig.engine->menu().lockCount(), 0);
  EXPECT_TRUE(rig.engine->menu().autoPopup());
}

TEST(MenuInWaits, LockedItemsIgnoreMenuEventsAndShortcuts) {
  InputRig rig;
  rig.run("_syspopup 1\n_mouseclick\n_syspopup 0\nあ\n",
          "menu Ktxtwait\nkey ctrl+P\nmenu Mexit\nclick\n"
          "menu Ktxtwait\nkey ctrl+P\nclick\n");
  EXPECT_TRUE(rig.scriptEnded());
  // `Mexit` is never locked: its question came (and was cancelled).
  ASSERT_EQ(rig.host->messages().size(), 1u);
  EXPECT_EQ(rig.host->messages()[0].text, "終了しますか？");
  // Only the choices of the unlocked click wait acted (twice would have undone them).
  EXPECT_TRUE(rig.engine->text().highSpeed);
  EXPECT_TRUE(rig.engine->text().pageUnit);
}

TEST(MenuChoices, SwitchesToggleTheirOptionsAndChecks) {
  InputRig rig;
  // The second line ends in a page wait, which the page-unit option does not skip.
  rig.run("あ\nい&\n",
          "menu Ktxtwait\nkey ctrl+P\nmenu Kmusic\nkey ctrl+V\nmenu Mdarkness\nclick\n"
          "key Space\nmenu Kmusic\nkey ctrl+H\nclick\n");
  EXPECT_TRUE(rig.scriptEnded());
  const PopupMenu& menu = rig.engine->menu();
  // Each switched twice (Ktxtskip back by Space), except Ksound and Mdarkness.
  EXPECT_FALSE(rig.engine->text().highSpeed);
  EXPECT_FALSE(menu.checked("Ktxtwait"));
  EXPECT_FALSE(rig.engine->text().pageUnit);
  EXPECT_FALSE(menu.checked("Ktxtskip"));
  EXPECT_TRUE(menu.checked("Kmusic"));
  EXPECT_FALSE(menu.checked("Ksound"));
  EXPECT_TRUE(rig.engine->screen().darkness);
  EXPECT_TRUE(menu.checked("Mdarkness"));
}

TEST(MenuChoices, SpaceOnlyTurnsThePageUnitOptionOff) {
  InputRig rig;
  rig.run("_mouseclick\n", "key Space\nclick\n");
  EXPECT_FALSE(rig.engine->text().pageUnit);
  EXPECT_FALSE(rig.engine->menu().checked("Ktxtskip"));

  InputRig on;
  on.run("_mouseclick\n", "key Space\nclick\n", [](TFmain& e, HeadlessHost&) {
    e.text().pageUnit = true;
    e.menu().setChecked("Ktxtskip", true);
  });
  EXPECT_FALSE(on.engine->text().pageUnit);
  EXPECT_FALSE(on.engine->menu().checked("Ktxtskip"));
}

TEST(MenuChoices, EscapeAsksToCloseAndOkEndsTheProgram) {
  InputRig ok;
  ok.run("あ\n_$flg[1]=1\n", "key Escape\nanswer ok\n");
  ASSERT_TRUE(ok.exitCode);
  EXPECT_EQ(*ok.exitCode, 0);
  ASSERT_EQ(ok.host->messages().size(), 1u);
  EXPECT_EQ(ok.host->messages()[0].caption, "終了");
  EXPECT_EQ(ok.host->messages()[0].text, "終了しますか？");
  EXPECT_EQ(ok.host->messages()[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(ok.engine->flags().text(1), "0");

  InputRig cancel;
  cancel.run("あ\n_$flg[1]=1\n", "key Escape\nanswer cancel\nclick\n");
  EXPECT_TRUE(cancel.scriptEnded());
  EXPECT_EQ(cancel.host->messages().size(), 1u);
  EXPECT_EQ(cancel.engine->flags().text(1), "1") << "the story goes on after Cancel";
}

TEST(MenuChoices, TitleAsksAndResetsTheInputState) {
  InputRig rig;
  rig.run(
      "_$flg[300]=$flg[300]+1\n_($flg[300]>=2),_goto :end\n"
      "_syspopup 1\n_mousepat 4\nあ\n:end\n",
      "key ctrl+R\nanswer cancel\nkey ctrl+R\nanswer ok\n");
  EXPECT_TRUE(rig.scriptEnded());
  EXPECT_EQ(rig.engine->flags().text(300), "2");
  ASSERT_EQ(rig.host->messages().size(), 2u);
  EXPECT_EQ(rig.host->messages()[0].text, "タイトルに戻りますか？");
  EXPECT_EQ(rig.host->messages()[0].caption, "確認");
  // The title gives the start cursor and an open, unlocked menu back.
  EXPECT_EQ(rig.host->cursor(), CursorShape::Pen);
  EXPECT_TRUE(rig.engine->menu().autoPopup());
  EXPECT_EQ(rig.engine->menu().lockCount(), 0);
  EXPECT_TRUE(rig.engine->menu().enabled("Mback"));
}

TEST(Input, LineClickedAndClickRules) {
  InputRig rig;
  rig.run("", "");
  TFmain& e = *rig.engine;
  InputSignals& in = e.input();
  TextFields& text = e.text();

  text.textInProgress = false;
  e.onMouseUp(5, 6, false);
  EXPECT_TRUE(in.mouseUp);
  EXPECT_FALSE(text.lineClicked);
  text.textInProgress = true;
  e.onMouseUp(5, 6, true);
  EXPECT_TRUE(text.lineClicked) << "a mouse-up while text is drawn shows the rest of the line";

  text.lineClicked = false;
  in.click = false;
  in.clicksEnabled = false;
  e.onKey("Enter", false);
  EXPECT_TRUE(text.lineClicked);
  EXPECT_FALSE(in.click) << "Enter does not count while clicks are off";
  e.onClick(1, 2);
  EXPECT_FALSE(in.click);
  in.clicksEnabled = true;
  e.onKey("Enter", false);
  EXPECT_TRUE(in.click);
  EXPECT_TRUE(in.enter);

  text.skipMode = true;
  e.onMouseDown(3, 4, false);
  EXPECT_FALSE(text.skipMode) << "any press ends skip mode";
  EXPECT_EQ(in.mouseX, 3);
  EXPECT_EQ(in.mouseY, 4);
}

}  // namespace
}  // namespace qw
