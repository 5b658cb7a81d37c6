// Decoded pictures kept for their next load: a story loads the same backgrounds and character
// pictures again and again, and a decode costs some hundred frame copies where taking a kept
// copy costs one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "gfx/surface.h"

namespace qw {

inline constexpr std::size_t kDefaultPictureCacheBytes = std::size_t{64} << 20;

// What a decode depends on: the file found (its path and identity on disk, so that a file
// written again or replaced by another is read again) and the decoder its name chose.
struct PictureKey {
  std::string path;       // the resolved path
  std::string extension;  // lower case, with the dot: it chooses the decoder
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;

  bool operator==(const PictureKey&) const = default;
};

// The key of the file at `resolved` as it is on disk now; none when it is no regular file
// (missing, a folder, a FIFO): such a load is never taken from the cache.
std::optional<PictureKey> PictureFileKey(const std::filesystem::path& resolved,
                                         std::string_view extension);

// A kept picture. Its pixels lie outside the surfaces' memory budget, under the cache's own
// bound, so that what is kept never makes a load fail for memory.
struct CachedPicture {
  int width = 0;
  int height = 0;
  std::unique_ptr<std::uint32_t[]> pixels;

  std::size_t bytes() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  }
};

// Keeps decoded pictures up to a bound of pixel bytes, dropping the least recently used first.
// One entry per path: a changed file replaces its old picture.
class PictureCache {
 public:
  explicit PictureCache(std::size_t maxBytes = kDefaultPictureCacheBytes) : maxBytes_(maxBytes) {}
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // The picture kept for `key`, now the most recently used; null when none is kept for this
  // path with this identity (a stale entry for the path is dropped). The pointer holds until
  // the next insert, resize or clear.
  const CachedPicture* find(const PictureKey& key);
  // Keeps a copy of `picture` under `key`, replacing what the path held, then drops the least
  // recently used pictures until the bound holds. A picture larger than the bound is not kept.
  void insert(const PictureKey& key, const Surface& picture);
  void clear();

  // A new bound, applied at once.
  void setMaxBytes(std::size_t maxBytes);
  std::size_t maxBytes() const { return maxBytes_; }
  std::size_t bytes() const { return bytes_; }
  std::size_t entries() const { return lru_.size(); }
  std::uint64_t hits() const { return hits_; }
  std::uint64_t misses() const { return misses_; }

 private:
  struct Entry {
    PictureKey key;
    CachedPicture picture;
  };
  using Order = std::list<Entry>;  // most recently used first

  static std::string IndexKey(const PictureKey& key) { return key.path + '\n' + key.extension; }
  void erase(Order::iterator it);
  void trim();

  std::size_t maxBytes_;
  std::size_t bytes_ = 0;
  std::uint64_t hits_ = 0;
  std::uint64_t misses_ = 0;
  Order lru_;
  std::unordered_map<std::string, Order::iterator> index_;
};

// Makes `cache` the one LoadPicture keeps pictures in (every format but FRL, whose result
// depends on the picture it is loaded into) on this thread while the scope lives
// (the engine's, for the length of a run); the previous one comes back after. Outside any
// scope every load decodes.
class PictureCacheScope {
 public:
  explicit PictureCacheScope(PictureCache& cache);
  ~PictureCacheScope();
  PictureCacheScope(const PictureCacheScope&) = delete;
  PictureCacheScope& operator=(const PictureCacheScope&) = delete;

 private:
  PictureCache* previous_;
};

// The cache of the run on this thread, or null.
PictureCache* ActivePictureCache();

}  // namespace qw
