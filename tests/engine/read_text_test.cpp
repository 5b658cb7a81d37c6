#include "state/read_text.h"

#include <gtest/gtest.h>

#include "engine/save_test_folder.h"
#include "state/config.h"

namespace qw {
namespace {

using test::TempFolder;

TEST(ReadTextTest, BitsCountFromTheLeastSignificant) {
  ReadTextRecord record;
  record.Create(3);
  record.markRead(0);
  record.markRead(13);
  record.markRead(23);
  record.markRead(24);  // out of range: 3 bytes hold ids 0..23
  record.markRead(-1);
  EXPECT_EQ(record.bytes(), (std::vector<std::uint8_t>{0x01, 0x20, 0x80}));
  EXPECT_TRUE(record.isRead(13));
  EXPECT_FALSE(record.isRead(12));
  EXPECT_FALSE(record.inRange(24));
}

TEST(ReadTextTest, CharacterCheckSkipsOnlyKnownLines) {
  struct Case {
    const char* name;
    bool recordExists;
    std::int64_t id;
    bool skipBefore;
    bool skipped;
    bool skipAfter;
    bool markedAfter;
  };
  // Id 5 has been read; 6 has not; 99 lies beyond the 2-byte record.
  const Case cases[] = {
      {"known line while skipping", true, 5, true, true, true, true},
      {"unread line ends skipping and is marked", true, 6, true, false, false, true},
      {"line without id ends skipping", true, -1, true, false, false, false},
      {"id out of range ends skipping, unmarked", true, 99, true, false, false, false},
      {"not skipping: the line is marked", true, 6, false, false, false, true},
      {"no record: nothing is skipped", false, 5, true, false, false, false},
  };
  for (const Case& c : cases) {
    ReadTextRecord record;
    if (c.recordExists) {
      record.Create(2);
      record.markRead(5);
    }
    bool skip = c.skipBefore;
    EXPECT_EQ(record.CheckCharacter(c.id, skip), c.skipped) << c.name;
    EXPECT_EQ(skip, c.skipAfter) << c.name;
    EXPECT_EQ(record.isRead(c.id), c.markedAfter) << c.name;
  }
}

TEST(ReadTextTest, TextIdFileIsExactlyTheRecordsBytes) {
  TempFolder folder;
  const auto path = ReadTextRecordPath(folder.savePath());
  EXPECT_EQ(path, folder / "textid.dat");

  ReadTextRecord none;
  EXPECT_FALSE(none.Save(path));  // no TextMaxIndex: nothing written
  EXPECT_FALSE(folder.exists("textid.dat"));

  ReadTextRecord record;
  record.Create(4);
  EXPECT_FALSE(record.Load(path));  // a missing file leaves it zero
  record.markRead(9);
  ASSERT_TRUE(record.Save(path));
  EXPECT_EQ(folder.read("textid.dat"), std::string("\0\x02\0\0", 4));

  // A shorter file fills the start; a longer one gives only the record's bytes.
  folder.write("textid.dat", "\x01");
  ReadTextRecord shorter;
  shorter.Create(4);
  shorter.markRead(31);
  ASSERT_TRUE(shorter.Load(path));
  EXPECT_EQ(shorter.bytes(), (std::vector<std::uint8_t>{1, 0, 0, 0}));
  folder.write("textid.dat", std::string(100000, '\xFF'));
  ASSERT_TRUE(shorter.Load(path));
  EXPECT_EQ(shorter.bytes(), (std::vector<std::uint8_t>(4, 0xFF)));
}

TEST(ReadTextTest, RecordSizeIsBounded) {
  ReadTextRecord record;
  record.Create(-7);
  EXPECT_TRUE(record.exists());
  EXPECT_EQ(record.size(), 0);
  EXPECT_FALSE(record.inRange(0));
  record.Create(kMaxTextIndexBytes + 1);
  EXPECT_EQ(record.size(), kMaxTextIndexBytes);
  record.Reset();
  EXPECT_FALSE(record.exists());
}

}  // namespace
}  // namespace qw
