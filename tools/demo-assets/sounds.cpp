// The demo's sounds and music, synthesised: wind, a click, a chime, a thud, a voice, two pieces
// of music, the movie's jingle, and the title theme as a Standard MIDI File.
#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "assets.h"

namespace qw::demo {
namespace {

constexpr double kTau = 2 * std::numbers::pi;

double NoteHz(int midiKey) {
  return 440.0 * std::pow(2.0, (midiKey - 69) / 12.0);
}

// A deterministic noise source in [-1, 1].
class Noise {
 public:
  double next() { return rng_.unit() * 2 - 1; }

 private:
  Random rng_{2024};
};

// Adds a note of `seconds` at `start` seconds: harmonics with the given weights, an attack of
// `attack` seconds and an exponential decay to 1/e over `decay` seconds.
void AddNote(std::vector<float>& out, int rate, double start, double seconds, double hz,
             double gain, const std::vector<double>& harmonics, double attack, double decay) {
  const auto first = static_cast<std::size_t>(start * rate);
  const auto count = static_cast<std::size_t>(seconds * rate);
  for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
    const double t = double(i) / rate;
    double env = std::min(1.0, t / attack) * std::exp(-t / decay);
    const double release = seconds - t;
    if (release < 0.05) env *= release / 0.05;
    double v = 0;
    for (std::size_t h = 0; h < harmonics.size(); ++h)
      v += harmonics[h] * std::sin(kTau * hz * double(h + 1) * t);
    out[first + i] += static_cast<float>(gain * env * v);
  }
}

// Scales the loudest sample to `peak`.
void Normalize(std::vector<float>& v, double peak) {
  float most = 0;
  for (float s : v)
    most = std::max(most, std::abs(s));
  if (most > 0)
    for (float& s : v)
      s = static_cast<float>(s * peak / most);
}

// A loop whose end runs into its start: the last `overlap` seconds are faded into the first.
void MakeLoop(std::vector<float>& v, int rate, double overlap) {
  const auto n = static_cast<std::size_t>(overlap * rate);
  if (n * 2 >= v.size()) return;
  const std::size_t body = v.size() - n;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = double(i) / double(n);
    v[i] = static_cast<float>(v[i] * t + v[body + i] * (1 - t));
  }
  v.resize(body);
}

}  // namespace

std::vector<std::int16_t> ToPcm16(const std::vector<float>& samples) {
  std::vector<std::int16_t> out(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i)
    out[i] = static_cast<std::int16_t>(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32000));
  return out;
}

std::vector<float> Wind(int rate) {
  std::vector<float> v(std::size_t(rate) * 4);
  Noise noise;
  double low = 0, band = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const double t = double(i) / rate;
    // The gusts rise and fall twice in the loop; the filter opens with them.
    const double gust = 0.55 + 0.45 * std::sin(kTau * t / 2.0);
    const double cut = 0.02 + 0.05 * gust;
    low += cut * (noise.next() - low);
    band += 0.3 * (low - band);
    v[i] = static_cast<float>((low - band) * (0.3 + 0.7 * gust));
  }
  MakeLoop(v, rate, 0.5);
  Normalize(v, 0.5);
  return v;
}

std::vector<float> Click(int rate) {
  std::vector<float> v(std::size_t(rate) * 6 / 100);
  AddNote(v, rate, 0, 0.06, 1400, 1, {1, 0.3}, 0.001, 0.012);
  Normalize(v, 0.6);
  return v;
}

std::vector<float> Chime(int rate) {
  std::vector<float> v(std::size_t(rate) * 3 / 2);
  for (int k : {88, 95, 100})
    AddNote(v, rate, (k - 88) * 0.012, 1.45, NoteHz(k), 1, {1, 0.0, 0.35, 0.0, 0.12}, 0.002, 0.4);
  Normalize(v, 0.6);
  return v;
}

std::vector<float> Thud(int rate) {
  std::vector<float> v(std::size_t(rate) * 2 / 5);
  Noise noise;
  double phase = 0, low = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const double t = double(i) / rate;
    phase += kTau * (90 - 120 * t) / rate;
    low += 0.08 * (noise.next() - low);
    v[i] = static_cast<float>(std::exp(-t / 0.09) * (std::sin(phase) + 0.8 * low));
  }
  Normalize(v, 0.8);
  return v;
}

// Four sung syllables: a pulse train through two formants per vowel, with a rising pitch.
std::vector<float> Voice(int rate) {
  struct Syllable {
    double f1, f2, pitch, seconds;
  };
  const Syllable syllables[] = {{700, 1200, 250, 0.20},
                                {300, 2300, 270, 0.18},
                                {500, 1900, 300, 0.22},
                                {700, 1200, 330, 0.34}};
  std::vector<float> v;
  for (const Syllable& s : syllables) {
    const auto n = static_cast<std::size_t>(s.seconds * rate);
    for (std::size_t i = 0; i < n; ++i) {
      const double t = double(i) / rate;
      const double env = std::min(1.0, t / 0.02) * std::min(1.0, (s.seconds - t) / 0.04);
      const double pitch = s.pitch * (1 + 0.03 * std::sin(kTau * 5 * t));
      double x = 0;
      for (int h = 1; h * pitch < rate / 2.0 && h < 40; ++h) {
        const double f = h * pitch;
        const double w1 = 1 / (1 + std::pow((f - s.f1) / 120, 2));
        const double w2 = 0.5 / (1 + std::pow((f - s.f2) / 180, 2));
        x += (w1 + w2 + 0.02) * std::sin(kTau * f * t) / h;
      }
      v.push_back(static_cast<float>(env * x));
    }
    v.insert(v.end(), std::size_t(rate) / 40, 0.0f);
  }
  Normalize(v, 0.7);
  return v;
}

// Dusk: slow pad chords C, Am, F, G, two seconds each, looping.
std::vector<float> DuskMusic(int rate) {
  const std::vector<std::vector<int>> chords = {
      {48, 60, 64, 67}, {45, 57, 60, 64}, {41, 57, 60, 65}, {43, 55, 59, 62}};
  const double bar = 2.0;
  std::vector<float> v(static_cast<std::size_t>((chords.size() * bar + 0.6) * rate));
  for (std::size_t c = 0; c < chords.size(); ++c) {
    for (int key : chords[c]) {
      for (double detune : {0.998, 1.002})
        AddNote(v, rate, c * bar, bar + 0.6, NoteHz(key) * detune, 0.5, {1, 0.25, 0.1}, 0.5, 6);
    }
  }
  MakeLoop(v, rate, 0.6);
  Normalize(v, 0.45);
  return v;
}

// The ending: a music-box arpeggio over the same chords, twice, then a last chord.
std::vector<float> EndingMusic(int rate) {
  const std::vector<std::vector<int>> chords = {
      {60, 64, 67, 72}, {57, 60, 64, 69}, {53, 57, 60, 65}, {55, 59, 62, 67}};
  const double step = 0.25;
  std::vector<float> v(std::size_t(rate) * 14);
  double t = 0;
  for (int round = 0; round < 2; ++round) {
    for (const auto& chord : chords) {
      AddNote(v, rate, t, 1.9, NoteHz(chord[0] - 12), 0.35, {1, 0.2}, 0.05, 1.2);
      for (int k = 0; k < 8; ++k) {
        const int key = chord[std::size_t(k % 4)] + (k >= 4 ? 12 : 0);
        AddNote(v, rate, t + k * step, 0.9, NoteHz(key), 0.3, {1, 0, 0.3, 0, 0.1}, 0.003, 0.3);
      }
      t += 8 * step;
    }
  }
  for (int key : {48, 60, 64, 67, 72})
    AddNote(v, rate, t, 13.9 - t, NoteHz(key), 0.3, {1, 0.2, 0.1}, 0.01, 1.0);
  Normalize(v, 0.5);
  return v;
}

// The news programme's jingle under the movie: three rising notes.
std::vector<float> NewsJingle(int rate, double seconds) {
  std::vector<float> v(static_cast<std::size_t>(seconds * rate));
  const int keys[] = {72, 76, 79, 84};
  for (int i = 0; i < 4; ++i)
    AddNote(v, rate, 0.15 + i * 0.2, i == 3 ? 1.0 : 0.25, NoteHz(keys[i]), 0.4, {1, 0.5, 0.2},
            0.005, 0.4);
  Normalize(v, 0.5);
  return v;
}

// The title theme: a melody on a music box over string chords, 76 beats a minute, slowing down
// for its last bar (a second tempo event), for two sixteen-beat phrases.
std::string ThemeMidi() {
  std::string track;
  auto var = [&](std::uint32_t value) {
    std::uint8_t bytes[4];
    int n = 0;
    do {
      bytes[n++] = static_cast<std::uint8_t>(value & 0x7F);
      value >>= 7;
    } while (value);
    while (n--)
      track += static_cast<char>(bytes[n] | (n ? 0x80 : 0));
  };
  struct Event {
    std::uint32_t tick;
    std::string bytes;
  };
  std::vector<Event> events;
  auto bytes = [](std::initializer_list<int> list) {
    std::string s;
    for (int b : list)
      s += static_cast<char>(b);
    return s;
  };
  constexpr std::uint32_t kBeat = 480;
  auto tempo = [&](std::uint32_t tick, std::uint32_t micros) {
    events.push_back({tick, bytes({0xFF, 0x51, 0x03, int(micros >> 16) & 0xFF,
                                   int(micros >> 8) & 0xFF, int(micros) & 0xFF})});
  };
  auto note = [&](std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity) {
    events.push_back({tick, bytes({0x90 | channel, key, velocity})});
    events.push_back({tick + length, bytes({0x80 | channel, key, 0})});
  };
  events.push_back({0, bytes({0xFF, 0x03, 5, 'T', 'h', 'e', 'm', 'e'})});
  tempo(0, 60'000'000 / 76);
  events.push_back({0, bytes({0xC0, 10})});  // music box
  events.push_back({0, bytes({0xC1, 48})});  // strings
  const int melody[] = {72, 74, 76, 79, 76, 74, 72, 67, 69, 72, 74, 76, 74, 72, 74, -1,
                        76, 79, 81, 79, 76, 74, 72, 74, 76, 74, 72, 69, 72, -1, -1, -1};
  for (int i = 0; i < 32; ++i) {
    if (melody[i] > 0) note(std::uint32_t(i) * kBeat, kBeat - 40, 0, melody[i], 90);
  }
  const std::vector<std::vector<int>> chords = {{48, 55, 64}, {45, 52, 60}, {41, 48, 57},
                                                {43, 50, 59}, {48, 55, 64}, {45, 52, 60},
                                                {43, 50, 59}, {48, 55, 64}};
  for (std::size_t c = 0; c < chords.size(); ++c)
    for (int key : chords[c])
      note(std::uint32_t(c) * 4 * kBeat, 4 * kBeat - 20, 1, key, 60);
  tempo(28 * kBeat, 60'000'000 / 60);
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.tick < b.tick; });
  std::uint32_t now = 0;
  for (const Event& e : events) {
    var(e.tick - now);
    track += e.bytes;
    now = e.tick;
  }
  var(0);
  track += bytes({0xFF, 0x2F, 0x00});

  auto be = [](std::uint32_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i)
      s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  return "MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(kBeat, 2) + "MTrk" +
         be(std::uint32_t(track.size()), 4) + track;
}

std::string WavBytes(const std::vector<std::int16_t>& samples, int rate) {
  auto le = [](std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
      s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const auto data = static_cast<std::uint32_t>(samples.size() * 2);
  std::string out = "RIFF" + le(36 + data, 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                    le(std::uint32_t(rate), 4) + le(std::uint32_t(rate) * 2, 4) + le(2, 2) +
                    le(16, 2) + "data" + le(data, 4);
  for (std::int16_t s : samples)
    out += le(static_cast<std::uint16_t>(s), 2);
  return out;
}

std::vector<ByteAsset> Sounds() {
  auto wav = [](std::vector<float> (*make)(int), int rate) {
    return [make, rate] { return WavBytes(ToPcm16(make(rate)), rate); };
  };
  return {
      {"se/wind.wav", wav(Wind, 11025)},       {"se/click.wav", wav(Click, 22050)},
      {"se/chime.wav", wav(Chime, 22050)},     {"se/thud.wav", wav(Thud, 22050)},
      {"voice/mina01.wav", wav(Voice, 22050)}, {"bgm/theme.mid", ThemeMidi},
  };
}

}  // namespace qw::demo
