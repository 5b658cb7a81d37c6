#include "host/qt/qt_host.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <utility>
#include <vector>

#include "host/qt/cursors.h"
#include "host/qt/file_filter.h"
#include "host/qt/frame_log.h"
#include "host/qt/overlay_scroll_bar.h"
#include "host/qt/picture_window.h"
#include "host/qt/popup_menu_view.h"
#include "host/qt/read_aloud.h"
#include "host/qt/tool_window_view.h"

namespace qw {

namespace {

const char* const kTitle = "Quillwork";

// Counts the host dialogs open (message boxes, input boxes, file dialogs, modal tool windows).
struct ModalScope {
  explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
  ~ModalScope() { --depth_; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  int& depth_;
};

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString TitleOr(const std::string& caption) {
  return caption.empty() ? QString::fromLatin1(kTitle) : FromUtf8(caption);
}

QMessageBox::Icon IconFor(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The buttons in their order of appearance; the first is the default, as on Windows.
std::vector<QMessageBox::StandardButton> ButtonsFor(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
      break;
    case MessageButtons::OkCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case MessageButtons::YesNo:
      return {QMessageBox::Yes, QMessageBox::No};
    case MessageButtons::YesNoCancel:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
  }
  return {QMessageBox::Ok};
}

// What Escape or the close box answers: Cancel where there is one, else No, else OK.
QMessageBox::StandardButton EscapeButton(const std::vector<QMessageBox::StandardButton>& all) {
  for (auto wanted : {QMessageBox::Cancel, QMessageBox::No}) {
    for (auto b : all) {
      if (b == wanted) return b;
    }
  }
  return QMessageBox::Ok;
}

MessageAnswer AnswerFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Ok;
  }
}

}  // namespace

QtHost::QtHost()
    : window_(std::make_unique<PictureWindow>(*this)), frameLog_(FrameLog::FromEnvironment()) {
  window_->setWindowTitle(QString::fromLatin1(kTitle));
  const QSize client(640, 480);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window_->setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, client, screen->availableGeometry()));
  } else {
    window_->resize(client);
  }
  timer1_.setInterval(100);
  QObject::connect(&timer1_, &QTimer::timeout, &timer1_, [this] {
    // A handler that fails shows an error box; with the timer running on under the box, each
    // tick would stack another one. The form's timer waits while a host dialog is open.
    if (modalDepth_ == 0) deliver([](HostListener& l) { l.onTimer(); });
  });
  wake_.setSingleShot(true);
  wake_.setTimerType(Qt::PreciseTimer);
  wakeAt_.setSingleShot(true);
  wakeAt_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&wakeAt_, &QTimer::timeout, &wakeAt_,
                   [this] { deliver([](HostListener& l) { l.onWake(); }); });
}

QtHost::~QtHost() = default;

QWidget* QtHost::window() const {
  return window_.get();
}

void QtHost::showWindow() {
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void QtHost::quit(int code) {
  if (quit_) {
    quit_(code);
  } else {
    QCoreApplication::exit(code);
  }
}

std::uint32_t QtHost::ticks() {
  return clock_.read(ClockNs());
}

LocalTime QtHost::localTime() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  LocalTime t;
  t.second = parts.tm_sec;
  t.minute = parts.tm_min;
  t.hour = parts.tm_hour;
  t.day = parts.tm_mday;
  t.month = parts.tm_mon + 1;
  t.year = parts.tm_year + 1900;
  t.weekday = parts.tm_wday;
  t.yearDay = parts.tm_yday;
  return t;
}

std::uint32_t QtHost::randomSeed() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint32_t>(now.tv_sec) * 1000003u ^
         static_cast<std::uint32_t>(now.tv_nsec) ^ ticks();
}

void QtHost::processMessages() {
  Nested nested(*this);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  rethrowPending();
}

bool QtHost::waitMessage(std::optional<std::uint32_t> deadline) {
  Nested nested(*this);
  const std::uint64_t before = delivered_;
  std::optional<std::int64_t> due;
  if (deadline) due = clock_.dueAt(*deadline);
  if (frameLog_ && due) frameLog_->waitBegins((*due - ClockNs()) / 1000);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Qt's own events (repaints, timers of widgets) wake the dispatcher too; they are handled
  // and the sleep goes on until the listener has had an event or the deadline is reached.
  while (delivered_ == before) {
    if (due) {
      const std::int64_t remaining = *due - ClockNs();
      if (remaining <= 0) break;
      const std::optional<int> wakeMs = DispatcherSleepMs(remaining);
      if (!wakeMs) {
        // The dispatcher's timers are late by up to a millisecond: the last stretch is slept
        // here, so that a pause of 1 or 2 ms does not last twice as long. What arrives
        // meanwhile (a repaint falling due among them) waits for the next round rather than
        // stretch this one.
        WatchUntil(*due);
        break;
      }
      wake_.start(*wakeMs);
    }
    // Blocks in the event dispatcher (no polling) until something arrives; then whatever
    // came with it is delivered too.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  wake_.stop();
  if (frameLog_ && due) frameLog_->waitEnds();
  rethrowPending();
  return delivered_ != before;
}

void QtHost::present(const Surface& shown, const IntRect& area) {
  window_->showArea(shown, area);
  if (frameLog_) frameLog_->presented();
}

void QtHost::setCaption(const std::string& caption) {
  window_->setWindowTitle(FromUtf8(caption));
  if (frameLog_) frameLog_->caption(caption);
}

void QtHost::setTimerEnabled(bool enabled) {
  // Enabling a running timer does not restart its interval.
  if (enabled && !timer1_.isActive()) {
    timer1_.start();
  } else if (!enabled) {
    timer1_.stop();
  }
}

MessageAnswer QtHost::messageBox(const MessageBoxSpec& spec) {
  Nested nested(*this);
  ModalScope modal(modalDepth_);
  QMessageBox box(IconFor(spec.icon), TitleOr(spec.caption), FromUtf8(spec.text),
                  QMessageBox::NoButton, dialogParent());
  // Script texts may hold "<" and "&": never rich text.
  box.setTextFormat(Qt::PlainText);
  const auto buttons = ButtonsFor(spec.buttons);
  for (auto b : buttons)
    box.addButton(b);
  box.setDefaultButton(buttons.front());
  const QMessageBox::StandardButton escape = EscapeButton(buttons);
  box.setEscapeButton(escape);
  box.exec();
  rethrowPending();
  QAbstractButton* clicked = box.clickedButton();
  return AnswerFor(clicked ? box.standardButton(clicked) : escape);
}

std::optional<std::string> QtHost::inputBox(const std::string& caption, const std::string& prompt,
                                            const std::string& initial) {
  Nested nested(*this);
  ModalScope modal(modalDepth_);
  QInputDialog dialog(dialogParent());
  dialog.setWindowTitle(TitleOr(caption));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setLabelText(FromUtf8(prompt));
  dialog.setTextValue(FromUtf8(initial));
  const int result = dialog.exec();
  rethrowPending();
  if (result != QDialog::Accepted) return std::nullopt;
  return ToUtf8(dialog.textValue());
}

std::optional<std::string> QtHost::openFile(const OpenFileSpec& spec) {
  Nested nested(*this);
  ModalScope modal(modalDepth_);
  QFileDialog dialog(dialogParent(), FromUtf8(spec.title), FromUtf8(spec.initialDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const std::string filter = QtFileFilter(spec.filter);
  if (!filter.empty()) dialog.setNameFilters(FromUtf8(filter).split(QStringLiteral(";;")));
  QString extension = FromUtf8(spec.defaultExtension);
  if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
  if (!extension.isEmpty()) dialog.setDefaultSuffix(extension);
  if (!spec.fileName.empty()) dialog.selectFile(FromUtf8(spec.fileName));
  const int result = dialog.exec();
  rethrowPending();
  if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToUtf8(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath());
}

int QtHost::colorDepth() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 32;
}

void QtHost::beep() {
  QApplication::beep();
}

std::optional<std::string> QtHost::showPopupMenu(const std::vector<MenuEntry>& entries, int x,
                                                 int y) {
  Nested nested(*this);
  std::unique_ptr<QMenu> menu = BuildPopupMenu(entries, window_.get());
  ++popupMenusShown_;
  const QAction* chosen = menu->exec(window_->mapToGlobal(window_->widgetPointOf(x, y)));
  // The release of the press that opened the menu went to the menu.
  window_->forgetPress(Qt::RightButton);
  std::optional<std::string> name;
  if (chosen) name = ToUtf8(chosen->objectName());
  rethrowPending();
  return name;
}

void QtHost::requestClose() {
  QMetaObject::invokeMethod(window_.get(), &QWidget::close, Qt::QueuedConnection);
}

void QtHost::setCursorShape(CursorShape shape) {
  if (shape == CursorShape::Default) {
    window_->unsetCursor();
  } else {
    window_->setCursor(CursorFor(shape));
  }
}

void QtHost::setWindowFrame(bool framed) {
  if (fullScreen_) return;
  QWidget* w = window_.get();
  const bool visible = w->isVisible();
  w->setWindowFlag(Qt::FramelessWindowHint, !framed);
  const QSize client(640, 480);
  if (const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen()) {
    w->setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, client, screen->availableGeometry()));
  } else {
    w->resize(client);
  }
  // Changing the flags hides a shown window.
  if (visible) w->show();
}

bool QtHost::setFullScreen(bool on) {
  QWidget* w = window_.get();
  if (on == fullScreen_) return true;
  if (on) {
    if (!w->screen() && !QGuiApplication::primaryScreen()) return false;
    windowedGeometry_ = w->geometry();
    w->setWindowFlag(Qt::FramelessWindowHint, true);
    w->showFullScreen();
    fullScreen_ = true;
    return true;
  }
  w->setWindowFlag(Qt::FramelessWindowHint, false);
  w->showNormal();
  if (windowedGeometry_.isValid()) w->setGeometry(windowedGeometry_);
  fullScreen_ = false;
  return true;
}

bool QtHost::warpPointer(int x, int y) {
  QWidget* w = window_.get();
  if (!w->isVisible() || (w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
    return false;
  }
  QScreen* screen = w->screen();
  if (!screen) return false;
  QCursor::setPos(screen, w->mapToGlobal(window_->widgetPointOf(x, y)));
  return true;
}

bool QtHost::showScrollBar(const ScrollBarSpec& spec) {
  if (!scrollBar_) {
    scrollBar_ = std::make_unique<OverlayScrollBar>(*window_, [this](int position) {
      deliver([&](HostListener& l) { l.onScrollBar(position); });
    });
  }
  scrollBar_->show(spec);
  return true;
}

void QtHost::hideScrollBar() {
  if (scrollBar_) scrollBar_->hide();
}

void QtHost::storyLineShown(const std::string& utf8) {
  if (readAloud_) readAloud_->speak(utf8);
}

void QtHost::afterTopLevelEvent() {
  if (pending_) {
    // The engine catches its own faults; one that escapes a handler with no wait to take
    // it back has left the engine in an unknown state.
    std::exception_ptr fault = std::exchange(pending_, nullptr);
    try {
      std::rethrow_exception(fault);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillwork: unhandled error in an event handler: %s\n", e.what());
    } catch (...) {
      std::fprintf(stderr, "quillwork: unhandled error in an event handler\n");
    }
    quit(1);
    return;
  }
  if (const std::optional<int> code = listener_->exitRequested()) quit(*code);
}

void QtHost::rethrowPending() {
  if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

bool QtHost::closeRequested() {
  if (!listener_) {
    quit(0);
    return true;
  }
  bool mayClose = false;
  deliver([&](HostListener& l) { mayClose = l.onCloseRequest(); });
  if (!mayClose) return false;
  // At the top level an exit code has already ended the application.
  const bool quitAlready = nesting_ == 0 && listener_->exitRequested();
  if (!quitAlready) quit(listener_->exitRequested().value_or(0));
  return true;
}

void QtHost::post(std::function<void()> task) {
  // Queued to an object of the main thread: safe from any thread, and it wakes the dispatcher.
  QMetaObject::invokeMethod(
      &postTarget_, [this, task = std::move(task)] { deliver([&](HostListener&) { task(); }); },
      Qt::QueuedConnection);
}

void QtHost::wakeAt(std::uint32_t tick) {
  const auto ahead = static_cast<std::int32_t>(tick - ticks());
  wakeAt_.start(std::max(ahead, 0));
}

void QtHost::cancelWake() {
  wakeAt_.stop();
}

void QtHost::showToolWindow(ToolWindowModel& model, bool modal) {
  Nested nested(*this);
  auto act = [this, &model](const std::string& control, int value, const std::string& text) {
    deliver([&](HostListener&) { model.act(control, value, text); });
    // A failure goes back to the engine's call: a modal window must not keep its loop.
    if (pending_ && modalView_ && &modalView_->model() == &model)
      modalView_->done(QDialog::Rejected);
  };
  if (modal) {
    ModalScope scope(modalDepth_);
    ToolWindowView view(model, dialogParent(), act);
    ToolWindowView* outer = std::exchange(modalView_, &view);
    if (!model.closed()) view.exec();
    modalView_ = outer;
    rethrowPending();
    return;
  }
  auto& view = toolViews_[&model];
  if (!view) view = std::make_unique<ToolWindowView>(model, dialogParent(), act);
  view->setModal(false);
  view->show();
  view->raise();
}

void QtHost::toolWindowChanged(ToolWindowModel& model) {
  if (ToolWindowView* view = toolWindowView(model)) view->refresh();
}

void QtHost::closeToolWindow(ToolWindowModel& model) {
  toolViews_.erase(&model);
}

void QtHost::setClipboardText(const std::string& utf8) {
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    clipboard->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

ToolWindowView* QtHost::toolWindowView(const ToolWindowModel& model) const {
  if (modalView_ && &modalView_->model() == &model) return modalView_;
  auto it = toolViews_.find(&model);
  return it == toolViews_.end() ? nullptr : it->second.get();
}

QWidget* QtHost::dialogParent() const {
  return window_->isVisible() ? window_.get() : nullptr;
}

}  // namespace qw
