// Hiding the text and the picture (on snapshots), the window frame and full screen, the
// cursor patterns and `_mouseloc`.
#include <gtest/gtest.h>

#include <string>

#include "input_rig.h"

namespace qw {
namespace {

using test::InputRig;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;

bool Same(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if ((a.at(x, y) & 0xFFFFFF) != (b.at(x, y) & 0xFFFFFF)) return false;
    }
  }
  return true;
}

// Every pixel of `shot` has `colour` inside the rectangle.
bool Filled(const Surface& shot, int left, int top, int right, int bottom, std::uint32_t colour) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if ((shot.at(x, y) & 0xFFFFFF) != colour) return false;
    }
  }
  return true;
}

// A red background, a green character in layer 0 at (300, 200), and a line of text at the
// top left. The events snap the picture before, while and after hiding, around `item`.
void RunHidden(InputRig& rig, const std::string& item, const std::string& config,
               std::uint32_t textColor = 0xFFFFFF) {
  rig.scenario.writeFile("qwk.cfg", config);
  rig.scenario.writePng("bg.png", Surface(640, 480, kRed));
  rig.scenario.writePng("p.png", Surface(100, 100, kGreen));
  rig.run(
      "_autorefresh 1\n_bgload bg.png\n_objput 0,p.png,#NONE,300,200\n"
      "ああああ\n_$flg[1]=1\n",
      "snap before\nmenu " + item + "\nsnap hidden\nclick\nsnap after\nclick\n",
      [textColor](TFmain& e, HeadlessHost&) { e.textStatus().textColor = textColor; });
}

TEST(HideText, ShowsThePictureWithoutTextUntilAClickThatDoesNotAdvance) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE("TextHideMode " + std::to_string(mode));
    InputRig rig;
    RunHidden(rig, "Khidetext", "TextHideMode=" + std::to_string(mode) + "\n");
    EXPECT_TRUE(rig.scriptEnded());
    EXPECT_EQ(rig.engine->flags().text(1), "1");
    ASSERT_TRUE(rig.scenario.hasSnapshot("after")) << "the restoring click advanced the story";
    const Surface before = rig.scenario.snapshot("before");
    const Surface hidden = rig.scenario.snapshot("hidden");
    ASSERT_FALSE(Filled(before, 0, 0, 200, 60, kRed)) << "the text should show before";
    // No text while hidden; the character is left out by bit 0 of the mode.
    EXPECT_TRUE(Filled(hidden, 0, 0, 200, 60, kRed));
    EXPECT_TRUE(Filled(hidden, 300, 200, 400, 300, mode == 1 ? kRed : kGreen));
    EXPECT_TRUE(Same(before, rig.scenario.snapshot("after")));
    EXPECT_EQ(rig.engine->menu().lockCount(), 0);
    EXPECT_TRUE(rig.engine->menu().autoPopup());
  }
}

TEST(HideImage, LaysTheTextOnBlackAbove126AndOnWhiteBelow) {
  struct Case {
    std::uint32_t color;  // 0x00BBGGRR
    std::uint32_t background;
  };
  for (const Case& c :
       {Case{0x7F7F7F, 0x000000}, Case{0x7E7E7E, 0xFFFFFF}, Case{0x7F0000, 0x000000},
        Case{0x00007F, 0x000000}, Case{0x000000, 0xFFFFFF}}) {
    SCOPED_TRACE(c.color);
    InputRig rig;
    RunHidden(rig, "Khideimage", "", c.color);
    const Surface hidden = rig.scenario.snapshot("hidden");
    EXPECT_TRUE(Filled(hidden, 0, 100, 640, 480, c.background));
    EXPECT_FALSE(Filled(hidden, 0, 0, 200, 60, c.background)) << "the text shows";
    EXPECT_TRUE(Same(rig.scenario.snapshot("before"), rig.scenario.snapshot("after")));
    EXPECT_EQ(rig.engine->flags().text(1), "1");
  }
}

TEST(HideImage, DoesNothingWhileTheTextIsNotShown) {
  InputRig rig;
  rig.scenario.writePng("bg.png", Surface(640, 480, kRed));
  rig.run("_autorefresh 1\n_bgload bg.png\n<P0>あ\n_$flg[1]=1\n",
          "menu Khideimage\nsnap hidden\nclick\n");
  EXPECT_TRUE(rig.scriptEnded());
  // No wait of its own: the one click advanced the story.
  EXPECT_EQ(rig.engine->flags().text(1), "1");
  EXPECT_TRUE(Filled(rig.scenario.snapshot("hidden"), 0, 0, 640, 480, kRed));
}

TEST(DisplayModes, FrameAndFullScreenSwitchTogether) {
  InputRig rig;
  rig.run("_mouseclick\n", "", [](TFmain& e, HeadlessHost&) {
    PopupMenu& menu = e.menu();
    auto choose = [&](const char* name) { e.onMenuItem(name); };
    choose("Kwinmode");
    EXPECT_FALSE(menu.checked("Kwinmode"));
    choose("Kfullscr");
    EXPECT_TRUE(menu.checked("Kfullscr"));
    EXPECT_FALSE(menu.enabled("Kwinmode"));
    choose("Kwinmode");  // disabled while full screen
    EXPECT_FALSE(menu.checked("Kwinmode"));
    choose("Kfullscr");
    EXPECT_FALSE(menu.checked("Kfullscr"));
    EXPECT_TRUE(menu.enabled("Kwinmode"));
    EXPECT_TRUE(menu.checked("Kwinmode")) << "leaving full screen gives the frame back";
  });
  EXPECT_TRUE(rig.host->framed());
  EXPECT_FALSE(rig.host->fullScreen());
  EXPECT_FALSE(rig.engine->display().fullScreen);
  EXPECT_TRUE(rig.host->messages().empty());
}

TEST(DisplayModes, FrameToggleReachesTheHostAndARefusalIsShown) {
  InputRig rig;
  rig.run("", "", [](TFmain& e, HeadlessHost& host) {
    e.onMenuItem("Kwinmode");
    EXPECT_FALSE(host.framed());
    host.setFullScreenRefused(true);
    e.onMenuItem("Kfullscr");
  });
  EXPECT_FALSE(rig.host->fullScreen());
  EXPECT_FALSE(rig.engine->menu().checked("Kfullscr"));
  EXPECT_TRUE(rig.engine->menu().enabled("Kwinmode"));
  ASSERT_EQ(rig.host->messages().size(), 1u);
  EXPECT_EQ(rig.host->messages()[0].text, "画面解像度を変更出来ませんでした。");
  EXPECT_EQ(rig.host->messages()[0].icon, MessageIcon::Exclamation);
}

TEST(Cursor, MouseclickShowsTheWaitCursorAndRestoresThePattern) {
  InputRig start;
  start.run("", "");
  EXPECT_EQ(start.host->cursor(), CursorShape::Pen);

  // A run stopped inside the wait unwinds it: the pattern, the lock and the pop-up come back.
  InputRig waiting;
  waiting.run("_mousepat 2\n_mouseclick\n", "");
  EXPECT_TRUE(waiting.inputExhausted());
  EXPECT_EQ(waiting.host->cursor(), CursorShape::Hand);
  EXPECT_EQ(waiting.engine->menu().lockCount(), 0);
  EXPECT_TRUE(waiting.engine->menu().autoPopup());

  InputRig done;
  done.run("_syspopup 1\n_mousepat 2\n_mouseclick\n", "click\n");
  EXPECT_TRUE(done.scriptEnded());
  EXPECT_EQ(done.host->cursor(), CursorShape::Hand);
  EXPECT_EQ(done.engine->menu().lockCount(), 1) << "`_syspopup 1` still holds its lock";
  EXPECT_FALSE(done.engine->menu().autoPopup()) << "the remembered pop-up setting";

  InputRig other;
  other.run("_mousepat 5\n_mousepat 9\n", "");
  EXPECT_EQ(other.host->cursor(), CursorShape::Default);
  EXPECT_EQ(other.engine->display().cursorPattern, 9);
}

TEST(Cursor, MouselocMovesThePointerAndTheEngineSeesTheMove) {
  InputRig rig;
  rig.run("_mouseloc 100,200\n_mouseclick\n_mouseloc 700,10\n_mouseclick\n", "click\nclick\n");
  EXPECT_TRUE(rig.scriptEnded());
  EXPECT_EQ(rig.host->pointerX(), 700);
  // Off the picture the last move reached the engine only as the click at the pointer.
  EXPECT_EQ(rig.engine->input().mouseX, 700);
  EXPECT_EQ(rig.engine->input().mouseY, 10);

  InputRig first;
  first.run("_mouseloc 100,200\n_mouseclick\n", "snap x\n");
  EXPECT_EQ(first.engine->input().mouseX, 100);
  EXPECT_EQ(first.engine->input().mouseY, 200);
}

}  // namespace
}  // namespace qw
