// What an interrupted save leaves behind: the slot holds the old save or the new one, whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "engine/save_test_folder.h"
#include "platform/cp932.h"
#include "state/save_files.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

SaveData Sample(const std::string& tag) {
  SaveData d;
  d.prog.fileName = "story.txt";
  d.prog.chapter = "chapter " + tag;
  d.prog.pc = static_cast<std::int32_t>(tag.size() * 10);
  d.localFlags[0] = "flag " + tag;
  d.localFlags[100] = tag + tag;
  d.logPages = {{"log " + tag}};
  return d;
}

std::string Fingerprint(const SaveData& d) {
  return FormatFlagFile(d.localFlags) + FormatStatusFile(d) + FormatLogFile(d.logPages);
}

struct Killed {};

// File operations that die (like a killed process) before operation number `crashAt`, or
// fail (like a full disk) at operation number `failAt`.
SaveIo Faulty(int crashAt, int failAt, int& count) {
  SaveIo real = DefaultSaveIo();
  auto next = [=, &count] {
    if (count++ == crashAt) throw Killed{};
    return count - 1 != failAt;
  };
  SaveIo io;
  io.write = [=](const fs::path& p, std::string_view b, const fs::path& like) {
    return next() && real.write(p, b, like);
  };
  io.flush = [=](std::span<const fs::path> files, const fs::path& folder) {
    return next() && real.flush(files, folder);
  };
  io.rename = [=](const fs::path& from, const fs::path& to) {
    return next() && real.rename(from, to);
  };
  return io;
}

// A save makes eleven file operations: three new files and the manifest, one flush of them
// all, the manifest's rename and a flush, three renames and a flush.
constexpr int kSaveOperations = 11;
constexpr int kManifestRename = 5;

TEST(SaveCrashTest, AKilledSaveLeavesTheOldOrTheNewSaveWhole) {
  const SaveData oldSave = Sample("old");
  const SaveData newSave = Sample("newer");
  for (int crashAt = 0; crashAt <= kSaveOperations; ++crashAt) {
    TempFolder folder;
    ASSERT_TRUE(SaveSlot(folder.savePath(), 4, oldSave).saved);
    int count = 0;
    bool killed = false;
    try {
      SaveSlot(folder.savePath(), 4, newSave, nullptr, Faulty(crashAt, -1, count));
    } catch (const Killed&) {
      killed = true;
    }
    EXPECT_EQ(killed, crashAt < kSaveOperations) << "crash at " << crashAt;

    // The slot picker's view already agrees with what a load gives.
    auto entries = ReadSlotEntries(folder.savePath());
    SaveData loaded;
    SlotLoadResult load = LoadSlot(folder.savePath(), 4, loaded);
    ASSERT_FALSE(load.refused) << "crash at " << crashAt;
    EXPECT_TRUE(load.messages.empty()) << "crash at " << crashAt;
    // Before the manifest is in place the old save stands; from then on the new one.
    const SaveData& expected = crashAt <= kManifestRename ? oldSave : newSave;
    EXPECT_EQ(Fingerprint(loaded), Fingerprint(expected)) << "crash at " << crashAt;
    EXPECT_EQ(entries[3].title, expected.prog.chapter) << "crash at " << crashAt;
    for (const char* leftover :
         {"data4.qfd.new", "data4.qsd.new", "data4.qld.new", "data4.qmf.new"})
      EXPECT_FALSE(folder.exists(leftover)) << leftover << ", crash at " << crashAt;

    // A later save over the recovered slot is whole too.
    ASSERT_TRUE(SaveSlot(folder.savePath(), 4, Sample("third")).saved);
    SaveData again;
    EXPECT_FALSE(LoadSlot(folder.savePath(), 4, again).refused);
    EXPECT_EQ(Fingerprint(again), Fingerprint(Sample("third")));
  }
}

TEST(SaveCrashTest, AFailedOperationReportsItsFileAndKeepsThePreviousSave) {
  struct Case {
    int failAt;
    const char* message;
  };
  const Case cases[] = {
      {0, "フラグデータ保存できず．．．"},
      {1, "ステータスデータ保存できず．．．"},
      {2, "回想データ保存できず．．．"},
      {3, "ステータスデータ保存できず．．．"},  // the manifest
      {4, "ステータスデータ保存できず．．．"},  // the flush before it counts
      {5, "ステータスデータ保存できず．．．"},  // its rename
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const SaveData oldSave = Sample("old");
    ASSERT_TRUE(SaveSlot(folder.savePath(), 1, oldSave).saved);
    int count = 0;
    SlotSaveResult result =
        SaveSlot(folder.savePath(), 1, Sample("new"), nullptr, Faulty(-1, c.failAt, count));
    EXPECT_FALSE(result.saved) << c.failAt;
    ASSERT_EQ(result.messages.size(), 1u) << c.failAt;
    EXPECT_EQ(result.messages[0].text, c.message);
    EXPECT_EQ(result.messages[0].kind, SaveMessageKind::Warning);
    SaveData loaded;
    EXPECT_FALSE(LoadSlot(folder.savePath(), 1, loaded).refused);
    EXPECT_EQ(Fingerprint(loaded), Fingerprint(oldSave)) << c.failAt;
    EXPECT_FALSE(folder.exists("data1.qsd.new"));
    EXPECT_FALSE(folder.exists("data1.qmf.new"));
  }
}

// What a power cut can leave: a folder's names as its last flush left them, plus any of the
// renames and new names made since; a file's bytes as its last flush left them (an unflushed
// file comes back empty). Files are known by number, so that bytes follow a rename.
class PowerCut {
 public:
  explicit PowerCut(const TempFolder& folder) : folder_(folder) {
    for (const auto& entry : fs::directory_iterator(folder.path())) {
      const int id = next_++;
      live_[entry.path().filename().string()] = id;
      bytes_[id] = folder.read(entry.path().filename().string());
    }
    durable_ = live_;
  }

  // Each save operation as it is, recorded; throws Killed before operation `crashAt`.
  SaveIo io(int crashAt) {
    SaveIo real = DefaultSaveIo();
    auto check = [this, crashAt] {
      if (count_++ == crashAt) throw Killed{};
    };
    SaveIo io;
    io.write = [=, this](const fs::path& p, std::string_view b, const fs::path& like) {
      check();
      if (!real.write(p, b, like)) return false;
      const int id = next_++;
      live_[p.filename().string()] = id;
      pending_.push_back({"", p.filename().string(), id});
      return true;
    };
    io.flush = [=, this](std::span<const fs::path> files, const fs::path& folder) {
      check();
      if (!real.flush(files, folder)) return false;
      for (const fs::path& p : files)
        bytes_[live_.at(p.filename().string())] = folder_.read(p.filename().string());
      durable_ = live_;
      pending_.clear();
      return true;
    };
    io.rename = [=, this](const fs::path& from, const fs::path& to) {
      check();
      if (!real.rename(from, to)) return false;
      live_[to.filename().string()] = live_.at(from.filename().string());
      live_.erase(from.filename().string());
      pending_.push_back({from.filename().string(), to.filename().string(), 0});
      return true;
    };
    return io;
  }

  int pendingCount() const { return static_cast<int>(pending_.size()); }

  // Fills `into` with the folder as the disk holds it when of the name changes not yet
  // flushed, those in the bit set `kept` reached the disk.
  void restore(const TempFolder& into, unsigned kept) const {
    std::map<std::string, int> names = durable_;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      if (!(kept >> i & 1)) continue;
      const Change& c = pending_[i];
      if (c.from.empty()) {
        names[c.to] = c.id;
      } else if (auto it = names.find(c.from); it != names.end()) {
        names[c.to] = it->second;
        names.erase(it);
      }
    }
    for (const auto& [name, id] : names) {
      auto bytes = bytes_.find(id);
      into.write(name, bytes == bytes_.end() ? "" : bytes->second);
    }
  }

 private:
  struct Change {
    std::string from;  // empty: a new file
    std::string to;
    int id;
  };
  const TempFolder& folder_;
  std::map<std::string, int> live_;
  std::map<std::string, int> durable_;
  std::map<int, std::string> bytes_;
  std::vector<Change> pending_;
  int next_ = 0;
  int count_ = 0;
};

TEST(SaveCrashTest, APowerCutAtAnyMomentLeavesTheOldOrTheNewSaveWhole) {
  const SaveData oldSave = Sample("old");
  const SaveData newSave = Sample("newer");
  for (int crashAt = 0; crashAt <= kSaveOperations; ++crashAt) {
    TempFolder folder;
    ASSERT_TRUE(SaveSlot(folder.savePath(), 4, oldSave).saved);
    PowerCut cut(folder);
    try {
      SaveSlot(folder.savePath(), 4, newSave, nullptr, cut.io(crashAt));
    } catch (const Killed&) {
    }
    for (unsigned kept = 0; kept < (1u << cut.pendingCount()); ++kept) {
      TempFolder after;
      cut.restore(after, kept);
      SaveData loaded;
      SlotLoadResult load = LoadSlot(after.savePath(), 4, loaded);
      ASSERT_FALSE(load.refused) << "crash at " << crashAt << ", kept " << kept;
      const std::string got = Fingerprint(loaded);
      EXPECT_TRUE(got == Fingerprint(oldSave) || got == Fingerprint(newSave))
          << "crash at " << crashAt << ", kept " << kept;
    }
  }
}

TEST(SaveCrashTest, StaleTemporaryFilesOfOurOwnNamesAreRemoved) {
  struct Case {
    const char* name;
    int ageSeconds;
    bool removed;
  };
  const Case cases[] = {
      {".data4.qsd.Ab3dE9", 600, true},
      {".data0.qfd.zzzzzz", 600, true},
      {".textid.dat.AAAAAA", 600, true},
      {".data80.qmf.q1w2e3", 600, true},
      {".data4.qfd.new.Q9x8y7", 600, true},  // a slot's new file, as older builds wrote it
      {".data4.qsd.Ab3dE8", 5, false},       // another process may be writing it
      {".notes.txt.AAAAAA", 600, false},
      {".data81.qsd.AAAAAA", 600, false},
      {".data4.qsd.Ab3-E9", 600, false},
      {".data4.qsd.Ab3dE", 600, false},
      {"data4.qsd", 600, false},
  };
  TempFolder folder;
  const std::time_t now = std::time(nullptr);
  for (const Case& c : cases) {
    folder.write(c.name, "x");
    const timespec when[2] = {{now - c.ageSeconds, 0}, {now - c.ageSeconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder / c.name).c_str(), when, 0), 0);
  }
  // A link is never followed nor removed.
  fs::create_symlink(folder / "data4.qsd", folder / ".data1.qfd.BBBBBB");
  const timespec old[2] = {{now - 600, 0}, {now - 600, 0}};
  ::utimensat(AT_FDCWD, (folder / ".data1.qfd.BBBBBB").c_str(), old, AT_SYMLINK_NOFOLLOW);

  EXPECT_EQ(RemoveSaveLeftovers(folder.savePath()), 5);
  for (const Case& c : cases)
    EXPECT_EQ(folder.exists(c.name), !c.removed) << c.name;
  EXPECT_TRUE(fs::is_symlink(folder / ".data1.qfd.BBBBBB"));
  EXPECT_EQ(folder.read("data4.qsd"), "x");
}

TEST(SaveCrashTest, ASaveNeverWritesThroughALinkAtANewFilesName) {
  TempFolder folder;
  TempFolder outside;
  outside.write("kept", "mine");
  fs::create_symlink(outside / "kept", folder / "data6.qfd.new");
  fs::create_symlink(outside / "made", folder / "data6.qsd.new");  // leads nowhere yet
  fs::create_symlink(outside / "made", folder / "data6.qmf.new");
  ASSERT_TRUE(SaveSlot(folder.savePath(), 6, Sample("x")).saved);
  EXPECT_EQ(outside.read("kept"), "mine");
  EXPECT_FALSE(outside.exists("made"));
  SaveData loaded;
  EXPECT_FALSE(LoadSlot(folder.savePath(), 6, loaded).refused);
  EXPECT_EQ(Fingerprint(loaded), Fingerprint(Sample("x")));
}

TEST(SaveCrashTest, FilesOfTwoSavesAreRefusedAndChangeNothing) {
  TempFolder a;
  TempFolder b;
  ASSERT_TRUE(SaveSlot(a.savePath(), 2, Sample("first")).saved);
  ASSERT_TRUE(SaveSlot(b.savePath(), 2, Sample("second")).saved);
  // The status file of another save copied beside the flag and log files.
  a.write("data2.qsd", b.read("data2.qsd"));
  SaveData live = Sample("live");
  SlotLoadResult load = LoadSlot(a.savePath(), 2, live);
  EXPECT_TRUE(load.refused);
  ASSERT_EQ(load.messages.size(), 1u);
  EXPECT_EQ(load.messages[0].text, kTornSaveMessage);
  EXPECT_EQ(Fingerprint(live), Fingerprint(Sample("live")));

  // A missing member and a damaged manifest are refused alike.
  ASSERT_TRUE(SaveSlot(a.savePath(), 3, Sample("x")).saved);
  std::filesystem::remove(a / "data3.qld");
  EXPECT_TRUE(LoadSlot(a.savePath(), 3, live).refused);
  ASSERT_TRUE(SaveSlot(a.savePath(), 5, Sample("y")).saved);
  a.write("data5.qmf", "QuillworkSave 1\r\nqfd zz\r\n");
  EXPECT_TRUE(LoadSlot(a.savePath(), 5, live).refused);
  EXPECT_EQ(Fingerprint(live), Fingerprint(Sample("live")));
}

TEST(SaveCrashTest, SavedFilesKeepTheirFormatBesideTheManifest) {
  TempFolder folder;
  const SaveData d = Sample("fmt");
  ASSERT_TRUE(SaveSlot(folder.savePath(), 7, d).saved);
  EXPECT_EQ(folder.read("data7.qfd"), FormatFlagFile(d.localFlags));
  EXPECT_EQ(folder.read("data7.qsd"), FormatStatusFile(d));
  EXPECT_EQ(folder.read("data7.qld"), FormatLogFile(d.logPages));
  const std::string manifest = folder.read("data7.qmf");
  EXPECT_EQ(manifest.rfind("QuillworkSave 1\r\nqfd ", 0), 0u) << manifest;
}

}  // namespace
}  // namespace qw
