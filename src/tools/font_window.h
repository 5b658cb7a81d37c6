// The reader's font window `TFfont`: four rows, each a choose-only list of the installed fonts
// and a panel previewing the row's comment in the chosen font; OK takes the choices into font
// slots 0..3, Cancel leaves them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

class GlyphRenderer;

inline constexpr const char* kFontWindowCaption = "フォント設定";
inline constexpr const char* kLatinFontWarning = "欧文フォントを指定すると日本語が表示できません";

// The families fontconfig lists (UTF-8), every name of each, sorted without regard to ASCII
// letter case, without duplicates.
std::vector<std::string> InstalledFontFamilies();

class FontWindow final : public ToolWindowModel {
 public:
  static constexpr int kRows = 4;
  static constexpr int kWidth = 480;
  static constexpr int kHeight = 236;
  static constexpr int kPreviewWidth = 232;
  static constexpr int kPreviewHeight = 32;
  static constexpr int kPreviewTextHeight = 16;
  static constexpr std::uint32_t kPreviewColor = 0xFFFFFF;

  // The choosers' font list from installed family names (UTF-8): names beginning with "@"
  // (vertical writing) are left out, and so are names code page 932 cannot hold, since a
  // slot keeps its font name in CP932.
  void SetFontList(const std::vector<std::string>& familiesUtf8);
  const std::vector<std::string>& fontList() const { return fontsUtf8_; }
  // Draws the previews; without one the panels show their comment as text only.
  void SetGlyphs(GlyphRenderer* glyphs) { glyphs_ = glyphs; }

  // Opens the window: each row selects the font of its slot (none when the slot's font is not
  // in the list), and each panel shows its comment. Names are CP932.
  void Open(const std::array<std::string, kRows>& slotFonts,
            const std::array<std::string, kRows>& comments);
  bool isOpen() const { return open_; }
  // Whether the window was closed by OK.
  bool accepted() const { return accepted_; }

  // A row's choice: an index into the font list, -1 for none.
  int selection(int row) const;
  void Choose(int row, int index);
  // Chooses the font named `nameUtf8` (letter case aside); false, and the row unchanged, when
  // the list has no such font.
  bool ChooseByName(int row, const std::string& nameUtf8);
  // The slot fonts the choices give (CP932): the chosen name, else the font the row had.
  std::array<std::string, kRows> choices() const;

  // `Button1` OK and `Button2` キャンセル: both close; Cancel sets the rows back.
  void Ok();
  void Cancel();

  // ---- The window ----
  std::string formName() const override { return "TFfont"; }
  std::string caption() const override { return kFontWindowCaption; }
  int width() const override { return kWidth; }
  int height() const override { return kHeight; }
  // `Panel5`, `Panel6`, then per row `ComboBoxN` and `PanelM`, then `Panel11`, `Button1`,
  // `Button2`.
  std::vector<ToolControl> controls() const override;
  // "ComboBox1".."ComboBox4" (font `value`); "font": row `value` takes the font named `text`;
  // "Button1" and "ok"; "Button2" and "cancel".
  void act(const std::string& control, int value, const std::string& text) override;
  bool closed() const override { return !open_; }

 private:
  int IndexOf(const std::string& nameCp932) const;
  void SelectSlotFonts();
  void RenderPreview(int row);

  std::vector<std::string> fontsUtf8_;
  std::vector<std::string> fontsCp932_;
  GlyphRenderer* glyphs_ = nullptr;
  std::array<std::string, kRows> slotFonts_;
  std::array<std::string, kRows> comments_;
  std::array<int, kRows> selection_{-1, -1, -1, -1};
  std::array<Surface, kRows> previews_;
  bool open_ = false;
  bool accepted_ = false;
};

}  // namespace qw
