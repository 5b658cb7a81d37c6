#include "tools/version_window.h"

#include <algorithm>
#include <string_view>

#include "gfx/glyphs.h"
#include "platform/cp932.h"
#include "present/text_state.h"
#include "state/settings.h"
#include "tools/image_button.h"
#include "tools/tool_controls.h"

namespace qw {
namespace {

constexpr int kMargin = 8;
constexpr int kMinWidth = 360;
constexpr int kLineHeight = 20;
constexpr int kFallbackTextHeight = 16;

}  // namespace

Surface VersionFallbackPicture(GlyphRenderer* glyphs) {
  Surface picture(VersionWindow::kFallbackWidth, VersionWindow::kFallbackHeight, 0xFFFFFF);
  if (!glyphs) return picture;
  const std::string text = Utf8ToCp932(kNoVersionText);
  DrawGlyphText(*glyphs, picture, 32, 32, kDefaultTextFont, text, kFallbackTextHeight, 0x000000);
  return picture;
}

void VersionWindow::SetPicture(const Surface& picture, GlyphRenderer* glyphs) {
  if (picture.empty()) {
    picture_ = VersionFallbackPicture(glyphs);
    return;
  }
  if (picture.width() <= kMaxPictureWidth && picture.height() <= kMaxPictureHeight) {
    picture_ = picture;
    return;
  }
  // Scaled down so that a huge picture neither fills the screen nor the memory of every view.
  const long long w = picture.width(), h = picture.height();
  int outW = kMaxPictureWidth;
  int outH = static_cast<int>(h * kMaxPictureWidth / w);
  if (outH > kMaxPictureHeight) {
    outH = kMaxPictureHeight;
    outW = static_cast<int>(w * kMaxPictureHeight / h);
  }
  picture_.reset(std::max(outW, 1), std::max(outH, 1));
  StretchInto(picture, picture_);
}

void VersionWindow::Open(const Info& info) {
  info_ = info;
  open_ = true;
}

std::string VersionWindow::versionLabel() const {
  return "Ver " + std::string(kEngineVersionText);
}

std::string VersionWindow::programIdText() const {
  return "ProgramID=" + (info_.programIdCp932.empty() ? std::string("設定無し")
                                                      : Cp932ToUtf8(info_.programIdCp932));
}

std::string VersionWindow::installPathText() const {
  return info_.installPath.empty() ? "CurrentDir=" + info_.dataFolder
                                   : "InstallPath=" + info_.installPath;
}

int VersionWindow::width() const {
  return std::max(picture_.width() + 2 * kMargin, kMinWidth);
}

int VersionWindow::height() const {
  return kMargin + picture_.height() + kMargin + 3 * kLineHeight + kMargin + 28 + kMargin;
}

std::vector<ToolControl> VersionWindow::controls() const {
  using Kind = ToolControl::Kind;
  std::vector<ToolControl> out;
  auto add = [&](Kind kind, const char* name, std::string text, IntRect bounds) -> ToolControl& {
    return AddControl(out, kind, name, std::move(text), bounds);
  };
  const int right = width() - kMargin;
  add(Kind::Picture, "VerImage", {},
      {kMargin, kMargin, kMargin + picture_.width(), kMargin + picture_.height()})
      .picture = picture_.empty() ? nullptr : &picture_;
  int y = kMargin + picture_.height() + kMargin;
  add(Kind::Label, "Label1", "インタプリタ", {kMargin, y, 120, y + kLineHeight});
  add(Kind::Label, "Label2", versionLabel(), {128, y, right, y + kLineHeight});
  y += kLineHeight;
  add(Kind::Label, "StaticText1", programIdText(), {kMargin, y, right, y + kLineHeight});
  y += kLineHeight;
  add(Kind::Label, "StaticText2", installPathText(), {kMargin, y, right, y + kLineHeight});
  y += kLineHeight + kMargin;
  add(Kind::Button, "Button1", "閉じる", {right - 88, y, right, y + 28});
  return out;
}

void VersionWindow::act(const std::string& control, int /*value*/, const std::string& /*text*/) {
  if (control == "Button1" || control == "cancel") Close();
}

}  // namespace qw
