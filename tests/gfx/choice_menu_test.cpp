// The choice menus: sizes and hit areas, the first-move rule, cursor-key walks, gallery rules,
// the pixels of frame, highlight and buttons, and bad arguments.
#include "gfx/choice_menu.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/picture.h"
#include "platform/errors.h"
#include "recording_reporter.h"

namespace qw {
namespace {

using Kind = MenuEffect::Kind;

GlyphRenderer& Glyphs() {
  static GlyphRenderer glyphs;
  return glyphs;
}

Surface Background() {
  Surface s(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      s.at(x, y) = 0xA00000u | static_cast<std::uint32_t>((x & 0xFF) << 8) |
                   static_cast<std::uint32_t>(y & 0xFF);
  return s;
}

int Count(const Surface& s, int left, int top, int right, int bottom, std::uint32_t pixel) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      n += s.at(x, y) == pixel;
  return n;
}

// Every pixel that differs between `before` and `after` lies in an area the menu presented.
void ExpectPresented(const Surface& before, const Surface& after,
                     const std::vector<MenuEffect>& effects) {
  int missed = 0;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) {
      if (before.at(x, y) == after.at(x, y)) continue;
      bool covered = false;
      for (const MenuEffect& e : effects)
        covered = covered || (e.kind == MenuEffect::Kind::Present && e.area.left <= x &&
                              x < e.area.right && e.area.top <= y && y < e.area.bottom);
      missed += !covered;
    }
  EXPECT_EQ(missed, 0);
}

bool Has(const std::vector<MenuEffect>& effects, Kind kind) {
  for (const MenuEffect& e : effects)
    if (e.kind == kind) return true;
  return false;
}

ChoiceMenu TextMenu(std::vector<std::string> items, int x = 100, int y = 50, int size = 28,
                    int edgeMode = 0) {
  TextMenuArgs args;
  args.x = x;
  args.y = y;
  args.fontSize = size;
  args.highlightColor = 0x00FF00;  // pixel 0x00FF00
  args.normalColor = 0x808080;
  TextMenuLook look{"IPAGothic", 0x00FFFF, 0x0000FF, edgeMode};  // yellow frame, red shadow
  return ChoiceMenu::Text(args, look, std::move(items), Glyphs());
}

constexpr std::uint32_t kFramePixel = 0xFFFF00;
constexpr std::uint32_t kShadowPixel = 0xFF0000;
constexpr std::uint32_t kNormalPixel = 0x808080;
constexpr std::uint32_t kHighlightPixel = 0x00FF00;

// A sheet of 40 x 20 cells; cell (c, r) is filled with CellPixel(c, r) inside a 2-pixel
// transparent border.
constexpr int kCellW = 40, kCellH = 20;
std::uint32_t CellPixel(int c, int r) {
  return 0x0A0000u * static_cast<std::uint32_t>(r + 1) +
         0x003200u * static_cast<std::uint32_t>(c + 1) + 0x11u;
}
struct Sheet {
  Surface image, mask;
  int columns = 0, rows = 0;
  Sheet(int c, int r)
      : image(c * kCellW, r * kCellH), mask(c * kCellW, r * kCellH), columns(c), rows(r) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const int cx = x % kCellW, cy = y % kCellH;
        const bool border = cx < 2 || cy < 2 || cx >= kCellW - 2 || cy >= kCellH - 2;
        image.at(x, y) = border ? 0u : CellPixel(x / kCellW, y / kCellH);
        mask.at(x, y) = border ? 0xFFFFFFu : 0u;
      }
  }
  ButtonSheet view() const { return {&image, &mask, kCellW, kCellH, columns, rows, true}; }
};

TEST(ChoiceMenuColors, ScriptColoursAndConversionErrors) {
  const struct {
    const char* text;
    std::uint32_t color;
  } kCases[] = {
      {"#FF0000", 0x0000FF},
      {"#00FF00", 0x00FF00},
      {"#0000ff", 0xFF0000},
      {"#12", 0x120000},
      {"#", 0},
      {"FFFFFFF", 0xFFFFFF},
      {"#1234567", 0x563412},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(MenuColorToColor(c.text), c.color);
  }
  for (const char* bad : {"#GG0000", "#-12345", "#12 456"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(MenuColorToColor(bad), FrameworkError);
  }
  try {
    MenuColorToColor("#GG0000");
  } catch (const FrameworkError& e) {
    EXPECT_STREQ(e.what(), "'0x0GG0000' is not a valid integer value");
  }
}

TEST(ChoiceMenuGeometry, TextMenuSizes) {
  const std::int64_t kHuge = INT_MAX;
  const struct {
    std::vector<std::string> items;
    int size;
    std::int64_t width, height, pitch;
  } kCases[] = {
      {{"a", "abcde"}, 28, 86, 68, 32},  // 14 + 14 * 5 + 2 and 2 * 32 + 4
      {{"a", "abcde"}, 3, 14, 20, 8},    // sizes below 4 count as 4
      {{"a", "abcde"}, -100, 14, 20, 8},
      {{""}, 28, 16, 36, 32},
      {{"x"}, 4, 8, 12, 8},                    // never narrower than 8
      {{"\x82\xA0\x82\xA2"}, 28, 72, 36, 32},  // two full-width characters are four bytes
      {{"abcde"}, INT_MAX, kHuge / 2 * 6 + 2, kHuge + 8, kHuge + 4},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.size);
    ChoiceMenu m = TextMenu(c.items, 100, 50, c.size);
    EXPECT_EQ(m.status(), MenuStatus::Ready);
    EXPECT_EQ(m.geometry().width, c.width);
    EXPECT_EQ(m.geometry().height, c.height);
    EXPECT_EQ(m.geometry().pitch, c.pitch);
  }
}

TEST(ChoiceMenuGeometry, ItemCounts) {
  ChoiceMenu none = TextMenu({});
  EXPECT_EQ(none.status(), MenuStatus::NoItems);
  EXPECT_EQ(none.resultWithoutMenu(), -1);
  EXPECT_FALSE(none.failureBox());

  ChoiceMenu many = TextMenu(std::vector<std::string>(33, "abc"));
  EXPECT_EQ(many.itemCount(), 32);
  EXPECT_EQ(many.geometry().height, 32 * 32 + 4);

  Sheet sheet(2, 4);
  Surface vram(640, 480);
  ChoiceMenu noButtons = ChoiceMenu::Buttons(0, 0, {}, ButtonSheet{}, vram, {});
  EXPECT_EQ(noButtons.status(), MenuStatus::NoItems);  // no items wins over a bad sheet
  EXPECT_EQ(noButtons.resultWithoutMenu(), -1);
  ChoiceMenu manyButtons =
      ChoiceMenu::Buttons(0, 0, std::vector<std::int32_t>(33, 1), sheet.view(), vram, {});
  EXPECT_EQ(manyButtons.itemCount(), 32);
  EXPECT_EQ(manyButtons.geometry().height, 32 * kCellH);

  // Nothing is drawn for a menu that is not shown.
  Surface shown = Background(), temp2;
  none.open(shown, temp2, {0, 0});
  EXPECT_TRUE(none.takeEffects().empty());
  EXPECT_FALSE(none.onAdvance());
}

TEST(ChoiceMenuGeometry, HitTests) {
  ChoiceMenu text = TextMenu({"a", "abcde"}, 100, 50);
  Sheet sheet(2, 6);
  Surface vram(640, 480);
  ChoiceMenu buttons = ChoiceMenu::Buttons(200, 100, {1, 2, 3}, sheet.view(), vram, {});
  ChoiceMenu gallery = ChoiceMenu::Gallery(200, 100, 2, {1, 2, 3, 4, 5}, sheet.view(), vram, {});
  EXPECT_EQ(gallery.geometry().width, 80);
  EXPECT_EQ(gallery.geometry().height, 60);  // 5 items in 2 columns: 3 rows
  const struct {
    const ChoiceMenu* menu;
    int x, y, item;  // -1: none
  } kCases[] = {
      {&text, 101, 54, 0},      {&text, 100, 54, -1},     {&text, 185, 54, 0},
      {&text, 186, 54, -1},     {&text, 101, 53, -1},     {&text, 101, 84, 0},
      {&text, 101, 85, 1},      {&text, 101, 114, 1},     {&text, 101, 115, -1},
      {&buttons, 201, 101, 0},  {&buttons, 200, 101, -1}, {&buttons, 239, 119, 0},
      {&buttons, 239, 120, 1},  {&buttons, 239, 159, 2},  {&buttons, 239, 160, -1},
      {&buttons, 240, 110, -1}, {&gallery, 201, 101, 0},  {&gallery, 241, 101, 1},
      {&gallery, 201, 121, 2},  {&gallery, 201, 141, 4},  {&gallery, 241, 141, -1},
      {&gallery, 280, 101, -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    const std::optional<int> item = c.menu->itemAt(c.x, c.y);
    EXPECT_EQ(item.value_or(-1), c.item);
  }
  for (int columns : {0, -3}) {
    ChoiceMenu one = ChoiceMenu::Gallery(0, 0, columns, {1, 2, 3, 4, 5}, sheet.view(), vram, {});
    EXPECT_EQ(one.geometry().columns, 1);
    EXPECT_EQ(one.geometry().height, 6 * kCellH);
  }
}

TEST(ChoiceMenuInteraction, ClickBeforeFirstMoveDoesNothing) {
  Surface shown = Background(), temp2;
  ChoiceMenu m = TextMenu({"a", "abcde"}, 100, 50);
  m.open(shown, temp2, {110, 90});  // resting on item 1
  EXPECT_FALSE(m.onAdvance());
  m.onPointerMove(110, 90);  // no move after all
  EXPECT_FALSE(m.onAdvance());
  m.onPointerMove(5, 5);  // off the menu
  EXPECT_FALSE(m.onAdvance());
  m.onPointerMove(110, 91);
  EXPECT_EQ(m.onAdvance(), 1);
  EXPECT_TRUE(m.finished());
  m.onPointerMove(110, 60);
  EXPECT_FALSE(m.onAdvance());
  EXPECT_EQ(m.current(), 1);
}

TEST(ChoiceMenuInteraction, CursorKeysWalkTheRows) {
  // Text: 3 items, W = 86, keys move within (102, 52, 86, 96) by 32.
  // Buttons: 3 items of 40 x 20 at (200, 100), by 20. Gallery: 5 items, 2 columns.
  Sheet sheet(2, 6);
  Surface vram(640, 480);
  const std::optional<MenuPoint> kNone;
  const struct {
    const char* name;
    ChoiceMenu menu;
    std::vector<std::pair<const char*, std::optional<MenuPoint>>> steps;
  } kCases[] = {
      {"text",
       TextMenu({"a", "abcde", "ab"}, 100, 50),
       {{"Down", MenuPoint{145, 68}},
        {"Down", MenuPoint{145, 100}},
        {"Down", MenuPoint{145, 132}},
        {"Down", kNone},
        {"Left", kNone},
        {"Up", MenuPoint{145, 100}}}},
      {"buttons",
       ChoiceMenu::Buttons(200, 100, {1, 2, 3}, sheet.view(), vram, {}),
       {{"Up", MenuPoint{220, 110}},
        {"Up", kNone},
        {"Down", MenuPoint{220, 130}},
        {"Right", kNone}}},
      {"gallery",
       ChoiceMenu::Gallery(200, 100, 2, {1, 2, 3, 4, 5}, sheet.view(), vram, {}),
       {{"Right", MenuPoint{240, 110}},
        {"Right", kNone},
        {"Down", MenuPoint{240, 130}},
        {"Down", MenuPoint{240, 150}},  // the empty cell is still in the area
        {"Down", kNone},
        {"Left", MenuPoint{200, 150}},
        {"Left", kNone}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ChoiceMenu m = c.menu;
    Surface shown = Background(), temp2;
    m.open(shown, temp2, {5, 5});
    for (const auto& [key, expected] : c.steps) {
      SCOPED_TRACE(key);
      const std::optional<MenuPoint> warp = m.onKey(key);
      ASSERT_EQ(warp.has_value(), expected.has_value());
      if (warp) {
        EXPECT_EQ(*warp, *expected);
        m.onPointerMove(warp->x, warp->y);  // the host reports the warped pointer
      }
    }
  }
}

TEST(ChoiceMenuInteraction, KeyEndsTheFirstMoveWaitAndChooses) {
  Surface shown = Background(), temp2;
  ChoiceMenu m = TextMenu({"a", "abcde"}, 100, 50);
  m.open(shown, temp2, {0, 0});
  EXPECT_EQ(m.onKey("Space"), std::nullopt);
  EXPECT_FALSE(m.onAdvance());
  const std::optional<MenuPoint> warp = m.onKey("Down");
  ASSERT_TRUE(warp);
  EXPECT_FALSE(m.onAdvance());  // the pointer has not arrived yet
  m.onPointerMove(warp->x, warp->y);
  EXPECT_TRUE(Has(m.takeEffects(), Kind::HandPointer));
  EXPECT_EQ(m.onAdvance(), 0);
}

TEST(ChoiceMenuGallery, LockedItemsAndEmptyCells) {
  Sheet sheet(2, 6);
  Surface vram(640, 480, 0x0000AA), shown = Background(), temp2;
  const Surface original = shown;
  // Item 1 is a locked picture (its condition was false, so its text became "0").
  ChoiceMenu m = ChoiceMenu::Gallery(200, 100, 2, {3, 0, 2, 4, 5}, sheet.view(), vram, {});
  m.open(shown, temp2, {0, 0});
  EXPECT_EQ(shown.at(250, 110), CellPixel(0, 0));  // drawn with button row 0
  m.takeEffects();

  m.onPointerMove(250, 110);
  EXPECT_EQ(shown.at(250, 110), CellPixel(1, 0));  // highlighted all the same
  std::vector<MenuEffect> fx = m.takeEffects();
  EXPECT_TRUE(Has(fx, Kind::NormalPointer));
  EXPECT_FALSE(Has(fx, Kind::HandPointer));
  EXPECT_FALSE(m.onAdvance());
  EXPECT_FALSE(m.finished());

  m.onPointerMove(210, 130);  // item 2
  EXPECT_EQ(shown.at(250, 110), CellPixel(0, 0));
  EXPECT_EQ(shown.at(210, 130), CellPixel(1, 2));
  EXPECT_TRUE(Has(m.takeEffects(), Kind::HandPointer));

  m.onPointerMove(250, 150);  // the empty sixth cell
  EXPECT_EQ(shown.at(210, 130), CellPixel(0, 2));
  EXPECT_EQ(shown.at(250, 150), original.at(250, 150));
  EXPECT_TRUE(Has(m.takeEffects(), Kind::NormalPointer));
  EXPECT_FALSE(m.onAdvance());

  m.onPointerMove(210, 150);  // item 4
  EXPECT_EQ(m.onAdvance(), 4);
  m.close();
  EXPECT_EQ(Count(shown, 0, 0, 640, 480, 0x0000AA), 0);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      ASSERT_EQ(shown.at(x, y), original.at(x, y)) << x << "," << y;
}

TEST(ChoiceMenuPixels, TextFrameShadowAndHighlight) {
  for (int edgeMode : {0, 1}) {
    SCOPED_TRACE(edgeMode);
    Surface shown = Background(), temp2;
    const Surface original = shown;
    ChoiceMenu m = TextMenu({"\x81\xA1\x81\xA1", "\x81\xA1"}, 100, 50, 28, edgeMode);  // ■■, ■
    m.open(shown, temp2, {0, 0});
    const int x = 100, y = 50, w = 72, h = 68;
    ASSERT_EQ(m.geometry().width, w);
    EXPECT_EQ(temp2.width(), w);
    EXPECT_EQ(temp2.height(), h);
    // The frame, and its shadow one pixel lower right, stay inside the W x H area.
    EXPECT_EQ(shown.at(x, y), kFramePixel);
    EXPECT_EQ(shown.at(x + w - 2, y + h - 2), kFramePixel);
    EXPECT_EQ(shown.at(x + w - 1, y + h - 1), kShadowPixel);
    EXPECT_EQ(shown.at(x + w - 1, y + 1), kShadowPixel);
    EXPECT_EQ(shown.at(x + w - 1, y), original.at(x + w - 1, y));
    EXPECT_EQ(shown.at(x, y + h - 1), original.at(x, y + h - 1));
    EXPECT_EQ(shown.at(x + w, y + 10), original.at(x + w, y + 10));
    EXPECT_EQ(shown.at(x + 10, y + h), original.at(x + 10, y + h));

    // Rows of item 0 and item 1 (pitch 32, text at y + 3).
    auto row = [&](int item, std::uint32_t pixel) {
      return Count(shown, x + 2, y + 3 + item * 32, x + w - 2, y + 3 + item * 32 + 31, pixel);
    };
    const int ink0 = row(0, kNormalPixel), ink1 = row(1, kNormalPixel);
    EXPECT_GT(ink0, 100);
    EXPECT_GT(ink1, 50);
    EXPECT_EQ(row(0, kHighlightPixel), 0);
    EXPECT_GT(row(0, edgeMode == 1 ? kShadowPixel : 0u), 20);  // outline or black drop shadow
    EXPECT_EQ(row(0, edgeMode == 1 ? 0u : kShadowPixel), 0);

    ExpectPresented(original, shown, m.takeEffects());
    const Surface drawn = shown;
    m.onPointerMove(x + 10, y + 10);
    EXPECT_EQ(row(0, kHighlightPixel), ink0);
    EXPECT_EQ(row(0, kNormalPixel), 0);
    EXPECT_EQ(row(1, kNormalPixel), ink1);
    const std::vector<MenuEffect> fx = m.takeEffects();
    EXPECT_TRUE(Has(fx, Kind::HandPointer));
    ExpectPresented(drawn, shown, fx);

    m.onPointerMove(x + 10, y + 40);
    EXPECT_EQ(row(0, kNormalPixel), ink0);
    EXPECT_EQ(row(1, kHighlightPixel), ink1);
    m.onPointerMove(400, 400);
    EXPECT_EQ(row(1, kNormalPixel), ink1);
    EXPECT_TRUE(Has(m.takeEffects(), Kind::NormalPointer));

    const Surface before = shown;
    m.close();
    const std::vector<MenuEffect> end = m.takeEffects();
    ASSERT_EQ(end.size(), 3u);
    ExpectPresented(before, shown, end);
    EXPECT_EQ(end[0].kind, Kind::Present);
    EXPECT_EQ(end[1].kind, Kind::ClickSound);
    EXPECT_EQ(end[2].kind, Kind::NormalPointer);
    EXPECT_EQ(Count(shown, 0, 0, 640, 480, kFramePixel),
              Count(original, 0, 0, 640, 480, kFramePixel));
    for (int py = y - 4; py < y + h + 4; ++py)
      for (int px = x - 4; px < x + w + 4; ++px)
        ASSERT_EQ(shown.at(px, py), original.at(px, py)) << px << "," << py;
  }
}

TEST(ChoiceMenuPixels, ButtonsFollowTheSpriteRules) {
  Sheet sheet(2, 6);
  Surface vram(640, 480, 0x0000AA), shown = Background(), temp2;
  const Surface original = shown;
  MenuSpriteSlots slots{};
  slots[1] = {0x10000, 0, 1, 3, false, 0};   // a cell from before the menu
  slots[2] = {0x10000, 0, 0, 1, false, -1};  // and an endless animation
  // Button 7 and -2 lie outside the 6-row sheet: their slots keep their cells.
  ChoiceMenu m = ChoiceMenu::Buttons(200, 100, {2, 7, -2}, sheet.view(), vram, slots);
  m.open(shown, temp2, {0, 0});
  EXPECT_EQ(shown.at(210, 110), CellPixel(0, 2));
  EXPECT_EQ(shown.at(210, 130), CellPixel(1, 3));
  EXPECT_EQ(shown.at(210, 150), CellPixel(1, 1));        // the animation advanced a column
  EXPECT_EQ(shown.at(200, 100), original.at(200, 100));  // the transparent border

  m.takeEffects();
  const Surface placed = shown;
  m.onPointerMove(210, 110);
  ExpectPresented(placed, shown, m.takeEffects());
  EXPECT_EQ(shown.at(210, 110), CellPixel(1, 2));
  // Putting a button that is on screen first erases it from VRAM.
  EXPECT_EQ(shown.at(200, 100), 0x0000AAu);
  EXPECT_EQ(shown.at(200, 120), original.at(200, 120));

  m.onPointerMove(210, 130);
  EXPECT_EQ(shown.at(210, 110), CellPixel(0, 2));
  EXPECT_EQ(shown.at(210, 130), CellPixel(1, 3));
  EXPECT_EQ(m.onAdvance(), 1);
  m.close();
  for (int y = 90; y < 180; ++y)
    for (int x = 190; x < 250; ++x)
      ASSERT_EQ(shown.at(x, y), original.at(x, y)) << x << "," << y;

  const MenuSpriteSlots& after = m.sprites();
  const struct {
    std::int32_t x, y, column, row;
  } kSlots[] = {{200 | 0x10000, 100, 0, 2}, {200 | 0x10000, 120, 1, 3}, {200 | 0x10000, 140, 1, 1}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(after[i].visible);
    EXPECT_EQ(after[i].x, kSlots[i].x);
    EXPECT_EQ(after[i].y, kSlots[i].y);
    EXPECT_EQ(after[i].column, kSlots[i].column);
    EXPECT_EQ(after[i].row, kSlots[i].row);
  }
  EXPECT_EQ(after[2].animationCount, -1);
}

TEST(ChoiceMenuBadInput, UnusableSheets) {
  Surface picture(80, 120), vram(640, 480);
  auto sheetOf = [&](int w, int h) {
    // As the sprite sheet records it: no cells for a size of 0 or less.
    return ButtonSheet{
        &picture, nullptr, w, h, w > 0 ? picture.width() / w : 0, h > 0 ? picture.height() / h : 0,
        false};
  };
  const std::pair<int, int> kSizes[] = {{0, 20},  {40, 0},   {-40, 20},         {40, -20},
                                        {81, 20}, {40, 121}, {INT_MAX, INT_MAX}};
  for (auto [w, h] : kSizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    for (ChoiceMenu m : {ChoiceMenu::Buttons(0, 0, {1}, sheetOf(w, h), vram, {}),
                         ChoiceMenu::Gallery(0, 0, 3, {1, 2}, sheetOf(w, h), vram, {})}) {
      EXPECT_EQ(m.status(), MenuStatus::PictureUnusable);
      EXPECT_EQ(m.resultWithoutMenu(), 0);
      const std::optional<MessageBoxSpec> box = m.failureBox();
      ASSERT_TRUE(box);
      EXPECT_EQ(box->text, "画像の読み込み失敗もしくはサイズ指定が異常です");
      EXPECT_EQ(box->caption, "");
      EXPECT_EQ(box->icon, MessageIcon::Exclamation);
      EXPECT_FALSE(m.itemAt(1, 1));
    }
  }
}

TEST(ChoiceMenuBadInput, MissingPictures) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qw_choice_menu";
  std::filesystem::create_directories(dir);
  testing::RecordingReporter reporter;
  Surface picture(80, 120), vram(640, 480);
  // A MAG file that is missing is reported by the loader and leaves 8 x 8 pixels, which hold
  // no 40 x 20 cell.
  EXPECT_EQ(LoadPicture(picture, "nothere.mag", dir.string(), reporter), PictureLoad::Failed);
  ASSERT_EQ(reporter.boxes.size(), 1u);
  EXPECT_EQ(reporter.boxes[0].rfind("ＭＡＧ画像が読めません:", 0), 0u);
  ButtonSheet sheet{&picture, nullptr, 40, 20, picture.width() / 40, picture.height() / 20, false};
  ChoiceMenu m = ChoiceMenu::Gallery(0, 0, 2, {1, 2}, sheet, vram, {});
  EXPECT_EQ(m.status(), MenuStatus::PictureUnusable);
  ASSERT_TRUE(m.failureBox());
  // A missing BMP is the platform's exception, which the engine's handler reports.
  EXPECT_THROW(LoadPicture(picture, "nothere.bmp", dir.string(), reporter), FrameworkError);
}

TEST(ChoiceMenuBadInput, FarAwayAndHugeMenusStayBounded) {
  Sheet sheet(2, 6);
  Surface vram(640, 480);
  const struct {
    const char* name;
    ChoiceMenu menu;
  } kCases[] = {
      {"huge font", TextMenu({"abc", "\x8A\xBF\x8E\x9A"}, 600, 400, INT_MAX)},
      {"far left", TextMenu({"abcdefgh"}, INT_MIN, INT_MIN, INT_MAX)},
      {"far right", TextMenu({"abc"}, INT_MAX, INT_MAX)},
      {"gallery of many columns",
       ChoiceMenu::Gallery(INT_MAX - 10, 10, INT_MAX, {1, 2, 3}, sheet.view(), vram, {})},
      {"buttons far up", ChoiceMenu::Buttons(10, INT_MIN, {1, 2}, sheet.view(), vram, {})},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ChoiceMenu m = c.menu;
    Surface shown = Background(), temp2(8, 8);
    const Surface original = shown;
    m.open(shown, temp2, {0, 0});
    EXPECT_LE(temp2.width(), 640);
    EXPECT_LE(temp2.height(), 480);
    for (const char* key : {"Down", "Down", "Right", "Up"}) {
      if (std::optional<MenuPoint> warp = m.onKey(key)) m.onPointerMove(warp->x, warp->y);
    }
    m.onPointerMove(639, 479);
    m.onAdvance();
    m.close();
    for (const MenuEffect& e : m.takeEffects()) {
      if (e.kind != Kind::Present) continue;
      EXPECT_GE(e.area.left, 0);
      EXPECT_LE(e.area.right, 640);
      EXPECT_GE(e.area.top, 0);
      EXPECT_LE(e.area.bottom, 480);
    }
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        ASSERT_EQ(shown.at(x, y), original.at(x, y)) << x << "," << y;
  }
}

}  // namespace
}  // namespace qw
