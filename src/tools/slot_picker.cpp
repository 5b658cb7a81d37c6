#include "tools/slot_picker.h"

#include <algorithm>
#include <cstdio>

#include "platform/cp932.h"
#include "tools/tool_controls.h"

namespace qw {
namespace {

bool ValidSlot(int slot) {
  return slot >= 1 && slot <= kSaveSlotCount;
}

std::string PaddedTitle(std::string_view title) {
  while (!title.empty() && static_cast<unsigned char>(title.back()) <= ' ')
    title.remove_suffix(1);
  std::string padded(title);
  padded.append(69, ' ');
  std::size_t keep = 0;
  while (keep < kSlotTitleBytes) {
    std::size_t len = CharLength(padded, keep);
    if (keep + len > kSlotTitleBytes) break;
    keep += len;
  }
  padded.resize(keep);
  padded.resize(kSlotTitleBytes, ' ');
  return padded;
}

}  // namespace

std::string SlotCaption(int slot, const SlotEntry& entry) {
  std::string caption = std::to_string(slot);
  if (caption.size() < 3) caption.resize(3, ' ');
  if (!entry.used) return caption + Utf8ToCp932(kNoSlotDataText);
  char date[64];
  const LocalTime& t = entry.modified;
  std::snprintf(date, sizeof date, "(%04d/%02d/%02d %02d:%02d)", t.year, t.month, t.day, t.hour,
                t.minute);
  return caption + PaddedTitle(entry.title) + date;
}

void SlotPicker::Show(Mode mode, const std::array<SlotEntry, kSaveSlotCount>& entries) {
  mode_ = mode;
  open_ = true;
  chosen_.reset();
  for (int slot = 1; slot <= kSaveSlotCount; ++slot) {
    const SlotEntry& entry = entries[static_cast<std::size_t>(slot - 1)];
    captions_[static_cast<std::size_t>(slot - 1)] = SlotCaption(slot, entry);
    used_[static_cast<std::size_t>(slot - 1)] = entry.used;
  }
}

void SlotPicker::SetPage(int page) {
  page_ = std::clamp(page, 0, kPages - 1);
}

std::string SlotPicker::pageLabel() const {
  return std::to_string(page_ + 1) + "/" + std::to_string(kPages);
}

bool SlotPicker::buttonEnabled(int button) const {
  if (button < 0 || button >= kButtons) return false;
  return mode_ == Mode::Save || used(slotOfButton(button));
}

const std::string& SlotPicker::caption(int slot) const {
  static const std::string kNone;
  return ValidSlot(slot) ? captions_[static_cast<std::size_t>(slot - 1)] : kNone;
}

bool SlotPicker::used(int slot) const {
  return ValidSlot(slot) && used_[static_cast<std::size_t>(slot - 1)];
}

SlotPicker::Click SlotPicker::Press(int button) {
  if (!open_ || !buttonEnabled(button)) return Click::Ignored;
  const int slot = slotOfButton(button);
  if (mode_ == Mode::Save && used(slot)) return Click::AskOverwrite;
  Close(slot);
  return Click::Chosen;
}

void SlotPicker::AnswerOverwrite(int button, bool ok) {
  if (ok && open_ && buttonEnabled(button)) Close(slotOfButton(button));
}

void SlotPicker::Cancel() {
  Close(std::nullopt);
}

void SlotPicker::Close(std::optional<int> slot) {
  open_ = false;
  chosen_ = slot;
}

SlotPicker::Rgb SlotPicker::windowColor() const {
  return mode_ == Mode::Load ? Rgb{208, 208, 160} : Rgb{160, 208, 208};
}

std::optional<std::uint32_t> SlotPicker::color() const {
  const Rgb c = windowColor();
  return static_cast<std::uint32_t>(c.red << 16 | c.green << 8 | c.blue);
}

void SlotPicker::Draw(const TTkBtn& button, Drawn& drawn, bool pressable) const {
  button.Paint(drawn.face, glyphs_);
  if (pressable) {
    button.PaintPressed(drawn.pressed, glyphs_);
  } else {
    drawn.pressed = Surface();
  }
}

std::vector<ToolControl> SlotPicker::controls() const {
  using Kind = ToolControl::Kind;
  std::vector<ToolControl> out;
  out.reserve(12);
  auto add = [&](Kind kind, const char* name, std::string text, IntRect bounds) -> ToolControl& {
    return AddControl(out, kind, name, std::move(text), bounds);
  };
  const std::uint32_t face = *color();
  // Each image button in the window's colour, drawn into its own slot of `drawn_`.
  auto draw = [&](ToolControl& c, std::size_t slot, TTkBtn button, bool pressable) {
    if (!glyphs_) return;
    button.width = c.bounds.width();
    button.height = c.bounds.height();
    button.color = face;
    button.enabled = c.enabled;
    if (button.caption.empty()) button.caption = Utf8ToCp932(c.text);
    Draw(button, drawn_[slot], pressable);
    c.picture = &drawn_[slot].face;
    c.pressedPicture = pressable ? &drawn_[slot].pressed : nullptr;
  };
  TTkBtn modePicture;
  modePicture.fontHeight = 16;
  modePicture.bevelInner = TTkBtn::Bevel::Lowered;
  ToolControl& load = add(Kind::Picture, "TkBtn3", "データ読み込み", {8, 8, 168, 40});
  load.visible = loadPictureShown();
  draw(load, 0, modePicture, false);
  ToolControl& save = add(Kind::Picture, "TkBtn4", "データ保存", {8, 8, 168, 40});
  save.visible = savePictureShown();
  draw(save, 1, modePicture, false);
  add(Kind::Label, "Label1", pageLabel(), {456, 16, 536, 40}).color = face;
  static constexpr const char* kSlotButtons[kButtons] = {"TkBtn6", "TkBtn7", "TkBtn8", "TkBtn9"};
  TTkBtn slotButton;
  slotButton.alignment = TTkBtn::Alignment::Left;
  slotButton.bevelWidth = 2;
  slotButton.fontHeight = kCaptionHeight;
  for (int b = 0; b < kButtons; ++b) {
    const int top = 52 + 48 * b;
    ToolControl& button =
        add(Kind::Button, kSlotButtons[b], Cp932ToUtf8(buttonCaption(b)), {8, top, 536, top + 44});
    button.enabled = buttonEnabled(b);
    slotButton.caption = buttonCaption(b);
    draw(button, static_cast<std::size_t>(2 + b), slotButton, true);
  }
  ToolControl& slider = add(Kind::Slider, "TrackBar1", {}, {64, 248, 480, 276});
  slider.value = page_;
  slider.maximum = kPages - 1;
  slider.color = face;
  slider.focused = true;
  TTkBtn plain;
  ToolControl& previous = add(Kind::Button, "TkBtn1", "＜", {8, 244, 56, 276});
  previous.visible = previousVisible();
  draw(previous, 6, plain, true);
  ToolControl& next = add(Kind::Button, "TkBtn2", "＞", {488, 244, 536, 276});
  next.visible = nextVisible();
  draw(next, 7, plain, true);
  draw(add(Kind::Button, "TkBtn5", "キャンセル", {432, 284, 536, 312}), 8, plain, true);
  ToolControl& list = add(Kind::List, "Captions", {}, {0, 0, 0, 0});
  list.value = -1;
  list.lines.reserve(kSaveSlotCount);
  for (const std::string& c : captions_)
    list.lines.push_back(Cp932ToUtf8(c));
  return out;
}

void SlotPicker::PressAndAsk(int button) {
  if (Press(button) != Click::AskOverwrite) return;
  const bool ok = question_ && question_(kOverwriteQuestion, kOverwriteCaption);
  AnswerOverwrite(button, ok);
}

void SlotPicker::act(const std::string& control, int value, const std::string& /*text*/) {
  if (!open_) return;
  if (control == "slot") {
    if (!ValidSlot(value)) return;
    SetPage((value - 1) / kButtons);
    PressAndAsk((value - 1) % kButtons);
  } else if (control.size() == 6 && control.rfind("TkBtn", 0) == 0 && control[5] >= '6' &&
             control[5] <= '9') {
    PressAndAsk(control[5] - '6');
  } else if (control == "TrackBar1") {
    SetPage(value);
  } else if (control == "TkBtn1") {
    PreviousPage();
  } else if (control == "TkBtn2") {
    NextPage();
  } else if (control == "TkBtn5" || control == "cancel") {
    Cancel();
  }
}

std::vector<std::string> SlotPicker::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(kSaveSlotCount + 1);
  texts.push_back(pageLabel());
  for (const std::string& c : captions_)
    texts.push_back(Cp932ToUtf8(c));
  return texts;
}

}  // namespace qw
