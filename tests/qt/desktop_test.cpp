// The desktop window's extras: sharp whole-multiple scaling, the remembered place, the scroll
// bar over the picture, the game controller's mapping and what is read aloud.
#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "app/engine.h"
#include "app/save_subsystem.h"
#include "engine/save_test_folder.h"

#include "host/qt/gamepad.h"
#include "host/qt/overlay_scroll_bar.h"
#include "host/qt/picture_geometry.h"
#include "host/qt/picture_window.h"
#include "host/qt/qt_host.h"
#include "host/qt/read_aloud.h"
#include "present/backlog_viewer.h"
#include "qt_test_support.h"

namespace qw {
namespace {

using test::Pump;

TEST(PictureGeometryWhole, TakesTheLargestWholeMultipleOrFitsWhenTooSmall) {
  struct Case {
    int w, h, x, y, width, height;
  };
  const Case cases[] = {
      {640, 480, 0, 0, 640, 480},     {1279, 959, 319, 239, 640, 480},
      {1280, 1000, 0, 20, 1280, 960}, {2000, 1000, 360, 20, 1280, 960},
      {320, 240, 0, 0, 320, 240},  // smaller than the picture: the plain fit
  };
  for (const Case& c : cases) {
    const PictureGeometry g = PictureGeometry::FitWhole(640, 480, c.w, c.h);
    EXPECT_EQ((std::vector<int>{g.x(), g.y(), g.width(), g.height()}),
              (std::vector<int>{c.x, c.y, c.width, c.height}))
        << c.w << "x" << c.h;
  }
}

class ScrollListener : public test::RecordingListener {
 public:
  std::vector<int> positions;
  void onScrollBar(int position) override { positions.push_back(position); }
};

class DesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<QtHost>();
    host->setListener(&listener);
    host->setQuitHandler([](int) {});
  }
  QWidget* window() { return host->window(); }

  ScrollListener listener;
  std::unique_ptr<QtHost> host;
};

TEST_F(DesktopTest, SharpPixelsShowTheWholeMultipleUnsmoothedAndAreRemembered) {
  host->placeWindow({WindowPlace{30, 40, 1000, 760}, false, true}, std::nullopt);
  host->showWindow();
  Pump(20);
  Surface board(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      board.at(x, y) = (x + y) % 2 ? 0xffffffu : 0x000000u;
  host->present(board, {0, 0, 640, 480});
  Pump(60);
  const QImage shot = window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), QSize(1000, 760));
  // 1:1 in the middle, black around it; no pixel blended with its neighbour.
  for (int y = 0; y < 480; y += 7)
    for (int x = 0; x < 640; x += 11)
      ASSERT_EQ(shot.pixel(180 + x, 140 + y) & 0xffffffu, board.at(x, y)) << x << "," << y;
  EXPECT_EQ(shot.pixel(179, 300) & 0xffffffu, 0u);

  const WindowState state = host->windowState();
  EXPECT_TRUE(state.sharpPixels);
  EXPECT_FALSE(state.fullScreen);
  ASSERT_TRUE(state.place);
  EXPECT_EQ(state.place->width, 1000);
  EXPECT_EQ(state.place->height, 760);
}

TEST_F(DesktopTest, AScaleTooLargeForTheScreenShrinksToTheLargestThatFits) {
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  const int fits = std::min(available.width() / 640, available.height() / 480);
  ASSERT_GE(fits, 1);
  host->placeWindow({}, kMaxWindowScale);
  EXPECT_EQ(window()->size(), QSize(640 * fits, 480 * fits));
  // A remembered place on no screen is not taken: the scale decides.
  host->placeWindow({WindowPlace{-50000, -50000, 700, 500}, false, false}, 1);
  EXPECT_EQ(window()->size(), QSize(640, 480));
  EXPECT_TRUE(available.contains(window()->geometry()));
}

TEST_F(DesktopTest, TheScrollBarLiesOverItsPictureRectAndReportsOnlyTheReadersMoves) {
  window()->resize(1280, 960);
  host->showWindow();
  Pump(20);
  ASSERT_TRUE(host->showScrollBar({{627, 0, 640, 481}, 0, 912, 2, 24}));
  QScrollBar& bar = host->scrollBar()->bar();
  EXPECT_TRUE(bar.isVisible());
  EXPECT_EQ(bar.geometry(), QRect(1254, 0, 26, 960));
  bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
  bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
  bar.triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(listener.positions, (std::vector<int>{24, 22, 912}));
  // The engine's own moves (a page turned, the wheel) are shown, not reported back.
  host->showScrollBar({{627, 0, 640, 481}, 100, 912, 2, 24});
  EXPECT_EQ(bar.value(), 100);
  EXPECT_EQ(listener.positions.size(), 3u);
  // It follows the window's scaling.
  window()->resize(640, 480);
  Pump(20);
  EXPECT_EQ(bar.geometry(), QRect(627, 0, 13, 480));
  host->hideScrollBar();
  EXPECT_FALSE(bar.isVisible());
}

// The backlog viewer of a real engine in the window: the bar is the host's control, not
// pixels of the picture, and both ways of moving it meet.
TEST(DesktopBacklog, TheViewerUsesTheHostsScrollBarInsteadOfDrawingOne) {
  test::TempFolder folder;
  folder.write("qwk.cfg", "SavePath=./\r\n");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  QtHost host;
  host.setQuitHandler([](int) {});
  EngineOptions options;
  options.dataRoot = folder.path().string();
  options.startDir = folder.path();
  TFmain engine(host, options);
  std::filesystem::current_path(previous);
  engine.saves().NewPage();
  for (int i = 0; i < 40; ++i) {
    engine.saves().RecordChar("x", false);
    engine.saves().RecordLineBreak();
  }
  BacklogViewer viewer(engine);
  ASSERT_TRUE(viewer.Open());
  engine.saves().SetActiveBacklog(&viewer);
  ASSERT_TRUE(viewer.layout().scrollBarShown);
  ASSERT_NE(host.scrollBar(), nullptr);
  QScrollBar& bar = host.scrollBar()->bar();
  EXPECT_FALSE(bar.isHidden());
  EXPECT_EQ(bar.maximum(), viewer.layout().scrollMax);
  // No drawn thumb or track where the control lies, and a click there is not the engine's.
  EXPECT_NE(engine.shownPicture().at(633, 20), 0xC0C0C0u);
  EXPECT_NE(engine.shownPicture().at(633, 400), 0xE0E0E0u);
  viewer.Press(633, 300);
  EXPECT_EQ(viewer.scrollPosition(), 0);
  bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(viewer.scrollPosition(), 24);
  viewer.ScrollTo(50);
  EXPECT_EQ(bar.value(), 50);
  engine.saves().SetActiveBacklog(nullptr);
  viewer.Close();
  EXPECT_TRUE(bar.isHidden());
}

TEST(GamepadMapping, ButtonsActAsTheMouseAndKeysOrDriveTheHostsMenu) {
  using K = PadAction::Kind;
  struct Case {
    PadButton button;
    PadAction story;
    PadAction inMenu;
  };
  const Case cases[] = {
      {PadButton::A, {K::Click, "", 0}, {K::HostKey, "Enter", 0}},
      {PadButton::B, {K::RightClick, "", 0}, {K::HostKey, "Escape", 0}},
      {PadButton::Start, {K::RightClick, "", 0}, {K::HostKey, "Escape", 0}},
      {PadButton::Up, {K::Key, "Up", 0}, {K::HostKey, "Up", 0}},
      {PadButton::Right, {K::Key, "Right", 0}, {K::HostKey, "Right", 0}},
      {PadButton::LeftShoulder, {K::Wheel, "", 1}, {}},
      {PadButton::RightShoulder, {K::Wheel, "", -1}, {}},
      {PadButton::Other, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.button));
    EXPECT_EQ(PadActionFor(c.button, false), c.story);
    EXPECT_EQ(PadActionFor(c.button, true), c.inMenu);
  }
}

TEST(ReadAloudText, SpeaksTheBaseOfARubyAndNothingOfEmptyLines) {
  EXPECT_EQ(SpokenText("彼は漢字(かんじ)を書いた"), "彼は漢字を書いた");
  EXPECT_EQ(SpokenText("  (ruby) "), "");
  EXPECT_EQ(SpokenText("a(b(c)d)e)f"), "ae)f");
  EXPECT_EQ(SpokenText("「はい」"), "「はい」");
}

}  // namespace
}  // namespace qw
