#include <gtest/gtest.h>

#include "host/qt/file_filter.h"
#include "host/qt/picture_geometry.h"

namespace qw {
namespace {

struct FitCase {
  int targetWidth, targetHeight;
  int x, y, width, height;
  bool whole;
};

TEST(PictureGeometry, FitsWithAspectKeptAndCentred) {
  const FitCase cases[] = {
      {640, 480, 0, 0, 640, 480, true},     // exact
      {1280, 960, 0, 0, 1280, 960, true},   // 2x, e.g. a high-DPI screen
      {800, 480, 80, 0, 640, 480, true},    // bars left and right
      {640, 600, 0, 60, 640, 480, true},    // bars above and below
      {1300, 960, 10, 0, 1280, 960, true},  // height decides: still 2x
      {960, 720, 0, 0, 960, 720, false},    // 1.5x
      {1920, 1080, 240, 0, 1440, 1080, false}, {3840, 2160, 480, 0, 2880, 2160, false},
      {1921, 1440, 0, 0, 1920, 1440, true},  // 3x, one spare column
      {320, 240, 0, 0, 320, 240, false},     // shrunk
      {641, 481, 0, 0, 641, 481, false},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.targetWidth) + "x" + std::to_string(c.targetHeight));
    const PictureGeometry g = PictureGeometry::Fit(640, 480, c.targetWidth, c.targetHeight);
    EXPECT_EQ(g.x(), c.x);
    EXPECT_EQ(g.y(), c.y);
    EXPECT_EQ(g.width(), c.width);
    EXPECT_EQ(g.height(), c.height);
    EXPECT_EQ(g.wholeMultiple(), c.whole);
  }
}

TEST(PictureGeometry, EmptyTargetsGiveNoPlaceAndMapToTheOrigin) {
  for (const auto& [w, h] : {std::pair{0, 0}, std::pair{0, 480}, std::pair{-5, 10}}) {
    const PictureGeometry g = PictureGeometry::Fit(640, 480, w, h);
    EXPECT_EQ(g.width(), 0);
    EXPECT_FALSE(g.wholeMultiple());
    EXPECT_FALSE(g.contains(0, 0));
    EXPECT_EQ(g.toPicture(10, 10).x, 0);
    EXPECT_TRUE(g.toTarget({0, 0, 640, 480}).empty());
  }
}

TEST(PictureGeometry, MapsTargetPointsBackAndClamps) {
  const PictureGeometry doubled = PictureGeometry::Fit(640, 480, 1280, 960);
  const struct {
    double tx, ty;
    int px, py;
    bool inside;
  } cases[] = {
      {0, 0, 0, 0, true},          {1.9, 1.9, 0, 0, true},          {2, 2, 1, 1, true},
      {201.5, 101, 100, 50, true}, {1279.9, 959.9, 639, 479, true}, {1280, 960, 639, 479, false},
      {-3, -7, 0, 0, false},       {5000, 20, 639, 10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.tx) + "," + std::to_string(c.ty));
    const PicturePoint p = doubled.toPicture(c.tx, c.ty);
    EXPECT_EQ(p.x, c.px);
    EXPECT_EQ(p.y, c.py);
    EXPECT_EQ(doubled.contains(c.tx, c.ty), c.inside);
  }
  const PictureGeometry boxed = PictureGeometry::Fit(640, 480, 800, 480);
  EXPECT_FALSE(boxed.contains(79.9, 100));
  EXPECT_TRUE(boxed.contains(80, 100));
  EXPECT_EQ(boxed.toPicture(40, 100).x, 0);
  EXPECT_EQ(boxed.toPicture(80, 100).x, 0);
  EXPECT_EQ(boxed.toPicture(719.5, 100).x, 639);
  EXPECT_EQ(boxed.toPicture(760, 100).x, 639);
}

TEST(PictureGeometry, EveryPixelOfAnUnevenScaleMapsBackToItself) {
  // At 1.5x and 2.25x the target cells of neighbouring pixels differ in size; the centre of
  // each pixel's cell must still map back to that pixel.
  for (const auto& [w, h] : {std::pair{960, 720}, std::pair{1920, 1080}, std::pair{1000, 750}}) {
    const PictureGeometry g = PictureGeometry::Fit(640, 480, w, h);
    for (int px = 0; px < 640; ++px) {
      const IntRect cell = g.toTarget({px, 7, px + 1, 8});
      ASSERT_FALSE(cell.empty());
      const PicturePoint back = g.toPicture((cell.left + cell.right) / 2.0, cell.top);
      ASSERT_EQ(back.x, px) << w << "x" << h;
    }
  }
}

TEST(PictureGeometry, AreasMapToCoveringTargetRects) {
  const PictureGeometry doubled = PictureGeometry::Fit(640, 480, 1280, 960);
  const IntRect a = doubled.toTarget({10, 20, 30, 40});
  EXPECT_EQ(a.left, 20);
  EXPECT_EQ(a.top, 40);
  EXPECT_EQ(a.right, 60);
  EXPECT_EQ(a.bottom, 80);

  const PictureGeometry uneven = PictureGeometry::Fit(640, 480, 960, 720);
  const IntRect b = uneven.toTarget({1, 1, 2, 2});  // target 1.5 .. 3
  EXPECT_EQ(b.left, 1);
  EXPECT_EQ(b.right, 3);
  const IntRect m = uneven.toTarget({1, 1, 2, 2}, 1);  // 0 .. 4.5 -> 0 .. 5
  EXPECT_EQ(m.left, 0);
  EXPECT_EQ(m.right, 5);

  const PictureGeometry boxed = PictureGeometry::Fit(640, 480, 800, 480);
  const IntRect c = boxed.toTarget({600, 470, 900, 900});  // clipped to the picture
  EXPECT_EQ(c.left, 680);
  EXPECT_EQ(c.right, 720);
  EXPECT_EQ(c.bottom, 480);
  EXPECT_TRUE(boxed.toTarget({700, 0, 800, 10}).empty());
}

TEST(QtFileFilter, ConvertsTheWindowsForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"Pictures|*.bmp;*.png", "Pictures (*.bmp *.png)"},
      {"Pictures|*.bmp; *.png|All|*.*", "Pictures (*.bmp *.png);;All (*)"},
      {"テキスト|*.txt|", "テキスト (*.txt)"},
      {"Everything", "Everything (*)"},
      {"|*.dat", "*.dat (*.dat)"},
      {"Saves|;;*.qsd;", "Saves (*.qsd)"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(QtFileFilter(in), out) << in;
}

}  // namespace
}  // namespace qw
