// Interpreting assignment and conditional lines headless, in lines per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/headless/headless_runner.h"

namespace {

constexpr int kLines = 200000;

std::filesystem::path MakeScenario() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillwork-bench-interp";
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / "autorun.txt", std::ios::binary | std::ios::trunc);
  for (int i = 0; i < kLines / 4; ++i) {
    out << "_$flg[1]=$flg[1]+1\r\n";
    out << "_($flg[1]%3==0),_$flg[2]=$flg[2]+$flg[1]*2\r\n";
    out << "_@flg[3]=text\r\n";
    out << "; a comment line\r\n";
  }
  return dir;
}

void BM_InterpretLines(benchmark::State& state) {
  std::filesystem::path dir = MakeScenario();
  qw::HeadlessRunOptions options;
  options.scenarioDir = dir;
  for (auto _ : state) {
    qw::HeadlessReport report;
    qw::RunHeadless(options, &report);
    if (report.flags[1] != std::to_string(kLines / 4)) state.SkipWithError("wrong result");
  }
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_InterpretLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
