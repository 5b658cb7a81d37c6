// A frame of the picture roll, the shake and the moving window, against a plain 640 x 480
// copy in the same run. The sink draws nowhere and never waits.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/black_hole.h"
#include "gfx/picture_writers.h"
#include "gfx/scroll_roll.h"
#include "gfx/shake.h"

namespace {

class NullSink : public qw::TimedFrameSink {
 public:
  qw::Surface& shown() override { return screen; }
  void present(const qw::IntRect&) override {}
  void pause(std::uint32_t ms) override { now += ms; }
  std::uint32_t ticks() override { return now; }
  void waitRound(std::uint32_t deadline) override { now = deadline; }
  bool buttonHeld() override { return false; }
  void clearMouseSignals() override {}

  qw::Surface screen = qw::testing::MakeRgbPattern(640, 480, 1);
  std::uint32_t now = 0;
};

class NoReports : public qw::ErrorReporter {
 public:
  void scriptError(const std::string&, qw::MessageIcon) override {}
  void reportScriptError(const std::string&) override {}
};

void BM_PlainCopy(benchmark::State& state) {
  const qw::Surface src = qw::testing::MakeRgbPattern(640, 480, 2);
  qw::Surface dst(640, 480);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), 640 * 480 * 4);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainCopy);

// One gap frame: the rolling part moved by 8 rows and its band filled.
void BM_RollFrame(benchmark::State& state) {
  NullSink sink;
  NoReports reports;
  const qw::PictureFiles files{"", reports, nullptr};
  qw::RollSettings settings;
  settings.step = 8;
  settings.kind = static_cast<int>(state.range(0));
  const std::vector<std::string> lines = {"|8"};
  for (auto _ : state) {
    qw::RunRoll(settings, lines, sink, files);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RollFrame)->Arg(0)->Arg(1)->Arg(4)->ArgName("kind");

// One shake and the closing redraw: two frames, with the copy into TEMP2.
void BM_ShakeOnce(benchmark::State& state) {
  NullSink sink;
  qw::Surface temp2;
  std::int32_t r = 0;
  const qw::RandomSource random = [&r] { return r += 7; };
  for (auto _ : state) {
    qw::RunShake(16, 1, 0, temp2, sink, random);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShakeOnce);

// Frames of a 320 x 240 window moving right over the screen while its source moves down,
// wholly visible throughout; the picture is decoded once per 200 frames.
void BM_BlackHoleFrames(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("qw_bench_effects_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "hole.bmp", std::ios::binary)
      << qw::testing::WriteBmp(qw::testing::MakeRgbPattern(640, 480, 3), {});
  const std::string root = dir.string();
  NullSink sink;
  NoReports reports;
  const qw::PictureFiles files{root, reports, nullptr};
  const qw::Surface bg = qw::testing::MakeRgbPattern(640, 480, 4);
  qw::BlackHoleArgs args;
  args.picture = "%DATA_DRIVE%\\hole.bmp";
  args.x = args.y = 100;
  args.width = 320;
  args.height = 240;
  args.frames = 200;
  args.screenDirection = 1;
  args.sourceDirection = 2;
  for (auto _ : state) {
    qw::RunBlackHole(args, bg, sink, files);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * args.frames);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_BlackHoleFrames);

}  // namespace

BENCHMARK_MAIN();
