#include <QSignalSpy>

#include <gtest/gtest.h>

#include "device/DeviceDef.h"
#include "image/MemoryImage.h"

namespace tavrix {
namespace {

class MemoryImageTest : public ::testing::Test {
 protected:
  MemoryImageTest() : image(dev) {
    dev.Name = QStringLiteral("PIC16F84");
    dev.ProgMem = 1024;
    dev.EEProm = 64;
    dev.ProgBits = 14;
  }
  DeviceDef dev;
  MemoryImage image;
};

TEST_F(MemoryImageTest, BeforeAnyDeviceTheGridsHoldEmptyCells) {
  EXPECT_EQ(image.progCount(), 99 * 16);
  EXPECT_EQ(image.progText(0), QString());
  EXPECT_EQ(image.progValue(0), 0xFFFF);
  EXPECT_EQ(image.ProgEnd(), 0);
  EXPECT_EQ(image.EEPromEnd(), 0);
  EXPECT_EQ(image.GetPalConf(), 0);
}

TEST_F(MemoryImageTest, ResetsFillBlanksAndClearTheirOwnExtentOnly) {
  image.setProgEnd(9);
  image.setEEPromEnd(4);
  image.ResetProgramGrid();
  EXPECT_EQ(image.progCount(), 1024);
  EXPECT_EQ(image.progText(0), "3FFF");
  EXPECT_EQ(image.progText(1023), "3FFF");
  EXPECT_EQ(image.ProgEnd(), 0);
  EXPECT_EQ(image.EEPromEnd(), 4);
  image.setProgEnd(9);
  image.ResetEEPromGrid();
  EXPECT_EQ(image.eeCount(), 64);
  EXPECT_EQ(image.eeText(63), "FF");
  EXPECT_EQ(image.EEPromEnd(), 0);
  EXPECT_EQ(image.ProgEnd(), 9);

  dev.ProgBits = 12;
  dev.ProgMem = 20;
  image.ResetProgramGrid();
  EXPECT_EQ(image.progCount(), 20);
  EXPECT_EQ(image.progText(19), "0FFF");  // the final partial row is held
  dev.ProgBits = 16;
  image.ResetProgramGrid();
  EXPECT_EQ(image.progText(0), "FFFF");
  dev.ProgBits = 8;
  image.ResetProgramGrid();
  EXPECT_EQ(image.progText(0), "00FF");
}

TEST_F(MemoryImageTest, ResetSignalsComeInOrder) {
  QStringList order;
  QObject::connect(&image, &MemoryImage::progAboutToResize,
                   [&] { order << QStringLiteral("about:%1").arg(image.progCount()); });
  QObject::connect(&image, &MemoryImage::progResized,
                   [&] { order << QStringLiteral("done:%1").arg(image.progCount()); });
  image.ResetProgramGrid();
  EXPECT_EQ(order, (QStringList{"about:1584", "done:1024"}));
}

TEST_F(MemoryImageTest, ValueAndStoringRules) {
  image.ResetProgramGrid();
  image.ResetEEPromGrid();
  const std::pair<const char*, qint64> cases[] = {
      {"12G4", 0xFFFF}, {"", 0xFFFF},    {"xyz", 0xFFFF},          {"3fff", 0x3FFF},
      {"1", 1},         {" 12", 0xFFFF}, {"FFFFFFFF", 0xFFFFFFFF}, {"123456789", 0xFFFF}};
  for (const auto& [text, value] : cases) {
    image.setProgText(7, QString::fromLatin1(text));
    EXPECT_EQ(image.progText(7), QString::fromLatin1(text));
    EXPECT_EQ(image.progValue(7), value) << text;
    image.setEeText(7, QString::fromLatin1(text));
    EXPECT_EQ(image.eeValue(7), value) << text;
  }
  image.storeProgValue(0, 0x12);
  EXPECT_EQ(image.progText(0), "0012");
  image.storeProgValue(0, 0x3fab);
  EXPECT_EQ(image.progText(0), "3FAB");
  image.storeProgValue(0, 0x12345);
  EXPECT_EQ(image.progText(0), "12345");
  image.storeEeValue(0, 0xa);
  EXPECT_EQ(image.eeText(0), "0A");
  image.storeEeValue(0, 0x1ab);
  EXPECT_EQ(image.eeText(0), "1AB");
  // Writing from code does not move the extents.
  EXPECT_EQ(image.ProgEnd(), 0);
  EXPECT_EQ(image.EEPromEnd(), 0);
}

TEST_F(MemoryImageTest, OutOfRangeCellsAreIgnored) {
  image.ResetProgramGrid();
  QSignalSpy changed(&image, &MemoryImage::progCellsChanged);
  image.setProgText(-1, QStringLiteral("1"));
  image.setProgText(1024, QStringLiteral("1"));
  image.setEeText(64, QStringLiteral("1"));
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(image.progText(1024), QString());
  EXPECT_EQ(image.progValue(-5), 0xFFFF);
}

TEST_F(MemoryImageTest, EditsRaiseExtentsAndNeverLowerThem) {
  image.ResetProgramGrid();
  image.ResetEEPromGrid();
  QSignalSpy extents(&image, &MemoryImage::extentsChanged);
  image.setProgEnd(5);
  image.noteProgEdit(0x12);  // column 3, row 2
  EXPECT_EQ(image.ProgEnd(), 19);
  image.noteProgEdit(0);
  EXPECT_EQ(image.ProgEnd(), 19);
  image.noteEeEdit(63);  // column 16, row 4
  EXPECT_EQ(image.EEPromEnd(), 64);
  image.noteEeEdit(3);
  EXPECT_EQ(image.EEPromEnd(), 64);
  EXPECT_EQ(extents.count(), 3);
}

TEST_F(MemoryImageTest, IdentifierReadsAsHexOrZero) {
  image.ShowIdent(0xFFFF);
  EXPECT_EQ(image.identText(), "FFFF");
  image.ShowIdent(0x12);
  EXPECT_EQ(image.identText(), "0012");
  image.setIdentText(QStringLiteral("1g"));
  EXPECT_EQ(image.ReadIdent(), 0);
  EXPECT_EQ(image.identText(), "0000");
  image.setIdentText(QString());
  EXPECT_EQ(image.ReadIdent(), 0);
  image.setIdentText(QStringLiteral("abc"));
  EXPECT_EQ(image.ReadIdent(), 0xABC);
  EXPECT_EQ(image.identText(), "0ABC");
}

TEST_F(MemoryImageTest, ConfigurationWord) {
  QSignalSpy changed(&image, &MemoryImage::palConfChanged);
  image.SetPalConf(0x3FF1);
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);
  image.SetPalConf(0x3FFF + (1 << 16));
  EXPECT_EQ(image.GetPalConf(), 0x3FFF);
  image.SetPalConf(-1);
  EXPECT_EQ(image.GetPalConf(), 0);
  image.SetPalConf(-0x4000 - 3);
  EXPECT_EQ(image.GetPalConf(), 0);
  image.SetPalConf(0x3FF1);
  image.setOscillator(2);
  EXPECT_EQ(image.GetPalConf(), 0x3FF2);
  image.setOscillator(3);
  EXPECT_EQ(image.GetPalConf(), 0x3FF3);
  image.setOscillator(0);
  EXPECT_EQ(image.GetPalConf(), 0x3FF0);
  image.setPalConfBit(13, false);
  EXPECT_EQ(image.GetPalConf(), 0x1FF0);
  image.setPalConfBit(14, true);  // not a bit of the word
  image.setPalConfBit(-1, true);
  EXPECT_EQ(image.GetPalConf(), 0x1FF0);
  EXPECT_EQ(changed.count(), 9);
}

}  // namespace
}  // namespace tavrix
