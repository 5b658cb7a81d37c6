// The version window `TFver`: the scenario's version picture (or a picture saying there is
// none), the engine's version, and where the scenario runs from.
#pragma once

#include <string>

#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

class GlyphRenderer;

inline constexpr const char* kVersionCaption = "バージョン情報";
inline constexpr const char* kNoVersionText = "シナリオのバージョン情報はありません";

// The picture shown when the scenario has none: 512 x 128, white, the text in black at
// (32, 32). Without `glyphs` the text is left out.
Surface VersionFallbackPicture(GlyphRenderer* glyphs);

class VersionWindow final : public ToolWindowModel {
 public:
  static constexpr int kFallbackWidth = 512;
  static constexpr int kFallbackHeight = 128;
  // The picture area: a larger picture is scaled down into it, its shape kept.
  static constexpr int kMaxPictureWidth = 640;
  static constexpr int kMaxPictureHeight = 360;

  // What the window shows. Texts are UTF-8 unless named.
  struct Info {
    std::string programIdCp932;  // empty: none configured
    std::string installPath;     // empty: none found
    std::string dataFolder;
  };

  // The picture `VerImage` (an empty one gives the fallback).
  void SetPicture(const Surface& picture, GlyphRenderer* glyphs);
  const Surface& picture() const { return picture_; }
  bool hasPicture() const { return !picture_.empty(); }

  void Open(const Info& info);
  bool isOpen() const { return open_; }
  // `Button1` 閉じる.
  void Close() { open_ = false; }

  std::string versionLabel() const;     // `Label2`
  std::string programIdText() const;    // `StaticText1`
  std::string installPathText() const;  // `StaticText2`

  // ---- The window ----
  std::string formName() const override { return "TFver"; }
  std::string caption() const override { return kVersionCaption; }
  int width() const override;
  int height() const override;
  // `VerImage`, `Label1`, `Label2`, `StaticText1`, `StaticText2`, `Button1`.
  std::vector<ToolControl> controls() const override;
  // "Button1" and "cancel" close it.
  void act(const std::string& control, int value, const std::string& text) override;
  bool closed() const override { return !open_; }

 private:
  Surface picture_;
  Info info_;
  bool open_ = false;
};

}  // namespace qw
