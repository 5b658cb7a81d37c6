// Drawing pages of Japanese story text headless with the per-character waits off, per
// character: glyph lookup, the layer and mask, and the cell's update on the window; a page
// (11 lines of 25 characters) also in plain copies.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "host/headless/headless_runner.h"
#include "platform/cp932.h"

namespace {

constexpr int kPages = 40;
constexpr int kLines = 11;
constexpr int kColumns = 25;

std::filesystem::path MakeScenario() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillwork-bench-text";
  std::filesystem::create_directories(dir);
  const char* kana = "あいうえおかきくけこさしすせそたちつてとなにぬねの漢字仮名交文章";
  std::string script = "_textwait 0\n:top\n";
  std::string utf8(kana);
  for (int line = 0; line < kLines; ++line) {
    std::string text;
    // 25 characters of 3 UTF-8 bytes each, shifted per line so that lines differ.
    for (int c = 0; c < kColumns; ++c) {
      std::size_t at = static_cast<std::size_t>((c + line) % 32) * 3;
      text += utf8.substr(at, 3);
    }
    // "|" breaks the line without a wait; the last line ends with "%" to stay on the page.
    script += text + (line + 1 < kLines ? "|" : "%") + "\n";
  }
  script +=
      "_textclear\n_$flg[1]=$flg[1]+1\n_($flg[1]<" + std::to_string(kPages) + "),_goto :top\n";
  // The author's settings file is required.
  std::ofstream(dir / "qwk.cfg", std::ios::binary | std::ios::trunc) << "SavePath=./\r\n";
  std::ofstream out(dir / "autorun.txt", std::ios::binary | std::ios::trunc);
  out << qw::Utf8ToCp932(script);
  return dir;
}

void BM_DrawTextPages(benchmark::State& state) {
  std::filesystem::path dir = MakeScenario();
  qw::HeadlessRunOptions options;
  options.scenarioDir = dir;
  for (auto _ : state) {
    qw::HeadlessReport report;
    qw::RunHeadless(options, &report);
    if (report.flags[1] != std::to_string(kPages)) state.SkipWithError("the pages did not run");
  }
  const double chars = static_cast<double>(kPages) * kLines * kColumns;
  state.counters["time_per_char"] =
      benchmark::Counter(chars * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["pages"] = kPages;
  state.counters["copies_per_page"] = benchmark::Counter(
      qw::bench::CopySeconds() * kPages,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_DrawTextPages)->Unit(benchmark::kMillisecond);

BENCHMARK(qw::bench::BM_PlainCopy);

}  // namespace

BENCHMARK_MAIN();
