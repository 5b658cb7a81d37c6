#include "media/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace qw {

namespace {

constexpr std::uint32_t kDefaultTempo = 500'000;  // microseconds per quarter note

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}
std::uint16_t Be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
std::uint32_t Le32(const std::uint8_t* p) {
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
         p[0];
}

bool Tag(MidiBytes b, std::size_t at, const char* tag) {
  return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

struct TempoChange {
  std::int64_t tick;
  std::uint32_t tempo;  // microseconds per quarter note
};

// Reads one track's events, adding its tempo changes to `tempos`.
class TrackReader {
 public:
  explicit TrackReader(MidiBytes data) : data_(data) {}

  bool read(std::vector<TempoChange>& tempos, std::int64_t& endTick) {
    std::int64_t tick = 0;
    std::uint8_t running = 0;
    while (pos_ < data_.size()) {
      std::uint32_t delta = 0;
      if (!varLen(delta)) return false;
      tick += delta;
      std::uint8_t status = 0;
      if (!byte(status)) return false;
      if (status == 0xFF) {
        std::uint8_t type = 0;
        std::uint32_t len = 0;
        if (!byte(type) || !varLen(len) || len > data_.size() - pos_) return false;
        if (type == 0x51 && len == 3) {
          const std::uint8_t* p = data_.data() + pos_;
          std::uint32_t tempo = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
          // A zero tempo would make the file endless; a synthesiser treats it as the default.
          tempos.push_back({tick, tempo != 0 ? tempo : kDefaultTempo});
        }
        pos_ += len;
        running = 0;
        if (type == 0x2F) {  // end of track
          endTick = std::max(endTick, tick);
          break;
        }
      } else if (status == 0xF0 || status == 0xF7) {
        std::uint32_t len = 0;
        if (!varLen(len) || len > data_.size() - pos_) return false;
        pos_ += len;
        running = 0;
      } else if (status >= 0xF1) {
        // System common and real-time messages have no place in a file.
        return false;
      } else {
        std::size_t dataBytes = 0;
        if (status & 0x80) {
          running = status;
          dataBytes = DataBytes(status);
        } else {
          if (running == 0) return false;
          dataBytes = DataBytes(running) - 1;  // this byte was the first data byte
        }
        for (std::size_t i = 0; i < dataBytes; ++i) {
          std::uint8_t d = 0;
          if (!byte(d) || (d & 0x80)) return false;
        }
      }
      endTick = std::max(endTick, tick);
    }
    return true;
  }

 private:
  static std::size_t DataBytes(std::uint8_t status) {
    std::uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
  }
  bool byte(std::uint8_t& out) {
    if (pos_ >= data_.size()) return false;
    out = data_[pos_++];
    return true;
  }
  bool varLen(std::uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint8_t b = 0;
      if (!byte(b)) return false;
      out = (out << 7) | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }

  MidiBytes data_;
  std::size_t pos_ = 0;
};

}  // namespace

bool LooksLikeMidi(MidiBytes bytes) {
  return Tag(bytes, 0, "MThd") || (Tag(bytes, 0, "RIFF") && Tag(bytes, 8, "RMID"));
}

std::optional<MidiBytes> SmfOf(MidiBytes bytes) {
  if (Tag(bytes, 0, "MThd")) return bytes;
  if (!Tag(bytes, 0, "RIFF") || !Tag(bytes, 8, "RMID")) return std::nullopt;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    std::uint32_t len = Le32(bytes.data() + at + 4);
    if (len > bytes.size() - at - 8) return std::nullopt;
    if (Tag(bytes, at, "data")) return bytes.subspan(at + 8, len);
    at += 8 + len + (len & 1);
  }
  return std::nullopt;
}

std::optional<MidiInfo> ReadMidiInfo(MidiBytes bytes) {
  if (bytes.size() > kMaxMidiFileBytes) return std::nullopt;
  std::optional<MidiBytes> smf = SmfOf(bytes);
  if (!smf || smf->size() < 14) return std::nullopt;
  MidiBytes b = *smf;
  std::uint32_t headerLen = Be32(b.data() + 4);
  if (headerLen < 6 || headerLen > b.size() - 8) return std::nullopt;
  MidiInfo info;
  info.format = Be16(b.data() + 8);
  int declaredTracks = Be16(b.data() + 10);
  std::uint16_t division = Be16(b.data() + 12);
  if (info.format > 2 || declaredTracks == 0 || division == 0) return std::nullopt;

  std::vector<TempoChange> tempos;
  std::size_t at = 8 + headerLen;
  while (info.tracks < declaredTracks && at + 8 <= b.size()) {
    std::uint32_t len = Be32(b.data() + at + 4);
    if (len > b.size() - at - 8) return std::nullopt;  // truncated
    if (Tag(b, at, "MTrk")) {
      std::int64_t trackEnd = 0;
      if (!TrackReader(b.subspan(at + 8, len)).read(tempos, trackEnd)) return std::nullopt;
      // Format 2 tracks play one after another.
      info.endTick = info.format == 2 ? info.endTick + trackEnd : std::max(info.endTick, trackEnd);
      ++info.tracks;
    }
    at += 8 + len;
  }
  if (info.tracks != declaredTracks) return std::nullopt;

  double micros = 0;
  if (division & 0x8000) {
    int fps = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
    int ticksPerFrame = division & 0xFF;
    if (fps <= 0 || ticksPerFrame == 0) return std::nullopt;
    double framesPerSecond = fps == 29 ? 29.97 : fps;
    micros = static_cast<double>(info.endTick) * 1e6 / (framesPerSecond * ticksPerFrame);
  } else {
    // Changes at the same tick apply in file order, so the last of them holds.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& x, const TempoChange& y) { return x.tick < y.tick; });
    std::int64_t tick = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const TempoChange& change : tempos) {
      if (change.tick >= info.endTick) break;
      micros += static_cast<double>(change.tick - tick) * tempo / division;
      tick = change.tick;
      tempo = change.tempo;
    }
    micros += static_cast<double>(info.endTick - tick) * tempo / division;
  }
  double ms = std::round(micros / 1000.0);
  info.durationMs = ms >= std::numeric_limits<std::int32_t>::max()
                        ? std::numeric_limits<std::int32_t>::max()
                        : static_cast<std::int32_t>(ms);
  return info;
}

}  // namespace qw
