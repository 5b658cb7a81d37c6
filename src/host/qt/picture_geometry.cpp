#include "host/qt/picture_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qw {

PictureGeometry PictureGeometry::Fit(int pictureWidth, int pictureHeight, int targetWidth,
                                     int targetHeight) {
  PictureGeometry g;
  g.pictureWidth_ = std::max(pictureWidth, 0);
  g.pictureHeight_ = std::max(pictureHeight, 0);
  if (pictureWidth <= 0 || pictureHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) {
    return g;
  }
  const std::int64_t pw = pictureWidth, ph = pictureHeight;
  const std::int64_t tw = targetWidth, th = targetHeight;
  // Compare the aspect ratios in integers, so that exact fits stay exact.
  if (tw * ph <= th * pw) {
    g.width_ = targetWidth;
    g.height_ = static_cast<int>(std::max<std::int64_t>(1, (tw * ph + pw / 2) / pw));
  } else {
    g.height_ = targetHeight;
    g.width_ = static_cast<int>(std::max<std::int64_t>(1, (th * pw + ph / 2) / ph));
  }
  g.x_ = (targetWidth - g.width_) / 2;
  g.y_ = (targetHeight - g.height_) / 2;
  return g;
}

PictureGeometry PictureGeometry::FitWhole(int pictureWidth, int pictureHeight, int targetWidth,
                                          int targetHeight) {
  PictureGeometry g = Fit(pictureWidth, pictureHeight, targetWidth, targetHeight);
  if (g.width_ < pictureWidth || g.height_ < pictureHeight || pictureWidth <= 0 ||
      pictureHeight <= 0) {
    return g;
  }
  const int k = std::min(targetWidth / pictureWidth, targetHeight / pictureHeight);
  g.width_ = pictureWidth * k;
  g.height_ = pictureHeight * k;
  g.x_ = (targetWidth - g.width_) / 2;
  g.y_ = (targetHeight - g.height_) / 2;
  return g;
}

bool PictureGeometry::wholeMultiple() const {
  if (width_ <= 0 || pictureWidth_ <= 0 || pictureHeight_ <= 0) return false;
  return width_ % pictureWidth_ == 0 && height_ % pictureHeight_ == 0 &&
         width_ / pictureWidth_ == height_ / pictureHeight_;
}

bool PictureGeometry::contains(double targetX, double targetY) const {
  return targetX >= x_ && targetX < x_ + width_ && targetY >= y_ && targetY < y_ + height_;
}

PicturePoint PictureGeometry::toPicture(double targetX, double targetY) const {
  if (width_ <= 0 || height_ <= 0) return {};
  const auto map = [](double t, int origin, int extent, int picture) {
    const double p = std::floor((t - origin) * picture / extent);
    return static_cast<int>(std::clamp(p, 0.0, static_cast<double>(picture - 1)));
  };
  return {map(targetX, x_, width_, pictureWidth_), map(targetY, y_, height_, pictureHeight_)};
}

IntRect PictureGeometry::toTarget(const IntRect& area, int margin) const {
  const int left = std::max(area.left - margin, 0);
  const int top = std::max(area.top - margin, 0);
  const int right = std::min(area.right + margin, pictureWidth_);
  const int bottom = std::min(area.bottom + margin, pictureHeight_);
  if (right <= left || bottom <= top || width_ <= 0) return {};
  const auto lower = [](int p, int extent, int picture) {
    return static_cast<int>(static_cast<std::int64_t>(p) * extent / picture);
  };
  const auto upper = [](int p, int extent, int picture) {
    return static_cast<int>((static_cast<std::int64_t>(p) * extent + picture - 1) / picture);
  };
  return {x_ + lower(left, width_, pictureWidth_), y_ + lower(top, height_, pictureHeight_),
          x_ + upper(right, width_, pictureWidth_), y_ + upper(bottom, height_, pictureHeight_)};
}

}  // namespace qw
