// 32-bit pixel buffers. A pixel reads 0xXXRRGGBB (blue byte first in memory). The pitch is in
// pixels and may exceed the width, so a view can stand for a part of a larger surface.
#pragma once

#include <cstdint>
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace qw {

struct SurfaceView {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;  // pixels from one row to the next

  std::uint32_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * pitch; }
  std::uint32_t& at(int x, int y) const { return row(y)[x]; }
};

// An owning surface. The pixels of all surfaces of the process are counted, so that the
// picture loaders can keep them within a budget.
class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, std::uint32_t fill = 0) { reset(width, height, fill); }
  ~Surface() { Count(size_, 0); }
  Surface(const Surface& other) { *this = other; }
  Surface& operator=(const Surface& other) {
    if (this != &other) {
      allocate(other.width_, other.height_);
      std::copy(other.data(), other.data() + size_, data());
    }
    return *this;
  }
  Surface(Surface&& other) noexcept { *this = std::move(other); }
  Surface& operator=(Surface&& other) noexcept {
    if (this == &other) return *this;
    // The pixels taken over stay counted; only those given up here are no longer.
    Count(size_, 0);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    size_ = std::exchange(other.size_, 0);
    pixels_ = std::move(other.pixels_);
    return *this;
  }

  void reset(int width, int height, std::uint32_t fill = 0) {
    allocate(width, height);
    this->fill(fill);
  }
  // The new size with its pixels left undefined, for a decoder that writes every one.
  void resetForOverwrite(int width, int height) { allocate(width, height); }
  void fill(std::uint32_t value) { std::fill(data(), data() + size_, value); }

  int width() const { return width_; }
  int height() const { return height_; }
  int pitch() const { return width_; }
  bool empty() const { return size_ == 0; }

  std::uint32_t* row(int y) { return data() + static_cast<std::ptrdiff_t>(y) * width_; }
  const std::uint32_t* row(int y) const {
    return data() + static_cast<std::ptrdiff_t>(y) * width_;
  }
  std::uint32_t& at(int x, int y) { return row(y)[x]; }
  std::uint32_t at(int x, int y) const { return row(y)[x]; }
  std::uint32_t* data() { return pixels_.get(); }
  const std::uint32_t* data() const { return pixels_.get(); }

  SurfaceView view() { return {data(), width_, height_, width_}; }

  // Bytes of pixels held by all surfaces of the process together.
  static std::size_t bytesInUse() { return bytesInUse_.load(std::memory_order_relaxed); }

 private:
  // Keeps the storage when the pixel count stays the same.
  void allocate(int width, int height) {
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    if (n != size_) {
      pixels_.reset(n != 0 ? new std::uint32_t[n] : nullptr);
      Count(size_, n);
      size_ = n;
    }
  }

  static void Count(std::size_t oldPixels, std::size_t newPixels) {
    bytesInUse_.fetch_add((newPixels - oldPixels) * sizeof(std::uint32_t),
                          std::memory_order_relaxed);
  }

  int width_ = 0;
  int height_ = 0;
  std::size_t size_ = 0;
  std::unique_ptr<std::uint32_t[]> pixels_;
  static inline std::atomic<std::size_t> bytesInUse_{0};
};

}  // namespace qw
