#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace qw {

namespace {

// A /tmp folder is shared by every user: only a folder that this user owns and nobody else
// may write is a safe place for the lock file.
bool IsPrivateFolder(const std::filesystem::path& folder) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 0077) == 0;
}

}  // namespace

std::filesystem::path InstanceLock::RuntimeFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
    std::filesystem::path folder(runtime);
    if (folder.is_absolute()) return folder;
  }
  std::filesystem::path own = "/tmp/quillwork-" + std::to_string(geteuid());
  if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return "/tmp";
  return IsPrivateFolder(own) ? own : std::filesystem::path("/tmp");
}

InstanceLock::InstanceLock(const std::string& name, const std::filesystem::path& folder)
    : path_(folder / (name + ".lock")) {
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  int result;
  do {
    result = flock(fd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    status_ = Status::Acquired;
    return;
  }
  status_ = errno == EWOULDBLOCK ? Status::HeldElsewhere : Status::Unavailable;
  close(fd_);
  fd_ = -1;
}

InstanceLock::InstanceLock(const std::string& name) : InstanceLock(name, RuntimeFolder()) {}

InstanceLock::~InstanceLock() {
  release();
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      status_(std::exchange(other.status_, Status::Unavailable)),
      path_(std::move(other.path_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    status_ = std::exchange(other.status_, Status::Unavailable);
    path_ = std::move(other.path_);
  }
  return *this;
}

void InstanceLock::release() {
  // The file stays: unlinking it would let a third instance lock a new file while a second
  // still holds the old one open.
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  status_ = Status::Unavailable;
}

}  // namespace qw
