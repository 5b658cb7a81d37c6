#include "app/cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>
#include <sstream>

#include "platform/cp932.h"
#include "platform/paths.h"
#include "script/source.h"

namespace qw {
namespace {

using Mode = CommandLine::Mode;

TEST(CommandLineTest, ModesAndOptions) {
  CommandLine play = ParseCommandLineArguments({});
  EXPECT_EQ(play.mode, Mode::Play);
  EXPECT_FALSE(play.dir);

  CommandLine dir = ParseCommandLineArguments({"--data-root", "/disc", "game"});
  EXPECT_EQ(dir.mode, Mode::Play);
  EXPECT_EQ(dir.dir->string(), "game");
  EXPECT_EQ(dir.dataRoot->string(), "/disc");

  CommandLine run = ParseCommandLineArguments({"run", "--headless", "--events", "e.txt",
                                               "--report", "r.json", "--snapshots", "s",
                                               "--time-limit-ms", "5000", "game"});
  ASSERT_EQ(run.mode, Mode::Headless);
  EXPECT_EQ(run.events->string(), "e.txt");
  EXPECT_EQ(run.report->string(), "r.json");
  EXPECT_EQ(run.snapshots->string(), "s");
  EXPECT_EQ(*run.timeLimitMs, 5000u);
  EXPECT_EQ(run.dir->string(), "game");

  CommandLine cipher = ParseCommandLineArguments({"cipher", "--key-file", "k", "a.txt", "a.txd"});
  ASSERT_EQ(cipher.mode, Mode::Cipher);
  EXPECT_EQ(cipher.keyFile->string(), "k");
  EXPECT_EQ(cipher.in, "a.txt");
  EXPECT_EQ(cipher.out, "a.txd");

  CommandLine picture = ParseCommandLineArguments({"picture", "a.mag", "a.png"});
  EXPECT_EQ(picture.mode, Mode::Picture);
}

TEST(CommandLineTest, UsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"run", "game"},                            // no --headless
      {"run", "--headless"},                      // no folder
      {"run", "--headless", "--time-limit-ms", "x", "g"},
      {"run", "--headless", "--events"},
      {"--bogus"},
      {"a", "b"},
      {"cipher", "only-one"},
      {"picture", "--key-file", "k", "a", "b"},
  };
  for (const auto& args : bad) {
    CommandLine cmd = ParseCommandLineArguments(args);
    EXPECT_EQ(cmd.mode, Mode::Usage) << args.size();
    EXPECT_FALSE(cmd.error.empty());
  }
}

class CipherCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quillwork-cipher-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  void write(const char* name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  int run(std::vector<std::string> args, std::string* errors = nullptr) const {
    std::ostringstream err;
    int rc = RunCipherCommand(ParseCommandLineArguments(args), err);
    if (errors) *errors = err.str();
    return rc;
  }
  std::filesystem::path dir_;
};

TEST_F(CipherCommandTest, RoundTripIsByteExactAndMatchesTheLoader) {
  std::string plain = Utf8ToCp932("_$flg[1]=1\r\n本文の行\n\r\n:label\rend");
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) plain.push_back(static_cast<char>(rng() & 0xFF));
  write("a.txt", plain);
  write("k.key", "  12345\n");
  ASSERT_EQ(run({"cipher", "--key-file", path("k.key"), path("a.txt"), path("a.txd")}), 0);
  std::string enciphered = *ReadFileBytes(path("a.txd"));
  EXPECT_NE(enciphered, plain);
  // What the loader makes of the enciphered file, line by line.
  std::vector<std::string> lines = SplitLines(enciphered);
  for (std::string& l : lines) CipherLine(l, DeriveScriptKey(12345));
  EXPECT_EQ(lines, SplitLines(plain));

  ASSERT_EQ(run({"cipher", "--key-file", path("k.key"), path("a.txd"), path("b.txt")}), 0);
  EXPECT_EQ(*ReadFileBytes(path("b.txt")), plain);
}

TEST_F(CipherCommandTest, MissingFilesFailWithAMessage) {
  std::string errors;
  EXPECT_EQ(run({"cipher", path("none.txt"), path("out.txd")}, &errors), 1);
  EXPECT_NE(errors.find("cannot read"), std::string::npos);
  write("a.txt", "x");
  EXPECT_EQ(run({"cipher", "--key-file", path("no.key"), path("a.txt"), path("o.txd")}, &errors), 1);
  EXPECT_NE(errors.find("key file"), std::string::npos);
  // Neither a FIFO nor a device is read: no hang, no endless allocation, no default key.
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(run({"cipher", path("fifo"), path("o.txd")}, &errors), 1);
  EXPECT_NE(errors.find("Not a regular file"), std::string::npos);
  EXPECT_EQ(run({"cipher", "--key-file", "/dev/zero", path("a.txt"), path("o.txd")}, &errors), 1);
  EXPECT_NE(errors.find("Not a regular file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path("o.txd")));
}

}  // namespace
}  // namespace qw
