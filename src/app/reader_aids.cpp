#include "app/reader_aids.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <system_error>
#include <vector>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "app/save_subsystem.h"
#include "gfx/png_writer.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "state/config.h"
#include "state/settings.h"

namespace qw {
namespace {

namespace fs = std::filesystem;

// Names tried for one second's screenshots before giving up.
constexpr int kMaxScreenshotSuffix = 1000;

std::string TwoDigits(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

std::string ScreenshotStem(const LocalTime& t) {
  return std::to_string(t.year) + TwoDigits(t.month) + TwoDigits(t.day) + "-" + TwoDigits(t.hour) +
         TwoDigits(t.minute) + TwoDigits(t.second);
}

// Writes `bytes` into a new file; EEXIST in `error` when the name is taken.
bool WriteNewFile(const fs::path& path, const std::string& bytes, int& error) {
  // "x": created here or not at all, so an existing screenshot is never overwritten.
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  if (!file) {
    error = errno;
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  error = written ? errno : EIO;
  std::error_code ec;
  fs::remove(path, ec);
  return false;
}

}  // namespace

ReaderAids::ReaderAids(TFmain& engine) : engine_(engine) {
  SetTextHook(engine.options().textHook);
}

ReaderAids::~ReaderAids() {
  try {
    FlushHook();
  } catch (...) {
    // The last words of an ending run are not worth a crash.
  }
}

// ---- Settings ----

void ReaderAids::ReadSettings() {
  SaveSubsystem& saves = engine_.saves();
  if (saves.readerSettingsFound()) {
    ConfigFile ini;
    std::vector<std::string> errors;
    if (ini.loadFile(ReaderSettingsPath(saves.dataFolder()))) {
      std::int32_t on = 0;
      ReadIntegerKey(ini, "AutoAdvance", on, errors);
      autoAdvance_ = on != 0;
      ReadIntegerKey(ini, "AutoDelay", autoDelay_, errors);
      ReadIntegerKey(ini, "AutoDelayPerChar", autoDelayPerChar_, errors);
      autoDelay_ = std::clamp(autoDelay_, 0, kMaxAutoDelayMs);
      autoDelayPerChar_ = std::clamp(autoDelayPerChar_, 0, kMaxAutoDelayPerCharMs);
    }
    for (const std::string& error : errors)
      engine_.ApplicationException(error);
  }
  engine_.menu().setChecked(kAutoItem, autoAdvance_);
}

std::string ReaderAids::SettingsLines() const {
  // Untouched, `qwk.ini` stays as the engine of old wrote it.
  if (!autoAdvance_ && autoDelay_ == kDefaultAutoDelayMs &&
      autoDelayPerChar_ == kDefaultAutoDelayPerCharMs) {
    return {};
  }
  return "[Reader]\r\nAutoAdvance=" + std::string(autoAdvance_ ? "1" : "0") +
         "\r\nAutoDelay=" + std::to_string(autoDelay_) +
         "\r\nAutoDelayPerChar=" + std::to_string(autoDelayPerChar_) + "\r\n";
}

// ---- Auto-advance ----

void ReaderAids::SetAutoAdvance(bool on) {
  autoAdvance_ = on;
  restartDelay_ = true;
  engine_.menu().setChecked(kAutoItem, on);
}

ReaderAids::StoryScope::StoryScope(ReaderAids& aids) : aids_(aids) {
  if (aids_.storyDepth_++ == 0) aids_.ArmControlSkip();
}

ReaderAids::StoryScope::~StoryScope() {
  --aids_.storyDepth_;
}

void ReaderAids::CharacterShown(std::string_view c, bool symbolFont) {
  if (charsShown_ < kMaxCountedChars) ++charsShown_;
  if (symbolFont || !collectingLines()) return;
  std::string& into = inRuby_ ? rubyBase_ : hookText_;
  if (into.size() + c.size() > kMaxHookBytes) {
    if (inRuby_) return;
    FlushHook();
  }
  into.append(c);
}

ReaderAids::RubyScope::RubyScope(ReaderAids& aids, std::string_view ruby)
    : aids_(aids), ruby_(ruby), outerBase_(std::move(aids.rubyBase_)), outerInRuby_(aids.inRuby_) {
  aids_.rubyBase_.clear();
  aids_.inRuby_ = true;
}

ReaderAids::RubyScope::~RubyScope() {
  std::string shown = std::move(aids_.rubyBase_);
  aids_.rubyBase_ = std::move(outerBase_);
  aids_.inRuby_ = outerInRuby_;
  if (!aids_.collectingLines() || shown.empty()) return;
  std::string& into = aids_.inRuby_ ? aids_.rubyBase_ : aids_.hookText_;
  shown += '(';
  shown += ruby_;
  shown += ')';
  if (into.size() + shown.size() > kMaxHookBytes && !aids_.inRuby_) {
    try {
      aids_.FlushHook();
    } catch (...) {
      return;  // a destructor passes nothing on
    }
  }
  if (into.size() + shown.size() <= kMaxHookBytes) into += shown;
}

ReaderAids::ClickWaitScope::ClickWaitScope(ReaderAids& aids) : aids_(aids) {
  ++aids_.clickWaits_;
  aids_.StartDelay();
}

ReaderAids::ClickWaitScope::~ClickWaitScope() {
  --aids_.clickWaits_;
}

void ReaderAids::StartDelay() {
  const std::int64_t delay = static_cast<std::int64_t>(autoDelay_) +
                             static_cast<std::int64_t>(autoDelayPerChar_) * charsShown_;
  waitDelay_ = static_cast<std::uint32_t>(std::min<std::int64_t>(delay, kMaxWaitDelayMs));
  charsShown_ = 0;
  restartDelay_ = true;
}

bool ReaderAids::VoiceSounding() {
  return engine_.media().output().sounding(AudioSlot::Simple);
}

bool ReaderAids::WaitOrAdvance(const std::function<bool()>& done) {
  Waiter& waiter = engine_.waiter();
  std::uint32_t start = waiter.now();
  bool voiceHeld = false;
  while (!done()) {
    if (!autoAdvance_) {
      waiter.round();
      continue;
    }
    const std::uint32_t now = waiter.now();
    if (restartDelay_) {
      restartDelay_ = false;
      start = now;
      voiceHeld = false;
    }
    if (VoiceSounding() && now - start < kMaxVoiceWaitMs) {
      voiceHeld = true;
      waiter.round(start + kMaxVoiceWaitMs);
      continue;
    }
    if (voiceHeld) {
      // The delay counts from the end of the voice.
      voiceHeld = false;
      start = now;
    }
    if (now - start >= waitDelay_) return true;
    waiter.round(start + waitDelay_);
  }
  return false;
}

bool ReaderAids::ReaderMenuOpen() {
  // The script's own `_syspopup` lock is no viewer of the reader's.
  const int scriptLocks = engine_.display().scriptMenuLock ? 1 : 0;
  return engine_.menu().lockCount() > scriptLocks;
}

void ReaderAids::ReaderPressed() {
  if (autoAdvance_ && storyDepth_ > 0 && !ReaderMenuOpen()) SetAutoAdvance(false);
}

// ---- Ctrl held ----

void ReaderAids::ControlKey(bool held) {
  if (held == controlHeld_) return;
  controlHeld_ = held;
  if (held) {
    controlUsed_ = false;
    controlDownAt_ = engine_.host().ticks();
    return;
  }
  if (controlSkip_) engine_.text().skipMode = false;
  controlSkip_ = false;
}

void ReaderAids::ArmControlSkip() {
  if (!controlHeld_ || controlUsed_) return;
  TextFields& text = engine_.text();
  if (text.skipMode) return;
  if (engine_.host().ticks() - controlDownAt_ < kControlHoldMs) return;
  // As `Mskipout` would: only with a read-text record, and not while the menu is locked.
  if (!engine_.saves().readText().exists() || !engine_.menu().enabled("Mskipout")) return;
  text.skipMode = true;
  controlSkip_ = true;
}

// ---- Screenshots ----

std::optional<fs::path> ReaderAids::SaveScreenshot() {
  const fs::path folder = ResolvePath(engine_.saves().savePath() + "screenshots");
  const std::string stem = ScreenshotStem(engine_.host().localTime());
  std::string problem;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    problem = ec.message();
  } else {
    const std::string bytes = EncodePng(engine_.shownPicture());
    for (int n = 1; n <= kMaxScreenshotSuffix; ++n) {
      const fs::path path =
          folder / (stem + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".png");
      int error = 0;
      if (WriteNewFile(path, bytes, error)) return path;
      if (error != EEXIST) {
        problem = std::strerror(error);
        break;
      }
      problem = "every name of this second is taken";
    }
  }
  engine_.ShowMessage("画面を保存できませんでした。\n" + folder.string() + "\n" + problem, "",
                      MessageIcon::Exclamation);
  return std::nullopt;
}

// ---- Text hook ----

void ReaderAids::SetTextHook(TextHookTarget target, std::ostream* out) {
  FlushHook();
  hookTarget_ = target;
  hookOut_ = out;
}

bool ReaderAids::collectingLines() const {
  return hookTarget_ != TextHookTarget::None || engine_.host().wantsStoryLines();
}

void ReaderAids::FlushHook() {
  if (hookText_.empty()) return;
  std::string line = Cp932ToUtf8(hookText_);
  hookText_.clear();
  // A shown line break is layout, not a break in what is said.
  std::erase_if(line, [](char c) { return c == '\n' || c == '\r' || c == '\f'; });
  if (line.empty()) return;
  if (engine_.host().wantsStoryLines()) engine_.host().storyLineShown(line);
  switch (hookTarget_) {
    case TextHookTarget::Stdout:
      if (hookOut_) {
        *hookOut_ << line << '\n' << std::flush;
      } else {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
      }
      break;
    case TextHookTarget::Clipboard:
      engine_.host().setClipboardText(line);
      break;
    case TextHookTarget::None:
      break;
  }
}

void ReaderAids::ResetForTitle() {
  FlushHook();
  charsShown_ = 0;
  rubyBase_.clear();
  inRuby_ = false;
}

}  // namespace qw
