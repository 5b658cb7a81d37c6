#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace qw {
namespace {

class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() { ::close(fd_); }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

FileRead Failed(FileReadFailure failure, int errorNumber, std::uint64_t limit) {
  FileRead r;
  r.failure = failure;
  r.errorNumber = errorNumber;
  r.limit = limit;
  return r;
}

FileRead FailedLookUp(int errorNumber, std::uint64_t limit) {
  const bool missing = errorNumber == ENOENT || errorNumber == ENOTDIR;
  return Failed(missing ? FileReadFailure::Missing : FileReadFailure::Unreadable, errorNumber,
                limit);
}

FileRead TooLarge(std::uint64_t size, std::uint64_t limit) {
  FileRead r = Failed(FileReadFailure::TooLarge, 0, limit);
  r.size = size;
  return r;
}

FileRead Read(const std::filesystem::path& path, std::uint64_t maxBytes, bool headOnly) {
  // A look at the kind first: opening some devices has effects of its own.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FailedLookUp(errno, maxBytes);
  if (!S_ISREG(st.st_mode)) return Failed(FileReadFailure::NotRegular, 0, maxBytes);
  // Without O_NONBLOCK a FIFO put in the file's place since the look would block the open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FailedLookUp(errno, maxBytes);
  FdCloser closer(fd);
  if (::fstat(fd, &st) != 0) return Failed(FileReadFailure::Unreadable, errno, maxBytes);
  if (!S_ISREG(st.st_mode)) return Failed(FileReadFailure::NotRegular, 0, maxBytes);
  const auto size = static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0));
  if (!headOnly && size > maxBytes) return TooLarge(size, maxBytes);

  // One byte past the limit tells a file that grew too large from one that fits exactly.
  const std::uint64_t cap = headOnly ? maxBytes : maxBytes + 1;
  FileRead r;
  r.limit = maxBytes;
  r.bytes.resize(static_cast<std::size_t>(std::min(size, cap)));
  std::size_t got = 0;
  constexpr std::size_t kChunk = 64 << 10;
  for (;;) {
    if (got == r.bytes.size()) {
      if (got >= cap) break;
      // A small read tells whether the file grew since its size was taken, before the buffer
      // grows: a file that is as large as it said (the usual case) costs no second copy.
      char probe[4096];
      const ssize_t n = ::read(
          fd, probe, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof probe, cap - got)));
      if (n < 0) {
        if (errno == EINTR) continue;
        return Failed(FileReadFailure::Unreadable, errno, maxBytes);
      }
      if (n == 0) break;
      if (r.bytes.capacity() < got + static_cast<std::size_t>(n)) {
        r.bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(got + kChunk, cap)));
      }
      r.bytes.append(probe, static_cast<std::size_t>(n));
      got += static_cast<std::size_t>(n);
      continue;
    }
    const ssize_t n = ::read(fd, r.bytes.data() + got, r.bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failed(FileReadFailure::Unreadable, errno, maxBytes);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  r.bytes.resize(got);
  if (!headOnly && got > maxBytes) return TooLarge(got, maxBytes);
  return r;
}

}  // namespace

std::string FileRead::reason() const {
  switch (failure) {
    case FileReadFailure::None:
      return {};
    case FileReadFailure::NotRegular:
      return "Not a regular file";
    case FileReadFailure::TooLarge:
      return "File too large (" + std::to_string(size) + " bytes, at most " +
             std::to_string(limit) + ")";
    case FileReadFailure::Missing:
    case FileReadFailure::Unreadable:
      break;
  }
  return std::error_code(errorNumber, std::generic_category()).message();
}

FileRead ReadRegularFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
  return Read(path, maxBytes, false);
}

FileRead ReadRegularFileHead(const std::filesystem::path& path, std::uint64_t maxBytes) {
  return Read(path, maxBytes, true);
}

}  // namespace qw
