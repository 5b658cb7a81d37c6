#include "state/config.h"

#include <gtest/gtest.h>

namespace qw {
namespace {

TEST(ConfigFileTest, KeysSectionsAndNumbers) {
  ConfigFile c;
  c.parse("[Display]\r\nIcon=icon.bmp\nicon=second.bmp\nDarknessRate = 40\nRate=48\n"
          "Empty=\nno equals sign\nTextHideMode=x7\nName=a=b\n");
  EXPECT_EQ(c.value("ICON"), "icon.bmp");  // the first line with the key wins
  EXPECT_EQ(c.value("Missing"), "");
  EXPECT_FALSE(c.has("Missing"));
  EXPECT_TRUE(c.has("empty"));
  EXPECT_EQ(c.value("Name"), "a=b");
  EXPECT_EQ(c.integer("rate", 32), 48);
  EXPECT_EQ(c.integer("Empty", 32), 32);
  EXPECT_EQ(c.integer("TextHideMode", 0), 0);
  // The key is everything before "=", blanks included.
  EXPECT_FALSE(c.has("DarknessRate"));
  EXPECT_EQ(c.value("DarknessRate "), " 40");
}

}  // namespace
}  // namespace qw
