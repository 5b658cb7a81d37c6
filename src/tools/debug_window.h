// The author's debug window `TFdebug`: the script errors, every flag cell with SET and 強制更新,
// the interpreter's run-time status, and any screen buffer. A modeless model: the story runs
// on while it shows, and its owner tells the host when the lists change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

class FlagStore;

inline constexpr const char* kDebugCaption = "デバッグモード";
inline constexpr const char* kNotRunningLine =
    "**実行が終了しているか、スクリプトが走っていません**";

// The run-time status (`Usysstat`) as the engine holds it. Texts are CP932 unless named.
struct RunStatus {
  int logTotalPage = 0;
  int logCurrentPage = 0;
  int logCurrentLine = 0;
  int saveLogStartPage = 0;
  int saveLogTotalPage = 0;
  std::string progFileName;
  std::string progChapter;
  int progExecLine = 0;
  int progNextLine = -1;
  int progRetStack = -1;
  int progIfResult = 0;
  int progSelResult = -1;
  int progMultiStateFlag = 0;
  std::optional<std::string> runningLine;  // nothing when the program counter is outside
  std::string currentDirUtf8;
};

// The status lines (UTF-8) in their order; without `full` only the running line and the
// current folder, as showing the window gives them.
std::vector<std::string> StatusLines(const RunStatus& status, bool full);

// "%03d = " and the cell's text (CP932), the line of flag `index` in `ValList`.
std::string ValueLine(int index, const std::string& cellText);

// A screen buffer as the buffer tab shows it.
struct BufferInfo {
  const Surface* surface = nullptr;
  std::string fileNameCp932;
};

class DebugWindow final : public ToolWindowModel {
 public:
  static constexpr int kTabCount = 4;
  static constexpr int kFirstTab = 1;  // "変数リスト"
  static constexpr int kBufferCount = 17;
  static constexpr int kValueCount = 512;
  // Bounds on what the lists keep: a story that fails in a loop, or a cell of megabytes, must
  // not grow the window without end. Longer lines are cut at a character boundary.
  static constexpr std::size_t kMaxErrors = 10000;
  static constexpr std::size_t kMaxLineBytes = 1024;
  static constexpr int kWidth = 459;
  static constexpr int kHeight = 315;
  // `Image1`: a snapshot larger than this is scaled down into it.
  static constexpr int kImageWidth = 443;
  static constexpr int kImageHeight = 160;

  // What the window reads and does beyond its own lists.
  struct Services {
    FlagStore* flags = nullptr;
    std::function<RunStatus()> status;
    std::function<BufferInfo(int listIndex)> buffer;  // 0..16 in the list's order
    std::function<void()> quit;  // プログラム終了: ends the program at once, saving nothing
  };

  explicit DebugWindow(Services services);

  // ---- Opening and closing ----
  // Shows the window: the status list holds the running line and the folder only.
  void Open();
  // `Button1` 閉じる: hides the window; the lists stay.
  void Close();
  bool shown() const { return shown_; }
  int tab() const { return tab_; }
  void SetTab(int tab);

  // ---- `ErrList` ----
  // A reported error's full text (UTF-8). Past kMaxErrors, later errors are not kept.
  void AddError(const std::string& locationUtf8);
  const std::vector<std::string>& errors() const { return errors_; }

  // ---- `ValList` ----
  bool hasValues() const { return !values_.empty(); }
  // The 512 lines from the store.
  void FillValues();
  // Rewrites line `index` from the store (nothing while the list is empty).
  void FlagWritten(int index);
  // `Button5` 強制更新: rewrites all lines, only when the list has lines.
  void ForceUpdate();
  // The lines, CP932.
  const std::vector<std::string>& values() const { return values_; }
  // Clicking a line: its number in `Label6`, the cell's text in `ValEdit1`.
  void Select(int line);
  int selected() const { return selected_; }
  // Typing into `ValEdit1` (CP932).
  void SetEditText(std::string textCp932) { edit_ = std::move(textCp932); }
  const std::string& editText() const { return edit_; }
  // `Button3` SET: the edit text into the selected cell, and its line rewritten. Nothing with
  // no line selected.
  void Set();

  // ---- `ListBox1` ----
  // `Button2` 更新: all status lines.
  void UpdateStatus();
  const std::vector<std::string>& statusLines() const { return status_; }

  // ---- The buffer tab ----
  // Choosing a buffer (0..16) takes a snapshot of it with its size and file name.
  void ChooseBuffer(int index);
  int chosenBuffer() const { return buffer_; }
  const Surface& image() const { return image_; }
  std::string fileLabel() const;
  std::string sizeXLabel() const;
  std::string sizeYLabel() const;

  // `Button4` プログラム終了.
  void Quit();

  // ---- The window ----
  std::string formName() const override { return "TFdebug"; }
  std::string caption() const override { return kDebugCaption; }
  int width() const override { return kWidth; }
  int height() const override { return kHeight; }
  // `PageControl1` with the controls of its shown tab, then `Button1` and `Button4`.
  std::vector<ToolControl> controls() const override;
  // "PageControl1" (tab `value`), "ValList" (line `value`), "ValEdit1" (`text`), "Button3"
  // SET, "Button5" 強制更新, "Button2" 更新, "ComboBox1" (buffer `value`), "Button1" and
  // "cancel" 閉じる, "Button4" プログラム終了.
  void act(const std::string& control, int value, const std::string& text) override;
  bool closed() const override { return !shown_; }

 private:
  Services services_;
  bool shown_ = false;
  int tab_ = kFirstTab;
  std::vector<std::string> errors_;
  std::vector<std::string> values_;
  int selected_ = -1;
  std::string edit_;
  std::vector<std::string> status_;
  int buffer_ = -1;
  Surface image_;
  int bufferWidth_ = 0;
  int bufferHeight_ = 0;
  std::string bufferFile_;
};

// The 17 buffer names of `ComboBox1`, in order (UTF-8).
const std::array<const char*, DebugWindow::kBufferCount>& DebugBufferNames();

}  // namespace qw
