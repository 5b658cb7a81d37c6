// Interpreting assignment and conditional lines headless, in lines per second. A whole run
// includes the engine's start (settings, fonts, buffers) and the script's loading; the run of
// a one-line script beside it lets bench/summary count the lines' own time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "host/headless/headless_runner.h"

namespace {

constexpr int kLines = 200000;

std::filesystem::path MakeScenario(int lines) {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("quillwork-bench-interp-" + std::to_string(lines));
  std::filesystem::create_directories(dir);
  // The author's settings file is required.
  std::ofstream(dir / "qwk.cfg", std::ios::binary | std::ios::trunc) << "SavePath=./\r\n";
  std::ofstream out(dir / "autorun.txt", std::ios::binary | std::ios::trunc);
  for (int i = 0; i < lines / 4; ++i) {
    out << "_$flg[1]=$flg[1]+1\r\n";
    out << "_($flg[1]%3==0),_$flg[2]=$flg[2]+$flg[1]*2\r\n";
    out << "_@flg[3]=text\r\n";
    out << "; a comment line\r\n";
  }
  return dir;
}

void BM_InterpretLines(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::filesystem::path dir = MakeScenario(lines);
  qw::HeadlessRunOptions options;
  options.scenarioDir = dir;
  for (auto _ : state) {
    qw::HeadlessReport report;
    qw::RunHeadless(options, &report);
    if (report.flags[1] != std::to_string(lines / 4)) state.SkipWithError("wrong result");
  }
  state.counters["lines"] = lines;
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(lines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_InterpretLines)->Arg(4)->Arg(kLines)->ArgName("lines")->Unit(benchmark::kMillisecond);

BENCHMARK(qw::bench::BM_PlainCopy);

}  // namespace

BENCHMARK_MAIN();
