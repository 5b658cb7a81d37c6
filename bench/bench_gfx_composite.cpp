// Each compositing mode over a 640 x 480 frame, against a plain copy of the same size.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_support.h"
#include "gfx/composite.h"
#include "gfx/picture_writers.h"

namespace {

struct Frames {
  qw::Surface src = qw::testing::MakeRgbPattern(640, 480, 1);
  qw::Surface dst = qw::testing::MakeRgbPattern(640, 480, 2);
  qw::Surface mask{640, 480};
  Frames() {
    // Half the pixels drawn, in runs, as a character mask looks.
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x)
        mask.at(x, y) = ((x / 40 + y / 30) % 2) ? 0x00FFFFFF : 0;
    }
  }
};

Frames& Shared() {
  static Frames frames;
  return frames;
}

void BM_PlainCopy(benchmark::State& state) {
  Frames& f = Shared();
  for (auto _ : state) {
    std::memcpy(f.dst.data(), f.src.data(), 640 * 480 * 4);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 640 * 480 * 4);
}
BENCHMARK(BM_PlainCopy);

void BM_Composite(benchmark::State& state) {
  Frames& f = Shared();
  const auto mode = static_cast<qw::CompositeMode>(state.range(0));
  const int maskMode = static_cast<int>(state.range(1));
  for (auto _ : state) {
    qw::CompositeImage(mode, 0, 0, 640, 480, f.src, f.dst, &f.mask, maskMode);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 640 * 480 * 4);
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_Composite)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 1}})
    ->ArgNames({"mode", "mask"});

void BM_DarkenFrame(benchmark::State& state) {
  Frames& f = Shared();
  for (auto _ : state) {
    qw::DarkenFrame(f.dst, 96);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 640 * 480 * 4);
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_DarkenFrame);

}  // namespace

BENCHMARK_MAIN();
