// One running player per user: a lock file in the user's runtime folder, held with flock for
// the life of the object. The kernel drops the lock when the process ends, however it ends.
#pragma once

#include <filesystem>
#include <string>

namespace qw {

class InstanceLock {
 public:
  enum class Status {
    Acquired,       // this object holds the lock
    HeldElsewhere,  // another instance (another process or object) holds it
    Unavailable,    // the lock file could not be opened; nothing is known
  };

  // Tries once to take the lock "<name>.lock" in `folder` (never blocks).
  InstanceLock(const std::string& name, const std::filesystem::path& folder);
  // The same in the user's runtime folder.
  explicit InstanceLock(const std::string& name);
  ~InstanceLock();

  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  Status status() const { return status_; }
  bool acquired() const { return status_ == Status::Acquired; }
  const std::filesystem::path& path() const { return path_; }

  // $XDG_RUNTIME_DIR when it names an absolute folder, else a folder of this user's own
  // under /tmp (created with mode 0700), else /tmp.
  static std::filesystem::path RuntimeFolder();

 private:
  void release();

  int fd_ = -1;
  Status status_ = Status::Unavailable;
  std::filesystem::path path_;
};

}  // namespace qw
