#include "media/media_file.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>
#include <utility>

#include "media/audio_decoder.h"
#include "media/midi_file.h"
#include "platform/paths.h"

namespace qw {

std::optional<std::string> CheckMediaFile(const std::filesystem::path& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return "file not found";
  if (!std::filesystem::is_regular_file(status)) return "not a file";
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return "file cannot be read";
  if (size == 0) return "empty file";
  if (size > kMaxMediaFileBytes) return "file too large";
  return std::nullopt;
}

bool StartsLikeMidi(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, 12> head{};
  in.read(head.data(), head.size());
  auto n = static_cast<std::size_t>(in.gcount());
  return LooksLikeMidi(MidiBytes(reinterpret_cast<const std::uint8_t*>(head.data()), n));
}

std::optional<MidiMedium> LoadMidiMedium(const std::filesystem::path& path, std::string& error) {
  if (auto bad = CheckMediaFile(path)) {
    error = *bad;
    return std::nullopt;
  }
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) > kMaxMidiFileBytes) {
    error = "MIDI file too large";
    return std::nullopt;
  }
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) {
    error = "file cannot be read";
    return std::nullopt;
  }
  auto info =
      ReadMidiInfo(MidiBytes(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
  if (!info) {
    error = "not a well-formed MIDI file";
    return std::nullopt;
  }
  if (info->endTick == 0) {
    error = "no sound in the file";
    return std::nullopt;
  }
  return MidiMedium{std::move(*bytes), std::max(info->durationMs, 1)};
}

ProbeResult ProbeMedium(const std::filesystem::path& path) {
  ProbeResult result;
  if (auto bad = CheckMediaFile(path)) {
    result.error = *bad;
    return result;
  }
  if (StartsLikeMidi(path)) {
    if (auto midi = LoadMidiMedium(path, result.error)) {
      result.info = MediumInfo{MediumKind::Midi, midi->lengthMs};
    }
    return result;
  }
  auto decoder = AudioDecoder::Open(path, result.error);
  if (decoder) result.info = MediumInfo{MediumKind::Sampled, decoder->durationMs()};
  return result;
}

}  // namespace qw
