#include "script/menu_block.h"

#include <gtest/gtest.h>

#include "input_rig.h"
#include "platform/cp932.h"

namespace qw {
namespace {

// A run that jumps over the block, so that the block's lines are loaded and untouched.
constexpr const char* kScript =
    "_$flg[1]=1\n"
    "_goto :end\n"
    "_selmenu\n"
    "はい,,_$flg[2]=5\n"
    "\"い,え\", $flg[1]==0, _$flg[3]=1\n"
    "三, $flg[1] == 1 ,\n"
    "  _endsel  \n"
    ":end\n";

TEST(MenuBlockTest, ItemsConditionsAndTheChosenCommand) {
  test::InputRig rig;
  rig.run(kScript, "");
  TFmain& e = *rig.engine;
  e.prog().Pc = 2;
  std::vector<MenuBlockItem> items = ReadMenuBlock(e, false);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(Cp932ToUtf8(items[0].text), "はい");
  EXPECT_EQ(items[0].command, "_$flg[2]=5");
  EXPECT_EQ(Cp932ToUtf8(items[1].text), "三");
  EXPECT_EQ(items[1].command, "");
  EXPECT_EQ(e.prog().Pc, 6);  // resting on _endsel

  FinishMenuBlock(e, items, 0);
  EXPECT_EQ(e.flags().text(2), "5");
  EXPECT_EQ(e.prog().Selection, 0);
  EXPECT_EQ(e.prog().Status, 1);

  e.prog().Status = 0;
  FinishMenuBlock(e, items, 1);  // an item without a command runs nothing
  EXPECT_EQ(e.prog().Selection, 1);
  EXPECT_EQ(e.prog().Status, 0);

  FinishMenuBlock(e, {}, -1);
  EXPECT_EQ(e.prog().Selection, -1);
}

TEST(MenuBlockTest, GalleryKeepsFalseItemsAsZero) {
  test::InputRig rig;
  rig.run(kScript, "");
  TFmain& e = *rig.engine;
  e.prog().Pc = 2;
  std::vector<MenuBlockItem> items = ReadMenuBlock(e, true);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].text, "0");
  EXPECT_EQ(items[1].command, "_$flg[3]=1");
}

TEST(MenuBlockTest, MissingEndAndTooManyItems) {
  test::InputRig rig;
  std::string script = "_goto :end\n:end\n_selmenu\n";
  for (int i = 0; i < 40; ++i)
    script += "item" + std::to_string(i) + "\n";
  rig.run(script, "");
  TFmain& e = *rig.engine;
  e.prog().Pc = 2;
  std::vector<MenuBlockItem> items = ReadMenuBlock(e, false);
  EXPECT_EQ(items.size(), kMaxMenuItems);
  EXPECT_EQ(items.back().text, "item31");
  EXPECT_EQ(e.prog().Pc, 43);  // ran to the end of the script
}

}  // namespace
}  // namespace qw
