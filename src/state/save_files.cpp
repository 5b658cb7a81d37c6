#include "state/save_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <optional>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "state/config.h"
#include "state/read_text.h"

namespace qw {
namespace {

namespace fs = std::filesystem;

// What the player this engine re-creates keeps of a line.
constexpr std::size_t kLineBytes = 256;

// ---- Lines ----

// The lines of file bytes, one at a time: a line ends at CR LF, LF or CR; each is cut to
// `maxBytes` without splitting a double-byte character, the rest of it dropped.
class LineCursor {
 public:
  LineCursor(std::string_view bytes, std::size_t maxBytes) : rest_(bytes), maxBytes_(maxBytes) {}

  bool next(std::string& line) {
    if (rest_.empty()) return false;
    std::size_t end = rest_.find_first_of("\r\n");
    std::string_view whole = rest_.substr(0, end);
    if (end == std::string_view::npos) {
      rest_ = {};
    } else {
      std::size_t skip =
          (rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n') ? 2 : 1;
      rest_.remove_prefix(end + skip);
    }
    std::size_t keep = 0;
    while (keep < whole.size()) {
      std::size_t len = CharLength(whole, keep);
      if (keep + len > maxBytes_) break;
      keep += len;
    }
    line.assign(whole.substr(0, keep));
    return true;
  }

 private:
  std::string_view rest_;
  std::size_t maxBytes_;
};

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

// A text as one line: a line break inside it would shift every value after it.
void AppendTextLine(std::string& out, std::string_view text) {
  std::size_t start = out.size();
  out += text;
  std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '\r', ' ');
  std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '\n', ' ');
  out += "\r\n";
}

// ---- The status file, field by field ----

// Visits every value of the status file in file order; one list serves writing and reading.
template <typename Data, typename V>
void VisitStatus(Data& d, V& v) {
  v.text(d.prog.chapter);

  // Group A.
  for (auto& r : d.persons)
    v.integer(r.maskMode);
  for (auto& r : d.persons)
    v.integer(r.spareInt);
  for (auto& r : d.persons)
    v.integer(r.x);
  for (auto& r : d.persons)
    v.integer(r.y);
  for (auto& r : d.persons)
    v.integer(r.order);
  for (auto& r : d.buffers)
    v.integer(r.maskMode);
  for (auto& r : d.buffers)
    v.integer(r.spareInt);
  for (auto& r : d.buffers)
    v.integer(r.x);
  for (auto& r : d.buffers)
    v.integer(r.y);
  for (auto& r : d.buffers)
    v.integer(r.order);
  for (auto& s : d.sprites)
    v.integer(s.x);
  for (auto& s : d.sprites)
    v.integer(s.y);
  for (auto& s : d.sprites)
    v.integer(s.column);
  for (auto& s : d.sprites)
    v.integer(s.row);
  for (auto& s : d.sprites)
    v.integer(s.animationCount);
  for (auto& c : d.channels)
    v.integer(c.playCount);
  for (auto& c : d.channels)
    v.integer(c.repeatCount);
  for (auto& c : d.channels)
    v.integer(c.start);
  for (auto& c : d.channels)
    v.integer(c.length);
  for (auto& entry : d.prog.returnStack)
    v.integer(entry);
  auto& t = d.text;
  v.integer(t.cursorX);
  v.integer(t.cursorY);
  v.integer(t.edgeMode);
  v.integer(t.cellWidth);
  v.integer(t.cellHeight);
  v.integer(t.lineGap);
  v.integer(t.fontHeight);
  v.integer(t.rubyHeight);
  v.integer(t.leftMargin);
  v.integer(t.rightLimit);
  v.integer(t.bottomLimit);
  v.integer(t.size);
  v.integer(t.offsetX);
  v.integer(t.offsetY);
  v.integer(t.extraInts[0]);
  v.integer(t.fontIndex);
  v.integer(t.textWait);
  for (std::size_t i = 1; i < t.extraInts.size(); ++i)
    v.integer(t.extraInts[i]);
  v.integer(d.prog.reserved);
  v.integer(d.prog.pc);
  v.integer(d.prog.nextPc);
  v.integer(d.prog.textPos);
  v.integer(d.prog.stackTop);
  v.integer(d.prog.condition);
  v.integer(d.prog.selection);
  v.integer(d.prog.status);
  v.integer(d.clickFlag);
  v.integer(d.scriptValue);
  v.zero();
  v.zero();

  // Group B.
  for (auto& r : d.persons)
    v.integer(r.mode);
  for (auto& r : d.buffers)
    v.integer(r.mode);

  // Group C.
  for (auto& r : d.persons)
    v.colour(r.transparentColor);
  for (auto& r : d.buffers)
    v.colour(r.transparentColor);
  v.colour(t.textColor);
  v.colour(t.shadowColor);
  v.colour(t.extraColor);

  // Group D.
  for (auto& r : d.persons)
    v.flag(r.spareSwitch);
  for (auto& r : d.persons)
    v.flag(r.shown);
  for (auto& r : d.persons)
    v.flag(r.loaded);
  for (auto& r : d.persons)
    v.flag(r.transparent);
  for (auto& r : d.buffers)
    v.flag(r.shown);
  for (auto& r : d.buffers)
    v.flag(r.loaded);
  for (auto& r : d.buffers)
    v.flag(r.transparent);
  for (auto& r : d.buffers)
    v.flag(r.spareSwitch);
  for (auto& c : d.channels)
    v.flag(c.playing);
  for (auto& c : d.channels)
    v.flag(c.open);
  for (auto& c : d.channels)
    v.flag(c.pending);
  for (auto& s : d.sprites)
    v.flag(s.visible);
  v.flag(t.textured);
  v.flag(t.shadow);
  v.flag(t.textVisible);
  v.flag(t.oneLine);
  v.flag(d.mainSwitch);
  v.flag(d.scriptSwitch);
  v.flag(d.sysDark);
  v.flag(d.sysPopup);
  v.zero();

  // Group E.
  for (auto& s : d.menuTexts)
    v.text(s);
  for (auto& s : d.menuCommands)
    v.text(s);
  for (auto& r : d.persons)
    v.text(r.fileName);
  for (auto& r : d.persons)
    v.text(r.maskFileName);
  for (auto& r : d.buffers)
    v.text(r.fileName);
  for (auto& r : d.buffers)
    v.text(r.maskFileName);
  for (auto& c : d.channels)
    v.text(c.fileName);
  for (auto& s : d.prog.args)
    v.text(s);
  v.text(d.prog.chapter);
  v.text(t.fontName);
  v.text(t.rubyFontName);
  v.text(t.extraTexts[0]);
  v.text(t.extraTexts[1]);
  v.text(d.prog.fileName);
  v.text(d.prog.caption);
}

class StatusWriter {
 public:
  void integer(std::int32_t value) { AppendLine(out, std::to_string(value)); }
  // "%ld" of a 32-bit long: a colour above 0x7FFFFFFF comes out negative.
  void colour(std::uint32_t value) { integer(static_cast<std::int32_t>(value)); }
  void flag(bool value) { AppendLine(out, value ? "1" : "0"); }
  void text(const std::string& value) { AppendTextLine(out, value); }
  void zero() { AppendLine(out, "0"); }
  std::string out;
};

class StatusReader {
 public:
  StatusReader(std::string_view bytes, std::vector<std::string>& errors)
      : lines_(bytes, kLineBytes), errors_(errors) {}

  void integer(std::int32_t& value) {
    if (std::optional<std::int32_t> v = number()) value = *v;
  }
  void colour(std::uint32_t& value) {
    if (std::optional<std::int32_t> v = number()) value = static_cast<std::uint32_t>(*v);
  }
  void flag(bool& value) {
    if (std::optional<std::int32_t> v = number()) value = *v != 0;
  }
  void text(std::string& value) {
    if (take()) value = line_;
  }
  void zero() { take(); }
  int linesRead() const { return linesRead_; }

 private:
  bool take() {
    if (ended_ || !lines_.next(line_)) {
      ended_ = true;
      return false;
    }
    ++linesRead_;
    return true;
  }
  std::optional<std::int32_t> number() {
    if (!take()) return std::nullopt;
    try {
      return StrToInt(line_);
    } catch (const FrameworkError& e) {
      // One message per file: a damaged file would otherwise bring hundreds.
      if (!reported_) errors_.emplace_back(e.what());
      reported_ = true;
      return std::nullopt;
    }
  }

  LineCursor lines_;
  std::vector<std::string>& errors_;
  std::string line_;
  int linesRead_ = 0;
  bool ended_ = false;
  bool reported_ = false;
};

// ---- The manifest ----

constexpr std::string_view kManifestHeader = "QuillworkSave 1";
constexpr std::array<std::string_view, 3> kSlotExtensions = {".qfd", ".qsd", ".qld"};
enum SlotFile { kFlagFile = 0, kStatusFile = 1, kLogFile = 2 };

struct FileSum {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool operator==(const FileSum&) const = default;
};

using Manifest = std::array<FileSum, 3>;

FileSum SumOf(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  std::string_view rest = bytes;
  while (!rest.empty()) {
    uInt n = static_cast<uInt>(std::min<std::size_t>(rest.size(), 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(rest.data()), n);
    rest.remove_prefix(n);
  }
  return {bytes.size(), static_cast<std::uint32_t>(crc)};
}

std::string FormatManifest(const Manifest& m) {
  std::string out;
  AppendLine(out, kManifestHeader);
  for (std::size_t i = 0; i < m.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%s %" PRIu64 " %08" PRIx32, kSlotExtensions[i].data() + 1,
                  m[i].size, m[i].crc);
    AppendLine(out, line);
  }
  return out;
}

std::optional<Manifest> ParseManifest(std::string_view bytes) {
  LineCursor lines(bytes, 128);
  std::string line;
  if (!lines.next(line) || line != kManifestHeader) return std::nullopt;
  Manifest m;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (!lines.next(line)) return std::nullopt;
    char name[8] = {};
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    int used = 0;
    if (std::sscanf(line.c_str(), "%3s %" SCNu64 " %8" SCNx32 "%n", name, &size, &crc, &used) !=
            3 ||
        static_cast<std::size_t>(used) != line.size() || kSlotExtensions[i].substr(1) != name) {
      return std::nullopt;
    }
    m[i] = {size, crc};
  }
  return m;
}

// ---- Files ----

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// A whole save file; nothing for one larger than any save, which is not read at all.
std::optional<std::string> ReadSaveFile(const fs::path& path) {
  FileRead file = ReadRegularFile(path, kMaxSaveFileBytes);
  if (!file) return std::nullopt;
  return std::move(file.bytes);
}

std::optional<std::uint64_t> SizeOf(const fs::path& path) {
  std::error_code ec;
  std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  return size;
}

fs::path StagedPath(const fs::path& path) {
  fs::path staged = path;
  staged += ".new";
  return staged;
}

void RemoveQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

// The file matches its manifest entry; a size that differs is known without reading.
bool Matches(const fs::path& path, const FileSum& sum) {
  std::optional<std::uint64_t> size = SizeOf(path);
  if (!size || *size != sum.size || sum.size > kMaxSaveFileBytes) return false;
  std::optional<std::string> bytes = ReadSaveFile(path);
  return bytes && SumOf(*bytes) == sum;
}

std::optional<Manifest> ReadManifest(const fs::path& path) {
  std::optional<std::string> bytes = ReadFileHead(path, 4096);
  if (!bytes) return std::nullopt;
  return ParseManifest(*bytes);
}

void SetModificationTime(const fs::path& path, const LocalTime& stamp) {
  std::tm tm{};
  tm.tm_year = stamp.year - 1900;
  tm.tm_mon = stamp.month - 1;
  tm.tm_mday = stamp.day;
  tm.tm_hour = stamp.hour;
  tm.tm_min = stamp.minute;
  tm.tm_sec = stamp.second;
  tm.tm_isdst = -1;
  std::time_t when = std::mktime(&tm);
  if (when == static_cast<std::time_t>(-1)) return;
  timespec times[2] = {{when, 0}, {when, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

LocalTime ModificationTime(const fs::path& path) {
  LocalTime out;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return out;
  std::tm tm{};
  std::time_t when = info.st_mtime;
  if (!::localtime_r(&when, &tm)) return out;
  out.second = tm.tm_sec;
  out.minute = tm.tm_min;
  out.hour = tm.tm_hour;
  out.day = tm.tm_mday;
  out.month = tm.tm_mon + 1;
  out.year = tm.tm_year + 1900;
  out.weekday = tm.tm_wday;
  out.yearDay = tm.tm_yday;
  return out;
}

bool ValidSlot(int slot) {
  return slot >= 1 && slot <= kSaveSlotCount;
}

}  // namespace

// ---- Formats ----

std::string FormatFlagFile(const std::array<std::string, 256>& cells) {
  std::string out;
  for (const std::string& cell : cells)
    AppendTextLine(out, cell);
  return out;
}

void ParseFlagFile(std::string_view bytes, std::array<std::string, 256>& cells) {
  LineCursor lines(bytes, kLineBytes);
  std::string line;
  for (std::string& cell : cells) {
    if (!lines.next(line)) break;
    cell = line;
  }
}

std::string FormatStatusFile(const SaveData& data) {
  StatusWriter writer;
  VisitStatus(data, writer);
  return std::move(writer.out);
}

void ParseStatusFile(std::string_view bytes, SaveData& data, std::vector<std::string>& errors) {
  StatusReader reader(bytes, errors);
  VisitStatus(data, reader);
}

std::string FormatLogFile(const std::vector<LogPage>& pages) {
  const std::size_t count = std::min<std::size_t>(pages.size(), LogRing::kMaxSavedPages);
  std::string out;
  AppendLine(out, std::to_string(count));
  for (std::size_t i = 0; i < count; ++i) {
    AppendLine(out, "\t" + std::to_string(i));
    for (std::string line : pages[i]) {
      // A tab starts a page when read back; inside a text it would split the page.
      std::replace(line.begin(), line.end(), '\t', ' ');
      AppendTextLine(out, line);
    }
  }
  return out;
}

int ParseLogFile(std::string_view bytes, std::vector<LogPage>& pages,
                 std::vector<std::string>& errors) {
  pages.clear();
  LineCursor lines(bytes, LogRing::kMaxLineBytes);
  std::string line;
  if (!lines.next(line)) return 0;
  std::int32_t total = 0;
  try {
    total = StrToInt(line);
  } catch (const FrameworkError& e) {
    errors.emplace_back(e.what());
    return 0;
  }
  const int count = std::clamp(total, 0, LogRing::kMaxSavedPages);
  pages.resize(static_cast<std::size_t>(count));
  if (count == 0 || !lines.next(line)) return count;  // line 2: the first page's marker
  std::size_t page = 0;
  while (lines.next(line)) {
    if (line.find('\t') != std::string::npos) {
      if (++page >= pages.size()) break;
      continue;
    }
    if (pages[page].size() < LogRing::kMaxLinesPerPage) pages[page].push_back(line);
  }
  return count;
}

void ClampSaveData(SaveData& d) {
  d.prog.stackTop = std::clamp(d.prog.stackTop, -1, 15);
  d.prog.textPos = std::max(d.prog.textPos, 0);
  d.text.fontIndex = std::clamp(d.text.fontIndex, 0, 6);
  if (d.clickFlag < -1 || d.clickFlag >= FlagStore::kCount) d.clickFlag = -1;
  auto clampRecord = [](SavedImageStatus& r) {
    r.maskMode = std::clamp(r.maskMode, 0, 2);
    r.order = std::clamp(r.order, 0, 2);
    r.mode = std::clamp(r.mode, 0, 8);
  };
  for (SavedImageStatus& r : d.persons)
    clampRecord(r);
  for (SavedImageStatus& r : d.buffers)
    clampRecord(r);
  for (SavedSprite& s : d.sprites) {
    s.column = std::max(s.column, 0);
    s.row = std::max(s.row, 0);
  }
}

// ---- Slots ----

std::string SlotFileName(std::string_view savePath, int slot, std::string_view extension) {
  std::string name(savePath);
  name += "data";
  name += std::to_string(slot);
  name += extension;
  return name;
}

fs::path SlotFilePath(std::string_view savePath, int slot, std::string_view extension) {
  return ResolvePath(SlotFileName(savePath, slot, extension));
}

SaveIo DefaultSaveIo() {
  SaveIo io;
  io.write = [](const fs::path& path, std::string_view bytes, const fs::path& permissionsOf) {
    return WriteScratchFile(path, bytes, permissionsOf);
  };
  io.flush = [](std::span<const fs::path> files, const fs::path& folder) {
    return FlushToDisk(files, folder);
  };
  io.rename = [](const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
  };
  return io;
}

void RecoverSlot(std::string_view savePath, int slot, const SaveIo& io) {
  if (!ValidSlot(slot)) return;
  const fs::path manifestPath = SlotFilePath(savePath, slot, ".qmf");
  // A manifest that never got its name: that save never counted.
  const fs::path stagedManifest = StagedPath(manifestPath);
  if (Exists(stagedManifest)) RemoveQuietly(stagedManifest);
  std::array<fs::path, 3> staged;
  bool any = false;
  for (std::size_t i = 0; i < 3; ++i) {
    staged[i] = StagedPath(SlotFilePath(savePath, slot, kSlotExtensions[i]));
    any = any || Exists(staged[i]);
  }
  if (!any) return;
  std::optional<Manifest> manifest = ReadManifest(manifestPath);
  std::array<bool, 3> complete{};
  for (std::size_t i = 0; i < 3; ++i) {
    if (!Exists(staged[i])) continue;
    complete[i] = manifest && Matches(staged[i], (*manifest)[i]);
    // Otherwise written by a save that never reached its manifest.
    if (!complete[i]) RemoveQuietly(staged[i]);
  }
  if (complete == std::array<bool, 3>{}) return;
  // The save was cut off before it knew its manifest's name to be on disk; a rename must not
  // reach the disk before that name does.
  const fs::path folder = FolderOf(manifestPath);
  if (!io.flush({}, folder)) return;
  bool renamed = false;
  for (std::size_t i = 0; i < 3; ++i) {
    if (!complete[i]) continue;
    fs::path target = staged[i];
    target.replace_extension();  // drops ".new"
    renamed = io.rename(staged[i], target) || renamed;
  }
  if (renamed) io.flush({}, folder);
}

SlotSaveResult SaveSlot(std::string_view savePath, int slot, const SaveData& data,
                        const LocalTime* stamp, const SaveIo& io) {
  SlotSaveResult result;
  if (!SavePossible(data)) {
    result.messages.push_back({kNotSavableMessage, SaveMessageKind::ScriptError});
    return result;
  }
  if (!ValidSlot(slot)) return result;
  RecoverSlot(savePath, slot, io);

  const std::array<std::string, 3> bytes = {FormatFlagFile(data.localFlags), FormatStatusFile(data),
                                            FormatLogFile(data.logPages)};
  static constexpr std::array<const char*, 3> kFailures = {
      kFlagSaveFailedMessage, kStatusSaveFailedMessage, kLogSaveFailedMessage};
  Manifest manifest;
  for (std::size_t i = 0; i < 3; ++i)
    manifest[i] = SumOf(bytes[i]);
  const fs::path manifestPath = SlotFilePath(savePath, slot, ".qmf");
  const fs::path folder = FolderOf(manifestPath);
  // The three new files, then the manifest.
  std::array<fs::path, 4> target;
  std::array<fs::path, 4> staged;
  for (std::size_t i = 0; i < 3; ++i)
    target[i] = SlotFilePath(savePath, slot, kSlotExtensions[i]);
  target[3] = manifestPath;
  for (std::size_t i = 0; i < 4; ++i)
    staged[i] = StagedPath(target[i]);

  bool allStaged = true;
  for (std::size_t i = 0; i < 3; ++i) {
    if (!io.write(staged[i], bytes[i], target[i])) {
      result.messages.push_back({kFailures[i], SaveMessageKind::Warning});
      allStaged = false;
    }
  }
  // Every new file and its name are on disk before the manifest can name them.
  if (allStaged && (!io.write(staged[3], FormatManifest(manifest), target[3]) ||
                    !io.flush(staged, folder) || !io.rename(staged[3], target[3]))) {
    result.messages.push_back({kStatusSaveFailedMessage, SaveMessageKind::Warning});
    allStaged = false;
  }
  if (!allStaged) {
    for (const fs::path& p : staged)
      RemoveQuietly(p);
    return result;
  }
  result.saved = true;
  // From here the new save stands; a rename left undone is finished by the next recovery,
  // which flushes the manifest's name first when this flush cannot.
  if (!io.flush({}, folder)) return result;
  for (std::size_t i = 0; i < 3; ++i)
    io.rename(staged[i], target[i]);
  io.flush({}, folder);
  if (stamp) {
    for (std::size_t i = 0; i < 3; ++i)
      SetModificationTime(target[i], *stamp);
  }
  return result;
}

SlotLoadResult LoadSlot(std::string_view savePath, int slot, SaveData& data) {
  SlotLoadResult result;
  if (!ValidSlot(slot)) {
    result.refused = true;
    return result;
  }
  RecoverSlot(savePath, slot);

  std::array<fs::path, 3> path;
  for (std::size_t i = 0; i < 3; ++i)
    path[i] = SlotFilePath(savePath, slot, kSlotExtensions[i]);
  const fs::path manifestPath = SlotFilePath(savePath, slot, ".qmf");
  std::optional<Manifest> manifest;
  if (Exists(manifestPath)) {
    manifest = ReadManifest(manifestPath);
    bool whole = manifest.has_value();
    for (std::size_t i = 0; whole && i < 3; ++i) {
      std::optional<std::uint64_t> size = SizeOf(path[i]);
      whole = size && *size == (*manifest)[i].size && *size <= kMaxSaveFileBytes;
    }
    if (!whole) {
      result.refused = true;
      result.messages.push_back({kTornSaveMessage, SaveMessageKind::Warning});
      return result;
    }
  }

  std::array<std::optional<std::string>, 3> bytes;
  for (std::size_t i = 0; i < 3; ++i) {
    if (Exists(path[i])) bytes[i] = ReadSaveFile(path[i]);
  }
  if (manifest) {
    for (std::size_t i = 0; i < 3; ++i) {
      if (!bytes[i] || !(SumOf(*bytes[i]) == (*manifest)[i])) {
        result.refused = true;
        result.messages.push_back({kTornSaveMessage, SaveMessageKind::Warning});
        return result;
      }
    }
  }

  SaveData next = data;
  std::vector<std::string> errors;
  if (bytes[kFlagFile]) {
    ParseFlagFile(*bytes[kFlagFile], next.localFlags);
    result.flagsRead = true;
  }
  next.logPages.clear();
  int pages = 0;
  if (bytes[kLogFile]) {
    pages = ParseLogFile(*bytes[kLogFile], next.logPages, errors);
    result.logRead = true;
  }
  next.logRange = {pages, (pages + LogRing::kPages - 1) % LogRing::kPages};
  if (bytes[kStatusFile]) {
    ParseStatusFile(*bytes[kStatusFile], next, errors);
    result.statusRead = true;
  } else {
    result.messages.push_back({kStatusReadFailedMessage, SaveMessageKind::Warning});
  }
  for (std::string& e : errors)
    result.messages.push_back({std::move(e), SaveMessageKind::Exception});
  ClampSaveData(next);
  data = std::move(next);
  return result;
}

int RemoveSaveLeftovers(std::string_view savePath) {
  auto lower = [](std::string_view name) {
    std::string out(name);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  };
  const std::string readText = lower(ReadTextRecordPath(savePath).filename().string());
  auto ours = [&](std::string_view name) {
    std::string n = lower(name);
    if (n == readText) return true;
    // Builds before the shared flushes wrote a slot's new files through temporary files too.
    if (n.ends_with(".new")) n.resize(n.size() - 4);
    if (!n.starts_with("data") || n.size() < 9) return false;
    const std::string_view extension = std::string_view(n).substr(n.size() - 4);
    const std::string_view number = std::string_view(n).substr(4, n.size() - 8);
    if (extension != ".qmf" && std::find(kSlotExtensions.begin(), kSlotExtensions.end(),
                                         extension) == kSlotExtensions.end()) {
      return false;
    }
    if (number.empty() || number.size() > 2 || (number.size() > 1 && number[0] == '0'))
      return false;
    int slot = 0;
    for (char c : number) {
      if (c < '0' || c > '9') return false;
      slot = slot * 10 + (c - '0');
    }
    return slot <= kSaveSlotCount;
  };
  return RemoveStaleTemporaries(FolderOf(SlotFilePath(savePath, 0, ".qfd")), ours);
}

// ---- Global flags ----

std::optional<SaveMessage> SaveGlobalFlags(std::string_view savePath, const FlagStore& flags) {
  std::array<std::string, 256> cells;
  for (int i = 0; i < 256; ++i)
    cells[static_cast<std::size_t>(i)] = flags.text(FlagStore::kLocalCount + i);
  if (WriteFileAtomically(SlotFilePath(savePath, 0, ".qfd"), FormatFlagFile(cells)))
    return std::nullopt;
  return SaveMessage{kFlagSaveFailedMessage, SaveMessageKind::Warning};
}

bool LoadGlobalFlags(std::string_view savePath, FlagStore& flags) {
  fs::path path = SlotFilePath(savePath, 0, ".qfd");
  if (!Exists(path)) return false;
  std::optional<std::string> bytes = ReadSaveFile(path);
  if (!bytes) return false;
  LineCursor lines(*bytes, kLineBytes);
  std::string line;
  for (int i = FlagStore::kLocalCount; i < FlagStore::kCount && lines.next(line); ++i)
    flags.set(i, line);
  return true;
}

// ---- Slot picker ----

std::array<SlotEntry, kSaveSlotCount> ReadSlotEntries(std::string_view savePath) {
  std::array<SlotEntry, kSaveSlotCount> entries;
  for (int slot = 1; slot <= kSaveSlotCount; ++slot) {
    RecoverSlot(savePath, slot);
    SlotEntry& entry = entries[static_cast<std::size_t>(slot - 1)];
    fs::path status = SlotFilePath(savePath, slot, ".qsd");
    if (!Exists(status)) continue;
    entry.used = true;
    entry.modified = ModificationTime(status);
    if (std::optional<std::string> head = ReadFileHead(status, 4096)) {
      LineCursor lines(*head, kLineBytes);
      lines.next(entry.title);
    }
  }
  return entries;
}

}  // namespace qw
