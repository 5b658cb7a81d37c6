// The slot picker `TFfile`: one page of four slot buttons out of 80 slots, a page slider and
// label, previous/next buttons, a cancel button. A model: the host's view draws it and calls
// back; what it shows and what each button does is here.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "state/save_files.h"
#include "tools/image_button.h"

namespace qw {

class GlyphRenderer;

inline constexpr const char* kSlotPickerCaption = "ファイル選択";
inline constexpr const char* kOverwriteQuestion = "上書きしていいですか？";
inline constexpr const char* kOverwriteCaption = "確認";
inline constexpr const char* kNoSlotDataText = "データがありません";

// The bytes a caption gives the title: trailing blanks dropped, padded, then cut.
inline constexpr std::size_t kSlotTitleBytes = 64;

// The caption of slot `slot` (CP932): its number padded to three characters, then the title
// cut or padded to 64 bytes and the date "(yyyy/mm/dd hh:mm)" for a used slot, or
// "データがありません". A cut that would split a double-byte character ends in a blank instead.
std::string SlotCaption(int slot, const SlotEntry& entry);

class SlotPicker final : public ToolWindowModel {
 public:
  enum class Mode { Load, Save };
  enum class Click { Ignored, AskOverwrite, Chosen };
  struct Rgb {
    int red, green, blue;
  };
  static constexpr int kButtons = 4;
  static constexpr int kPages = kSaveSlotCount / kButtons;

  // Opens the picker: captions for all 80 slots from `entries`. The page shown is the one
  // shown last time (0 at first).
  void Show(Mode mode, const std::array<SlotEntry, kSaveSlotCount>& entries);

  Mode mode() const { return mode_; }
  bool isOpen() const { return open_; }
  // The chosen slot (1..80) once closed by a choice; nothing while open or after cancel.
  std::optional<int> chosenSlot() const { return chosen_; }

  // Page, slider `TrackBar1` (0..19) and label `Label1` ("1/20".."20/20").
  int page() const { return page_; }
  void SetPage(int page);
  void PreviousPage() { SetPage(page_ - 1); }  // `TkBtn1`
  void NextPage() { SetPage(page_ + 1); }      // `TkBtn2`
  std::string pageLabel() const;
  bool previousVisible() const { return page_ > 0; }
  bool nextVisible() const { return page_ < kPages - 1; }

  // The slot buttons `TkBtn6`..`TkBtn9` of the page shown, 0..3.
  int slotOfButton(int button) const { return page_ * kButtons + button + 1; }
  const std::string& buttonCaption(int button) const { return caption(slotOfButton(button)); }
  bool buttonEnabled(int button) const;

  // Slot captions (CP932) and whether a slot holds a save, by slot number 1..80.
  const std::string& caption(int slot) const;
  bool used(int slot) const;

  // A slot button pressed. Saving into a used slot asks first (kOverwriteQuestion, caption
  // kOverwriteCaption, OK and Cancel): the view asks and passes the answer to AnswerOverwrite.
  Click Press(int button);
  // The answer to the overwrite question for `button`; Cancel keeps the picker open.
  void AnswerOverwrite(int button, bool ok);
  // `TkBtn5`: closes with no slot chosen.
  void Cancel();

  // Mode pictures `TkBtn3` (loading) and `TkBtn4` (saving), and the window's colour, which
  // the slider takes too.
  bool loadPictureShown() const { return mode_ == Mode::Load; }
  bool savePictureShown() const { return mode_ == Mode::Save; }
  Rgb windowColor() const;
  // Draws the image buttons; without it the host shows plain buttons with their captions.
  void setGlyphs(GlyphRenderer* glyphs) { glyphs_ = glyphs; }

  // What a reader sees, in reading order (UTF-8): the page label, then the 80 captions.
  std::vector<std::string> Texts() const;

  // The overwrite question, asked of the reader: true for OK. Unset, the answer is Cancel.
  using Question = std::function<bool(const std::string& textUtf8, const std::string& caption)>;
  void setQuestion(Question question) { question_ = std::move(question); }

  // ---- The window `TFfile` ----
  std::string formName() const override { return "TFfile"; }
  std::string caption() const override { return kSlotPickerCaption; }
  int width() const override { return kWidth; }
  int height() const override { return kHeight; }
  // windowColor(), as 0xRRGGBB.
  std::optional<std::uint32_t> color() const override;
  // The mode picture, `Label1`, the four slot buttons, `TrackBar1` (in the window's colour,
  // with the focus), `TkBtn1`, `TkBtn2`, `TkBtn5`, and the list `Captions` of all 80
  // captions, which has no area of its own: it is what the reader pages through. The
  // buttons and mode pictures are image buttons drawn with the glyphs given.
  std::vector<ToolControl> controls() const override;
  // "TkBtn6".."TkBtn9": a slot button (saving into a used slot asks first); "slot" with value
  // N: slot N itself, its page shown first; "TrackBar1": page `value`; "TkBtn1", "TkBtn2": the
  // page before, after; "TkBtn5" and "cancel": closed with no slot.
  void act(const std::string& control, int value, const std::string& text) override;
  bool closed() const override { return !open_; }

  static constexpr int kWidth = 544;
  static constexpr int kHeight = 320;
  static constexpr int kCaptionHeight = 12;

 private:
  // The buttons as drawn: face and held down, by control.
  struct Drawn {
    Surface face;
    Surface pressed;
  };
  static constexpr int kDrawnButtons = 9;

  void Close(std::optional<int> slot);
  void PressAndAsk(int button);
  // Draws `button` into `drawn` (its pressed look too, for buttons that can be pressed).
  void Draw(const TTkBtn& button, Drawn& drawn, bool pressable) const;

  Mode mode_ = Mode::Load;
  int page_ = 0;
  bool open_ = false;
  std::optional<int> chosen_;
  std::array<std::string, kSaveSlotCount> captions_;
  std::array<bool, kSaveSlotCount> used_{};
  Question question_;
  GlyphRenderer* glyphs_ = nullptr;
  mutable std::array<Drawn, kDrawnButtons> drawn_;  // what controls() hands out
};

}  // namespace qw
