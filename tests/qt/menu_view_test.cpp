// The pop-up menu as a QMenu, the Qt host's menu, cursors and window modes under the
// offscreen platform.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/qt/cursors.h"
#include "host/qt/popup_menu_view.h"
#include "host/qt/qt_host.h"
#include "present/popup_menu.h"
#include "qt_test_support.h"

namespace qw {
namespace {

std::string Text(const QString& s) {
  return s.toStdString();
}

std::vector<std::string> Names(const QMenu& menu) {
  std::vector<std::string> names;
  for (const QAction* a : menu.actions())
    names.push_back(Text(a->objectName()));
  return names;
}

const QAction* Find(const QMenu& menu, const char* name) {
  for (const QAction* a : menu.findChildren<QAction*>()) {
    if (a->objectName() == QLatin1String(name)) return a;
  }
  return nullptr;
}

TEST(PopupMenuView, ShowsTheModelsCaptionsChecksAndStates) {
  PopupMenu model;
  model.setEnabled("Khidetext", true);
  model.setChecked("Kmusic", false);
  model.setChecked("Mdarkness", true);
  model.setCaption("Mdebug", "デバッグモード");
  model.setEnabled("Mback", false);
  const std::unique_ptr<QMenu> menu = BuildPopupMenu(model.items());

  EXPECT_EQ(Names(*menu),
            (std::vector<std::string>{"Mdisplay", "Moption", "Msave", "Mload", "Mback", "Mscrshot",
                                      "Mtitle", "Mversion", "Mexit", "Mdebug", "Mskipout"}));
  const QMenu* display = menu->actions()[0]->menu();
  const QMenu* options = menu->actions()[1]->menu();
  ASSERT_NE(display, nullptr);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(Text(menu->actions()[0]->text()), "画面表示");
  EXPECT_EQ(Names(*display), (std::vector<std::string>{"Khideimage", "Khidetext", "Kwinmode",
                                                       "Kfullscr", "Mdarkness"}));
  EXPECT_EQ(Names(*options),
            (std::vector<std::string>{"Kmusic", "Ksound", "Ktxtwait", "Ktxtskip", "Kautoadv",
                                      "Kfont"}));

  for (const MenuItem& item : model.items()) {
    SCOPED_TRACE(item.name);
    const QAction* a = Find(*menu, item.name.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Text(a->text()), item.caption);
    EXPECT_EQ(a->isEnabled(), item.enabled);
    if (!model.isSubmenu(item.name)) {
      EXPECT_EQ(a->isChecked(), item.checked);
      EXPECT_EQ(a->isCheckable(), item.checkable);
      EXPECT_EQ(Text(a->shortcut().toString(QKeySequence::PortableText)), item.shortcut);
    }
  }
  EXPECT_TRUE(Find(*menu, "Kwinmode")->isChecked());
  EXPECT_FALSE(Find(*menu, "Kmusic")->isChecked());
  EXPECT_TRUE(Find(*menu, "Khidetext")->isEnabled());
  EXPECT_FALSE(Find(*menu, "Mback")->isEnabled());
}

// Acts on the pop-up menu as soon as it is open; fails the test when none opens.
class WhenMenuOpens {
 public:
  explicit WhenMenuOpens(std::function<void(QMenu*)> act) : act_(std::move(act)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        poll_.stop();
        seen_ = true;
        act_(menu);
      } else if (++tries_ > 1000) {
        poll_.stop();
      }
    });
    poll_.start();
  }
  ~WhenMenuOpens() { EXPECT_TRUE(seen_) << "no menu opened"; }

 private:
  std::function<void(QMenu*)> act_;
  QTimer poll_;
  int tries_ = 0;
  bool seen_ = false;
};

void Press(QWidget* to, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(to, &press);
}

class QtMenuHost : public testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<QtHost>();
    host->setListener(&listener);
    host->setQuitHandler([](int) {});
    host->showWindow();
    test::Pump(20);
  }
  test::RecordingListener listener;
  std::unique_ptr<QtHost> host;
};

TEST_F(QtMenuHost, ShowPopupMenuReturnsTheChosenItemOrNothing) {
  PopupMenu model;
  std::optional<std::string> chosen;
  {
    WhenMenuOpens act([](QMenu* menu) {
      for (QAction* a : menu->actions()) {
        if (a->objectName() == QLatin1String("Mexit")) menu->setActiveAction(a);
      }
      Press(menu, Qt::Key_Return);
    });
    chosen = host->showPopupMenu(model.items(), 100, 100);
  }
  EXPECT_EQ(chosen, "Mexit");
  {
    WhenMenuOpens act([](QMenu* menu) { Press(menu, Qt::Key_Escape); });
    chosen = host->showPopupMenu(model.items(), 10, 10);
  }
  EXPECT_EQ(chosen, std::nullopt);
}

TEST_F(QtMenuHost, CloseRequestReachesTheListenerLater) {
  host->requestClose();
  EXPECT_TRUE(listener.events.empty()) << "posted, not run at once";
  test::Pump(30);
  EXPECT_EQ(listener.events, (std::vector<std::string>{"close"}));
}

TEST_F(QtMenuHost, FrameAndFullScreenChangeTheWindow) {
  QWidget* w = host->window();
  host->setWindowFrame(false);
  test::Pump(20);
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->size(), QSize(640, 480));
  host->setWindowFrame(true);
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::FramelessWindowHint));

  w->resize(800, 500);
  test::Pump(20);
  const QRect windowed = w->geometry();
  ASSERT_TRUE(host->setFullScreen(true));
  test::Pump(20);
  EXPECT_TRUE(w->isFullScreen());
  host->setWindowFrame(true);  // ignored while full screen
  EXPECT_TRUE(w->isFullScreen());
  ASSERT_TRUE(host->setFullScreen(false));
  test::Pump(20);
  EXPECT_FALSE(w->isFullScreen());
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(w->geometry().size(), windowed.size());
}

TEST_F(QtMenuHost, CursorShapesAreTheProjectsImages) {
  std::set<std::vector<QRgb>> distinct;
  for (CursorShape shape : {CursorShape::Pen, CursorShape::Hand, CursorShape::Wait,
                            CursorShape::Arrow, CursorShape::Blank}) {
    const QImage image = CursorImage(shape).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(32, 32));
    std::vector<QRgb> pixels;
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        pixels.push_back(image.pixel(x, y));
        opaque += qAlpha(image.pixel(x, y)) != 0;
      }
    }
    if (shape == CursorShape::Blank) {
      EXPECT_EQ(opaque, 0);
    } else {
      EXPECT_GT(opaque, 40) << static_cast<int>(shape);
    }
    distinct.insert(pixels);
  }
  EXPECT_EQ(distinct.size(), 5u);
  EXPECT_TRUE(CursorImage(CursorShape::Default).isNull());

  QWidget* w = host->window();
  host->setCursorShape(CursorShape::Hand);
  EXPECT_TRUE(w->testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(w->cursor().hotSpot(), QPoint(5, 0));
  host->setCursorShape(CursorShape::Default);
  EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace qw
