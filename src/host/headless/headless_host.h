// The headless host: a virtual clock, scripted input from an events file, dialogs answered from
// queues, and the shown picture kept in memory for snapshots. No window system is involved.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/events.h"
#include "platform/host.h"

namespace qw {

// One message box as the engine showed it, with the answer it got ("ok", "cancel", "yes",
// "no").
struct MessageRecord {
  std::string caption;
  std::string text;
  std::string answer;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
};

// A pop-up menu as the engine opened it: where, and its entries' states at that moment.
struct PopupRecord {
  int x = 0;
  int y = 0;
  std::vector<MenuEntry> entries;
};

class HeadlessHost final : public Host {
 public:
  static constexpr std::uint32_t kStartTicks = 10'000'000;
  static constexpr std::uint64_t kDefaultTimeLimitMs = 600'000;
  static constexpr std::uint32_t kTimerIntervalMs = 100;
  static constexpr std::uint32_t kRandomSeed = 0x51C0FFEE;
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  explicit HeadlessHost(EventScript script = {}, std::uint64_t timeLimitMs = kDefaultTimeLimitMs);

  // Where `snap` events write NAME.png. Without a folder, snaps are counted but not written.
  void setSnapshotDir(std::filesystem::path dir) { snapshotDir_ = std::move(dir); }
  void setColorDepth(int bits) { colorDepth_ = bits; }
  // Makes setFullScreen(true) refuse, as a desktop that cannot give a full-screen window.
  void setFullScreenRefused(bool refused) { fullScreenRefused_ = refused; }

  // ---- Host ----
  void setListener(HostListener* listener) override { listener_ = listener; }
  // The virtual clock. It starts at kStartTicks and moves only inside waitMessage.
  std::uint32_t ticks() override { return static_cast<std::uint32_t>(clock_); }
  // 2000-01-01 00:00:00 (a Saturday) plus the virtual time elapsed.
  LocalTime localTime() override;
  std::uint32_t randomSeed() override { return kRandomSeed; }
  // Takes no scripted events: those arrive only while the engine waits. Delivers what the
  // engine posted itself (a close request, the move of a warped pointer).
  void processMessages() override;
  // With no deadline (a wait for the reader): takes the next event at once, after running the
  // clock to its moment when it is timed (a message the engine posted is delivered first,
  // instead of an event); throws RunStopped{InputExhausted} when none is
  // left. With a deadline: takes only a timed event that falls due before the deadline, else
  // runs the clock to the deadline and returns false. True means an event was taken (a `wait`
  // or `snap` counts, though it calls no handler). Throws RunStopped{TimeLimit} when the
  // clock would pass the time limit. The 100 ms timer fires on the way while enabled.
  bool waitMessage(std::optional<std::uint32_t> deadline) override;
  void present(const Surface& shown, const IntRect& area) override;
  void setCaption(const std::string& caption) override { caption_ = caption; }
  // Enabling starts a fresh 100 ms period; enabling an enabled timer keeps its phase.
  void setTimerEnabled(bool enabled) override;
  // A box with only OK takes no answer. Otherwise the next queued answer: yes/ok choose Yes
  // (or OK), no chooses No (or Cancel), cancel chooses Cancel (or No). None queued: No for a
  // Yes/No box, else Cancel.
  MessageAnswer messageBox(const MessageBoxSpec& spec) override;
  // The next `input TEXT`; cancelled when none is queued.
  std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  // The next `file PATH`, made absolute against the current folder; cancelled when none is
  // queued.
  std::optional<std::string> openFile(const OpenFileSpec& spec) override;
  int colorDepth() override { return colorDepth_; }
  void beep() override { ++beeps_; }
  // Records the menu and returns nothing: a `menu NAME` event chooses items. The release of
  // the right click that opened it is not delivered.
  std::optional<std::string> showPopupMenu(const std::vector<MenuEntry>& entries, int x,
                                           int y) override;
  // The close query runs when the engine next processes or waits for messages.
  void requestClose() override { closePending_ = true; }
  void setCursorShape(CursorShape shape) override { cursor_ = shape; }
  void setWindowFrame(bool framed) override;
  // Accepted unless refused by setFullScreenRefused.
  bool setFullScreen(bool on) override;
  // Always moves the pointer; the move reaches the listener as for processMessages.
  bool warpPointer(int x, int y) override;
  // Safe from any thread; tasks run when the engine next processes or waits for messages.
  void post(std::function<void()> task) override;
  // On the virtual clock: a wait with a later deadline runs the clock to the wake and returns
  // true; on the way to a timed event the wake fires like the timer. A wait for the reader
  // takes its next untimed event at once, without running the clock to a wake, and ends the
  // run when no event is left.
  void wakeAt(std::uint32_t tick) override;
  void cancelWake() override { wake_.reset(); }
  // Records the window and its texts (windows()). Modal windows take their answers from the
  // queues: `slot N` acts as control "slot" with value N, `slot-cancel` (or none queued) as
  // "cancel"; `font N NAME` acts as "font" with value N and text NAME, then "ok". A modal model
  // still open after its answer is cancelled. A modeless window stays open until
  // closeToolWindow, or until its model closes itself after a `debug` event.
  void showToolWindow(ToolWindowModel& model, bool modal) override;
  void toolWindowChanged(ToolWindowModel&) override {}
  void closeToolWindow(ToolWindowModel& model) override;
  // Recorded in clipboardTexts(), not in the report.
  void setClipboardText(const std::string& utf8) override;
  // Story lines are taken only when asked for with setStoryLinesWanted (as the desktop's
  // read-aloud does); they are kept in storyLines(), not in the report.
  bool wantsStoryLines() const override { return storyLinesWanted_; }
  void storyLineShown(const std::string& utf8) override { storyLines_.push_back(utf8); }
  void setStoryLinesWanted(bool wanted) { storyLinesWanted_ = wanted; }
  const std::vector<std::string>& storyLines() const { return storyLines_; }

  // ---- Answers for the modal tool windows ----
  // The next `slot N` (1..80) or `slot-cancel` (an empty inner value); an empty outer value
  // when none is queued, which the slot picker treats as a cancel.
  std::optional<std::optional<int>> takeSlotAnswer();
  // The next `font N NAME`; nothing when none is queued (the font window is cancelled).
  std::optional<FontAnswer> takeFontAnswer();

  // ---- What the run left behind ----
  const Surface& shown() const { return shown_; }
  const std::string& caption() const { return caption_; }
  const std::vector<MessageRecord>& messages() const { return messages_; }
  // Boxes past this many are answered but not recorded.
  static constexpr std::size_t kMaxRecordedMessages = 10000;
  bool timerEnabled() const { return timerEnabled_; }
  // Virtual milliseconds since the start.
  std::uint64_t elapsedMs() const { return clock_ - kStartTicks; }
  std::size_t eventsLeft() const { return script_.events.size() - next_; }
  int pointerX() const { return pointerX_; }
  int pointerY() const { return pointerY_; }
  int beeps() const { return beeps_; }
  int snapsTaken() const { return snaps_; }
  const std::vector<PopupRecord>& popups() const { return popups_; }
  // What the engine put on the clipboard, in order; texts past kMaxRecordedClipBytes in all
  // are dropped.
  const std::vector<std::string>& clipboardTexts() const { return clips_; }
  static constexpr std::size_t kMaxRecordedClipBytes = std::size_t{16} << 20;
  CursorShape cursor() const { return cursor_; }
  bool framed() const { return framed_; }
  bool fullScreen() const { return fullScreen_; }
  // Writes the shown picture as NAME.png into the snapshot folder, if there is one; throws
  // HostFailure when it cannot.
  void writeSnapshot(const std::string& name);
  // Every tool window shown, with its texts as the reader saw them then.
  struct WindowRecord {
    std::string name;
    std::string caption;
    std::vector<std::string> texts;
  };
  const std::vector<WindowRecord>& windows() const { return windows_; }
  // Hands the records over (to the report) and leaves none.
  std::vector<WindowRecord> takeWindows() { return std::exchange(windows_, {}); }
  static constexpr std::size_t kMaxRecordedWindows = 10000;
  // Windows shown after their texts reached this many bytes (counting what each text costs
  // to keep, not only its characters) are not recorded. Texts of recorded windows and message
  // boxes are cut to kMaxListTextBytes each.
  static constexpr std::size_t kMaxRecordedWindowBytes = std::size_t{16} << 20;
  // The modeless windows open now.
  const std::vector<ToolWindowModel*>& openToolWindows() const { return openWindows_; }

 private:
  // Runs the clock forward to `target` (never back), firing the timer on the way.
  void advanceTo(std::uint64_t target);
  void take();
  void deliver(const HeadlessEvent& ev);
  // Moves the pointer there first when it is elsewhere, as a real pointer would.
  bool pointTo(const HeadlessEvent& ev);
  bool exitPending() const;
  // Delivers the messages the engine posted and the tasks of post(); returns whether there
  // were any.
  bool deliverPosted();
  // The virtual time of a pending wake, if any.
  std::optional<std::uint64_t> wakeTime() const { return wake_; }
  void fireWake();
  void recordWindow(const ToolWindowModel& model);
  // `debug ...`: the button of the shown debug window; nothing when none is shown.
  void pressDebugButton(const HeadlessEvent& ev);

  EventScript script_;
  std::size_t next_ = 0;  // next event to take
  std::uint64_t clock_ = kStartTicks;
  std::uint64_t lastTaken_ = kStartTicks;  // when the previous event was taken
  std::uint64_t limit_;
  bool timerEnabled_ = false;
  std::uint64_t nextTimer_ = 0;
  HostListener* listener_ = nullptr;
  Surface shown_;
  std::string caption_;
  std::vector<MessageRecord> messages_;
  std::optional<std::filesystem::path> snapshotDir_;
  int colorDepth_ = 32;
  int pointerX_ = 0;
  int pointerY_ = 0;
  int beeps_ = 0;
  int snaps_ = 0;
  std::vector<PopupRecord> popups_;
  std::vector<std::string> clips_;
  bool storyLinesWanted_ = false;
  std::vector<std::string> storyLines_;
  std::size_t clipBytes_ = 0;
  // Kept for tests only (the report has no popups), each with its whole menu: a few suffice.
  static constexpr std::size_t kMaxRecordedPopups = 1000;
  std::size_t popupsOpened_ = 0;
  CursorShape cursor_ = CursorShape::Default;
  bool framed_ = true;
  bool fullScreen_ = false;
  bool fullScreenRefused_ = false;
  bool closePending_ = false;
  bool movePending_ = false;
  std::optional<std::uint64_t> wake_;  // virtual time of the engine's wake
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
  std::vector<WindowRecord> windows_;
  std::size_t windowTextBytes_ = 0;
  std::vector<ToolWindowModel*> openWindows_;
};

const char* AnswerName(MessageAnswer answer);

}  // namespace qw
