// The MIDI file reader: the header checks, every track's events and the tempo map.
#include <cstddef>
#include <cstdint>

#include "media/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qw::MidiBytes bytes(data, size);
  qw::LooksLikeMidi(bytes);
  qw::SmfOf(bytes);
  qw::ReadMidiInfo(bytes);
  return 0;
}
