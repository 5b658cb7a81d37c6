// One step of each transition, drawing only (the pauses are left out), against a plain
// 640 x 480 copy. The "copies" counter is a step's CPU time in plain copies of this run; being
// an inverted rate it is printed with a time unit ("2.27s" is 2.27 copies, "7.3ms" 0.0073).
// Each figure is the mean over all the steps of its transition.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "gfx/picture_writers.h"
#include "gfx/transition.h"

namespace {

using qw::Surface;
using qw::TransitionKind;

constexpr std::size_t kFrameBytes = 640 * 480 * 4;

class NullSink : public qw::FrameSink {
 public:
  Surface& shown() override { return picture; }
  void present(const qw::IntRect&) override {}
  void pause(std::uint32_t) override {}
  Surface picture{640, 480};
};

struct Frames {
  Surface oldFrame = qw::testing::MakeRgbPattern(640, 480, 1);
  Surface newFrame = qw::testing::MakeRgbPattern(640, 480, 2);
  Surface vram{640, 480}, temp1{640, 480}, temp2{640, 480};
  Surface text{640, 480}, textMask{640, 480, 0x00FFFFFF};
  NullSink sink;
  Frames() {
    // Lines of text over the lower third, as a story page looks.
    for (int y = 320; y < 460; ++y) {
      for (int x = 20; x < 620; ++x) {
        if ((x / 3 + y / 2) % 5 == 0) {
          text.at(x, y) = 0x00FFFFFF;
          textMask.at(x, y) = 0;
        }
      }
    }
  }
};

Frames& Shared() {
  static Frames frames;
  return frames;
}

// The plain copy's time, measured once in this run for the counters.
double CopySeconds() {
  static const double seconds = [] {
    Frames& f = Shared();
    double best = 1.0;
    for (int run = 0; run < 200; ++run) {
      const auto start = std::chrono::steady_clock::now();
      std::memcpy(f.temp1.data(), f.oldFrame.data(), kFrameBytes);
      benchmark::ClobberMemory();
      best = std::min(
          best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  }();
  return seconds;
}

void BM_PlainCopy(benchmark::State& state) {
  Frames& f = Shared();
  for (auto _ : state) {
    std::memcpy(f.vram.data(), f.oldFrame.data(), kFrameBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_PlainCopy);

// Each iteration draws the next step; a finished transition starts again outside the timing.
void BM_TransitionStep(benchmark::State& state) {
  Frames& f = Shared();
  const auto kind = static_cast<TransitionKind>(state.range(0));
  qw::TransitionBuffers buffers{f.vram, f.temp1, f.temp2, f.text, f.textMask, true};
  qw::TransitionPlayer player(kind, buffers, f.sink);
  const auto compose = [&f] { std::memcpy(f.vram.data(), f.newFrame.data(), kFrameBytes); };
  const auto restart = [&] {
    std::memcpy(f.vram.data(), f.oldFrame.data(), kFrameBytes);
    std::memcpy(f.sink.picture.data(), f.oldFrame.data(), kFrameBytes);
    player.prepare(compose);
  };
  restart();
  for (auto _ : state) {
    if (!player.step()) {
      state.PauseTiming();
      restart();
      state.ResumeTiming();
      player.step();
    }
    benchmark::ClobberMemory();
  }
  state.SetLabel(std::string(qw::TransitionName(kind)));
  state.counters["copies"] = benchmark::Counter(
      CopySeconds(), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TransitionStep)
    ->ArgName("kind")
    ->DenseRange(static_cast<int>(TransitionKind::Tile0), static_cast<int>(TransitionKind::Blend0));

}  // namespace

BENCHMARK_MAIN();
