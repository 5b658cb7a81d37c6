// Hostile scenario folders and the bounds that keep them harmless: files are read only when
// they are regular files of a size that fits their kind, texts are cut in the lists and the
// report, a run that never waits is ended by its work, pictures stay within a memory budget,
// and writes keep to the engine's own names in the save and settings folders.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "gfx/codecs.h"
#include "gfx/surface.h"
#include "host/headless/report.h"
#include "platform/cp932.h"
#include "platform/file_read.h"
#include "platform/text_cut.h"
#include "platform/work_meter.h"
#include "state/flags.h"
#include "state/save_files.h"
#include "support/report_text.h"
#include "support/scenario.h"
#include "tools/lint.h"

namespace qw {
namespace {

namespace fs = std::filesystem;
using test::At;
using test::Scenario;

// A file of `size` bytes that takes no room on disk beyond `head`.
void MakeSparse(const fs::path& path, std::uintmax_t size, std::string_view head = {}) {
  std::ofstream(path, std::ios::binary) << head;
  fs::resize_file(path, size);
}

void MakeFifo(const fs::path& path) {
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
}

// Peak memory of this process so far. A reader that took in a whole hostile file would raise
// it by that file's size.
std::uint64_t PeakMemory() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

bool HasMessage(const HeadlessReport& r, std::string_view text) {
  return std::any_of(r.messages.begin(), r.messages.end(),
                     [&](const MessageRecord& m) { return m.text == text; });
}

bool HasErrorWith(const HeadlessReport& r, std::string_view part) {
  return std::any_of(r.errors.begin(), r.errors.end(),
                     [&](const std::string& e) { return e.find(part) != std::string::npos; });
}

// ---- Reading outside files ----

TEST(ReadRegularFile, OnlyRegularFilesWithinTheLimitAreRead) {
  Scenario s;
  const fs::path d = s.dir();
  std::ofstream(d / "three", std::ios::binary) << "abc";
  std::ofstream(d / "four", std::ios::binary) << "abcd";
  MakeSparse(d / "sparse", std::uintmax_t{1} << 30, "head");
  MakeFifo(d / "fifo");
  fs::create_symlink("/dev/zero", d / "zero");
  fs::create_symlink(d / "three", d / "link");
  fs::create_directory(d / "folder");
  // Reading it fails whoever runs the test: the process has nothing mapped at address 0.
  fs::create_symlink("/proc/self/mem", d / "mem");
  struct Case {
    const char* name;
    std::uint64_t limit;
    FileReadFailure failure;
    const char* reason;  // or the bytes read
  } cases[] = {
      {"three", 3, FileReadFailure::None, "abc"},
      {"link", 3, FileReadFailure::None, "abc"},
      {"four", 3, FileReadFailure::TooLarge, "File too large (4 bytes, at most 3)"},
      {"sparse", 64 << 20, FileReadFailure::TooLarge,
       "File too large (1073741824 bytes, at most 67108864)"},
      {"fifo", 64, FileReadFailure::NotRegular, "Not a regular file"},
      {"zero", 64, FileReadFailure::NotRegular, "Not a regular file"},
      {"folder", 64, FileReadFailure::NotRegular, "Not a regular file"},
      {"missing", 64, FileReadFailure::Missing, "No such file or directory"},
      {"three/below", 64, FileReadFailure::Missing, "Not a directory"},
      {"mem", 64, FileReadFailure::Unreadable, "Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileRead r = ReadRegularFile(d / c.name, c.limit);
    EXPECT_EQ(r.failure, c.failure);
    EXPECT_EQ(r.ok() ? r.bytes : r.reason(), c.reason);
    EXPECT_TRUE(r.ok() || r.bytes.empty());
  }

  // A head read takes the first bytes of a file of any size, and still only regular files.
  FileRead head = ReadRegularFileHead(d / "sparse", 4096);
  ASSERT_TRUE(head.ok());
  EXPECT_EQ(head.bytes.size(), 4096u);
  EXPECT_EQ(head.bytes.substr(0, 5), std::string("head\0", 5));
  EXPECT_EQ(ReadRegularFileHead(d / "four", 64).bytes, "abcd");
  EXPECT_EQ(ReadRegularFileHead(d / "fifo", 64).failure, FileReadFailure::NotRegular);
  EXPECT_EQ(ReadRegularFileHead(d / "zero", 64).failure, FileReadFailure::NotRegular);
}

// ---- Texts cut for the lists ----

TEST(CutText, LongTextsEndInAMarkAndNeverInHalfACharacter) {
  const std::string kana = "\xE3\x81\x82";  // あ, three bytes
  struct Case {
    std::string text;
    std::size_t max;
    std::string want;
  } cases[] = {
      {"short", 1024, "short"},
      {std::string(1024, 'x'), 1024, std::string(1024, 'x')},
      {std::string(1025, 'x'), 1024, std::string(1021, 'x') + "\xE2\x80\xA6"},
      // Seven bytes of room before the mark: the third あ would be cut in half, so it goes.
      {kana + kana + kana + kana, 10, kana + kana + "\xE2\x80\xA6"},
      {kana + kana, 5, kana},  // no room for the mark: a bare head
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.max);
    const std::string cut = CutText(c.text, c.max);
    EXPECT_EQ(cut, c.want);
    EXPECT_LE(cut.size(), c.max);
  }
}

// ---- The work meter ----

struct Stopped {};

TEST(FlagCellBound, LongTextsAreCutAtACharacterBoundary) {
  FlagStore flags;
  // A double-byte character straddles the limit: it goes whole.
  std::string text(FlagStore::kMaxCellBytes - 1, 'a');
  text += Utf8ToCp932("星");
  text += std::string(100, 'b');
  flags.set(3, text);
  EXPECT_EQ(flags.text(3), std::string(FlagStore::kMaxCellBytes - 1, 'a'));
  flags.set(4, std::string(FlagStore::kMaxCellBytes, 'c'));
  EXPECT_EQ(flags.text(4).size(), FlagStore::kMaxCellBytes);
}

TEST(WorkMeter, ChargesPastTheLimitEndTheRunAndAddsOnlyCount) {
  std::uint64_t used = 0;
  WorkMeter meter(used, 10, [] { throw Stopped{}; });
  meter.charge(10);  // at the limit, not past it
  EXPECT_EQ(used, 10u);
  EXPECT_THROW(meter.charge(1), Stopped);

  std::uint64_t added = 0;
  WorkMeter quiet(added, 10, [] { throw Stopped{}; });
  quiet.add(50);  // never throws, even past the limit
  EXPECT_TRUE(quiet.overLimit());
  EXPECT_THROW(quiet.charge(0), Stopped);
  quiet.add(UINT64_MAX);
  EXPECT_EQ(added, UINT64_MAX);  // saturates rather than wrapping to a small count

  std::uint64_t free = 0;
  WorkMeter unlimited(free, 0, [] { throw Stopped{}; });
  EXPECT_NO_THROW(unlimited.charge(UINT64_MAX));
}

TEST(WorkMeter, TheRunOnThisThreadIsChargedWhileItsScopeLives) {
  EXPECT_NO_THROW(ChargeWork(1'000'000));  // outside a run nothing counts
  std::uint64_t outer = 0, inner = 0;
  WorkMeter outerMeter(outer, 100, [] { throw Stopped{}; });
  WorkMeter innerMeter(inner, 100, [] { throw Stopped{}; });
  {
    WorkMeterScope a(outerMeter);
    ChargeWork(5);
    {
      WorkMeterScope b(innerMeter);
      ChargeWork(7);
      AddWork(1000);
    }
    ChargeWork(1);
    EXPECT_THROW(ChargeWork(100), Stopped);
  }
  EXPECT_EQ(outer, 106u);
  EXPECT_EQ(inner, 1007u);
  EXPECT_NO_THROW(ChargeWork(1'000'000));
}

// ---- The report's size ----

TEST(ReportBound, TextsAreCutAndTheWholeStaysWithinItsBound) {
  for (const char fill : {'x', '\x01'}) {  // \x01 takes six bytes as JSON
    SCOPED_TRACE(static_cast<int>(fill));
    HeadlessReport r;
    const std::string big(3000, fill);
    r.flags.assign(512, big);
    r.errors.assign(10000, big);
    r.messages.assign(10000, MessageRecord{big, big, "ok"});
    r.windows.assign(
        200, HeadlessHost::WindowRecord{"TFdebug", big, std::vector<std::string>(100, big)});
    const std::string json = ReportToJson(r);
    EXPECT_LE(json.size(), kMaxReportBytes + (1 << 20));
    const nlohmann::json doc = nlohmann::json::parse(json);
    EXPECT_EQ(doc["outcome"], "script-ended");
    EXPECT_TRUE(doc.value("truncated", false));
    EXPECT_EQ(doc["flags"].size(), 512u);
    for (const auto& e : doc["errors"])
      EXPECT_LE(e.get<std::string>().size(), kMaxListTextBytes);
  }
  HeadlessReport small;
  small.errors = {std::string(5000, 'e')};
  const nlohmann::json doc = nlohmann::json::parse(ReportToJson(small));
  EXPECT_FALSE(doc.contains("truncated"));
  EXPECT_EQ(doc["errors"][0].get<std::string>().size(), kMaxListTextBytes);
}

// ---- Runs that never wait ----

TEST(HostileRun, AHugeUnknownCommandInALoopIsReportedCutAndEndsByItsWork) {
  Scenario s;
  const std::string word = "_" + std::string(100'000, 'x');
  s.writeScript("autorun.txt", ":top\n" + word + "\n_goto :top\n");
  s.options().lineLimit = 1'000'000;
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  // Each round costs the long line's length: about 1,600 units, so some 600 rounds.
  EXPECT_GE(r.errors.size(), 500u);
  EXPECT_LE(r.errors.size(), 1'000'000u / (100'000 / 64));
  EXPECT_EQ(r.errors[0].rfind(At(2, "コマンドが変です_xxxx"), 0), 0u);
  for (const std::string& e : r.errors)
    ASSERT_LE(e.size(), kMaxListTextBytes);
  for (const MessageRecord& m : r.messages) {
    ASSERT_LE(m.text.size(), kMaxListTextBytes);
    ASSERT_LE(m.caption.size(), kMaxListTextBytes);
  }
  // Uncut, the report would hold 600 rounds of three 100 KB texts.
  EXPECT_LT(fs::file_size(s.reportPath()), std::uintmax_t{4} << 20);
}

TEST(HostileRun, AMissingMarkerCountsTheLinesEachScanPasses) {
  Scenario s;
  // The failed scan resumes at line 2.
  std::string script = ";\n_$flg[1]=$flg[1]+1\n_if 0\n_then\n";
  for (int i = 0; i < 998; ++i)
    script += ";\n";
  s.writeScript("autorun.txt", script);
  s.options().lineLimit = 1'000'000;
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  EXPECT_TRUE(HasErrorWith(r, "_endthenが見つかりません"));
  // A round runs three lines and scans 998 at eight a unit: 127 units.
  const int rounds = std::stoi(r.flags[1]);
  EXPECT_GE(rounds, 1'000'000 / 130);
  EXPECT_LE(rounds, 1'000'000 / 127 + 1);
}

TEST(HostileRun, APictureLoadLoopCountsItsLoadsAndTheRefreshes) {
  Scenario s;
  s.writeBmp("a.bmp", Surface(64, 48, 0x336699));
  s.writeScript("autorun.txt",
                "_autorefresh 1\n:top\n_$flg[1]=$flg[1]+1\n_bgload a.bmp\n_goto :top\n");
  s.options().lineLimit = 1'000'000;
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  EXPECT_TRUE(r.errors.empty());
  // Each round shows the whole picture (1,200 units) and decodes 3,072 pixels (48 units).
  const int rounds = std::stoi(r.flags[1]);
  EXPECT_GT(rounds, 100);
  EXPECT_LE(rounds, 1'000'000 / 1200);
}

TEST(HostileRun, ARollWithNoIntervalEndsByTheFramesItShows) {
  Scenario s;
  std::string script = "_scroll 0,#000000,1\n";
  for (int i = 0; i < 20; ++i)
    script += "|999999\n";  // 20 million frames that take no virtual time
  s.writeScript("autorun.txt", script + "_endscroll\n_$flg[1]=1\n");
  s.options().lineLimit = 2'000'000;
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  EXPECT_EQ(r.virtualMs, 0u);
  EXPECT_EQ(r.line, 1);
  EXPECT_EQ(r.flags[1], "0");
}

TEST(HostileRun, ATextLineThatNeverPausesEndsByWhatItDraws) {
  struct Case {
    const char* what;
    std::string unit;  // repeated to make the line
    int count;
  };
  const Case cases[] = {
      // Each glyph of 312 pixels costs about 1,600 units with its shadow and mask.
      {"large glyphs", "<S26X0Y0>あ", 20'000},
      {"bare tags", "<X0Y0>", 1'100'000},
  };
  for (const Case& c : cases) {
    Scenario s;
    std::string line;
    line.reserve(c.unit.size() * static_cast<std::size_t>(c.count) + 1);
    for (int i = 0; i < c.count; ++i)
      line += c.unit;
    s.writeScript("autorun.txt", "_textwait 0\n" + line + "\n_$flg[1]=1\n");
    s.options().lineLimit = 1'000'000;
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit) << c.what;
    EXPECT_EQ(r.line, 2) << c.what;
    EXPECT_EQ(r.flags[1], "0") << c.what;
  }
}

TEST(HostileRun, TheBudgetBoundsTheWorkBetweenTwoActsOfTheReader) {
  // Three stretches of 600 lines: 1,800 in all against a budget of 1,000. Between stretches
  // the reader clicks, which starts the budget again; a timed wait does not.
  std::string stretch;
  for (int i = 0; i < 600; ++i)
    stretch += ";\n";
  for (bool reader : {true, false}) {
    Scenario s;
    const std::string pause = reader ? "あ\n" : "_wait 10\n";
    s.writeScript("autorun.txt",
                  "_textwait 0\n" + stretch + pause + stretch + pause + stretch + "_$flg[1]=1\n");
    s.events("click\nclick\n");
    s.options().lineLimit = 1'000;
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, reader ? HeadlessOutcome::ScriptEnded : HeadlessOutcome::TimeLimit);
    EXPECT_EQ(r.flags[1], reader ? "1" : "0");
  }
}

// ---- Pictures within the memory budget ----

// A 40-byte FRL whose header claims 2048 x 2048 (16 MB of pixels).
std::string ClaimingFrl() {
  std::string frl = "FRL";
  frl.append(1, '\0');
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      frl.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  for (std::uint32_t v : {24u, 2048u, 2048u, 0u, 0u})
    le32(v);
  frl.append(16, '\0');
  return frl;
}

class BudgetScope {
 public:
  explicit BudgetScope(std::int64_t bytes) : previous_(SetPictureMemoryBudget(bytes)) {}
  ~BudgetScope() { SetPictureMemoryBudget(previous_); }

 private:
  std::int64_t previous_;
};

TEST(HostileRun, PicturesPastTheMemoryBudgetAreRefusedAndTheScriptGoesOn) {
  Scenario s;
  s.writeFile("big.frl", ClaimingFrl());
  s.writeScript("autorun.txt",
                "_bgload big.frl\n_efload big.frl\n_objload 0,big.frl\n_objload 1,big.frl\n"
                "_objload 2,big.frl\n_sprload big.frl,32,32,#000000\n_$flg[1]=1\n");
  // Room for the engine's own buffers and a few of the six pictures.
  BudgetScope budget(static_cast<std::int64_t>(Surface::bytesInUse()) + (64 << 20));
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
  const auto refused = std::count_if(r.errors.begin(), r.errors.end(), [](const std::string& e) {
    return e.find("/画像が読めません:big.frl") != std::string::npos;
  });
  EXPECT_GE(refused, 2) << test::Dump(r);
  EXPECT_LE(refused, 5);
  EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), At(1, "画像が読めません:big.frl")), 0);
  EXPECT_TRUE(HasMessage(r, "画像が読めません:big.frl"));
}

// ---- Readers of the scenario's files ----

TEST(HostileFiles, KeyAndScriptFilesThatAreNoRegularFilesAreNamedAndNeverBlock) {
  struct Case {
    const char* name;
    std::function<void(Scenario&)> setup;
    const char* error;  // a part of an error text
    bool runsOn;        // the script still runs
  } cases[] = {
      {"key fifo", [](Scenario& s) { MakeFifo(s.dir() / "decode.key"); },
       "Cannot open file \"decode.key\". Not a regular file", true},
      {"key zero", [](Scenario& s) { fs::create_symlink("/dev/zero", s.dir() / "DECODE.KEY"); },
       "Cannot open file \"DECODE.KEY\". Not a regular file", true},
      {"txd zero",
       [](Scenario& s) {
         fs::remove(s.dir() / "autorun.txt");
         fs::create_symlink("/dev/zero", s.dir() / "autorun.txd");
       },
       "Cannot open file \"autorun.txd\". Not a regular file", false},
      {"txd fifo",
       [](Scenario& s) {
         fs::remove(s.dir() / "autorun.txt");
         MakeFifo(s.dir() / "autorun.txd");
       },
       "Cannot open file \"autorun.txd\". Not a regular file", false},
      {"unreadable",
       [](Scenario& s) {
         fs::remove(s.dir() / "autorun.txt");
         fs::create_symlink("/proc/self/mem", s.dir() / "autorun.txt");
       },
       "Cannot open file \"autorun.txt\". Input/output error", false},
      {"too large",
       [](Scenario& s) { MakeSparse(s.dir() / "autorun.txt", (std::uintmax_t{64} << 20) + 1); },
       "Cannot open file \"autorun.txt\". File too large (67108865 bytes, at most 67108864)",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", "_$flg[1]=1\n");
    c.setup(s);
    HeadlessReport r = s.run();
    EXPECT_TRUE(HasErrorWith(r, c.error)) << test::Dump(r);
    EXPECT_EQ(r.flags[1], c.runsOn ? "1" : "");
  }
}

TEST(HostileFiles, SettingsAndEventsFilesThatAreNoRegularFilesNeverBlock) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=1\n");
  fs::remove(s.dir() / "qwk.cfg");
  fs::create_symlink("/dev/zero", s.dir() / "qwk.cfg");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
  EXPECT_TRUE(HasMessage(r, "設定ファイルqwk.cfgが見つかりません"));

  Scenario e;
  e.writeScript("autorun.txt", "_$flg[1]=1\n");
  const fs::path events = e.dir().parent_path() / "fifo-events";
  MakeFifo(events);
  e.options().eventsFile = events;
  try {
    RunHeadless(e.options());
    ADD_FAILURE() << "the run started";
  } catch (const HeadlessUsageError& error) {
    EXPECT_NE(std::string(error.what()).find("Not a regular file"), std::string::npos);
  }
}

TEST(HostileFiles, LintNamesKeyAndScriptFilesItCannotRead) {
  struct Case {
    const char* name;
    std::function<void(Scenario&)> setup;
    LintFinding want;
  } cases[] = {
      {"key fifo",
       [](Scenario& s) { MakeFifo(s.dir() / "decode.key"); },
       {"decode.key", 0, "Cannot open file \"decode.key\". Not a regular file", false}},
      {"key zero",
       [](Scenario& s) { fs::create_symlink("/dev/zero", s.dir() / "decode.key"); },
       {"decode.key", 0, "Cannot open file \"decode.key\". Not a regular file", false}},
      {"unreadable start script",
       [](Scenario& s) {
         fs::remove(s.dir() / "autorun.txt");
         fs::create_symlink("/proc/self/mem", s.dir() / "autorun.txt");
       },
       {"autorun.txt", 0, "script autorun.txt cannot be read: Input/output error", false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", "_$flg[1]=1\n");
    c.setup(s);
    const std::vector<LintFinding> findings = LintScenario(s.dir());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].file, c.want.file);
    EXPECT_EQ(findings[0].line, c.want.line);
    EXPECT_EQ(findings[0].message, c.want.message);
  }
}

// ---- Hostile scripts and save folders ----

TEST(HostileScripts, OneLineOf50MegabytesIsReportedCutAndDoesNotLinger) {
  Scenario s;
  s.writeFile("autorun.txt", "_" + std::string(50'000'000, 'x') + "\r\n_$flg[1]=1\r\n");
  const std::uint64_t before = PeakMemory();
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].size(), kMaxListTextBytes);
  EXPECT_EQ(r.errors[0].rfind(At(1, "コマンドが変です_xxx"), 0), 0u);
  for (const MessageRecord& m : r.messages)
    EXPECT_LE(m.text.size() + m.caption.size(), 2 * kMaxListTextBytes);
  // The file, its line and the command's word: a few copies, never one per report.
  EXPECT_LT(PeakMemory() - before, std::uint64_t{400} << 20);
}

TEST(HostileScripts, AMillionLabelsFillTheTableAndTheRestAreReported) {
  Scenario s;
  std::string script;
  script.reserve(12'000'000);
  for (int i = 0; i < 1'000'000; ++i)
    script += ":l" + std::to_string(i) + "\n";
  // A label that is not found goes on past the line after the jump.
  s.writeFile("autorun.txt", script + "_goto :l999999\n;\n_$flg[1]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1") << test::Dump(r);
  EXPECT_TRUE(HasErrorWith(r, "ラベルが多すぎます。最大：512"));
  EXPECT_TRUE(HasErrorWith(r, "ラベルが見つかりません:l999999"));
}

TEST(HostileScripts, SaveFilesOfAGigabyteAreRefusedUnread) {
  Scenario s;
  s.writeFile("qwk.cfg", "SavePath=./\r\nTextMaxIndex=64\r\n");
  const std::string garbage = "\x01\xFF\x80garbage\r\n";
  for (const char* name : {"data1.qfd", "data1.qsd", "data1.qld", "data0.qfd"})
    MakeSparse(s.dir() / name, std::uintmax_t{1} << 30, garbage);
  MakeSparse(s.dir() / "textid.dat", std::uintmax_t{1} << 30, garbage);
  s.writeScript("autorun.txt", "_winload\n_$flg[1]=1\n");
  s.events("slot 1\n");
  const std::uint64_t before = PeakMemory();
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_TRUE(HasMessage(r, kStatusReadFailedMessage)) << test::Dump(r);
  EXPECT_EQ(r.flags[256], "");  // the global flags were not taken from data0.qfd
  EXPECT_LT(PeakMemory() - before, std::uint64_t{64} << 20);
}

// Every file under `root` with its size and change time; links as links.
std::map<fs::path, std::pair<std::uintmax_t, fs::file_time_type>> Files(const fs::path& root) {
  std::map<fs::path, std::pair<std::uintmax_t, fs::file_time_type>> out;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path relative = entry.path().lexically_relative(root);
    if (entry.is_symlink()) {
      out[relative] = {0, fs::file_time_type::min()};
    } else if (entry.is_regular_file()) {
      out[relative] = {entry.file_size(), entry.last_write_time()};
    }
  }
  return out;
}

TEST(HostileScripts, WritesKeepToTheEnginesNamesInTheSaveAndSettingsFolders) {
  Scenario s;
  const fs::path root = s.dir().parent_path();
  fs::create_directories(root / "outside");
  fs::create_directories(root / "saves");
  std::ofstream(root / "outside" / "secret.txt") << "secret";
  std::ofstream(root / "outside" / "settings.txt") << "settings";
  s.writeBmp("../outside/p.bmp", Surface(8, 8, 0x112233));
  // Links planted where the engine writes: it replaces them, never writes through them.
  fs::create_symlink(root / "outside" / "secret.txt", root / "saves" / "data1.qsd");
  fs::create_symlink(root / "outside" / "settings.txt", s.dir() / "qwk.ini");
  s.writeFile("qwk.cfg", "SavePath=../saves/\r\nTextMaxIndex=64\r\n");
  s.writeScript("autorun.txt",
                "_bgload ..\\outside\\p.bmp\nあ\n_textclear\n_winsave\n"
                "_goto :x,..\\outside\\next.txt\n");
  s.writeScript("../outside/next.txt", ":x\n_$flg[2]=1\n_winexit\n");
  // The planted link counts as a slot in use: the save asks before it replaces it.
  s.events("click\nslot 1\nanswer ok\nanswer ok\n");
  const auto before = Files(root);
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited) << test::Dump(r);
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_EQ(r.flags[2], "1");

  std::ifstream secret(root / "outside" / "secret.txt"),
      settings(root / "outside" / "settings.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(secret), {}), "secret");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(settings), {}), "settings");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root / "saves" / "data1.qsd")));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(s.dir() / "qwk.ini")));

  // What changed: the runner's own report and snapshots, and the engine's files.
  const std::set<fs::path> engineFiles = {"saves/data1.qfd", "saves/data1.qsd", "saves/data1.qld",
                                          "saves/data1.qmf", "saves/data0.qfd", "saves/textid.dat",
                                          "scenario/qwk.ini"};
  for (const auto& [path, stat] : Files(root)) {
    auto old = before.find(path);
    if (old != before.end() && old->second == stat) continue;
    if (*path.begin() == "snapshots" || path == "report.json") continue;
    EXPECT_TRUE(engineFiles.count(path)) << "written: " << path;
  }
}

}  // namespace
}  // namespace qw
