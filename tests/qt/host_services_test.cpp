// The host services media and tool windows rely on: posts from other threads, timed wakes,
// tool windows shown modally and modelessly, and the click beside the picture and the wheel.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/qt/qt_host.h"
#include "host/qt/tool_window_view.h"
#include "qt_test_support.h"

namespace qw {
namespace {

using test::Pump;
using test::RecordingListener;
using Events = std::vector<std::string>;

// A window with a label, a list and two buttons; "ok" closes it, "cancel" too.
class SampleModel final : public ToolWindowModel {
 public:
  std::vector<std::string> acts;
  std::vector<std::string> lines = {"000 = ", "001 = 7"};
  int selected = -1;
  bool isClosed = false;

  std::string formName() const override { return "TFsample"; }
  std::string caption() const override { return "見本"; }
  int width() const override { return 200; }
  int height() const override { return 160; }
  std::vector<ToolControl> controls() const override {
    ToolControl label{ToolControl::Kind::Label, "Label1", "フラグ", {}, {8, 8, 190, 24}};
    ToolControl list{ToolControl::Kind::List, "ValList", {}, lines, {8, 30, 190, 100}, selected};
    ToolControl ok{ToolControl::Kind::Button, "ok", "OK", {}, {8, 120, 90, 150}};
    ToolControl cancel{ToolControl::Kind::Button, "cancel", "キャンセル", {}, {100, 120, 190, 150}};
    return {label, list, ok, cancel};
  }
  void act(const std::string& control, int value, const std::string& text) override {
    acts.push_back(control + " " + std::to_string(value) + (text.empty() ? "" : " " + text));
    if (control == "ValList") selected = value;
    if (control == "ok" || control == "cancel") isClosed = true;
  }
  bool closed() const override { return isClosed; }
};

class QtHostServices : public testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<QtHost>();
    host->setListener(&listener);
    host->setQuitHandler([](int) {});
  }
  RecordingListener listener;
  std::unique_ptr<QtHost> host;
};

TEST_F(QtHostServices, APostFromAnotherThreadWakesTheWaitAndRunsOnTheMainThread) {
  const std::thread::id main = std::this_thread::get_id();
  std::thread::id ranOn;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    host->post([&] { ranOn = std::this_thread::get_id(); });
  });
  const std::uint32_t start = host->ticks();
  // No deadline: only the post can end this wait.
  EXPECT_TRUE(host->waitMessage(std::nullopt));
  poster.join();
  EXPECT_EQ(ranOn, main);
  EXPECT_LT(host->ticks() - start, 2000u);
}

TEST_F(QtHostServices, AWakeEndsAWaitWithALaterDeadlineAndCanBeCancelled) {
  const std::uint32_t start = host->ticks();
  host->wakeAt(start + 40);
  EXPECT_TRUE(host->waitMessage(start + 5000));
  EXPECT_EQ(listener.events, (Events{"wake"}));
  EXPECT_GE(host->ticks() - start, 39u);
  EXPECT_LT(host->ticks() - start, 2000u);

  listener.events.clear();
  host->wakeAt(host->ticks() + 20);
  host->cancelWake();
  EXPECT_FALSE(host->waitMessage(host->ticks() + 80));
  EXPECT_TRUE(listener.events.empty());
}

TEST_F(QtHostServices, AModalToolWindowShowsTheModelAndReturnsWhenItCloses) {
  SampleModel model;
  std::string caption, label;
  int lines = 0;
  QTimer::singleShot(50, [&] {
    ToolWindowView* view = host->toolWindowView(model);
    ASSERT_NE(view, nullptr);
    caption = view->windowTitle().toStdString();
    label = static_cast<QLabel*>(view->control("Label1"))->text().toStdString();
    auto* list = static_cast<QListWidget*>(view->control("ValList"));
    lines = list->count();
    list->setCurrentRow(1);
    static_cast<QPushButton*>(view->control("ok"))->click();
  });
  host->showToolWindow(model, true);
  EXPECT_EQ(caption, "見本");
  EXPECT_EQ(label, "フラグ");
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(model.acts, (Events{"ValList 1", "ok 0"}));
  EXPECT_EQ(host->toolWindowView(model), nullptr);
}

TEST_F(QtHostServices, AModelessToolWindowFollowsItsModelUntilClosed) {
  SampleModel model;
  host->showToolWindow(model, false);
  ToolWindowView* view = host->toolWindowView(model);
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  auto* list = static_cast<QListWidget*>(view->control("ValList"));
  EXPECT_EQ(list->count(), 2);
  model.lines.push_back("002 = x");
  host->toolWindowChanged(model);
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text().toStdString(), "002 = x");
  // Refreshing is not the reader's doing: no act reached the model.
  EXPECT_TRUE(model.acts.empty());
  host->closeToolWindow(model);
  EXPECT_EQ(host->toolWindowView(model), nullptr);
}

TEST_F(QtHostServices, TheFormTimerWaitsWhileAMessageBoxIsOpen) {
  // A handler that fails each tick would otherwise stack error boxes without end.
  int boxes = 0;
  listener.onTimerHook = [&] {
    ++boxes;
    QTimer::singleShot(350, [] {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    host->messageBox({"failed", "", MessageIcon::Error, MessageButtons::Ok});
  };
  host->setTimerEnabled(true);
  Pump(300);
  host->setTimerEnabled(false);
  Pump(400);
  EXPECT_EQ(boxes, 1);
}

TEST_F(QtHostServices, TheWheelGivesWholeNotchesAtThePicturePoint) {
  QWidget* w = host->window();
  w->resize(640, 480);
  host->showWindow();
  Pump(20);
  auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(100, 50), w->mapToGlobal(QPointF(100, 50)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
  };
  wheel(120);
  wheel(-60);
  wheel(-60);
  wheel(-240);
  EXPECT_EQ(listener.events, (Events{"wheel 1 100 50", "wheel -1 100 50", "wheel -2 100 50"}));
}

}  // namespace
}  // namespace qw
