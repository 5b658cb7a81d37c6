// What today's readers expect beside the story: text that advances by itself, Ctrl held to
// race through read text, screenshots, and a hook that hands every story line to dictionary and
// translation tools. One owner, held by the engine object; none of it changes what a script
// does, its saves or the menu items of old.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "app/engine_options.h"
#include "app/subsystem.h"

namespace qw {

class TFmain;

class ReaderAids final : public Subsystem {
 public:
  // The pop-up items this owner adds.
  static constexpr const char* kAutoItem = "Kautoadv";        // "自動で進む", Ctrl+A
  static constexpr const char* kScreenshotItem = "Mscrshot";  // "画面を保存", F12

  // `qwk.ini` keys, their defaults and bounds.
  static constexpr std::int32_t kDefaultAutoDelayMs = 1500;
  static constexpr std::int32_t kDefaultAutoDelayPerCharMs = 40;
  static constexpr std::int32_t kMaxAutoDelayMs = 60000;
  static constexpr std::int32_t kMaxAutoDelayPerCharMs = 1000;
  // However much text a page holds, it advances within this time.
  static constexpr std::int64_t kMaxWaitDelayMs = 600000;
  static constexpr std::int32_t kMaxCountedChars = 1 << 20;
  // A voice that plays longer holds the advance no further.
  static constexpr std::uint32_t kMaxVoiceWaitMs = 60000;
  // Ctrl must be held this long, with no shortcut typed, before it races: Ctrl+S at a click
  // wait must not skip the line before the save window opens.
  static constexpr std::uint32_t kControlHoldMs = 300;
  // The hook passes on at most this much text at once; a script that never waits is cut up.
  static constexpr std::size_t kMaxHookBytes = 64 * 1024;

  explicit ReaderAids(TFmain& engine);
  ~ReaderAids() override;
  ReaderAids(const ReaderAids&) = delete;
  ReaderAids& operator=(const ReaderAids&) = delete;

  // ---- Settings ----
  // Reads `AutoAdvance`, `AutoDelay` and `AutoDelayPerChar` from `qwk.ini` in the data folder,
  // after the configuration has been read; a value that is no number keeps its default and is
  // reported as the other settings are. Sets the check of the auto item.
  void ReadSettings();
  // The lines this owner adds to `qwk.ini` (CP932, CRLF), a section of their own at its end;
  // none while every value is its default.
  std::string SettingsLines() const;

  // ---- Auto-advance ----
  bool autoAdvance() const { return autoAdvance_; }
  // Switches it, with the item's check.
  void SetAutoAdvance(bool on);
  std::int32_t autoDelayMs() const { return autoDelay_; }
  std::int32_t autoDelayPerCharMs() const { return autoDelayPerChar_; }

  // ---- What the text engine tells ----
  // A story line (or raw text) starts and ends being drawn; scopes nest.
  class StoryScope {
   public:
    explicit StoryScope(ReaderAids& aids);
    ~StoryScope();
    StoryScope(const StoryScope&) = delete;
    StoryScope& operator=(const StoryScope&) = delete;

   private:
    ReaderAids& aids_;
  };
  // A glyph drawn (CP932); symbol-font glyphs count for the delay but are not text.
  void CharacterShown(std::string_view c, bool symbolFont);
  // While it lives the glyphs drawn are ruby's base; it ends by handing on "base(ruby)".
  class RubyScope {
   public:
    RubyScope(ReaderAids& aids, std::string_view ruby);
    ~RubyScope();
    RubyScope(const RubyScope&) = delete;
    RubyScope& operator=(const RubyScope&) = delete;

   private:
    ReaderAids& aids_;
    std::string ruby_;
    std::string outerBase_;
    bool outerInRuby_;
  };
  // A line or page wait is reached, even one that returns at once (page-unit display, skip
  // mode): the text shown since the last one goes to the hook.
  void ClickWaitBegins() { FlushHook(); }
  // The text layer was cleared: what it showed goes to the hook.
  void TextCleared() { FlushHook(); }
  // Waits until `done()` holds, or, while auto-advance is on, until its delay has passed (from
  // the end of a voice the text started). Returns true when the delay ended it.
  bool WaitOrAdvance(const std::function<bool()>& done);
  bool clickWaiting() const { return clickWaits_ > 0; }
  // A click wait that waits for the reader, around WaitOrAdvance: the auto delay is measured
  // from the characters shown since the last such wait.
  class ClickWaitScope {
   public:
    explicit ClickWaitScope(ReaderAids& aids);
    ~ClickWaitScope();
    ClickWaitScope(const ClickWaitScope&) = delete;
    ClickWaitScope& operator=(const ClickWaitScope&) = delete;

   private:
    ReaderAids& aids_;
  };

  // ---- What input tells ----
  // A left press on the picture or Enter: during the story (not inside a viewer the menu
  // opened) it turns auto-advance off.
  void ReaderPressed();
  // A menu item ran: the auto delay of a wait in progress starts again.
  void MenuActed() { restartDelay_ = true; }
  // Ctrl went down or up; a key typed with Ctrl makes this hold a shortcut.
  void ControlKey(bool held);
  void ShortcutTyped() { controlUsed_ = true; }
  // The form timer's tick: a long enough Ctrl hold starts racing.
  void Tick() { ArmControlSkip(); }

  // ---- Screenshots ----
  // Writes the shown picture as "screenshots/YYYYMMDD-HHMMSS.png" beside the saves (with "-2",
  // "-3", ... when that name is taken), by the host's local time. Returns the file, or nothing
  // when it could not be written (the reader has been told).
  std::optional<std::filesystem::path> SaveScreenshot();

  // ---- Text hook ----
  // Where each story line goes: UTF-8 lines on `out`, or the host's clipboard.
  void SetTextHook(TextHookTarget target, std::ostream* out = nullptr);

  // Subsystem: pending hook text goes out; auto-advance, the setting, stays.
  void ResetForTitle() override;

 private:
  void FlushHook();
  // Whether shown text is gathered: for the hook, or for a host that speaks each line.
  bool collectingLines() const;
  void StartDelay();
  void ArmControlSkip();
  bool VoiceSounding();
  bool ReaderMenuOpen();

  TFmain& engine_;
  bool autoAdvance_ = false;
  std::int32_t autoDelay_ = kDefaultAutoDelayMs;
  std::int32_t autoDelayPerChar_ = kDefaultAutoDelayPerCharMs;
  std::int32_t charsShown_ = 0;
  std::uint32_t waitDelay_ = 0;
  bool restartDelay_ = false;
  int storyDepth_ = 0;
  int clickWaits_ = 0;
  bool controlHeld_ = false;
  bool controlUsed_ = false;
  bool controlSkip_ = false;  // skip mode was started by Ctrl
  std::uint32_t controlDownAt_ = 0;
  TextHookTarget hookTarget_ = TextHookTarget::None;
  std::ostream* hookOut_ = nullptr;
  std::string hookText_;  // CP932, since the last wait
  bool inRuby_ = false;
  std::string rubyBase_;
};

}  // namespace qw
