// 32-bit pixel buffers. A pixel reads 0xXXRRGGBB (blue byte first in memory). The pitch is in
// pixels and may exceed the width, so a view can stand for a part of a larger surface.
#pragma once

#include <cstdint>
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

// An owning surface.
class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, std::uint32_t fill = 0) { reset(width, height, fill); }

  void reset(int width, int height, std::uint32_t fill = 0) {
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
  }
  void fill(std::uint32_t value) { pixels_.assign(pixels_.size(), value); }

  int width() const { return width_; }
  int height() const { return height_; }
  int pitch() const { return width_; }
  bool empty() const { return pixels_.empty(); }

  std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::ptrdiff_t>(y) * width_; }
  const std::uint32_t* row(int y) const {
    return pixels_.data() + static_cast<std::ptrdiff_t>(y) * width_;
  }
  std::uint32_t& at(int x, int y) { return row(y)[x]; }
  std::uint32_t at(int x, int y) const { return row(y)[x]; }
  std::uint32_t* data() { return pixels_.data(); }
  const std::uint32_t* data() const { return pixels_.data(); }

  SurfaceView view() { return {pixels_.data(), width_, height_, width_}; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace qw
