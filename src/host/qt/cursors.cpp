#include "host/qt/cursors.h"

#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace qw {

namespace {

constexpr int kSize = 32;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

// Pixel art: '#' black, '.' white, anything else transparent.
// clang-format off
constexpr std::string_view kArrow[] = {
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.........#",
    "#......####",
    "#...#..#",
    "#..##..#",
    "#.#  #..#",
    "##   #..#",
    "#     #..#",
    "      #..#",
    "       ##",
};

constexpr std::string_view kHand[] = {
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..##",
    "    #..#..#..#.#",
    "### #........#.#",
    "#..##..........#",
    "#...#..........#",
    " #.............#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "   #.........#",
    "    #........#",
    "    #........#",
    "    ##########",
};

constexpr std::string_view kWait[] = {
    "###############",
    "#.............#",
    "###############",
    " #...........#",
    " #...........#",
    " #.#########.#",
    "  #.#######.#",
    "   #.#####.#",
    "    #.###.#",
    "     #.#.#",
    "      #.#",
    "     #.#.#",
    "    #..#..#",
    "   #...#...#",
    "  #....#....#",
    " #....###....#",
    " #...#####...#",
    " #.#########.#",
    "###############",
    "#.............#",
    "###############",
};
// clang-format on

template <std::size_t N>
QImage FromArt(const std::string_view (&rows)[N], int left, int top) {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (std::size_t y = 0; y < N; ++y) {
    for (std::size_t x = 0; x < rows[y].size(); ++x) {
      const char c = rows[y][x];
      if (c == '#' || c == '.') {
        image.setPixel(left + static_cast<int>(x), top + static_cast<int>(y),
                       c == '#' ? kBlack : kWhite);
      }
    }
  }
  return image;
}

// The pen: a pencil lying on the diagonal, its black tip at the lower left.
constexpr int kPenTipX = 2;
constexpr int kPenTipY = 29;

bool InPen(int x, int y) {
  const double dx = x - kPenTipX;
  const double dy = y - kPenTipY;
  const double along = (dx - dy) / std::sqrt(2.0);
  const double across = (dx + dy) / std::sqrt(2.0);
  constexpr double kTip = 8.0, kLength = 34.0, kHalfWidth = 3.6;
  if (along < 0 || along > kLength) return false;
  const double half = along < kTip ? kHalfWidth * along / kTip : kHalfWidth;
  return std::abs(across) <= half + 0.5;
}

QImage PenImage() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (!InPen(x, y)) continue;
      const bool edge =
          !InPen(x - 1, y) || !InPen(x + 1, y) || !InPen(x, y - 1) || !InPen(x, y + 1);
      const double along = ((x - kPenTipX) - (y - kPenTipY)) / std::sqrt(2.0);
      image.setPixel(x, y, edge || along < 3.0 ? kBlack : kWhite);
    }
  }
  return image;
}

}  // namespace

QImage CursorImage(CursorShape shape) {
  switch (shape) {
    case CursorShape::Pen:
      return PenImage();
    case CursorShape::Hand:
      return FromArt(kHand, 0, 0);
    case CursorShape::Wait:
      return FromArt(kWait, 8, 5);
    case CursorShape::Arrow:
      return FromArt(kArrow, 0, 0);
    case CursorShape::Blank: {
      QImage blank(kSize, kSize, QImage::Format_ARGB32);
      blank.fill(Qt::transparent);
      return blank;
    }
    case CursorShape::Default:
      break;
  }
  return {};
}

QCursor CursorFor(CursorShape shape) {
  const QImage image = CursorImage(shape);
  if (image.isNull()) return QCursor(Qt::ArrowCursor);
  int hotX = kSize / 2, hotY = kSize / 2;
  switch (shape) {
    case CursorShape::Pen:
      hotX = kPenTipX;
      hotY = kPenTipY;
      break;
    case CursorShape::Hand:
      hotX = 5;
      hotY = 0;
      break;
    case CursorShape::Arrow:
      hotX = 0;
      hotY = 0;
      break;
    default:
      break;
  }
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace qw
