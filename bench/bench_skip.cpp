// Skipping read pages headless: pages of three lines of Japanese text, each line with its text
// id, all of them already in the read-text record; skip mode is turned on at the first line's
// click wait and races to the end. In pages per second, and a page in plain copies.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "host/headless/headless_runner.h"
#include "platform/cp932.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPages = 200;
constexpr int kLinesPerPage = 3;
constexpr int kTextMaxIndex = (kPages * kLinesPerPage + 7) / 8;

fs::path MakeScenario() {
  const fs::path dir = fs::temp_directory_path() / "quillwork-bench-skip";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "qwk.cfg", std::ios::binary)
      << "SavePath=./\r\nTextMaxIndex=" << kTextMaxIndex << "\r\n";
  std::ofstream(dir / "textid.dat", std::ios::binary) << std::string(kTextMaxIndex, '\xFF');
  const std::string kana = "あいうえおかきくけこさしすせそたちつてとなにぬねの漢字仮名交文章";
  std::string script;
  int id = 0;
  for (int page = 0; page < kPages; ++page) {
    for (int line = 0; line < kLinesPerPage; ++line) {
      char tag[16];
      std::snprintf(tag, sizeof tag, "~%08X", id++);
      std::string text;
      for (int c = 0; c < 25; ++c) {
        text += kana.substr(static_cast<std::size_t>((c + line + page) % 32) * 3, 3);
      }
      script += tag + text + "\r\n";
    }
    script += "_textclear\r\n_$flg[1]=$flg[1]+1\r\n";
  }
  std::ofstream(dir / "autorun.txt", std::ios::binary) << qw::Utf8ToCp932(script);
  std::ofstream(dir / "events.txt", std::ios::binary) << "menu Mskipout\n";
  return dir;
}

void BM_SkipReadPages(benchmark::State& state) {
  const fs::path dir = MakeScenario();
  qw::HeadlessRunOptions options;
  options.scenarioDir = dir;
  options.eventsFile = dir / "events.txt";
  for (auto _ : state) {
    qw::HeadlessReport report;
    qw::RunHeadless(options, &report);
    if (report.flags[1] != std::to_string(kPages))
      state.SkipWithError("the pages were not skipped");
  }
  state.counters["pages_per_second"] =
      benchmark::Counter(static_cast<double>(kPages) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["pages"] = kPages;
  state.counters["copies_per_page"] = benchmark::Counter(
      qw::bench::CopySeconds() * kPages,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  fs::remove_all(dir);
}
BENCHMARK(BM_SkipReadPages)->Unit(benchmark::kMillisecond);

BENCHMARK(qw::bench::BM_PlainCopy);

}  // namespace

BENCHMARK_MAIN();
