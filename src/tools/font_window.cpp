#include "tools/font_window.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <string_view>

#include "gfx/glyphs.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "tools/tool_controls.h"

namespace qw {
namespace {

constexpr std::array<const char*, FontWindow::kRows> kChoosers = {"ComboBox1", "ComboBox2",
                                                                  "ComboBox3", "ComboBox4"};
constexpr std::array<const char*, FontWindow::kRows> kPanels = {"Panel7", "Panel8", "Panel9",
                                                                "Panel10"};
constexpr int kRowTop = 32;
constexpr int kRowPitch = 40;

// Font names as the platform compares them: ASCII letters without regard to case, the bytes
// of double-byte characters exactly.
bool SameFontName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = CharLength(a, i);
    if (n == 2) {
      if (a.substr(i, 2) != b.substr(i, 2)) return false;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

std::vector<std::string> InstalledFontFamilies() {
  std::vector<std::string> names;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
  FcFontSet* set = (pattern && objects) ? FcFontList(nullptr, pattern, objects) : nullptr;
  if (set) {
    for (int f = 0; f < set->nfont; ++f) {
      FcChar8* family = nullptr;
      for (int i = 0; FcPatternGetString(set->fonts[f], FC_FAMILY, i, &family) == FcResultMatch;
           ++i) {
        names.emplace_back(reinterpret_cast<const char*>(family));
      }
    }
    FcFontSetDestroy(set);
  }
  if (objects) FcObjectSetDestroy(objects);
  if (pattern) FcPatternDestroy(pattern);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = AsciiLower(a), lb = AsciiLower(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

void FontWindow::SetFontList(const std::vector<std::string>& familiesUtf8) {
  fontsUtf8_.clear();
  fontsCp932_.clear();
  for (const std::string& name : familiesUtf8) {
    if (name.empty() || name.front() == '@') continue;
    std::string cp932 = Utf8ToCp932(name);
    if (Cp932ToUtf8(cp932) != name) continue;
    fontsUtf8_.push_back(name);
    fontsCp932_.push_back(std::move(cp932));
  }
}

int FontWindow::IndexOf(const std::string& nameCp932) const {
  for (std::size_t i = 0; i < fontsCp932_.size(); ++i) {
    if (SameFontName(fontsCp932_[i], nameCp932)) return static_cast<int>(i);
  }
  return -1;
}

void FontWindow::Open(const std::array<std::string, kRows>& slotFonts,
                      const std::array<std::string, kRows>& comments) {
  slotFonts_ = slotFonts;
  comments_ = comments;
  open_ = true;
  accepted_ = false;
  SelectSlotFonts();
}

void FontWindow::SelectSlotFonts() {
  for (int row = 0; row < kRows; ++row) {
    selection_[static_cast<std::size_t>(row)] = IndexOf(slotFonts_[static_cast<std::size_t>(row)]);
    RenderPreview(row);
  }
}

int FontWindow::selection(int row) const {
  return row >= 0 && row < kRows ? selection_[static_cast<std::size_t>(row)] : -1;
}

void FontWindow::Choose(int row, int index) {
  if (row < 0 || row >= kRows || index < 0 ||
      static_cast<std::size_t>(index) >= fontsCp932_.size()) {
    return;
  }
  selection_[static_cast<std::size_t>(row)] = index;
  RenderPreview(row);
}

bool FontWindow::ChooseByName(int row, const std::string& nameUtf8) {
  const int index = IndexOf(Utf8ToCp932(nameUtf8));
  if (index < 0 || row < 0 || row >= kRows) return false;
  Choose(row, index);
  return true;
}

std::array<std::string, FontWindow::kRows> FontWindow::choices() const {
  std::array<std::string, kRows> out;
  for (std::size_t row = 0; row < out.size(); ++row) {
    const int index = selection_[row];
    // A font the list does not hold (the classic Windows names the glyph renderer stands in
    // for) stays; an empty slot would silently switch such text to the default family.
    out[row] = index >= 0 ? fontsCp932_[static_cast<std::size_t>(index)] : slotFonts_[row];
  }
  return out;
}

void FontWindow::Ok() {
  if (!open_) return;
  accepted_ = true;
  open_ = false;
}

void FontWindow::Cancel() {
  if (!open_) return;
  SelectSlotFonts();
  accepted_ = false;
  open_ = false;
}

void FontWindow::RenderPreview(int row) {
  Surface& preview = previews_[static_cast<std::size_t>(row)];
  preview.reset(kPreviewWidth, kPreviewHeight, kPreviewColor);
  if (!glyphs_) return;
  const int index = selection_[static_cast<std::size_t>(row)];
  const std::string& font = index >= 0 ? fontsCp932_[static_cast<std::size_t>(index)]
                                       : slotFonts_[static_cast<std::size_t>(row)];
  const std::string_view text = comments_[static_cast<std::size_t>(row)];
  DrawGlyphText(*glyphs_, preview, 4, (kPreviewHeight - kPreviewTextHeight) / 2, font, text,
                kPreviewTextHeight, 0x000000, kPreviewWidth);
}

std::vector<ToolControl> FontWindow::controls() const {
  using Kind = ToolControl::Kind;
  std::vector<ToolControl> out;
  auto add = [&](Kind kind, const char* name, std::string text, IntRect bounds) -> ToolControl& {
    return AddControl(out, kind, name, std::move(text), bounds);
  };
  add(Kind::Label, "Panel5", "フォント名", {8, 8, 232, 28});
  add(Kind::Label, "Panel6", "コメント", {240, 8, 472, 28});
  for (int row = 0; row < kRows; ++row) {
    const auto r = static_cast<std::size_t>(row);
    const int top = kRowTop + row * kRowPitch;
    const int index = selection_[r];
    ToolControl& chooser =
        add(Kind::Choice, kChoosers[r],
            index >= 0 ? fontsUtf8_[static_cast<std::size_t>(index)] : std::string(),
            {8, top + 4, 232, top + 28});
    chooser.lines = fontsUtf8_;
    chooser.value = index;
    ToolControl& panel = add(Kind::Picture, kPanels[r], Cp932ToUtf8(comments_[r]),
                             {240, top, 240 + kPreviewWidth, top + kPreviewHeight});
    panel.picture = glyphs_ ? &previews_[r] : nullptr;
    panel.color = kPreviewColor;
  }
  add(Kind::Label, "Panel11", kLatinFontWarning, {8, 196, 300, 228});
  add(Kind::Button, "Button1", "OK", {312, 196, 388, 224});
  add(Kind::Button, "Button2", "キャンセル", {396, 196, 472, 224});
  return out;
}

void FontWindow::act(const std::string& control, int value, const std::string& text) {
  if (!open_) return;
  for (int row = 0; row < kRows; ++row) {
    if (control == kChoosers[static_cast<std::size_t>(row)]) {
      Choose(row, value);
      return;
    }
  }
  if (control == "font") {
    ChooseByName(value, text);
  } else if (control == "Button1" || control == "ok") {
    Ok();
  } else if (control == "Button2" || control == "cancel") {
    Cancel();
  }
}

}  // namespace qw
