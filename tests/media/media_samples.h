// Media files made by the tests: WAV and MIDI bytes written by hand, other sound formats and
// a small AVI encoded with FFmpeg's encoders, in a temporary folder of their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qw::testing {

// A fresh temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `name` (relative; folders on the way are made) and returns the path.
  std::filesystem::path write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

// A 16-bit PCM WAV file holding `ms` milliseconds of a sine tone.
std::string WavBytes(int ms, int rate = 22050, int channels = 1, double hz = 440,
                     int amplitude = 8000);

// A MIDI event for MidiBytes: delta ticks, then the event's bytes (status included).
struct MidiEvent {
  std::uint32_t delta;
  std::vector<std::uint8_t> bytes;
};
// A tempo change (FF 51) to `microsPerQuarter`, and a note on and off.
MidiEvent Tempo(std::uint32_t delta, std::uint32_t microsPerQuarter);
MidiEvent NoteOn(std::uint32_t delta, int key = 60);
MidiEvent NoteOff(std::uint32_t delta, int key = 60);
MidiEvent EndOfTrack(std::uint32_t delta = 0);
// A Standard MIDI File of the given format and time division with one track per entry.
std::string MidiBytes(int format, std::uint16_t division,
                      const std::vector<std::vector<MidiEvent>>& tracks);

// Encodes `ms` milliseconds of a tone with FFmpeg (`codec` "flac", "libvorbis" or
// "libmp3lame") into `path`, whose extension picks the container. Throws on failure.
void EncodeTone(const std::filesystem::path& path, const std::string& codec, int ms,
                int rate = 44100);

// A movie of `colors.size()` frames (0xRRGGBB each, the whole frame) at `fps`, MJPEG video (or
// uncompressed 24-bit frames when `raw`) in an AVI, with a 16-bit PCM tone of the same length
// when `withSound`. Throws on failure.
void WriteAvi(const std::filesystem::path& path, const std::vector<std::uint32_t>& colors,
              int width, int height, int fps, bool withSound, bool raw = false);

}  // namespace qw::testing
