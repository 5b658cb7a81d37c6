#include "host/headless/headless_host.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "app/run_stop.h"
#include "gfx/png_writer.h"
#include "platform/text_cut.h"

namespace qw {

HeadlessHost::HeadlessHost(EventScript script, std::uint64_t timeLimitMs)
    : script_(std::move(script)), limit_(kStartTicks + timeLimitMs), shown_(kWidth, kHeight, 0) {}

LocalTime HeadlessHost::localTime() {
  using namespace std::chrono;
  const auto start = sys_days{year{2000} / January / 1};
  const sys_seconds now = start + seconds{static_cast<std::int64_t>(elapsedMs() / 1000)};
  const sys_days day = floor<days>(now);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> clock{now - day};
  LocalTime t;
  t.second = static_cast<int>(clock.seconds().count());
  t.minute = static_cast<int>(clock.minutes().count());
  t.hour = static_cast<int>(clock.hours().count());
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.year = static_cast<int>(ymd.year());
  t.weekday = static_cast<int>(weekday{day}.c_encoding());
  t.yearDay = static_cast<int>((day - sys_days{ymd.year() / January / 1}).count());
  return t;
}

void HeadlessHost::advanceTo(std::uint64_t target) {
  if (target <= clock_) return;
  const bool overLimit = target > limit_;
  const std::uint64_t end = overLimit ? limit_ : target;
  // Handlers may switch the timer or set a wake again, so both are read every round; the
  // earlier of the two fires first.
  for (;;) {
    const bool timer = timerEnabled_ && nextTimer_ <= end;
    const bool wake = wake_ && *wake_ <= end;
    if (!timer && !wake) break;
    if (wake && (!timer || *wake_ < nextTimer_)) {
      clock_ = std::max(clock_, *wake_);
      fireWake();
      continue;
    }
    clock_ = std::max(clock_, nextTimer_);
    nextTimer_ += kTimerIntervalMs;
    if (listener_) listener_->onTimer();
  }
  clock_ = std::max(clock_, end);
  if (overLimit) throw RunStopped{RunStopped::Reason::TimeLimit};
}

void HeadlessHost::fireWake() {
  wake_.reset();
  if (listener_) listener_->onWake();
}

void HeadlessHost::wakeAt(std::uint32_t tick) {
  const auto ahead = static_cast<std::int32_t>(tick - static_cast<std::uint32_t>(clock_));
  wake_ = clock_ + static_cast<std::uint64_t>(std::max(ahead, 0));
}

void HeadlessHost::post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(postedMutex_);
  posted_.push_back(std::move(task));
}

void HeadlessHost::processMessages() {
  deliverPosted();
  if (wake_ && *wake_ <= clock_) fireWake();
}

bool HeadlessHost::deliverPosted() {
  if (!listener_) return false;
  bool any = false;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(postedMutex_);
      if (posted_.empty()) break;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    any = true;
    task();
  }
  if (movePending_) {
    movePending_ = false;
    any = true;
    listener_->onMouseMove(pointerX_, pointerY_);
  }
  if (closePending_ && !exitPending()) {
    closePending_ = false;
    any = true;
    listener_->onCloseRequest();
  }
  return any;
}

bool HeadlessHost::waitMessage(std::optional<std::uint32_t> deadline) {
  if (deliverPosted()) return true;
  if (wake_ && *wake_ <= clock_) {
    fireWake();
    return true;
  }
  const bool haveEvent = next_ < script_.events.size();
  if (!deadline) {
    if (!haveEvent) throw RunStopped{RunStopped::Reason::InputExhausted};
    const HeadlessEvent& ev = script_.events[next_];
    if (ev.after) advanceTo(lastTaken_ + *ev.after);
    take();
    return true;
  }
  // The deadline is a 32-bit tick count; one already reached lets no time pass.
  const auto ahead = static_cast<std::int32_t>(*deadline - static_cast<std::uint32_t>(clock_));
  const std::uint64_t until = clock_ + static_cast<std::uint64_t>(std::max(ahead, 0));
  std::optional<std::uint64_t> eventAt;
  if (haveEvent && script_.events[next_].after) {
    eventAt = lastTaken_ + *script_.events[next_].after;
  }
  if (wake_ && *wake_ < until && (!eventAt || *wake_ <= *eventAt)) {
    advanceTo(*wake_);
    if (wake_ && *wake_ <= clock_) fireWake();
    return true;
  }
  if (eventAt && *eventAt < until) {
    advanceTo(*eventAt);
    take();
    return true;
  }
  advanceTo(until);
  return false;
}

void HeadlessHost::take() {
  // Counted as taken before it is delivered: a handler may wait for the reader itself (the
  // hidden-text mode waits for a click inside its menu item) and must see the next event.
  const HeadlessEvent& ev = script_.events[next_++];
  lastTaken_ = clock_;
  deliver(ev);
}

bool HeadlessHost::exitPending() const {
  return listener_ && listener_->exitRequested();
}

bool HeadlessHost::pointTo(const HeadlessEvent& ev) {
  if (!ev.hasPoint || (ev.x == pointerX_ && ev.y == pointerY_)) return true;
  pointerX_ = ev.x;
  pointerY_ = ev.y;
  listener_->onMouseMove(pointerX_, pointerY_);
  return !exitPending();
}

void HeadlessHost::deliver(const HeadlessEvent& ev) {
  using Kind = HeadlessEvent::Kind;
  if (ev.kind == Kind::Wait) {
    advanceTo(clock_ + ev.ms);
    // The next `at +MS` counts from the end of the wait.
    lastTaken_ = clock_;
    return;
  }
  if (ev.kind == Kind::Snap) {
    ++snaps_;
    writeSnapshot(ev.name);
    return;
  }
  if (!listener_) return;
  switch (ev.kind) {
    case Kind::Click:
      if (!pointTo(ev)) return;
      listener_->onMouseDown(pointerX_, pointerY_, false);
      if (exitPending()) return;
      listener_->onMouseUp(pointerX_, pointerY_, false);
      if (exitPending()) return;
      listener_->onClick(pointerX_, pointerY_);
      break;
    case Kind::RightClick: {
      if (!pointTo(ev)) return;
      const std::size_t before = popupsOpened_;
      listener_->onMouseDown(pointerX_, pointerY_, true);
      // A menu that opened took the release.
      if (exitPending() || popupsOpened_ != before) return;
      listener_->onMouseUp(pointerX_, pointerY_, true);
      break;
    }
    case Kind::Down:
      if (pointTo(ev)) listener_->onMouseDown(pointerX_, pointerY_, false);
      break;
    case Kind::Up:
      if (pointTo(ev)) listener_->onMouseUp(pointerX_, pointerY_, false);
      break;
    case Kind::Move:
      pointTo(ev);
      break;
    case Kind::Key:
      listener_->onKey(ev.name, ev.ctrl);
      break;
    case Kind::ClickOutside:
      listener_->onClickOutside();
      break;
    case Kind::Wheel:
      if (pointTo(ev)) listener_->onWheel(ev.notches, pointerX_, pointerY_);
      break;
    case Kind::Menu:
      listener_->onMenuItem(ev.name);
      break;
    case Kind::Scroll:
      listener_->onScrollBar(ev.value);
      break;
    case Kind::Control:
      listener_->onControlKey(ev.value != 0);
      break;
    case Kind::Debug:
      pressDebugButton(ev);
      break;
    case Kind::Wait:
    case Kind::Snap:
      break;
  }
}

void HeadlessHost::setClipboardText(const std::string& utf8) {
  if (clipBytes_ + utf8.size() > kMaxRecordedClipBytes) return;
  clipBytes_ += utf8.size();
  clips_.push_back(utf8);
}

void HeadlessHost::present(const Surface& shown, const IntRect& area) {
  const int left = std::max(area.left, 0);
  const int top = std::max(area.top, 0);
  const int right = std::min({area.right, shown.width(), shown_.width()});
  const int bottom = std::min({area.bottom, shown.height(), shown_.height()});
  if (right <= left) return;
  for (int y = top; y < bottom; ++y) {
    std::copy(shown.row(y) + left, shown.row(y) + right, shown_.row(y) + left);
  }
}

void HeadlessHost::setTimerEnabled(bool enabled) {
  if (enabled && !timerEnabled_) nextTimer_ = clock_ + kTimerIntervalMs;
  timerEnabled_ = enabled;
}

std::optional<std::string> HeadlessHost::showPopupMenu(const std::vector<MenuEntry>& entries, int x,
                                                       int y) {
  ++popupsOpened_;
  if (popups_.size() < kMaxRecordedPopups) popups_.push_back({x, y, entries});
  return std::nullopt;
}

void HeadlessHost::setWindowFrame(bool framed) {
  if (!fullScreen_) framed_ = framed;
}

bool HeadlessHost::setFullScreen(bool on) {
  if (on && fullScreenRefused_) return false;
  fullScreen_ = on;
  // Leaving full screen gives back the framed window.
  if (!on) framed_ = true;
  return true;
}

bool HeadlessHost::warpPointer(int x, int y) {
  pointerX_ = x;
  pointerY_ = y;
  // Off the picture the pointer is over something else: no move reaches the engine.
  movePending_ = x >= 0 && x < kWidth && y >= 0 && y < kHeight;
  return true;
}

const char* AnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok:
      return "ok";
    case MessageAnswer::Cancel:
      return "cancel";
    case MessageAnswer::Yes:
      return "yes";
    case MessageAnswer::No:
      return "no";
  }
  return "?";
}

namespace {

MessageAnswer MapAnswer(AnswerWord word, MessageButtons buttons) {
  const bool yesNo = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
  const bool hasCancel = buttons != MessageButtons::YesNo;
  switch (word) {
    case AnswerWord::Yes:
    case AnswerWord::Ok:
      return yesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    case AnswerWord::No:
      return yesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    case AnswerWord::Cancel:
      return hasCancel ? MessageAnswer::Cancel : MessageAnswer::No;
  }
  return MessageAnswer::Cancel;
}

}  // namespace

MessageAnswer HeadlessHost::messageBox(const MessageBoxSpec& spec) {
  MessageAnswer answer = MessageAnswer::Ok;
  if (spec.buttons != MessageButtons::Ok) {
    if (!script_.answers.empty()) {
      answer = MapAnswer(script_.answers.front(), spec.buttons);
      script_.answers.pop_front();
    } else {
      answer = spec.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
  }
  // A script that reports in an endless loop must not fill the memory of a long run.
  if (messages_.size() < kMaxRecordedMessages) {
    messages_.push_back(
        {CutText(spec.caption), CutText(spec.text), AnswerName(answer), spec.icon, spec.buttons});
  }
  return answer;
}

std::optional<std::string> HeadlessHost::inputBox(const std::string&, const std::string&,
                                                  const std::string&) {
  if (script_.inputs.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(script_.inputs.front());
  script_.inputs.pop_front();
  return answer;
}

std::optional<std::string> HeadlessHost::openFile(const OpenFileSpec&) {
  if (script_.files.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(script_.files.front());
  script_.files.pop_front();
  if (answer) {
    // Paths on this system are UTF-8 bytes.
    answer = std::filesystem::absolute(std::filesystem::path(*answer)).string();
  }
  return answer;
}

std::optional<std::optional<int>> HeadlessHost::takeSlotAnswer() {
  if (script_.slots.empty()) return std::nullopt;
  std::optional<int> slot = script_.slots.front();
  script_.slots.pop_front();
  return slot;
}

std::optional<FontAnswer> HeadlessHost::takeFontAnswer() {
  if (script_.fonts.empty()) return std::nullopt;
  FontAnswer answer = std::move(script_.fonts.front());
  script_.fonts.pop_front();
  return answer;
}

void HeadlessHost::writeSnapshot(const std::string& name) {
  if (!snapshotDir_) return;
  const std::filesystem::path file = *snapshotDir_ / (name + ".png");
  std::string error;
  std::error_code ec;
  std::filesystem::create_directories(*snapshotDir_, ec);
  if (ec || !WritePng(shown_, file, &error)) {
    throw HostFailure{"cannot write the snapshot " + file.string() + ": " +
                      (ec ? ec.message() : error)};
  }
}

void HeadlessHost::recordWindow(const ToolWindowModel& model) {
  if (windows_.size() >= kMaxRecordedWindows || windowTextBytes_ >= kMaxRecordedWindowBytes) {
    return;
  }
  WindowRecord record{model.formName(), CutText(model.caption()), {}};
  auto keep = [&](const std::string& text) {
    record.texts.push_back(CutText(text));
    windowTextBytes_ += sizeof(std::string) + record.texts.back().size();
  };
  for (const ToolControl& c : model.controls()) {
    if (!c.visible) continue;
    if (!c.text.empty()) keep(c.text);
    if (c.kind == ToolControl::Kind::List || c.kind == ToolControl::Kind::Tab) {
      for (const std::string& line : c.lines)
        keep(line);
    }
  }
  windows_.push_back(std::move(record));
}

void HeadlessHost::showToolWindow(ToolWindowModel& model, bool modal) {
  recordWindow(model);
  if (!modal) {
    if (std::find(openWindows_.begin(), openWindows_.end(), &model) == openWindows_.end()) {
      openWindows_.push_back(&model);
    }
    return;
  }
  if (model.closed()) return;
  if (model.formName() == "TFfile") {
    std::optional<std::optional<int>> slot = takeSlotAnswer();
    if (slot && *slot) {
      model.act("slot", **slot, {});
    } else {
      model.act("cancel", 0, {});
    }
  } else if (model.formName() == "TFfont") {
    if (std::optional<FontAnswer> font = takeFontAnswer()) {
      model.act("font", font->row, font->name);
      model.act("ok", 0, {});
    } else {
      model.act("cancel", 0, {});
    }
  }
  // A window with nothing to answer it (the version window) closes as a box with only OK does.
  if (!model.closed()) model.act("cancel", 0, {});
}

void HeadlessHost::pressDebugButton(const HeadlessEvent& ev) {
  auto shown = std::find_if(openWindows_.begin(), openWindows_.end(),
                            [](const ToolWindowModel* m) { return m->formName() == "TFdebug"; });
  if (shown == openWindows_.end()) return;
  ToolWindowModel& model = **shown;
  if (ev.name == "set") {
    model.act("ValList", ev.value, {});
    model.act("ValEdit1", 0, ev.text);
    model.act("Button3", 0, {});
  } else if (ev.name == "update") {
    model.act("Button2", 0, {});
  } else if (ev.name == "refresh") {
    model.act("Button5", 0, {});
  } else if (ev.name == "close") {
    model.act("Button1", 0, {});
  } else if (ev.name == "quit") {
    model.act("Button4", 0, {});
  }
  // 閉じる hides the window: it is no longer shown.
  if (model.closed()) closeToolWindow(model);
}

void HeadlessHost::closeToolWindow(ToolWindowModel& model) {
  openWindows_.erase(std::remove(openWindows_.begin(), openWindows_.end(), &model),
                     openWindows_.end());
}

}  // namespace qw
