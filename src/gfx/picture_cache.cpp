#include "gfx/picture_cache.h"

#include <sys/stat.h>

#include <algorithm>

namespace qw {
namespace {

thread_local PictureCache* activeCache = nullptr;

std::int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

std::optional<PictureKey> PictureFileKey(const std::filesystem::path& resolved,
                                         std::string_view extension) {
  struct stat st {};
  if (::stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  PictureKey key;
  key.path = resolved.string();
  key.extension = std::string(extension);
  key.size = static_cast<std::uint64_t>(st.st_size);
  key.device = static_cast<std::uint64_t>(st.st_dev);
  key.inode = static_cast<std::uint64_t>(st.st_ino);
  key.modifiedNs = Nanoseconds(st.st_mtim);
  key.changedNs = Nanoseconds(st.st_ctim);
  return key;
}

const CachedPicture* PictureCache::find(const PictureKey& key) {
  auto found = index_.find(IndexKey(key));
  if (found == index_.end()) {
    ++misses_;
    return nullptr;
  }
  if (!(found->second->key == key)) {
    erase(found->second);
    ++misses_;
    return nullptr;
  }
  lru_.splice(lru_.begin(), lru_, found->second);
  ++hits_;
  return &lru_.front().picture;
}

void PictureCache::insert(const PictureKey& key, const Surface& picture) {
  const std::string indexKey = IndexKey(key);
  if (auto old = index_.find(indexKey); old != index_.end()) erase(old->second);
  CachedPicture kept{picture.width(), picture.height(), nullptr};
  if (kept.bytes() == 0 || kept.bytes() > maxBytes_) return;
  const std::size_t pixels = kept.bytes() / 4;
  kept.pixels = std::make_unique_for_overwrite<std::uint32_t[]>(pixels);
  std::copy(picture.data(), picture.data() + pixels, kept.pixels.get());
  lru_.push_front(Entry{key, std::move(kept)});
  index_.emplace(indexKey, lru_.begin());
  bytes_ += lru_.front().picture.bytes();
  trim();
}

void PictureCache::clear() {
  lru_.clear();
  index_.clear();
  bytes_ = 0;
}

void PictureCache::setMaxBytes(std::size_t maxBytes) {
  maxBytes_ = maxBytes;
  trim();
}

void PictureCache::erase(Order::iterator it) {
  bytes_ -= it->picture.bytes();
  index_.erase(IndexKey(it->key));
  lru_.erase(it);
}

void PictureCache::trim() {
  while (bytes_ > maxBytes_ && !lru_.empty())
    erase(std::prev(lru_.end()));
}

PictureCacheScope::PictureCacheScope(PictureCache& cache) : previous_(activeCache) {
  activeCache = &cache;
}

PictureCacheScope::~PictureCacheScope() {
  activeCache = previous_;
}

PictureCache* ActivePictureCache() {
  return activeCache;
}

}  // namespace qw
