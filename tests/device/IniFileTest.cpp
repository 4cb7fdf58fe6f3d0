#include <gtest/gtest.h>

#include "device/IniFile.h"
#include "support/TempFiles.h"

using tavrix::IniFile;

namespace {

TEST(IniFileIntegers, AcceptsDecimalDollarAndZeroXForms) {
  EXPECT_EQ(IniFile::parseInteger("1024"), 1024);
  EXPECT_EQ(IniFile::parseInteger("$400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("$ff"), 255);
  EXPECT_EQ(IniFile::parseInteger("0x400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("0X400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("-5"), -5);
  EXPECT_EQ(IniFile::parseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(IniFile::parseInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(IniFile::parseInteger("$FFFFFFFF"), -1);
}

TEST(IniFileIntegers, RejectsEverythingElse) {
  for (const char* text : {"", "2K", "$", "0x", "-", "- 5", "1 024", "+5", "-$10", "12.5",
                           "2147483648", "-2147483649", "$100000000", "0x1G", "١٢"})
    EXPECT_EQ(IniFile::parseInteger(QString::fromUtf8(text)), std::nullopt) << text;
}

TEST(IniFileSyntax, TrimsCommentsSectionsAndKeys) {
  const IniFile ini = IniFile::parse(
      "ProgMem=1\n"  // before any section: ignored
      "  [ PIC16F84 ]  \r\n"
      "; ProgMem=4096\n"
      "\t ProgMem   =   2048 \t\r\n"
      "progmem=99\n"
      "NoEquals\n"
      "PalConf=A=B = C\n"
      "Empty=\n"
      "=orphan\n"
      "[config]\n"
      "lastfile=lower\n");
  EXPECT_EQ(ini.sectionNames(), QStringList({"PIC16F84", "config"}));
  EXPECT_EQ(ini.readInteger("PIC16F84", "ProgMem", 1024), 2048);
  EXPECT_EQ(ini.value("PIC16F84", "progmem"), QString("99"));
  EXPECT_EQ(ini.value("PIC16F84", "NoEquals"), std::nullopt);
  EXPECT_EQ(ini.readString("PIC16F84", "PalConf", "x"), "A=B = C");
  EXPECT_EQ(ini.readString("PIC16F84", "Empty", "default"), "");
  EXPECT_EQ(ini.readString("PIC16F84", "Absent", "default"), "default");
  EXPECT_EQ(ini.value("PIC16F84", ""), QString("orphan"));
  // Section names are exact: [config] is not Config.
  EXPECT_EQ(ini.value("Config", "lastfile"), std::nullopt);
}

TEST(IniFileSyntax, FirstSectionOfADuplicatedNameAnswersReads) {
  const IniFile ini = IniFile::parse("[PICA]\nProgMem=1\n[PICB]\n[PICA]\nProgMem=2\nRAM=7\n");
  EXPECT_EQ(ini.sectionNames(), QStringList({"PICA", "PICB", "PICA"}));
  EXPECT_EQ(ini.readInteger("PICA", "ProgMem", 0), 1);
  EXPECT_EQ(ini.readInteger("PICA", "RAM", 68), 68);
}

TEST(IniFileSyntax, UnreadableNumbersAndEmptyValuesGiveTheDefault) {
  const IniFile ini = IniFile::parse("[S]\nA=\nB=2K\nC=  $10 \n");
  EXPECT_EQ(ini.readInteger("S", "A", 64), 64);
  EXPECT_EQ(ini.readInteger("S", "B", 64), 64);
  EXPECT_EQ(ini.readInteger("S", "C", 64), 16);
  EXPECT_EQ(ini.readInteger("T", "C", 5), 5);
}

TEST(IniFileHostile, HugeLinesBinaryAndOddFilesReadSafely) {
  tavrix::test::TempFiles tmp;
  QByteArray huge = "[PICX]\nPalConf=" + QByteArray(1024 * 1024, 'A') + "\nRAM=3\n";
  const IniFile big = IniFile::load(tmp.write("big.ini", huge));
  EXPECT_EQ(big.readString("PICX", "PalConf", "").size(), 1024 * 1024);
  EXPECT_EQ(big.readInteger("PICX", "RAM", 0), 3);

  QByteArray binary;
  for (int i = 0; i < 4096; ++i) binary.append(char((i * 37) & 0xFF));
  binary += "\n[PICY]\nRAM=9\n";
  const IniFile bin = IniFile::load(tmp.write("bin.ini", binary));
  EXPECT_EQ(bin.readInteger("PICY", "RAM", 0), 9);

  EXPECT_TRUE(IniFile::load(tmp.path("missing.ini")).sectionNames().isEmpty());
  EXPECT_TRUE(IniFile::load(tmp.path("")).sectionNames().isEmpty());  // a folder
  EXPECT_TRUE(IniFile::load("/dev/zero").sectionNames().isEmpty());
  EXPECT_TRUE(IniFile::load(QString()).sectionNames().isEmpty());
}

}  // namespace
