// The tool windows as Qt widgets under the offscreen platform: the debug window's tabs, lists
// and SET; the slot picker's colour, slider and image buttons; the font window's choosers.
#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gfx/glyphs.h"
#include "host/qt/qt_host.h"
#include "host/qt/tool_window_view.h"
#include "platform/cp932.h"
#include "qt_test_support.h"
#include "state/flags.h"
#include "tools/debug_window.h"
#include "tools/font_window.h"
#include "tools/slot_picker.h"

namespace qw {
namespace {

using test::RecordingListener;

template <typename W>
W* Widget(ToolWindowView* view, const std::string& name) {
  auto* w = dynamic_cast<W*>(view->control(name));
  if (!w) throw std::runtime_error("no widget " + name + " of that kind");
  return w;
}

class ToolWindowViews : public testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<QtHost>();
    host->setListener(&listener);
    host->setQuitHandler([](int) {});
  }
  RecordingListener listener;
  std::unique_ptr<QtHost> host;
};

TEST_F(ToolWindowViews, TheDebugWindowShowsItsTabsAndSetChangesTheFlag) {
  FlagStore flags;
  flags.set(5, "old");
  int quits = 0;
  DebugWindow model(DebugWindow::Services{&flags, [] { return RunStatus{}; },
                                          [](int) { return BufferInfo{}; }, [&] { ++quits; }});
  model.FillValues();
  model.Open();
  host->showToolWindow(model, false);
  ToolWindowView* view = host->toolWindowView(model);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->windowTitle().toStdString(), "デバッグモード");
  EXPECT_EQ(view->width(), 459);
  EXPECT_EQ(view->height(), 315);

  auto* tabs = Widget<QTabBar>(view, "PageControl1");
  ASSERT_EQ(tabs->count(), 4);
  const char* names[] = {"エラーリスト", "変数リスト", "実行時ステータス", "画像バッファ"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(tabs->tabText(i).toStdString(), names[i]);
  EXPECT_EQ(tabs->currentIndex(), 1);
  auto* values = Widget<QListWidget>(view, "ValList");
  auto* errors = Widget<QListWidget>(view, "ErrList");
  EXPECT_TRUE(values->isVisibleTo(view));
  EXPECT_FALSE(errors->isVisibleTo(view));
  ASSERT_EQ(values->count(), 512);
  EXPECT_EQ(values->item(5)->text().toStdString(), "005 = old");
  EXPECT_EQ(Widget<QPushButton>(view, "Button3")->text().toStdString(), "SET");

  values->setCurrentRow(5);
  auto* edit = Widget<QLineEdit>(view, "ValEdit1");
  EXPECT_EQ(Widget<QLabel>(view, "Label6")->text().toStdString(), "5");
  EXPECT_EQ(edit->text().toStdString(), "old");
  edit->setText(QStringLiteral("新しい"));
  emit edit->textEdited(edit->text());
  Widget<QPushButton>(view, "Button3")->click();
  EXPECT_EQ(flags.text(5), Utf8ToCp932("新しい"));
  EXPECT_EQ(values->item(5)->text().toStdString(), "005 = 新しい");

  // The story goes on: a new error shows once the host is told.
  model.AddError("File:autorun.txt Line:3/x");
  host->toolWindowChanged(model);
  EXPECT_EQ(errors->count(), 1);
  tabs->setCurrentIndex(0);
  EXPECT_EQ(model.tab(), 0);
  EXPECT_TRUE(errors->isVisibleTo(view));
  EXPECT_FALSE(values->isVisibleTo(view));
  EXPECT_EQ(errors->item(0)->text().toStdString(), "File:autorun.txt Line:3/x");

  Widget<QPushButton>(view, "Button4")->click();
  EXPECT_EQ(quits, 1);
  Widget<QPushButton>(view, "Button1")->click();
  EXPECT_TRUE(model.closed());
  EXPECT_FALSE(view->isVisible());
  host->closeToolWindow(model);
}

TEST_F(ToolWindowViews, TheSlotPickerTakesItsColourSliderAndImageButtons) {
  GlyphRenderer glyphs;
  SlotPicker picker;
  picker.setGlyphs(&glyphs);
  std::array<SlotEntry, kSaveSlotCount> entries;
  entries[13].used = true;
  entries[13].title = "t";
  picker.Show(SlotPicker::Mode::Load, entries);
  QColor background;
  int maximum = 0;
  bool ticks = false, focused = false, imageButton = false, samePixels = false;
  std::string label;
  QTimer::singleShot(50, [&] {
    ToolWindowView* view = host->toolWindowView(picker);
    ASSERT_NE(view, nullptr);
    background = view->palette().color(QPalette::Window);
    auto* slider = Widget<QSlider>(view, "TrackBar1");
    maximum = slider->maximum();
    ticks = slider->tickPosition() != QSlider::NoTicks;
    focused = view->focusWidget() == slider;
    slider->setValue(3);
    label = Widget<QLabel>(view, "Label1")->text().toStdString();
    auto* button = Widget<QAbstractButton>(view, "TkBtn7");
    imageButton = dynamic_cast<QPushButton*>(button) == nullptr;
    const QImage shown = button->grab().toImage();
    const Surface& drawn = *[&] {
      for (const ToolControl& c : picker.controls())
        if (c.name == "TkBtn7") return c.picture;
      return static_cast<const Surface*>(nullptr);
    }();
    samePixels = shown.width() == drawn.width();
    for (int y = 0; samePixels && y < drawn.height(); y += 3)
      for (int x = 0; samePixels && x < drawn.width(); x += 3)
        samePixels = (shown.pixel(x, y) & 0xFFFFFFu) == drawn.at(x, y);
    button->click();
  });
  host->showToolWindow(picker, true);
  EXPECT_EQ(background, QColor(208, 208, 160));
  EXPECT_EQ(maximum, 19);
  EXPECT_TRUE(ticks);
  EXPECT_TRUE(focused);
  EXPECT_EQ(label, "4/20");
  EXPECT_TRUE(imageButton);
  EXPECT_TRUE(samePixels);
  EXPECT_EQ(picker.chosenSlot(), 14);
}

TEST_F(ToolWindowViews, TheFontWindowsChoosersListTheFontsAndOkCloses) {
  GlyphRenderer glyphs;
  FontWindow model;
  model.SetFontList({"DejaVu Sans", "IPAGothic"});
  model.SetGlyphs(&glyphs);
  model.Open({"IPAGothic", "x", "x", "x"}, {"a", "b", "c", "d"});
  int count = 0, current = -2, unchosen = -2;
  bool preview = false;
  QTimer::singleShot(50, [&] {
    ToolWindowView* view = host->toolWindowView(model);
    ASSERT_NE(view, nullptr);
    auto* first = Widget<QComboBox>(view, "ComboBox1");
    count = first->count();
    current = first->currentIndex();
    unchosen = Widget<QComboBox>(view, "ComboBox2")->currentIndex();
    preview = !Widget<QLabel>(view, "Panel7")->pixmap().isNull();
    emit Widget<QComboBox>(view, "ComboBox2")->activated(0);
    Widget<QPushButton>(view, "Button1")->click();
  });
  host->showToolWindow(model, true);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(current, 1);
  EXPECT_EQ(unchosen, -1);
  EXPECT_TRUE(preview);
  EXPECT_TRUE(model.accepted());
  EXPECT_EQ(model.choices()[1], "DejaVu Sans");
}

}  // namespace
}  // namespace qw
