#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace qw {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The permissions a new copy of `path` gets: the old copy's, else the usual ones.
mode_t PermissionsOf(const std::filesystem::path& path) {
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) return old.st_mode & 07777;
  return 0644;
}

bool SyncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// mkstemp's suffix: six letters or digits.
bool TemporarySuffix(std::string_view s) {
  if (s.size() != 6) return false;
  for (char c : s) {
    bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!alnum) return false;
  }
  return true;
}

}  // namespace

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder = FolderOf(path);
  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, PermissionsOf(path)) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Until the folder is on disk, a power cut may still bring back the old name's old copy.
  return SyncFolder(folder);
}

bool WriteScratchFile(const std::filesystem::path& path, std::string_view bytes,
                      const std::filesystem::path& permissionsOf) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return false;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, PermissionsOf(permissionsOf)) == 0 && WriteAll(fd, bytes);
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

bool FlushToDisk(std::span<const std::filesystem::path> files,
                 const std::filesystem::path& folder) {
  std::vector<int> fds;
  fds.reserve(files.size() + 1);
  bool opened = true;
  for (const std::filesystem::path& file : files) {
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) opened = false;
    fds.push_back(fd);
  }
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) opened = false;
  fds.push_back(dirFd);
  if (!opened) {
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
    return false;
  }

  // One flush after another waits for a journal commit each; flushes in flight together
  // share one.
  std::vector<char> synced(fds.size(), 0);
  std::vector<std::thread> helpers;
  for (std::size_t i = 1; i < fds.size(); ++i) {
    auto sync = [&synced, &fds, i] { synced[i] = ::fsync(fds[i]) == 0; };
    try {
      helpers.emplace_back(sync);
    } catch (const std::system_error&) {
      sync();
    }
  }
  synced[0] = ::fsync(fds[0]) == 0;
  for (std::thread& helper : helpers)
    helper.join();
  bool ok = true;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    ok = ok && synced[i];
    ::close(fds[i]);
  }
  return ok;
}

int RemoveStaleTemporaries(const std::filesystem::path& folder,
                           const std::function<bool(std::string_view name)>& ours,
                           std::chrono::seconds minAge) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  const int dirFd = ::dirfd(dir);
  const std::time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    // ".NAME.XXXXXX" with a NAME of one character at least.
    if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') continue;
    if (!TemporarySuffix(name.substr(name.size() - 6))) continue;
    if (!ours(name.substr(1, name.size() - 8))) continue;
    struct stat info {};
    if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || now - info.st_mtime < minAge.count()) continue;
    if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace qw
