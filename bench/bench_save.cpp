// Saving and loading a slot of a well-filled game: all 256 local flags, 15 backlog pages of 30
// lines, every record set. Real time, since a save waits for the disk three times: for its new
// files and the folder flushed together, then for the folder after the manifest's rename and
// after the other renames. The slot lives in the temporary folder's file system.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "state/save_files.h"

namespace {

namespace fs = std::filesystem;

qw::SaveData FullSave() {
  qw::SaveData d;
  for (std::size_t i = 0; i < d.localFlags.size(); ++i)
    d.localFlags[i] = std::to_string(i * 37);
  d.prog.fileName = "chapter2.txt";
  d.prog.caption = "caption";
  d.prog.pc = 1234;
  for (std::size_t i = 0; i < d.persons.size(); i += 2) {
    d.persons[i].fileName = "%DATA_DRIVE%\\cg\\person" + std::to_string(i) + ".png";
    d.persons[i].loaded = d.persons[i].shown = true;
  }
  d.buffers[1].fileName = "%DATA_DRIVE%\\bg\\hill_evening.jpg";
  d.buffers[1].loaded = d.buffers[1].shown = true;
  d.channels[0] = {"bgm\\theme", 1, 0, 0, 0, true, true, false};
  d.text.fontName = "MS Gothic";
  // A page line is some 25 double-byte characters.
  const std::string line(50, '\x82');
  for (int page = 0; page < qw::LogRing::kMaxSavedPages; ++page) {
    d.logPages.emplace_back(30, line);
  }
  d.logRange = {qw::LogRing::kMaxSavedPages, qw::LogRing::kMaxSavedPages};
  return d;
}

struct Folder {
  fs::path path;
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "quillwork-bench-save-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
  }
  ~Folder() { fs::remove_all(path); }
  std::string savePath() const { return path.string() + "/"; }
};

void BM_SaveSlot(benchmark::State& state) {
  Folder folder;
  const qw::SaveData data = FullSave();
  for (auto _ : state) {
    if (!qw::SaveSlot(folder.savePath(), 7, data).saved) state.SkipWithError("not saved");
  }
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_SaveSlot)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LoadSlot(benchmark::State& state) {
  Folder folder;
  qw::SaveSlot(folder.savePath(), 7, FullSave());
  for (auto _ : state) {
    qw::SaveData loaded;
    const qw::SlotLoadResult result = qw::LoadSlot(folder.savePath(), 7, loaded);
    if (result.refused || !result.statusRead || !result.logRead) state.SkipWithError("not loaded");
    benchmark::DoNotOptimize(loaded.prog.pc);
  }
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_LoadSlot)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK(qw::bench::BM_PlainCopy);

}  // namespace

BENCHMARK_MAIN();
