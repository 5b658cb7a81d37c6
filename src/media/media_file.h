// Checks and probes shared by every output, so that a file that cannot be played behaves the
// same with real sound and in a headless run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qw {

// Media files larger than this are refused before any decoder sees them: no scenario of a
// CD-ROM era engine has one, and a bigger file is far more likely junk than a medium.
inline constexpr std::uintmax_t kMaxMediaFileBytes = std::uintmax_t{1} << 30;

// Nothing when `path` names a non-empty regular file of at most kMaxMediaFileBytes; otherwise
// why not (UTF-8).
std::optional<std::string> CheckMediaFile(const std::filesystem::path& path);

enum class MediumKind { Midi, Sampled };

struct MediumInfo {
  MediumKind kind = MediumKind::Sampled;
  std::int32_t lengthMs = 0;  // at least 1
};

struct ProbeResult {
  std::optional<MediumInfo> info;  // set when the medium can be played
  std::string error;               // why not, otherwise (UTF-8)
};

// Whether the file starts like a MIDI file.
bool StartsLikeMidi(const std::filesystem::path& path);

// A MIDI file read whole and checked through every event.
struct MidiMedium {
  std::string bytes;
  std::int32_t lengthMs = 0;  // by the tempo map, at least 1
};
// Nothing, with `error` set, when it is not a well-formed MIDI file with at least one tick.
std::optional<MidiMedium> LoadMidiMedium(const std::filesystem::path& path, std::string& error);

// Opens `path` as the outputs do and measures it: a MIDI file is read through every event
// and timed by its tempo map; any other file is opened with FFmpeg, its first sound decoded,
// and timed by its header or by its packets. A file with no sound in it cannot be played.
ProbeResult ProbeMedium(const std::filesystem::path& path);

}  // namespace qw
