// What an interrupted save leaves behind: the slot holds the old save or the new one, whole.
#include <gtest/gtest.h>

#include <string>

#include "engine/save_test_folder.h"
#include "platform/cp932.h"
#include "state/save_files.h"

namespace qw {
namespace {

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
// fail (like a full disk) at write number `failWrite`.
SaveIo Faulty(int crashAt, int failWrite, int& count) {
  SaveIo real = DefaultSaveIo();
  SaveIo io;
  io.write = [=, &count](const std::filesystem::path& p, std::string_view b) {
    if (count++ == crashAt) throw Killed{};
    if (count - 1 == failWrite) return false;
    return real.write(p, b);
  };
  io.rename = [=, &count](const std::filesystem::path& from, const std::filesystem::path& to) {
    if (count++ == crashAt) throw Killed{};
    return real.rename(from, to);
  };
  return io;
}

// A save makes seven file operations: three new files, the manifest, three renames.
constexpr int kSaveOperations = 7;

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
    const SaveData& expected = crashAt <= 3 ? oldSave : newSave;
    EXPECT_EQ(Fingerprint(loaded), Fingerprint(expected)) << "crash at " << crashAt;
    EXPECT_EQ(entries[3].title, expected.prog.chapter) << "crash at " << crashAt;
    for (const char* leftover : {"data4.qfd.new", "data4.qsd.new", "data4.qld.new"})
      EXPECT_FALSE(folder.exists(leftover)) << leftover << ", crash at " << crashAt;

    // A later save over the recovered slot is whole too.
    ASSERT_TRUE(SaveSlot(folder.savePath(), 4, Sample("third")).saved);
    SaveData again;
    EXPECT_FALSE(LoadSlot(folder.savePath(), 4, again).refused);
    EXPECT_EQ(Fingerprint(again), Fingerprint(Sample("third")));
  }
}

TEST(SaveCrashTest, AFailedWriteReportsItsFileAndKeepsThePreviousSave) {
  struct Case {
    int failWrite;
    const char* message;
  };
  const Case cases[] = {
      {0, "フラグデータ保存できず．．．"},
      {1, "ステータスデータ保存できず．．．"},
      {2, "回想データ保存できず．．．"},
      {3, "ステータスデータ保存できず．．．"},  // the manifest
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const SaveData oldSave = Sample("old");
    ASSERT_TRUE(SaveSlot(folder.savePath(), 1, oldSave).saved);
    int count = 0;
    SlotSaveResult result =
        SaveSlot(folder.savePath(), 1, Sample("new"), nullptr, Faulty(-1, c.failWrite, count));
    EXPECT_FALSE(result.saved) << c.failWrite;
    ASSERT_EQ(result.messages.size(), 1u) << c.failWrite;
    EXPECT_EQ(result.messages[0].text, c.message);
    EXPECT_EQ(result.messages[0].kind, SaveMessageKind::Warning);
    SaveData loaded;
    EXPECT_FALSE(LoadSlot(folder.savePath(), 1, loaded).refused);
    EXPECT_EQ(Fingerprint(loaded), Fingerprint(oldSave)) << c.failWrite;
    EXPECT_FALSE(folder.exists("data1.qsd.new"));
  }
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
