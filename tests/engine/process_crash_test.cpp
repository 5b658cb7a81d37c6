// What a real process leaves behind: a writer killed with SIGKILL at random moments while it
// replaces a save slot, qwk.ini, data0.qfd or textid.dat, and an engine whose disk is full.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/save_test_folder.h"
#include "state/read_text.h"
#include "state/save_files.h"
#include "state/settings.h"
#include "support/report_text.h"
#include "support/scenario.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// Two contents of each kind, of different sizes, so that a torn file shows.
SaveData Game(int variant) {
  SaveData d;
  d.prog.fileName = "story.txt";
  d.prog.chapter = variant ? "second chapter" : "first";
  d.prog.pc = 10 + variant;
  for (int i = 0; i < 256; ++i)
    d.localFlags[static_cast<std::size_t>(i)] = std::string(1 + variant * 3, 'a' + i % 26);
  d.logPages = {{variant ? "a page of the later game" : "a page"}};
  return d;
}

std::string Fingerprint(const SaveData& d) {
  return FormatFlagFile(d.localFlags) + FormatStatusFile(d) + FormatLogFile(d.logPages);
}

ReaderSettings Settings(int variant) {
  ReaderSettings s;
  s.savePath = variant ? "./saves-of-the-second-kind/" : "./";
  s.bgDarkness = variant != 0;
  s.fonts[2] = variant ? "Second" : "First";
  return s;
}

FlagStore GlobalFlags(int variant) {
  FlagStore flags;
  for (int i = FlagStore::kLocalCount; i < FlagStore::kCount; ++i)
    flags.set(i, std::to_string(i * (variant + 1)));
  return flags;
}

ReadTextRecord ReadText(int variant) {
  ReadTextRecord r;
  r.Create(4096);
  for (int id = variant; id < 4096 * 8; id += 3)
    r.markRead(id);
  return r;
}

constexpr int kSlot = 4;

// One file the engine replaces: how to write content 0 or 1 into `folder`, and what a load
// makes of the file there ("refused ..." when the load will not take it).
struct Writer {
  const char* name;
  std::function<void(const TempFolder&, int)> write;
  std::function<std::string(const TempFolder&)> load;
};

const std::vector<Writer>& Writers() {
  static const std::vector<Writer> writers = {
      {"slot", [](const TempFolder& f, int v) { SaveSlot(f.savePath(), kSlot, Game(v)); },
       [](const TempFolder& f) {
         SaveData d;
         SlotLoadResult r = LoadSlot(f.savePath(), kSlot, d);
         if (r.refused || !r.messages.empty())
           return "refused " + (r.messages.empty() ? "" : r.messages[0].text);
         return Fingerprint(d);
       }},
      {"qwk.ini", [](const TempFolder& f, int v) { WriteReaderSettings(f.path(), Settings(v)); },
       [](const TempFolder& f) -> std::string {
         ConfigFile ini;
         if (!ini.loadFile(ReaderSettingsPath(f.path()))) return "refused";
         ReaderSettings s;
         std::vector<std::string> errors;
         ReadReaderSettings(ini, s, errors);
         return errors.empty() ? FormatReaderSettings(s) : "refused " + errors[0];
       }},
      {"data0.qfd",
       [](const TempFolder& f, int v) { SaveGlobalFlags(f.savePath(), GlobalFlags(v)); },
       [](const TempFolder& f) -> std::string {
         FlagStore flags;
         if (!LoadGlobalFlags(f.savePath(), flags)) return "refused";
         std::string cells;
         for (int i = FlagStore::kLocalCount; i < FlagStore::kCount; ++i)
           cells += flags.text(i) + ",";
         return cells;
       }},
      {"textid.dat",
       [](const TempFolder& f, int v) { ReadText(v).Save(ReadTextRecordPath(f.savePath())); },
       [](const TempFolder& f) -> std::string {
         ReadTextRecord r;
         r.Create(4096);
         if (!r.Load(ReadTextRecordPath(f.savePath()))) return "refused";
         return std::string(r.bytes().begin(), r.bytes().end());
       }},
  };
  return writers;
}

// A child that writes content `first`, then the other, and so on into `folder` until it is
// killed. Returns once the child has started, so that the kill lands among its writes rather
// than in its start-up.
pid_t StartWriter(const Writer& w, const TempFolder& folder, int first) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ready[0]);
    const char go = 'g';
    if (::write(ready[1], &go, 1) != 1) ::_exit(2);
    try {
      for (int i = first;; i ^= 1)
        w.write(folder, i);
    } catch (...) {
      ::_exit(3);
    }
  }
  ::close(ready[1]);
  char c = 0;
  const bool started = pid > 0 && ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  if (pid > 0 && !started) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  return started ? pid : -1;
}

constexpr int kKillsPerFile = 30;

TEST(ProcessCrashTest, AWriterKilledAtRandomMomentsLeavesTheOldOrTheNewFileWhole) {
  std::mt19937 random(15);
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    // What a load gives after a whole write of each content, and how long two writes take.
    std::string expected[2];
    TempFolder scratch;
    const auto start = std::chrono::steady_clock::now();
    for (int v = 0; v < 2; ++v) {
      w.write(scratch, v);
      expected[v] = w.load(scratch);
    }
    const auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    ASSERT_NE(expected[0], expected[1]);
    ASSERT_NE(expected[0].rfind("refused", 0), 0u) << expected[0];

    TempFolder folder;
    w.write(folder, 0);
    std::uniform_int_distribution<long> moment(0, cycle.count() + 200);
    int seen[2] = {0, 0};
    int current = 0;
    for (int kill = 0; kill < kKillsPerFile; ++kill) {
      // Each writer starts with the content the folder does not hold.
      const pid_t pid = StartWriter(w, folder, current ^ 1);
      ASSERT_GT(pid, 0);
      std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
      ::kill(pid, SIGKILL);
      int status = 0;
      ::waitpid(pid, &status, 0);
      ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;
      const std::string loaded = w.load(folder);
      ASSERT_TRUE(loaded == expected[0] || loaded == expected[1])
          << "kill " << kill << " left: " << loaded.substr(0, 200);
      current = loaded == expected[1];
      ++seen[current];
    }
    // The kills fell both before and after the first write was whole.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
  }
}

// ---- A full disk ----

// Runs `scenario` in a child whose files cannot grow past zero bytes (as on a full disk, every
// write fails); returns the texts of the message boxes the run showed, one a line.
std::string RunWithFullDisk(test::Scenario& scenario) {
  int out[2];
  if (::pipe(out) != 0) return "<no pipe>";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &none);
    // The report and pictures would not fit either: the messages come back through the pipe.
    scenario.options().reportFile.reset();
    scenario.options().snapshotDir.reset();
    std::string texts;
    try {
      HeadlessReport r = scenario.run();
      texts = std::string("outcome ") + OutcomeName(r.outcome) + "\n";
      for (const MessageRecord& m : r.messages)
        texts += m.text + "\n";
      for (const std::string& e : r.errors)
        texts += "error " + e + "\n";
    } catch (const std::exception& e) {
      texts = std::string("failed ") + e.what() + "\n";
    }
    std::string_view rest = texts;
    while (!rest.empty()) {
      const ssize_t n = ::write(out[1], rest.data(), rest.size());
      if (n <= 0) ::_exit(2);
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::_exit(0);
  }
  ::close(out[1]);
  std::string texts;
  char buffer[4096];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
    texts.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    texts += "<child ended with status " + std::to_string(status) + ">";
  return texts;
}

TEST(ProcessCrashTest, AFullDiskGivesTheFailureMessagesAndKeepsEveryOldFile) {
  test::Scenario s;
  s.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=64\r\n");
  // The old files, as a previous run left them.
  const std::string savePath = s.dir().string() + "/";
  ASSERT_TRUE(SaveSlot(savePath, 1, Game(0)).saved);
  ASSERT_TRUE(WriteReaderSettings(s.dir(), Settings(0)));
  ASSERT_FALSE(SaveGlobalFlags(savePath, GlobalFlags(0)));
  ReadTextRecord readText;
  readText.Create(64);
  readText.markRead(9);
  ASSERT_TRUE(readText.Save(ReadTextRecordPath(savePath)));
  auto bytes = [&](const char* name) { return ReadFileHead(s.dir() / name, 1 << 20); };
  const auto oldIni = bytes("qwk.ini");
  const auto oldFlags = bytes("data0.qfd");
  const auto oldReadText = bytes("textid.dat");

  // A save over slot 1 (confirmed), then the end of the program (confirmed).
  s.writeScript("autorun.txt", "~00000001あ\n_textclear\n_winsave\n_winexit\n");
  s.events("click\nslot 1\nanswer ok\nanswer ok\n");
  const std::string shown = RunWithFullDisk(s);
  EXPECT_EQ(shown,
            "outcome exited\n"
            "上書きしていいですか？\n"
            // Each file of the slot, then the global flags written after a save.
            "フラグデータ保存できず．．．\n"
            "ステータスデータ保存できず．．．\n"
            "回想データ保存できず．．．\n"
            "フラグデータ保存できず．．．\n"
            "終了しますか？\n"
            // At the end: qwk.ini, the global flags, textid.dat.
            "設定データ保存できず．．．\n"
            "フラグデータ保存できず．．．\n"
            "既読データ保存できず．．．\n");

  SaveData loaded;
  SlotLoadResult load = LoadSlot(savePath, 1, loaded);
  EXPECT_FALSE(load.refused);
  EXPECT_EQ(Fingerprint(loaded), Fingerprint(Game(0)));
  EXPECT_EQ(bytes("qwk.ini"), oldIni);
  EXPECT_EQ(bytes("data0.qfd"), oldFlags);
  EXPECT_EQ(bytes("textid.dat"), oldReadText);
  // No half-written copy is left beside them.
  for (const auto& entry : fs::directory_iterator(s.dir()))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

}  // namespace
}  // namespace qw
