#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <time.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

#include "host/qt/qt_host.h"
#include "qt_test_support.h"

namespace qw {
namespace {

using test::Pump;
using test::RecordingListener;

class QtHostTest : public testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<QtHost>();
    host->setListener(&listener);
    host->setQuitHandler([this](int code) { quits.push_back(code); });
  }
  void TearDown() override { host.reset(); }

  QWidget* window() { return host->window(); }

  void showAt(int width, int height) {
    window()->resize(width, height);
    host->showWindow();
    Pump(20);
  }

  void mouse(QEvent::Type type, double x, double y, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(x, y), window()->mapToGlobal(QPointF(x, y)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(window(), &event);
  }
  void press(double x, double y, Qt::MouseButton b = Qt::LeftButton) {
    mouse(QEvent::MouseButtonPress, x, y, b, b);
  }
  void release(double x, double y, Qt::MouseButton b = Qt::LeftButton) {
    mouse(QEvent::MouseButtonRelease, x, y, b, Qt::NoButton);
  }
  void move(double x, double y, Qt::MouseButtons held = Qt::NoButton) {
    mouse(QEvent::MouseMove, x, y, Qt::NoButton, held);
  }
  void key(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, code, modifiers);
    QApplication::sendEvent(window(), &event);
  }

  QImage grab() { return window()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  RecordingListener listener;
  std::unique_ptr<QtHost> host;
  std::vector<int> quits;
};

using Events = std::vector<std::string>;

// ---- the window ----

TEST_F(QtHostTest, StartsAsABlackCaptionedWindowOfTheClassicSize) {
  host->showWindow();
  Pump(20);
  EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillwork"));
  EXPECT_EQ(window()->size(), QSize(640, 480));
  const QImage shot = grab();
  EXPECT_EQ(shot.pixel(0, 0), 0xff000000u);
  EXPECT_EQ(shot.pixel(639, 479), 0xff000000u);
  host->setCaption("物語の題 <1>");
  EXPECT_EQ(window()->windowTitle(), QString::fromUtf8("物語の題 <1>"));
}

// A pattern whose every pixel differs, with junk in the unused top byte.
Surface Pattern() {
  Surface s(640, 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x)
      s.at(x, y) = 0x5a000000u | (x & 0xff) << 16 | y << 8 | (x >> 8);
  }
  return s;
}

QRgb Opaque(std::uint32_t pixel) {
  return 0xff000000u | (pixel & 0xffffffu);
}

TEST_F(QtHostTest, PresentCopiesOnlyTheGivenArea) {
  showAt(640, 480);
  Surface shown = Pattern();
  host->present(shown, {0, 0, 640, 480});
  QImage shot = grab();
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{639, 479}, std::pair{300, 200}}) {
    EXPECT_EQ(shot.pixel(x, y), Opaque(shown.at(x, y))) << x << "," << y;
  }
  // Change everything, present a small part: only that part may change on screen.
  const Surface before = shown;
  shown.fill(0x00ff0000u);
  host->present(shown, {10, 20, 30, 25});
  shot = grab();
  EXPECT_EQ(shot.pixel(10, 20), 0xffff0000u);
  EXPECT_EQ(shot.pixel(29, 24), 0xffff0000u);
  EXPECT_EQ(shot.pixel(30, 24), Opaque(before.at(30, 24)));
  EXPECT_EQ(shot.pixel(29, 25), Opaque(before.at(29, 25)));
  EXPECT_EQ(shot.pixel(9, 20), Opaque(before.at(9, 20)));
  // An area reaching out of the surface is clipped, not a crash.
  host->present(shown, {600, 450, 900, 900});
  EXPECT_EQ(grab().pixel(639, 479), 0xffff0000u);
}

Surface Checkerboard() {
  Surface s(640, 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x)
      s.at(x, y) = (x + y) % 2 ? 0xffffffu : 0x000000u;
  }
  return s;
}

TEST_F(QtHostTest, ScalesSharplyAtWholeMultiplesAndLetterboxes) {
  const Surface board = Checkerboard();
  showAt(1280, 960);
  host->present(board, {0, 0, 640, 480});
  QImage shot = grab();
  ASSERT_EQ(shot.size(), QSize(1280, 960));
  for (int y = 0; y < 960; y += 37) {
    for (int x = 0; x < 1280; x += 13) {
      ASSERT_EQ(shot.pixel(x, y), Opaque(board.at(x / 2, y / 2))) << x << "," << y;
    }
  }

  window()->resize(800, 480);
  Pump(20);
  shot = grab();
  EXPECT_EQ(shot.pixel(79, 100), 0xff000000u);   // bar
  EXPECT_EQ(shot.pixel(720, 100), 0xff000000u);  // bar
  EXPECT_EQ(shot.pixel(80, 101), Opaque(board.at(0, 101)));
  EXPECT_EQ(shot.pixel(719, 100), Opaque(board.at(639, 100)));
}

TEST_F(QtHostTest, ScalesSmoothlyOtherwise) {
  showAt(960, 720);
  host->present(Checkerboard(), {0, 0, 640, 480});
  const QImage shot = grab();
  // A one-pixel checkerboard at 1.5x blends into greys somewhere; nearest would not.
  int greys = 0;
  for (int x = 0; x < 960; ++x) {
    const int red = qRed(shot.pixel(x, 300));
    if (red > 40 && red < 215) ++greys;
  }
  EXPECT_GT(greys, 100);
}

TEST_F(QtHostTest, RepaintsOfABurstOfPresentsCoalesce) {
  showAt(640, 480);
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  window()->installEventFilter(&counter);
  Surface shown(640, 480);
  for (int i = 0; i < 50; ++i) {
    shown.fill(static_cast<std::uint32_t>(i));
    host->present(shown, {i, i, i + 10, i + 10});
  }
  EXPECT_EQ(counter.paints, 0) << "present must not paint by itself";
  Pump(100);
  EXPECT_GE(counter.paints, 1);
  EXPECT_LE(counter.paints, 2);
  window()->removeEventFilter(&counter);
}

// ---- input ----

TEST_F(QtHostTest, LeftPressAndReleaseGiveDownUpThenClickInPictureCoordinates) {
  showAt(1280, 960);  // 2x
  press(201, 101);
  release(203.5, 103);
  EXPECT_EQ(listener.events, (Events{"down 100 50", "up 101 51", "click 101 51"}));

  listener.events.clear();
  press(10, 10, Qt::RightButton);
  release(12, 12, Qt::RightButton);
  EXPECT_EQ(listener.events, (Events{"down 5 5 R", "up 6 6 R"}));

  // A double click is two presses, so two clicks.
  listener.events.clear();
  press(0, 0);
  release(0, 0);
  mouse(QEvent::MouseButtonDblClick, 0, 0, Qt::LeftButton, Qt::LeftButton);
  release(0, 0);
  EXPECT_EQ(listener.events,
            (Events{"down 0 0", "up 0 0", "click 0 0", "down 0 0", "up 0 0", "click 0 0"}));

  listener.events.clear();
  press(20, 20, Qt::MiddleButton);
  release(20, 20, Qt::MiddleButton);
  EXPECT_TRUE(listener.events.empty());
}

TEST_F(QtHostTest, TheLetterboxIsNotPartOfThePicture) {
  showAt(800, 480);  // picture at x 80 .. 719
  press(40, 100);
  release(90, 100);
  move(50, 100);
  // A left press beside the picture is a click outside it (which ends a movie); nothing more.
  EXPECT_EQ(listener.events, (Events{"outside"}));
  listener.events.clear();

  move(100, 100);
  press(100, 100);
  move(10, 470, Qt::LeftButton);  // dragged out: clamped to the edge
  release(5, 479);
  EXPECT_EQ(listener.events, (Events{"move 20 100", "down 20 100", "move 0 470", "up 0 479"}));
}

TEST_F(QtHostTest, KeysArriveByName) {
  showAt(640, 480);
  key(Qt::Key_Return);
  key(Qt::Key_Enter, Qt::KeypadModifier);
  key(Qt::Key_Escape);
  key(Qt::Key_Space);
  key(Qt::Key_Up);
  key(Qt::Key_Down);
  key(Qt::Key_Left);
  key(Qt::Key_Right);
  key(Qt::Key_A);
  key(Qt::Key_Z);
  key(Qt::Key_S, Qt::ControlModifier);
  key(Qt::Key_0);
  key(Qt::Key_9);
  key(Qt::Key_F1);
  key(Qt::Key_Shift);
  key(Qt::Key_Exclam);
  EXPECT_EQ(listener.events,
            (Events{"key Enter", "key Enter", "key Escape", "key Space", "key Up", "key Down",
                    "key Left", "key Right", "key A", "key Z", "key ctrl+S", "key 0", "key 9"}));
}

// ---- closing and exits ----

TEST_F(QtHostTest, CloseHonoursTheListenersAnswer) {
  host->showWindow();
  Pump(20);
  listener.allowClose = false;
  EXPECT_FALSE(window()->close());
  EXPECT_TRUE(window()->isVisible());
  EXPECT_TRUE(quits.empty());

  listener.allowClose = true;
  EXPECT_TRUE(window()->close());
  EXPECT_FALSE(window()->isVisible());
  EXPECT_EQ(listener.events, (Events{"close", "close"}));
  EXPECT_EQ(quits, (std::vector<int>{0}));
}

TEST_F(QtHostTest, CloseEndsWithTheEnginesExitCode) {
  host->showWindow();
  listener.allowClose = true;
  listener.exitCode = 0;
  window()->close();
  EXPECT_EQ(quits, (std::vector<int>{0}));  // once, not twice
}

TEST_F(QtHostTest, ExitRequestsEndTheApplicationOnlyOutsideTheEngine) {
  showAt(640, 480);
  listener.hook = [this](const std::string& event) {
    if (event == "key Q") listener.exitCode = 7;
  };
  // Inside a wait the engine unwinds by itself.
  auto* posted = new QKeyEvent(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier);
  QApplication::postEvent(window(), posted);
  host->processMessages();
  EXPECT_EQ(listener.events, (Events{"key Q"}));
  EXPECT_TRUE(quits.empty());
  // At the top level nobody else would.
  key(Qt::Key_Space);
  EXPECT_EQ(quits, (std::vector<int>{7}));
}

TEST_F(QtHostTest, WhatAHandlerThrowsReachesTheWaitingEngine) {
  showAt(640, 480);
  listener.hook = [](const std::string& event) {
    if (event == "key X") throw std::runtime_error("boom");
  };
  QApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier));
  EXPECT_THROW(host->processMessages(), std::runtime_error);
  EXPECT_NO_THROW(host->processMessages());
  // With no engine call to take it, it ends the application instead of reaching Qt.
  key(Qt::Key_X);
  EXPECT_EQ(quits, (std::vector<int>{1}));
}

// ---- time ----

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

TEST_F(QtHostTest, WaitSleepsUntilItsDeadline) {
  showAt(640, 480);
  Pump(50);
  const std::uint32_t start = host->ticks();
  const std::uint32_t deadline = start + 200;
  const double cpuBefore = CpuMs();
  EXPECT_FALSE(host->waitMessage(deadline));
  const std::uint32_t waited = host->ticks() - start;
  EXPECT_GE(waited, 200u);
  EXPECT_LT(waited, 400u);
  EXPECT_LT(CpuMs() - cpuBefore, 50.0) << "a wait must not spin";

  // Repaints and other events of Qt's own do not end it early.
  host->present(Surface(640, 480, 0x123456), {0, 0, 640, 480});
  const std::uint32_t again = host->ticks();
  EXPECT_FALSE(host->waitMessage(again + 100));
  EXPECT_GE(host->ticks() - again, 100u);

  // A deadline already past returns at once.
  const std::uint32_t t0 = host->ticks();
  EXPECT_FALSE(host->waitMessage(t0 - 5));
  EXPECT_LT(host->ticks() - t0, 20u);
}

TEST_F(QtHostTest, WaitEndsEarlyWhenInputArrives) {
  showAt(640, 480);
  QTimer::singleShot(40, window(), [this] {
    QApplication::postEvent(window(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
  });
  const std::uint32_t start = host->ticks();
  EXPECT_TRUE(host->waitMessage(start + 5000));
  EXPECT_LT(host->ticks() - start, 1000u);
  EXPECT_EQ(listener.events, (Events{"key Enter"}));

  QTimer::singleShot(40, window(), [this] {
    QApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
  });
  while (!host->waitMessage(std::nullopt)) {
  }
  EXPECT_EQ(listener.events.back(), "key A");
}

TEST_F(QtHostTest, TheFormTimerTicksOnlyWhileEnabled) {
  host->setTimerEnabled(true);
  host->setTimerEnabled(true);  // no restart, no second timer
  const std::uint32_t until = host->ticks() + 350;
  while (static_cast<std::int32_t>(until - host->ticks()) > 0)
    host->waitMessage(until);
  EXPECT_GE(listener.timerCount, 2);
  EXPECT_LE(listener.timerCount, 4);

  host->setTimerEnabled(false);
  const int ticked = listener.timerCount;
  Pump(250);
  EXPECT_EQ(listener.timerCount, ticked);
}

// On a screen of device pixel ratio 2 the 640 x 480 window has 1280 x 960 device pixels: the
// picture must fill them at 2x, sharply, and mouse positions must map back. The test runs
// itself again under QT_SCALE_FACTOR=2, since the ratio is fixed when QApplication starts.
TEST(QtHostHiDpi, PaintsAndMapsInDevicePixels) {
  if (!qEnvironmentVariableIsSet("QW_HIDPI_CHILD")) {
    EXPECT_EQ(test::RunSelf("QT_SCALE_FACTOR=2 QW_HIDPI_CHILD=1",
                            "--gtest_filter=QtHostHiDpi.* > /dev/null 2>&1"),
              0)
        << "the run under QT_SCALE_FACTOR=2 failed";
    return;
  }
  QtHost host;
  RecordingListener listener;
  host.setListener(&listener);
  host.setQuitHandler([](int) {});
  host.showWindow();
  Pump(20);
  QWidget* window = host.window();
  ASSERT_EQ(window->devicePixelRatioF(), 2.0);
  EXPECT_EQ(window->size(), QSize(640, 480));

  const Surface board = Checkerboard();
  host.present(board, {0, 0, 640, 480});
  const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), QSize(1280, 960));
  for (int y = 0; y < 960; y += 31) {
    for (int x = 0; x < 1280; x += 7) {
      ASSERT_EQ(shot.pixel(x, y), Opaque(board.at(x / 2, y / 2))) << x << "," << y;
    }
  }

  const QPointF at(100.25, 50.75);  // device pixel (200.5, 101.5)
  QMouseEvent down(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::LeftButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, at, window->mapToGlobal(at), Qt::LeftButton,
                 Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(window, &up);
  EXPECT_EQ(listener.events, (Events{"down 100 50", "up 100 50", "click 100 50"}));
}

}  // namespace
}  // namespace qw
