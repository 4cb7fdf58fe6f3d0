#include <gtest/gtest.h>

#include "device/IniFile.h"

using tavrix::IniFile;

TEST(IniFileTest, IntegerForms) {
  EXPECT_EQ(IniFile::parseInteger("1024"), 1024);
  EXPECT_EQ(IniFile::parseInteger("$400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("0x400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("0X400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("-5"), -5);
  EXPECT_EQ(IniFile::parseInteger("2K"), std::nullopt);
}
