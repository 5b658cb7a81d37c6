// The models of the tool windows and their image button: what each list holds, what each
// button does, and the pixels the button paints.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gfx/glyphs.h"
#include "platform/cp932.h"
#include "state/flags.h"
#include "tools/debug_window.h"
#include "tools/font_window.h"
#include "tools/image_button.h"
#include "tools/slot_picker.h"
#include "tools/version_window.h"

namespace qw {
namespace {

const ToolControl& Control(const std::vector<ToolControl>& controls, const std::string& name) {
  for (const ToolControl& c : controls) {
    if (c.name == name) return c;
  }
  throw std::out_of_range("no control " + name);
}

// The box around every pixel of `s` that is not `background`; empty when there is none.
IntRect InkBox(const Surface& s, std::uint32_t background, IntRect within) {
  IntRect box{within.right, within.bottom, within.left, within.top};
  for (int y = within.top; y < within.bottom; ++y) {
    for (int x = within.left; x < within.right; ++x) {
      if (s.at(x, y) == background) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return box;
}

bool HasPixel(const Surface& s, std::uint32_t pixel) {
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.at(x, y) == pixel) return true;
  return false;
}

// ---- TTkBtn ----

TEST(ImageButtonTest, APlainButtonIsARaisedPanelThatLowersWhileHeld) {
  TTkBtn button;
  button.width = 20;
  button.height = 10;
  button.color = 0x336699;
  struct Case {
    const char* name;
    bool pressed;
    std::uint32_t topLeft, bottomRight;
  };
  for (const Case& c : {Case{"raised", false, TTkBtn::kHighlight, TTkBtn::kShadow},
                        Case{"held down", true, TTkBtn::kShadow, TTkBtn::kHighlight}}) {
    SCOPED_TRACE(c.name);
    Surface face;
    if (c.pressed) {
      button.PaintPressed(face, nullptr);
    } else {
      button.Paint(face, nullptr);
    }
    ASSERT_EQ(face.width(), 20);
    ASSERT_EQ(face.height(), 10);
    EXPECT_EQ(face.at(0, 0), c.topLeft);
    EXPECT_EQ(face.at(10, 0), c.topLeft);
    EXPECT_EQ(face.at(0, 5), c.topLeft);
    EXPECT_EQ(face.at(19, 5), c.bottomRight);
    EXPECT_EQ(face.at(10, 9), c.bottomRight);
    EXPECT_EQ(face.at(19, 0), c.bottomRight);  // the top-right corner belongs to the dark edge
    EXPECT_EQ(face.at(10, 5), 0x336699u);
  }
}

TEST(ImageButtonTest, ThePictureIsStretchedUnderTheBevelsAndTheFrame) {
  Surface picture(2, 2);
  picture.at(0, 0) = 0x110000;
  picture.at(1, 0) = 0x220000;
  picture.at(0, 1) = 0x330000;
  picture.at(1, 1) = 0x440000;
  TTkBtn button;
  button.width = 40;
  button.height = 20;
  button.color = 0x00FF00;
  button.bevelOuter = TTkBtn::Bevel::Raised;
  button.borderWidth = 2;
  button.bevelInner = TTkBtn::Bevel::Lowered;
  button.SetPicture(picture);
  Surface face;
  button.Paint(face, nullptr);
  EXPECT_EQ(face.at(0, 0), TTkBtn::kHighlight);  // outer bevel, raised
  EXPECT_EQ(face.at(1, 5), 0x00FF00u);           // frame, two pixels
  EXPECT_EQ(face.at(2, 5), 0x00FF00u);
  EXPECT_EQ(face.at(3, 5), TTkBtn::kShadow);  // inner bevel, lowered
  EXPECT_EQ(face.at(10, 5), 0x110000u);       // the picture, each quarter of it a quarter
  EXPECT_EQ(face.at(30, 5), 0x220000u);
  EXPECT_EQ(face.at(10, 15), 0x330000u);
  EXPECT_EQ(face.at(30, 15), 0x440000u);
  // A copy is kept: changing the source later changes nothing.
  picture.fill(0);
  button.Paint(face, nullptr);
  EXPECT_EQ(face.at(10, 5), 0x110000u);
}

TEST(ImageButtonTest, PressesReachOnlyAnEnabledButtonReleasedOverIt) {
  struct Case {
    const char* name;
    bool enabled;
    bool inside;
    bool clicks;
  };
  for (const Case& c :
       {Case{"released over it", true, true, true}, Case{"released elsewhere", true, false, false},
        Case{"disabled", false, true, false}}) {
    SCOPED_TRACE(c.name);
    TTkBtn button;
    button.enabled = c.enabled;
    button.MouseDown();
    EXPECT_EQ(button.pressed(), c.enabled);
    EXPECT_EQ(button.MouseUp(c.inside), c.clicks);
    EXPECT_FALSE(button.pressed());
  }
  TTkBtn button;
  EXPECT_FALSE(button.MouseUp(true));  // a release with no press is no click
}

TEST(ImageButtonTest, TheCaptionSitsByItsAlignmentAndIsGreyWhenDisabled) {
  GlyphRenderer glyphs;
  TTkBtn button;
  button.width = 120;
  button.height = 32;
  button.caption = "WWW";
  button.fontHeight = 16;
  const IntRect inside{2, 2, 118, 30};
  Surface face;
  button.Paint(face, &glyphs);
  const IntRect centred = InkBox(face, TTkBtn::kButtonFace, inside);
  ASSERT_FALSE(centred.empty());
  EXPECT_LE(std::abs((centred.left + centred.right) - 120), 4);
  // The cell of the caption is the font height, centred on the button.
  EXPECT_GE(centred.top, (32 - 16) / 2);
  EXPECT_LE(centred.bottom, (32 - 16) / 2 + 16);
  EXPECT_TRUE(HasPixel(face, 0x000000));

  button.alignment = TTkBtn::Alignment::Left;
  button.Paint(face, &glyphs);
  EXPECT_LE(InkBox(face, TTkBtn::kButtonFace, inside).left, 1 + TTkBtn::kCaptionMargin + 2);
  button.alignment = TTkBtn::Alignment::Right;
  button.Paint(face, &glyphs);
  EXPECT_GE(InkBox(face, TTkBtn::kButtonFace, inside).right, 119 - TTkBtn::kCaptionMargin - 2);

  button.enabled = false;
  button.Paint(face, &glyphs);
  const IntRect grey = InkBox(face, TTkBtn::kButtonFace, inside);
  bool black = false;
  for (int y = grey.top; y < grey.bottom; ++y)
    for (int x = grey.left; x < grey.right; ++x)
      black = black || face.at(x, y) == 0x000000;
  EXPECT_FALSE(black);
  EXPECT_TRUE(HasPixel(face, TTkBtn::kShadow));
}

// ---- TFdebug ----

struct DebugRig {
  FlagStore flags;
  RunStatus status;
  Surface buffers[DebugWindow::kBufferCount];
  int quits = 0;
  DebugWindow window{
      DebugWindow::Services{&flags, [this] { return status; },
                            [this](int i) {
                              return BufferInfo{&buffers[i], "file" + std::to_string(i) + ".bmp"};
                            },
                            [this] { ++quits; }}};
};

TEST(DebugWindowTest, StatusLinesComeInTheirOrder) {
  RunStatus s;
  s.logTotalPage = 3;
  s.logCurrentPage = 2;
  s.logCurrentLine = 1;
  s.saveLogStartPage = 14;
  s.saveLogTotalPage = 2;
  s.progFileName = "autorun.txt";
  s.progChapter = Utf8ToCp932("第一章");
  s.progExecLine = 7;
  s.progNextLine = -1;
  s.progRetStack = 0;
  s.progIfResult = 1;
  s.progSelResult = 2;
  s.progMultiStateFlag = 2;
  s.runningLine = Utf8ToCp932(" \t_bgload \"あ.bmp\"");
  s.currentDirUtf8 = "/data/シナリオ";
  const std::vector<std::string> full = {
      "LogTotalPage:3",         "LogCurrentPage:2",
      "LogCurrentLine:1",       "SaveLogStartPage:14",
      "SaveLogTotalPage:2",     "ProgFileName:autorun.txt",
      "ProgChapter:第一章",     "ProgExecLine:7",
      "ProgNextLine:-1",        "ProgRetStack:0",
      "Prog[_if]Result:1",      "Prog[_sel]Result:2",
      "ProgMultiStateFlag:2",   "ProgRunningScript:",
      "\"_bgload \"あ.bmp\"\"", "カレントDIR:\"/data/シナリオ\""};
  EXPECT_EQ(StatusLines(s, true), full);
  EXPECT_EQ(StatusLines(s, false), std::vector<std::string>(full.end() - 3, full.end()));
  s.runningLine.reset();
  EXPECT_EQ(StatusLines(s, false)[1], "**実行が終了しているか、スクリプトが走っていません**");
  // A running line of megabytes is cut, not copied whole.
  s.runningLine = std::string(10'000'000, 'x');
  EXPECT_LE(StatusLines(s, false)[1].size(), DebugWindow::kMaxLineBytes);
}

TEST(DebugWindowTest, ValuesFollowTheStoreAndSetWritesTheSelectedCell) {
  DebugRig rig;
  DebugWindow& w = rig.window;
  rig.flags.set(7, "12");
  EXPECT_FALSE(w.hasValues());
  w.FlagWritten(7);  // an empty list stays empty
  w.ForceUpdate();
  EXPECT_FALSE(w.hasValues());
  w.Set();  // no line selected: nothing
  EXPECT_EQ(rig.flags.text(0), "");

  w.FillValues();
  ASSERT_EQ(w.values().size(), 512u);
  EXPECT_EQ(w.values()[0], "000 = ");
  EXPECT_EQ(w.values()[7], "007 = 12");
  EXPECT_EQ(w.values()[511], "511 = ");
  rig.flags.set(300, "x");
  EXPECT_EQ(w.values()[300], "300 = ");  // not until told
  w.FlagWritten(300);
  EXPECT_EQ(w.values()[300], "300 = x");
  rig.flags.set(301, "y");
  w.ForceUpdate();
  EXPECT_EQ(w.values()[301], "301 = y");

  w.Select(7);
  EXPECT_EQ(w.selected(), 7);
  EXPECT_EQ(w.editText(), "12");
  EXPECT_EQ(Control(w.controls(), "Label6").text, "7");
  EXPECT_EQ(Control(w.controls(), "ValEdit1").text, "12");
  w.act("ValEdit1", 0, "あいう");
  w.act("Button3", 0, {});
  EXPECT_EQ(rig.flags.text(7), Utf8ToCp932("あいう"));
  EXPECT_EQ(Control(w.controls(), "ValList").lines[7], "007 = あいう");
  w.Select(512);  // out of range: the selection stays
  EXPECT_EQ(w.selected(), 7);

  // A text of megabytes is stored up to a cell's bound; its line is cut.
  w.SetEditText(std::string(10'000'000, 'z'));
  w.Set();
  EXPECT_EQ(rig.flags.text(7).size(), FlagStore::kMaxCellBytes);
  EXPECT_LE(w.values()[7].size(), DebugWindow::kMaxLineBytes);
}

TEST(DebugWindowTest, TheErrorListIsBoundedInLinesAndLength) {
  DebugRig rig;
  for (std::size_t i = 0; i < DebugWindow::kMaxErrors + 50; ++i)
    rig.window.AddError("File:a.txt Line:" + std::to_string(i + 1) + "/x");
  ASSERT_EQ(rig.window.errors().size(), DebugWindow::kMaxErrors);
  EXPECT_EQ(rig.window.errors().front(), "File:a.txt Line:1/x");
  DebugRig longer;
  // A multi-byte character across the limit is dropped whole.
  longer.window.AddError(std::string(DebugWindow::kMaxLineBytes - 1, 'a') + "あ");
  EXPECT_EQ(longer.window.errors()[0], std::string(DebugWindow::kMaxLineBytes - 1, 'a'));
}

TEST(DebugWindowTest, TabsShowTheirControlsAndTheSecondComesFirst) {
  DebugRig rig;
  DebugWindow& w = rig.window;
  rig.status.runningLine.reset();
  w.Open();
  EXPECT_TRUE(w.shown());
  EXPECT_EQ(w.statusLines().size(), 3u);
  const std::vector<ToolControl> controls = w.controls();
  const ToolControl& pages = Control(controls, "PageControl1");
  EXPECT_EQ(pages.lines, (std::vector<std::string>{"エラーリスト", "変数リスト", "実行時ステータス",
                                                   "画像バッファ"}));
  EXPECT_EQ(pages.value, 1);
  struct Case {
    int tab;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {0, {"PageControl1", "ErrList", "Button1", "Button4"}},
      {1,
       {"PageControl1", "Label5", "Label6", "Label7", "ValList", "ValEdit1", "Button3", "Button5",
        "Button1", "Button4"}},
      {2, {"PageControl1", "Button2", "ListBox1", "Button1", "Button4"}},
      {3,
       {"PageControl1", "ComboBox1", "Label4", "Label1", "Label2", "Label3", "Image1", "Button1",
        "Button4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tab);
    w.act("PageControl1", c.tab, {});
    std::vector<std::string> shown;
    for (const ToolControl& control : w.controls())
      if (control.visible) shown.push_back(control.name);
    EXPECT_EQ(shown, c.shown);
  }
  w.act("PageControl1", 9, {});  // no such tab
  EXPECT_EQ(w.tab(), 3);
  const std::vector<ToolControl> last = w.controls();
  EXPECT_EQ(Control(last, "Button1").text, "閉じる");
  EXPECT_EQ(Control(last, "Button4").text, "プログラム終了");
  EXPECT_EQ(Control(last, "Button3").text, "SET");
  EXPECT_EQ(Control(last, "Button5").text, "強制更新");
  EXPECT_EQ(Control(last, "Button2").text, "更新");
  EXPECT_EQ(Control(last, "Label7").text, "←ここは自動的に更新されます");

  w.act("Button2", 0, {});
  EXPECT_EQ(w.statusLines().size(), 16u);
  EXPECT_EQ(w.statusLines()[0], "LogTotalPage:0");
  w.act("Button1", 0, {});
  EXPECT_TRUE(w.closed());
  EXPECT_EQ(w.statusLines().size(), 16u);  // hiding keeps the lists
  w.Open();
  EXPECT_EQ(w.tab(), 3);  // the tab last shown
  EXPECT_EQ(rig.quits, 0);
  w.act("Button4", 0, {});
  EXPECT_EQ(rig.quits, 1);
}

TEST(DebugWindowTest, ChoosingABufferShowsASnapshotWithItsSizeAndFile) {
  DebugRig rig;
  DebugWindow& w = rig.window;
  const std::vector<ToolControl> before = w.controls();
  EXPECT_EQ(Control(before, "Label1").text, "FileName");
  EXPECT_EQ(Control(before, "Label2").text, "SizeX");
  EXPECT_EQ(Control(before, "Label3").text, "SizeY");
  EXPECT_EQ(Control(before, "ComboBox1").lines.size(), 17u);
  EXPECT_EQ(Control(before, "ComboBox1").lines[4], "背景Ｍ(未使用)");
  EXPECT_EQ(Control(before, "ComboBox1").lines[16], "スプライトＭ");

  rig.buffers[4].reset(8, 8, 0xFFFFFF);
  w.act("ComboBox1", 4, {});
  std::vector<ToolControl> after = w.controls();
  EXPECT_EQ(Control(after, "ComboBox1").text, "背景Ｍ(未使用)");
  EXPECT_EQ(Control(after, "Label1").text, "File:file4.bmp");
  EXPECT_EQ(Control(after, "Label2").text, "SizeX:8");
  EXPECT_EQ(Control(after, "Label3").text, "SizeY:8");
  ASSERT_NE(Control(after, "Image1").picture, nullptr);
  EXPECT_EQ(w.image().width(), 8);  // a small buffer is not enlarged

  // A snapshot: the buffer changes, the picture does not until chosen again.
  rig.buffers[4].fill(0x123456);
  EXPECT_EQ(w.image().at(0, 0), 0xFFFFFFu);
  w.act("ComboBox1", 4, {});
  EXPECT_EQ(w.image().at(0, 0), 0x123456u);

  // A large buffer is scaled into the picture area, its shape kept.
  rig.buffers[0].reset(4000, 1000, 0x00FF00);
  w.ChooseBuffer(0);
  EXPECT_EQ(w.image().width(), DebugWindow::kImageWidth);
  EXPECT_EQ(w.image().height(), DebugWindow::kImageWidth / 4);
  EXPECT_EQ(w.sizeXLabel(), "SizeX:4000");
  w.ChooseBuffer(17);  // no such buffer: the choice stays
  EXPECT_EQ(w.chosenBuffer(), 0);
}

// ---- TFfont ----

TEST(FontWindowTest, TheListLeavesOutVerticalAndUnstorableNames) {
  FontWindow w;
  w.SetFontList({"@IPAGothic", "IPAGothic", "IPAゴシック", "한글", "DejaVu Sans", ""});
  EXPECT_EQ(w.fontList(), (std::vector<std::string>{"IPAGothic", "IPAゴシック", "DejaVu Sans"}));

  const std::vector<std::string> installed = InstalledFontFamilies();
  EXPECT_FALSE(installed.empty());
  EXPECT_TRUE(std::adjacent_find(installed.begin(), installed.end()) == installed.end());
  EXPECT_TRUE(std::find(installed.begin(), installed.end(), "IPAGothic") != installed.end());
}

TEST(FontWindowTest, RowsSelectTheSlotFontsAndOkOrCancelDecides) {
  GlyphRenderer glyphs;
  FontWindow w;
  w.SetFontList({"DejaVu Sans", "IPAGothic", "IPAゴシック"});
  w.SetGlyphs(&glyphs);
  const std::array<std::string, 4> slots = {"ipagothic", Utf8ToCp932("IPAゴシック"), "Missing",
                                            "DejaVu Sans"};
  const std::array<std::string, 4> comments = {Utf8ToCp932("Abc本文"), "b", "c", "ruby"};
  w.Open(slots, comments);
  EXPECT_EQ(w.selection(0), 1);  // letter case aside
  EXPECT_EQ(w.selection(1), 2);
  EXPECT_EQ(w.selection(2), -1);  // not installed: no selection
  EXPECT_EQ(w.selection(3), 0);
  std::vector<ToolControl> controls = w.controls();
  EXPECT_EQ(Control(controls, "ComboBox1").text, "IPAGothic");
  EXPECT_EQ(Control(controls, "ComboBox3").text, "");
  EXPECT_EQ(Control(controls, "ComboBox3").lines.size(), 3u);
  EXPECT_EQ(Control(controls, "Panel7").text, "Abc本文");
  EXPECT_EQ(Control(controls, "Panel11").text, "欧文フォントを指定すると日本語が表示できません");
  ASSERT_NE(Control(controls, "Panel7").picture, nullptr);
  const Surface before = *Control(controls, "Panel7").picture;
  EXPECT_TRUE(HasPixel(before, 0x000000));

  // A change shows at once in the row's preview.
  w.act("ComboBox1", 0, {});
  controls = w.controls();
  const Surface& after = *Control(controls, "Panel7").picture;
  bool differs = false;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      differs = differs || after.at(x, y) != before.at(x, y);
  EXPECT_TRUE(differs);

  EXPECT_FALSE(w.ChooseByName(1, "Not Installed"));
  EXPECT_EQ(w.selection(1), 2);
  w.act("Button2", 0, {});  // キャンセル: the rows go back
  EXPECT_TRUE(w.closed());
  EXPECT_FALSE(w.accepted());
  EXPECT_EQ(w.selection(0), 1);

  w.Open(slots, comments);
  w.act("font", 3, "ipaゴシック");
  w.act("ComboBox3", 7, {});  // no such font: unchanged
  w.act("Button1", 0, {});
  EXPECT_TRUE(w.accepted());
  // A row whose font is not in the list keeps it.
  EXPECT_EQ(w.choices(), (std::array<std::string, 4>{"IPAGothic", Utf8ToCp932("IPAゴシック"),
                                                     "Missing", Utf8ToCp932("IPAゴシック")}));
}

// ---- TFver ----

TEST(VersionWindowTest, TextsNameTheVersionTheIdentifierAndTheFolder) {
  struct Case {
    const char* name;
    VersionWindow::Info info;
    std::string programId, place;
  };
  const Case cases[] = {
      {"nothing configured", {"", "", "/data/s"}, "ProgramID=設定無し", "CurrentDir=/data/s"},
      {"installed",
       {Utf8ToCp932("物語"), "/opt/s", "/data/s"},
       "ProgramID=物語",
       "InstallPath=/opt/s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VersionWindow w;
    w.SetPicture(Surface(), nullptr);
    w.Open(c.info);
    const std::vector<ToolControl> controls = w.controls();
    EXPECT_EQ(Control(controls, "Label1").text, "インタプリタ");
    EXPECT_EQ(Control(controls, "Label2").text, "Ver 1.43");
    EXPECT_EQ(Control(controls, "StaticText1").text, c.programId);
    EXPECT_EQ(Control(controls, "StaticText2").text, c.place);
    EXPECT_EQ(Control(controls, "Button1").text, "閉じる");
    w.act("Button1", 0, {});
    EXPECT_TRUE(w.closed());
  }
}

TEST(VersionWindowTest, WithoutAPictureItSaysSoAndALargeOneIsScaledDown) {
  GlyphRenderer glyphs;
  const Surface fallback = VersionFallbackPicture(&glyphs);
  ASSERT_EQ(fallback.width(), 512);
  ASSERT_EQ(fallback.height(), 128);
  const IntRect ink = InkBox(fallback, 0xFFFFFF, {0, 0, 512, 128});
  ASSERT_FALSE(ink.empty());
  EXPECT_GE(ink.left, 32);
  EXPECT_LE(ink.left, 36);
  EXPECT_GE(ink.top, 32);
  EXPECT_LT(ink.bottom, 32 + 20);
  EXPECT_TRUE(HasPixel(fallback, 0x000000));

  VersionWindow w;
  w.SetPicture(Surface(2000, 500, 0x0000FF), &glyphs);
  EXPECT_EQ(w.picture().width(), VersionWindow::kMaxPictureWidth);
  EXPECT_EQ(w.picture().height(), 160);
  EXPECT_EQ(w.width(), VersionWindow::kMaxPictureWidth + 16);
  w.SetPicture(Surface(100, 50, 0x0000FF), &glyphs);
  EXPECT_EQ(w.picture().width(), 100);
  EXPECT_EQ(Control(w.controls(), "VerImage").bounds.width(), 100);
}

// ---- TFfile's look ----

TEST(SlotPickerLookTest, ButtonsAreImageButtonsInTheWindowsColour) {
  GlyphRenderer glyphs;
  SlotPicker picker;
  std::array<SlotEntry, kSaveSlotCount> entries;
  entries[1].used = true;
  entries[1].title = "t";
  picker.Show(SlotPicker::Mode::Load, entries);
  EXPECT_EQ(Control(picker.controls(), "TkBtn6").picture, nullptr);  // nothing to draw with
  picker.setGlyphs(&glyphs);
  const std::vector<ToolControl> controls = picker.controls();
  EXPECT_EQ(picker.color(), 0xD0D0A0u);
  const ToolControl& slider = Control(controls, "TrackBar1");
  EXPECT_EQ(slider.kind, ToolControl::Kind::Slider);
  EXPECT_EQ(slider.color, 0xD0D0A0u);
  EXPECT_TRUE(slider.focused);
  const ToolControl& empty = Control(controls, "TkBtn6");
  const ToolControl& used = Control(controls, "TkBtn7");
  ASSERT_NE(empty.picture, nullptr);
  ASSERT_NE(used.pressedPicture, nullptr);
  EXPECT_FALSE(empty.enabled);
  EXPECT_EQ(used.picture->width(), used.bounds.width());
  EXPECT_EQ(used.picture->at(20, 4), 0xD0D0A0u);
  EXPECT_EQ(used.picture->at(0, 0), TTkBtn::kHighlight);
  EXPECT_EQ(used.pressedPicture->at(0, 0), TTkBtn::kShadow);
  // An empty slot is greyed: no black ink, unlike a used one.
  EXPECT_FALSE(HasPixel(*empty.picture, 0x000000));
  EXPECT_TRUE(HasPixel(*used.picture, 0x000000));
  ASSERT_NE(Control(controls, "TkBtn3").picture, nullptr);
  EXPECT_EQ(Control(controls, "TkBtn3").text, "データ読み込み");

  picker.Cancel();
  picker.Show(SlotPicker::Mode::Save, entries);
  EXPECT_EQ(picker.color(), 0xA0D0D0u);
  EXPECT_EQ(Control(picker.controls(), "TkBtn6").picture->at(20, 4), 0xA0D0D0u);
}

}  // namespace
}  // namespace qw
