// Reading files that come from outside the program: scenario folders, save folders, the user's
// settings. Only regular files are read (a FIFO never blocks the reader, a device such as
// /dev/zero is never read), and only up to a size that fits their kind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qw {

// The largest file of each kind that is read.
inline constexpr std::uint64_t kMaxSettingsFileSize = std::uint64_t{64} << 10;  // qwk.cfg, keys
inline constexpr std::uint64_t kMaxScriptFileSize = std::uint64_t{64} << 20;
inline constexpr std::uint64_t kMaxPictureFileSize = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kMaxEventsFileSize = std::uint64_t{64} << 20;

enum class FileReadFailure {
  None,
  Missing,     // no such file (or a folder on the way is missing)
  NotRegular,  // a folder, FIFO, socket or device
  TooLarge,    // larger than the limit of its kind
  Unreadable,  // opening or reading failed: no permission, an I/O error
};

struct FileRead {
  std::string bytes;
  FileReadFailure failure = FileReadFailure::None;
  int errorNumber = 0;     // errno of a failed look-up, open or read
  std::uint64_t size = 0;  // the file's size, when it was too large
  std::uint64_t limit = 0;

  bool ok() const { return failure == FileReadFailure::None; }
  explicit operator bool() const { return ok(); }
  // Why the file could not be read, as the platform words it: "No such file or directory",
  // "Permission denied", "Not a regular file", "File too large (N bytes, at most M)".
  std::string reason() const;
};

// The whole of the file at `path` (symbolic links followed) when it is a regular file of at
// most `maxBytes`. Never allocates more than `maxBytes` + 1 bytes, however the file changes
// while it is read.
FileRead ReadRegularFile(const std::filesystem::path& path, std::uint64_t maxBytes);

// The first `maxBytes` of a regular file of any size, for formats whose head is all a reader
// takes.
FileRead ReadRegularFileHead(const std::filesystem::path& path, std::uint64_t maxBytes);

}  // namespace qw
