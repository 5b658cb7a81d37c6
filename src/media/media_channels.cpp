#include "media/media_channels.h"

#include <charconv>
#include <limits>
#include <system_error>
#include <utility>

#include "media/cd_tracks.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace qw {

namespace {

constexpr int Index(AudioSlot slot) {
  return static_cast<int>(slot);
}

// Play counts of endless repetition wrap like the 32-bit counters they are saved as.
std::int32_t NextCount(std::int32_t count) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(count) + 1u);
}

bool IsCdaName(std::string_view file) {
  return LowerExtension(file) == ".cda";
}

// The integer conversion of the platform: blanks before, a sign, decimal digits or "$" and
// hexadecimal digits, nothing after.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || end == text.data() + i) {
    return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

std::int32_t TrackNumber(const std::string& text) {
  if (auto n = ParseInteger(text)) return *n;
  throw FrameworkError("'" + Cp932ToUtf8(text) + "' is not a valid integer value");
}

}  // namespace

MediaChannels::MediaChannels(AudioOutput& output, MediaOptions options)
    : output_(output), options_(std::move(options)) {
  if (options_.scriptDir.empty()) options_.scriptDir = ".";
  output_.setEndListener([this](AudioSlot slot) { OnEnd(slot); });
}

MediaChannels::~MediaChannels() {
  output_.setEndListener(nullptr);
}

// ---- Script commands ----

void MediaChannels::BgmPlay(const std::string& name, std::int32_t repeat) {
  const char* extension = nullptr;
  switch (musicMode_) {
    case 0:
      extension = ".mid";
      break;
    case 1:
    case 2:
      extension = ".mp3";
      break;
    case 3:
      extension = ".wav";
      break;
    case 4:
      break;
    default:
      return;
  }
  TSoundChannel& rec = channel(SoundChannelId::Music);
  rec.repeatCount = repeat;
  if (extension) {
    PlayMusic(name + extension, repeat);
    return;
  }
  StopMusic();
  rec.fileName = name + ".cda";
  PlayCdTrack(TrackNumber(CdTrackText(name)), repeat);
}

void MediaChannels::ReplayMusic(const std::string& storedFile, std::int32_t repeat) {
  constexpr std::string_view kCdExtension = ".cda";
  const bool cdTrack = storedFile.size() >= kCdExtension.size() &&
                       AsciiLower(storedFile.substr(storedFile.size() - kCdExtension.size())) ==
                           kCdExtension;
  if (!cdTrack) {
    PlayMusic(storedFile, repeat);
    return;
  }
  TSoundChannel& rec = channel(SoundChannelId::Music);
  rec.repeatCount = repeat;
  StopMusic();
  rec.fileName = storedFile;
  const std::string name = storedFile.substr(0, storedFile.size() - kCdExtension.size());
  PlayCdTrack(TrackNumber(CdTrackText(name)), repeat);
}

void MediaChannels::BgmStop() {
  StopMusic();
  if (musicMode_ == 4) StopCd();
}

void MediaChannels::PlayMusic(const std::string& file, std::int32_t repeat) {
  const std::filesystem::path path = Resolve(file);
  TSoundChannel& rec = channel(SoundChannelId::Music);
  std::int32_t error = rec.playing ? StopMusic() : 0;
  if (Mp3Route(file)) {
    PlayMp3(file, repeat);
    return;
  }
  rec.fileName = file;
  if (error != 0) return;
  PrepareAndPlay(AudioSlot::Music, rec, path, MusicOn(), repeat);
}

void MediaChannels::PlayMp3(const std::string& file, std::int32_t repeat) {
  const std::filesystem::path path = Resolve(file);
  TSoundChannel& rec = channel(SoundChannelId::Music);
  if (rec.playing) StopMusic();
  if (musicDevice_ == MusicDevice::Mp3Library && output_.isOpen(AudioSlot::Music)) {
    CloseSlot(AudioSlot::Music);
    musicDevice_ = MusicDevice::None;
  }
  rec.open = false;
  rec.fileName = file;
  if (!MusicOn()) {
    rec.pending = true;
    rec.playing = false;
    rec.repeatCount = repeat;  // so that switching music on knows whether it repeats endlessly
    return;
  }
  if (!OpenSlot(AudioSlot::Music, path)) {
    musicDevice_ = MusicDevice::None;
    rec.playing = false;
    rec.playCount = 0;
    return;
  }
  musicDevice_ = MusicDevice::Mp3Library;
  rec.open = true;
  rec.pending = false;
  rec.playCount = 1;
  rec.repeatCount = repeat;
  StartSlot(AudioSlot::Music);
  rec.playing = true;
}

std::int32_t MediaChannels::StopMusic() {
  TSoundChannel& rec = channel(SoundChannelId::Music);
  if (Mp3Route(rec.fileName)) {
    if (musicDevice_ == MusicDevice::Mp3Library && output_.isOpen(AudioSlot::Music)) {
      rec.playing = false;
      rec.playCount = 0;
      StopSlot(AudioSlot::Music);
      CloseSlot(AudioSlot::Music);
      musicDevice_ = MusicDevice::None;
      rec.open = false;
    }
    return 0;
  }
  return StopPlayer(AudioSlot::Music, rec);
}

void MediaChannels::PlaySound(const std::string& file, std::int32_t repeat) {
  const std::filesystem::path path = Resolve(file);
  TSoundChannel& rec = channel(SoundChannelId::Sound);
  std::int32_t error = rec.playing ? StopSound() : 0;
  rec.fileName = file;
  if (error != 0) return;
  PrepareAndPlay(AudioSlot::Sound, rec, path, SoundOn(), repeat);
}

std::int32_t MediaChannels::StopSound() {
  return StopPlayer(AudioSlot::Sound, channel(SoundChannelId::Sound));
}

void MediaChannels::PlayCdTrack(std::int32_t track, std::int32_t repeat) {
  TSoundChannel& rec = channel(SoundChannelId::Cd);
  if (rec.playing && StopCd() != 0) {
    rec.fileName = std::to_string(track);
    return;
  }
  rec.fileName = std::to_string(track);
  const bool on = MusicOn();
  const std::filesystem::path dataRoot =
      options_.dataRoot.empty() ? options_.scriptDir : std::filesystem::path(options_.dataRoot);
  const std::filesystem::path path = FindCdTrackFile(track, dataRoot, options_.scriptDir);
  if (PlayerOpen(AudioSlot::Cd) && output_.openPath(AudioSlot::Cd) != path) {
    if (CloseSlot(AudioSlot::Cd) == 0) rec.open = false;
  }
  if (!PlayerOpen(AudioSlot::Cd) && on) rec.open = !path.empty() && OpenSlot(AudioSlot::Cd, path);
  rec.pending = !on;
  if (!on) rec.repeatCount = repeat;
  if (PlayerOpen(AudioSlot::Cd)) {
    // A track file stands for the whole track: it starts at 0 and lasts as long as the file.
    rec.startPos = 0;
    rec.length = output_.lengthMs(AudioSlot::Cd);
    rec.playCount = 1;
    rec.repeatCount = repeat;
    StartSlot(AudioSlot::Cd, rec.startPos, rec.startPos + rec.length);
    rec.playing = true;
  }
}

std::int32_t MediaChannels::StopCd() {
  return StopPlayer(AudioSlot::Cd, channel(SoundChannelId::Cd));
}

void MediaChannels::SetMp3Timing(std::int32_t value) {
  mp3Options_ = {30, 10, value, 0};
}

// ---- Menu switches ----

bool MediaChannels::MusicSwitchedOff() {
  rememberCd_ = cd().playing;
  rememberMusic_ = music().playing;
  std::int32_t cdError = StopCd();
  std::int32_t musicError = StopMusic();
  return cdError == 0 && musicError == 0;
}

void MediaChannels::MusicSwitchedOn() {
  const TSoundChannel& c = cd();
  if ((rememberCd_ || c.pending) && c.repeatCount == 0) {
    if (auto track = ParseInteger(c.fileName)) PlayCdTrack(*track, 0);
  }
  const TSoundChannel& m = music();
  if ((rememberMusic_ || m.pending) && m.repeatCount == 0 && !m.fileName.empty() &&
      !IsCdaName(m.fileName)) {
    PlayMusic(m.fileName, 0);
  }
  rememberCd_ = rememberMusic_ = false;
}

void MediaChannels::SoundSwitchedOff() {
  rememberSound_ = sound().playing;
  StopSound();
}

void MediaChannels::SoundSwitchedOn() {
  const TSoundChannel& s = sound();
  if ((rememberSound_ || s.pending) && s.repeatCount == 0 && !s.fileName.empty()) {
    PlaySound(s.fileName, 0);
  }
  rememberSound_ = false;
}

void MediaChannels::RestartEndlessMusic() {
  const TSoundChannel& c = cd();
  if (c.playing && c.repeatCount == 0) {
    if (auto track = ParseInteger(c.fileName)) PlayCdTrack(*track, 0);
  }
  const TSoundChannel& m = music();
  if (m.playing && m.repeatCount == 0 && !IsCdaName(m.fileName)) PlayMusic(m.fileName, 0);
}

void MediaChannels::StopAll() {
  StopMusic();
  StopSound();
  StopCd();
  StopSimpleSound();
  // MP3 music started in mode 2 outlives a change of mode; a load must not carry it over.
  if (output_.isOpen(AudioSlot::Music)) {
    TSoundChannel& m = channel(SoundChannelId::Music);
    m.playing = false;
    m.playCount = 0;
    if (CloseSlot(AudioSlot::Music) == 0) {
      m.open = false;
      musicDevice_ = MusicDevice::None;
    }
  }
}

// ---- Simple sound ----

std::optional<std::int32_t> MediaChannels::PlaySimpleSound(SimpleSoundKind kind,
                                                           const std::string& file) {
  StopSimpleSound();
  if (file.empty()) return std::nullopt;
  if (!OpenSlot(AudioSlot::Simple, Resolve(file))) return std::nullopt;
  simpleKind_ = kind;
  slotFiles_[Index(AudioSlot::Simple)] = file;
  StartSlot(AudioSlot::Simple);
  return output_.lengthMs(AudioSlot::Simple);
}

void MediaChannels::StopSimpleSound() {
  if (output_.isOpen(AudioSlot::Simple)) CloseSlot(AudioSlot::Simple);
}

void MediaChannels::LogEvent(std::string_view channelName, std::string_view event,
                             std::string_view file) {
  if (options_.log) options_.log->record(output_.now(), channelName, event, file);
}

// ---- Players ----

std::int32_t MediaChannels::StopPlayer(AudioSlot slot, TSoundChannel& rec) {
  if (!PlayerOpen(slot)) return 0;
  rec.playing = false;
  StopSlot(slot);
  int error = CloseSlot(slot);
  if (error == 0) {
    rec.open = false;
    if (slot == AudioSlot::Music) musicDevice_ = MusicDevice::None;
  }
  rec.playCount = 0;
  return error;
}

void MediaChannels::PrepareAndPlay(AudioSlot slot, TSoundChannel& rec,
                                   const std::filesystem::path& path, bool enabled,
                                   std::int32_t repeat) {
  // A player still open with another file (after a restored game or a failed close) would
  // play that file under this one's name.
  if (PlayerOpen(slot) && output_.openPath(slot) != path && CloseSlot(slot) == 0) {
    rec.open = false;
    if (slot == AudioSlot::Music) musicDevice_ = MusicDevice::None;
  }
  if (!PlayerOpen(slot) && enabled) {
    rec.open = OpenSlot(slot, path);
    if (slot == AudioSlot::Music) musicDevice_ = rec.open ? MusicDevice::Player : MusicDevice::None;
  }
  rec.pending = !enabled;
  if (!enabled) rec.repeatCount = repeat;  // so that switching on knows whether it repeats
  if (PlayerOpen(slot)) {
    rec.playCount = 1;
    rec.repeatCount = repeat;
    StartSlot(slot);
    rec.playing = true;
  } else {
    rec.playing = false;
  }
}

bool MediaChannels::PlayerOpen(AudioSlot slot) const {
  if (!output_.isOpen(slot)) return false;
  return slot != AudioSlot::Music || musicDevice_ == MusicDevice::Player;
}

bool MediaChannels::OpenSlot(AudioSlot slot, const std::filesystem::path& path) {
  if (output_.sounding(slot)) Log(slot, "stop");
  return output_.open(slot, path);
}

int MediaChannels::CloseSlot(AudioSlot slot) {
  if (output_.sounding(slot)) Log(slot, "stop");
  return output_.close(slot);
}

int MediaChannels::StopSlot(AudioSlot slot) {
  if (output_.sounding(slot)) Log(slot, "stop");
  return output_.stop(slot);
}

void MediaChannels::StartSlot(AudioSlot slot, std::int32_t from, std::int32_t to) {
  switch (slot) {
    case AudioSlot::Music:
      slotFiles_[Index(slot)] = music().fileName;
      break;
    case AudioSlot::Sound:
      slotFiles_[Index(slot)] = sound().fileName;
      break;
    case AudioSlot::Cd:
      slotFiles_[Index(slot)] = cd().fileName;
      break;
    case AudioSlot::Simple:
    case AudioSlot::Movie:
      break;
  }
  if (output_.play(slot, from, to)) Log(slot, "play");
}

void MediaChannels::OnEnd(AudioSlot slot) {
  if (slot == AudioSlot::Movie) return;
  if (slot == AudioSlot::Simple) {
    Log(slot, "end");
    return;
  }
  SoundChannelId id = slot == AudioSlot::Music   ? SoundChannelId::Music
                      : slot == AudioSlot::Sound ? SoundChannelId::Sound
                                                 : SoundChannelId::Cd;
  TSoundChannel& rec = channel(id);
  if (rec.playing && (rec.repeatCount == 0 || rec.repeatCount > rec.playCount)) {
    if (slot == AudioSlot::Cd) {
      StartSlot(slot, rec.startPos, rec.startPos + rec.length);
    } else {
      StartSlot(slot);
    }
    rec.playCount = NextCount(rec.playCount);
  } else {
    Log(slot, "end");
  }
}

void MediaChannels::Log(AudioSlot slot, std::string_view event) {
  if (!options_.log) return;
  const char* name = "music";
  switch (slot) {
    case AudioSlot::Music:
      name = "music";
      break;
    case AudioSlot::Sound:
      name = "sound";
      break;
    case AudioSlot::Cd:
      name = "cd";
      break;
    case AudioSlot::Simple:
      name = simpleKind_ == SimpleSoundKind::Click ? "click" : "voice";
      break;
    case AudioSlot::Movie:
      name = "movie";
      break;
  }
  options_.log->record(output_.now(), name, event, slotFiles_[Index(slot)]);
}

std::filesystem::path MediaChannels::Resolve(const std::string& file) const {
  // The players get full paths: a repeat opens the file again, wherever the current folder is.
  std::filesystem::path path = ResolvePath(file, options_.dataRoot);
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full;
}

bool MediaChannels::Mp3Route(std::string_view file) const {
  return musicMode_ == 2 && LowerExtension(file) == ".mp3";
}

}  // namespace qw
