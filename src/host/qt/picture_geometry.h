// Where the picture sits in a window of any size: scaled with its aspect ratio kept, centred,
// the rest letterboxed. All sizes are device pixels, so the same math serves high-DPI screens.
#pragma once

#include "platform/host.h"

namespace qw {

struct PicturePoint {
  int x = 0;
  int y = 0;
};

class PictureGeometry {
 public:
  // The largest aspect-kept fit of a picture into a target of the given size.
  static PictureGeometry Fit(int pictureWidth, int pictureHeight, int targetWidth,
                             int targetHeight);
  // The largest whole multiple (1, 2, 3, ...) of the picture that fits, centred; when even the
  // picture's own size does not fit, the aspect-kept fit.
  static PictureGeometry FitWhole(int pictureWidth, int pictureHeight, int targetWidth,
                                  int targetHeight);

  // The picture's place in the target.
  int x() const { return x_; }
  int y() const { return y_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int pictureWidth() const { return pictureWidth_; }
  int pictureHeight() const { return pictureHeight_; }

  // True when every picture pixel becomes an exact k x k block (k >= 1): such a scale is
  // drawn with nearest-neighbour sampling, any other smoothly.
  bool wholeMultiple() const;

  // Whether a target point falls on the picture (not in the letterbox).
  bool contains(double targetX, double targetY) const;
  // The picture pixel under a target point, clamped into the picture.
  PicturePoint toPicture(double targetX, double targetY) const;
  // The target pixels that show `area` of the picture (clipped to the picture), rounded
  // outwards; `margin` picture pixels are added around it first, for smooth scaling, whose
  // filter reaches into neighbouring pixels.
  IntRect toTarget(const IntRect& area, int margin = 0) const;

 private:
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  int x_ = 0;
  int y_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace qw
