// What every benchmark program states its figures against: a plain 640 x 480 copy timed in the
// same run. bench/summary divides each figure by the program's BM_PlainCopy; the "copies"
// counter gives the same ratio in the program's own output. Being an inverted rate it prints
// with a time unit: "2.27s" is 2.27 copies, "7.3ms" 0.0073.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qw::bench {

inline constexpr std::size_t kFramePixels = 640 * 480;
inline constexpr std::size_t kFrameBytes = kFramePixels * 4;

struct CopyFrames {
  std::vector<std::uint32_t> from = std::vector<std::uint32_t>(kFramePixels, 0x00336699);
  std::vector<std::uint32_t> to = std::vector<std::uint32_t>(kFramePixels);
};

inline CopyFrames& SharedCopyFrames() {
  static CopyFrames frames;
  return frames;
}

// The best of many copies: on a busy machine the least disturbed figure.
inline double CopySeconds() {
  static const double seconds = [] {
    CopyFrames& f = SharedCopyFrames();
    double best = 1.0;
    for (int run = 0; run < 400; ++run) {
      const auto start = std::chrono::steady_clock::now();
      std::memcpy(f.to.data(), f.from.data(), kFrameBytes);
      benchmark::ClobberMemory();
      best = std::min(
          best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  }();
  return seconds;
}

// An iteration's time in plain copies.
inline void ReportCopies(benchmark::State& state) {
  state.counters["copies"] = benchmark::Counter(
      CopySeconds(), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The plain copy itself, for programs that have no copy of their own to compare with.
inline void BM_PlainCopy(benchmark::State& state) {
  CopyFrames& f = SharedCopyFrames();
  for (auto _ : state) {
    std::memcpy(f.to.data(), f.from.data(), kFrameBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFrameBytes));
}

}  // namespace qw::bench
