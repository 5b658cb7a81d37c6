#include "tools/debug_window.h"

#include <algorithm>
#include <cstdio>

#include "platform/cp932.h"
#include "state/flags.h"
#include "tools/image_button.h"
#include "tools/tool_controls.h"

namespace qw {
namespace {

constexpr std::array<const char*, DebugWindow::kTabCount> kTabNames = {
    "エラーリスト", "変数リスト", "実行時ステータス", "画像バッファ"};
enum Tab { kErrorTab = 0, kValueTab = 1, kStatusTab = 2, kBufferTab = 3 };

constexpr std::array<const char*, DebugWindow::kBufferCount> kBufferNames = {
    "仮想ＶＲＡＭ", "背景",       "効果",       "テキスト",   "背景Ｍ(未使用)", "効果Ｍ",
    "テキストＭ",   "ＴＥＭＰ１", "ＴＥＭＰ２", "人物０",     "人物０Ｍ",       "人物１",
    "人物１Ｍ",     "人物２",     "人物２Ｍ",   "スプライト", "スプライトＭ"};

// At most `limit` bytes of a CP932 text, never half a character.
std::string CutCp932(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t keep = 0;
  while (keep < text.size()) {
    const std::size_t n = CharLength(text, keep);
    if (keep + n > limit) break;
    keep += n;
  }
  text.resize(keep);
  return text;
}

// At most `limit` bytes of a UTF-8 text, never half a character.
std::string CutUtf8(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t keep = limit;
  while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80)
    --keep;
  text.resize(keep);
  return text;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// The largest size of `w` x `h` that fits `maxW` x `maxH` with its shape kept; never larger.
void FitInto(int w, int h, int maxW, int maxH, int& outW, int& outH) {
  outW = w;
  outH = h;
  if (w <= maxW && h <= maxH) return;
  const long long byWidth = static_cast<long long>(maxW) * h;  // compare maxW/w with maxH/h
  const long long byHeight = static_cast<long long>(maxH) * w;
  if (byWidth <= byHeight) {
    outW = maxW;
    outH = std::max(1, static_cast<int>(static_cast<long long>(h) * maxW / w));
  } else {
    outH = maxH;
    outW = std::max(1, static_cast<int>(static_cast<long long>(w) * maxH / h));
  }
}

}  // namespace

const std::array<const char*, DebugWindow::kBufferCount>& DebugBufferNames() {
  return kBufferNames;
}

std::vector<std::string> StatusLines(const RunStatus& s, bool full) {
  std::vector<std::string> lines;
  auto add = [&](const char* key, const std::string& value) {
    lines.push_back(CutUtf8(key + value, DebugWindow::kMaxLineBytes));
  };
  auto number = [&](const char* key, int value) { add(key, std::to_string(value)); };
  if (full) {
    number("LogTotalPage:", s.logTotalPage);
    number("LogCurrentPage:", s.logCurrentPage);
    number("LogCurrentLine:", s.logCurrentLine);
    number("SaveLogStartPage:", s.saveLogStartPage);
    number("SaveLogTotalPage:", s.saveLogTotalPage);
    add("ProgFileName:", Cp932ToUtf8(s.progFileName));
    add("ProgChapter:", Cp932ToUtf8(s.progChapter));
    number("ProgExecLine:", s.progExecLine);
    number("ProgNextLine:", s.progNextLine);
    number("ProgRetStack:", s.progRetStack);
    number("Prog[_if]Result:", s.progIfResult);
    number("Prog[_sel]Result:", s.progSelResult);
    number("ProgMultiStateFlag:", s.progMultiStateFlag);
  }
  lines.emplace_back("ProgRunningScript:");
  if (s.runningLine) {
    std::string_view line = *s.runningLine;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
      line.remove_prefix(1);
    // Cut before converting: a script line may be megabytes long.
    add("", Quoted(Cp932ToUtf8(CutCp932(std::string(line), DebugWindow::kMaxLineBytes))));
  } else {
    lines.emplace_back(kNotRunningLine);
  }
  add("カレントDIR:", Quoted(s.currentDirUtf8));
  return lines;
}

std::string ValueLine(int index, const std::string& cellText) {
  char head[16];
  std::snprintf(head, sizeof head, "%03d = ", index);
  return CutCp932(head + cellText, DebugWindow::kMaxLineBytes);
}

DebugWindow::DebugWindow(Services services) : services_(std::move(services)) {}

void DebugWindow::Open() {
  shown_ = true;
  status_ = services_.status ? StatusLines(services_.status(), false) : std::vector<std::string>{};
}

void DebugWindow::Close() {
  shown_ = false;
}

void DebugWindow::SetTab(int tab) {
  if (tab >= 0 && tab < kTabCount) tab_ = tab;
}

void DebugWindow::AddError(const std::string& locationUtf8) {
  if (errors_.size() < kMaxErrors) errors_.push_back(CutUtf8(locationUtf8, kMaxLineBytes));
}

void DebugWindow::FillValues() {
  if (!services_.flags) return;
  values_.resize(kValueCount);
  for (int i = 0; i < kValueCount; ++i)
    values_[static_cast<std::size_t>(i)] = ValueLine(i, services_.flags->text(i));
}

void DebugWindow::FlagWritten(int index) {
  if (!services_.flags || index < 0 || static_cast<std::size_t>(index) >= values_.size()) return;
  values_[static_cast<std::size_t>(index)] = ValueLine(index, services_.flags->text(index));
}

void DebugWindow::ForceUpdate() {
  if (hasValues()) FillValues();
}

void DebugWindow::Select(int line) {
  if (!services_.flags || line < 0 || static_cast<std::size_t>(line) >= values_.size()) return;
  selected_ = line;
  edit_ = services_.flags->text(line);
}

void DebugWindow::Set() {
  if (!services_.flags || selected_ < 0 || static_cast<std::size_t>(selected_) >= values_.size()) {
    return;
  }
  services_.flags->set(selected_, edit_);
  FlagWritten(selected_);
}

void DebugWindow::UpdateStatus() {
  if (services_.status) status_ = StatusLines(services_.status(), true);
}

void DebugWindow::ChooseBuffer(int index) {
  if (index < 0 || index >= kBufferCount || !services_.buffer) return;
  buffer_ = index;
  const BufferInfo info = services_.buffer(index);
  bufferFile_ = info.fileNameCp932;
  bufferWidth_ = info.surface ? info.surface->width() : 0;
  bufferHeight_ = info.surface ? info.surface->height() : 0;
  image_ = Surface();
  if (!info.surface || info.surface->empty()) return;
  int w = 0, h = 0;
  FitInto(bufferWidth_, bufferHeight_, kImageWidth, kImageHeight, w, h);
  image_.reset(w, h);
  StretchInto(*info.surface, image_);
}

std::string DebugWindow::fileLabel() const {
  return buffer_ < 0 ? "FileName" : "File:" + Cp932ToUtf8(CutCp932(bufferFile_, kMaxLineBytes));
}

std::string DebugWindow::sizeXLabel() const {
  return buffer_ < 0 ? "SizeX" : "SizeX:" + std::to_string(bufferWidth_);
}

std::string DebugWindow::sizeYLabel() const {
  return buffer_ < 0 ? "SizeY" : "SizeY:" + std::to_string(bufferHeight_);
}

void DebugWindow::Quit() {
  if (services_.quit) services_.quit();
}

std::vector<ToolControl> DebugWindow::controls() const {
  using Kind = ToolControl::Kind;
  std::vector<ToolControl> out;
  auto add = [&](Kind kind, const char* name, std::string text, IntRect bounds,
                 int page) -> ToolControl& {
    ToolControl& c = AddControl(out, kind, name, std::move(text), bounds);
    c.visible = page < 0 || page == tab_;
    return c;
  };
  ToolControl& pages = add(Kind::Tab, "PageControl1", {}, {4, 4, 455, 28}, -1);
  pages.lines.assign(kTabNames.begin(), kTabNames.end());
  pages.value = tab_;

  ToolControl& errors = add(Kind::List, "ErrList", {}, {4, 30, 455, 270}, kErrorTab);
  errors.lines = errors_;
  errors.value = -1;

  add(Kind::Label, "Label5", "選択：", {8, 34, 52, 50}, kValueTab);
  add(Kind::Label, "Label6", selected_ < 0 ? std::string() : std::to_string(selected_),
      {52, 34, 92, 50}, kValueTab);
  add(Kind::Label, "Label7", "←ここは自動的に更新されます", {92, 34, 340, 50}, kValueTab);
  ToolControl& values = add(Kind::List, "ValList", {}, {8, 54, 300, 270}, kValueTab);
  values.lines.reserve(values_.size());
  for (const std::string& line : values_)
    values.lines.push_back(Cp932ToUtf8(line));
  values.value = selected_;
  add(Kind::Edit, "ValEdit1", Cp932ToUtf8(edit_), {308, 54, 451, 78}, kValueTab);
  add(Kind::Button, "Button3", "SET", {308, 84, 376, 108}, kValueTab);
  add(Kind::Button, "Button5", "強制更新", {308, 116, 451, 140}, kValueTab);

  add(Kind::Button, "Button2", "更新", {8, 34, 88, 58}, kStatusTab);
  ToolControl& status = add(Kind::List, "ListBox1", {}, {8, 62, 451, 270}, kStatusTab);
  status.lines = status_;
  status.value = -1;

  ToolControl& buffers =
      add(Kind::Choice, "ComboBox1", buffer_ < 0 ? std::string() : kBufferNames[buffer_],
          {8, 34, 200, 58}, kBufferTab);
  buffers.lines.assign(kBufferNames.begin(), kBufferNames.end());
  buffers.value = buffer_;
  add(Kind::Label, "Label4", "選択し直せば更新", {208, 38, 400, 54}, kBufferTab);
  add(Kind::Label, "Label1", fileLabel(), {8, 62, 451, 78}, kBufferTab);
  add(Kind::Label, "Label2", sizeXLabel(), {8, 82, 120, 98}, kBufferTab);
  add(Kind::Label, "Label3", sizeYLabel(), {128, 82, 240, 98}, kBufferTab);
  ToolControl& image =
      add(Kind::Picture, "Image1", {}, {8, 104, 8 + kImageWidth, 104 + kImageHeight}, kBufferTab);
  image.picture = image_.empty() ? nullptr : &image_;

  add(Kind::Button, "Button1", "閉じる", {248, 280, 344, 308}, -1);
  add(Kind::Button, "Button4", "プログラム終了", {352, 280, 455, 308}, -1);
  return out;
}

void DebugWindow::act(const std::string& control, int value, const std::string& text) {
  if (control == "PageControl1") {
    SetTab(value);
  } else if (control == "ValList") {
    Select(value);
  } else if (control == "ValEdit1") {
    SetEditText(Utf8ToCp932(text));
  } else if (control == "Button3") {
    Set();
  } else if (control == "Button5") {
    ForceUpdate();
  } else if (control == "Button2") {
    UpdateStatus();
  } else if (control == "ComboBox1") {
    ChooseBuffer(value);
  } else if (control == "Button1" || control == "cancel") {
    Close();
  } else if (control == "Button4") {
    Quit();
  }
}

}  // namespace qw
