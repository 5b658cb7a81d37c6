// Standard MIDI Files: the checks and the length the sound channels need, read without a
// synthesiser. The length follows the tempo map, so a headless run ends a MIDI file when a
// synthesiser would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qw {

using MidiBytes = std::span<const std::uint8_t>;

// MIDI files larger than this are refused: real ones are a few hundred kilobytes.
inline constexpr std::size_t kMaxMidiFileBytes = 4u << 20;

// Whether `bytes` starts like a MIDI file ("MThd", or a RIFF "RMID" file around one).
bool LooksLikeMidi(MidiBytes bytes);

// The Standard MIDI File in `bytes`: all of it, or the "data" chunk of a RIFF "RMID" file.
// Nothing when there is none.
std::optional<MidiBytes> SmfOf(MidiBytes bytes);

struct MidiInfo {
  int format = 0;  // 0, 1 or 2
  int tracks = 0;
  std::int64_t endTick = 0;     // the last event of the longest track
  std::int32_t durationMs = 0;  // time of that event by the tempo map
};

// Reads a Standard MIDI File (or an RMID file) through every event of every track. Nothing
// when it is not a well-formed file: a bad header, a chunk or an event that runs past its end,
// a data byte where a status byte must be, a length number of more than four bytes. Tempo
// changes (FF 51) of every track make the tempo map; a SMPTE time division ignores them.
std::optional<MidiInfo> ReadMidiInfo(MidiBytes bytes);

}  // namespace qw
