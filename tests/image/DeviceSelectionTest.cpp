#include <QSignalSpy>

#include <algorithm>
#include <array>

#include <gtest/gtest.h>

#include "image/DeviceSelection.h"
#include "image/GridTableModel.h"
#include "image/MemoryImage.h"
#include "support/TempFiles.h"

namespace tavrix {
namespace {

const char kIni[] =
    "[Config]\n"
    "lastfile=\n"
    "[PIC16F84]\n"
    "ProgMem=1024\nEEProm=64\nRAM=68\nPalConfDef=$3FF1\nProgramming=Flash\n"
    "PalConf=- - - - - - CP CP CP CP _PWRTE WDTE FOSC1 FOSC0\n"
    "[PIC16F628]\n"
    "ProgMem=2048\nEEProm=128\nRAM=224\nPalConfDef=0x3FFE\nProgramming=Flash\n"
    "[PIC16C84ODD]\n"
    "ProgMem=20\nEEProm=$10\nProgBits=12\n"
    "[PIC16F73]\n"
    "ProgMem=4096\nEEProm=0\nRAM=192\nPalConfDef=$3FFF\nProgramming=Flash1\nDeviceID=$0600\n"
    "[PIC16C622]\n"
    "ProgMem=2048\nEEProm=-1\nRAM=128\nProgramming=OTP\nConfigStart=$4000\nEEPromStart=$4200\n"
    "[PIC16BIG]\n"
    "ProgMem=32768\nEEProm=32768\nProgBits=16\n"
    "[PICHUGE]\nProgMem=2000000000\n"
    "[PICNEG]\nProgMem=-16\n"
    "[PICHUGEEE]\nEEProm=2000000000\n"
    "[PICWIDE]\nProgBits=17\n"
    "[PICNARROW]\nProgBits=-1\n"
    "[PICEMPTY]\nProgMem=0\nProgBits=0\nPalConfDef=-1\n";

class DeviceSelectionTest : public ::testing::Test {
 protected:
  DeviceSelectionTest() : image(ctx.CurrentDevice) {
    ctx.ConfigPath = files.write(QStringLiteral("Tavrix.ini"), kIni);
  }
  QString select(const char* name) {
    return SelectDeviceCore(ctx, image, QString::fromLatin1(name));
  }
  void expectProgram(int words, const QString& blank) {
    EXPECT_EQ(image.progCount(), words);
    for (int a = 0; a < words; ++a) ASSERT_EQ(image.progText(a), blank) << a;
    EXPECT_EQ(image.ProgEnd(), 0);
  }
  void expectEeprom(int bytes) {
    EXPECT_EQ(image.eeCount(), bytes);
    for (int e = 0; e < bytes; ++e) ASSERT_EQ(image.eeText(e), "FF") << e;
    EXPECT_EQ(image.EEPromEnd(), 0);
  }

  test::TempFiles files;
  DeviceContext ctx;
  MemoryImage image;
};

TEST_F(DeviceSelectionTest, SelectsAFlashDeviceWithEeprom) {
  GridTableModel prog(image, GridTableModel::Program);
  GridTableModel ee(image, GridTableModel::EEProm);
  image.setProgEnd(7);
  image.ShowIdent(0x1234);
  EXPECT_EQ(select("PIC16F84"), QString());
  const DeviceDef& d = ctx.CurrentDevice;
  EXPECT_EQ(d.Name, "PIC16F84");
  EXPECT_EQ(d.ProgMem, 1024);
  EXPECT_EQ(d.EEProm, 64);
  EXPECT_EQ(d.ProgBits, 14);
  EXPECT_EQ(d.RAM, 68);
  EXPECT_EQ(d.ConfigStart, 0x2000);
  EXPECT_EQ(d.EEPromStart, 0x2100);
  EXPECT_EQ(d.Programming, "Flash");
  EXPECT_EQ(d.PalConf, "- - - - - - CP CP CP CP _PWRTE WDTE FOSC1 FOSC0");
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);
  expectProgram(1024, QStringLiteral("3FFF"));
  expectEeprom(64);
  EXPECT_EQ(prog.rowCount(), 64);
  EXPECT_EQ(prog.headerData(63, Qt::Vertical).toString(), "03F0");
  EXPECT_EQ(ee.rowCount(), 4);
  EXPECT_EQ(ee.headerData(3, Qt::Vertical).toString(), "0030");
  EXPECT_EQ(image.identText(), "1234");  // the identifier is not the device's
}

TEST_F(DeviceSelectionTest, DefaultsTwelveBitWordsAndAPartialRow) {
  EXPECT_EQ(select("PIC16C84ODD"), QString());
  expectProgram(20, QStringLiteral("0FFF"));
  expectEeprom(16);
  GridTableModel prog(image, GridTableModel::Program);
  EXPECT_EQ(prog.rowCount(), 1);
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);
  EXPECT_EQ(ctx.CurrentDevice.PalConf, "- - - - - - - - - - - - - -");
  EXPECT_EQ(ctx.CurrentDevice.Programming, "Flash");
  EXPECT_EQ(ctx.CurrentDevice.DeviceID, kNoDeviceId);
  // A section the file does not have reads as every default.
  EXPECT_EQ(select("PIC99X"), QString());
  expectProgram(1024, QStringLiteral("3FFF"));
  expectEeprom(64);
}

TEST_F(DeviceSelectionTest, DeviceWithoutEepromKeepsThePreviousEeprom) {
  ASSERT_EQ(select("PIC16F628"), QString());
  image.setEeText(100, QStringLiteral("5a"));
  image.noteEeEdit(100);
  image.setProgText(3, QStringLiteral("2805"));
  image.noteProgEdit(3);
  QSignalSpy eeResized(&image, &MemoryImage::eeResized);

  ASSERT_EQ(select("PIC16F73"), QString());
  EXPECT_EQ(ctx.CurrentDevice.EEProm, 0);
  EXPECT_EQ(ctx.CurrentDevice.Programming, "Flash1");
  EXPECT_EQ(ctx.CurrentDevice.DeviceID, 0x0600);
  EXPECT_EQ(image.GetPalConf(), 0x3FFF);
  expectProgram(4096, QStringLiteral("3FFF"));
  EXPECT_EQ(eeResized.count(), 0);
  EXPECT_EQ(image.eeCount(), 128);
  EXPECT_EQ(image.eeText(100), "5a");
  EXPECT_EQ(image.EEPromEnd(), 101);

  // A negative size is no EEPROM either; the OTP device's own windows are taken.
  ASSERT_EQ(select("PIC16C622"), QString());
  EXPECT_EQ(ctx.CurrentDevice.Programming, "OTP");
  EXPECT_EQ(ctx.CurrentDevice.ConfigStart, 0x4000);
  EXPECT_EQ(ctx.CurrentDevice.EEPromStart, 0x4200);
  EXPECT_EQ(image.eeText(100), "5a");
  EXPECT_EQ(image.EEPromEnd(), 101);
  expectProgram(2048, QStringLiteral("3FFF"));

  // Back to a device with EEPROM: reset to its size.
  ASSERT_EQ(select("PIC16F84"), QString());
  expectEeprom(64);
}

TEST_F(DeviceSelectionTest, ReselectingTheSameDeviceDiscardsTheImage) {
  ASSERT_EQ(select("PIC16F84"), QString());
  image.setProgText(0, QStringLiteral("1234"));
  image.noteProgEdit(0);
  image.setEeText(0, QStringLiteral("00"));
  image.noteEeEdit(0);
  image.setPalConfBit(13, false);
  ASSERT_EQ(select("PIC16F84"), QString());
  expectProgram(1024, QStringLiteral("3FFF"));
  expectEeprom(64);
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);
}

TEST_F(DeviceSelectionTest, LargestAddressableDeviceWorks) {
  ASSERT_EQ(select("PIC16BIG"), QString());
  expectProgram(32768, QStringLiteral("FFFF"));
  expectEeprom(32768);
  GridTableModel prog(image, GridTableModel::Program);
  EXPECT_EQ(prog.rowCount(), 2048);
}

TEST_F(DeviceSelectionTest, EmptyDeviceAndNegativeWord) {
  ASSERT_EQ(select("PIC16F84"), QString());
  ASSERT_EQ(select("PICEMPTY"), QString());
  expectProgram(0, QString());
  EXPECT_EQ(image.GetPalConf(), 0);
  EXPECT_EQ(image.progText(0), QString());
  EXPECT_EQ(image.progValue(0), 0xFFFF);
}

TEST_F(DeviceSelectionTest, AbsurdDevicesAreRefusedAndThePreviousOneKept) {
  ASSERT_EQ(select("PIC16F628"), QString());
  image.setProgText(5, QStringLiteral("0ABC"));
  image.noteProgEdit(5);
  image.setEeText(2, QStringLiteral("11"));
  image.noteEeEdit(2);
  image.setPalConfBit(5, false);
  const DeviceDef before = ctx.CurrentDevice;
  const int word = image.GetPalConf();
  QSignalSpy progResized(&image, &MemoryImage::progResized);
  QSignalSpy palConf(&image, &MemoryImage::palConfChanged);

  const std::pair<const char*, const char*> refused[] = {{"PICHUGE", "ProgMem=2000000000"},
                                                         {"PICNEG", "ProgMem=-16"},
                                                         {"PICHUGEEE", "EEProm=2000000000"},
                                                         {"PICWIDE", "ProgBits=17"},
                                                         {"PICNARROW", "ProgBits=-1"}};
  for (const auto& [name, what] : refused) {
    const QString message = select(name);
    EXPECT_TRUE(message.contains(QString::fromLatin1(name))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromLatin1(what))) << message.toStdString();
    EXPECT_EQ(ctx.CurrentDevice.Name, before.Name);
    EXPECT_EQ(ctx.CurrentDevice.ProgMem, before.ProgMem);
    EXPECT_EQ(ctx.CurrentDevice.EEProm, before.EEProm);
    EXPECT_EQ(ctx.CurrentDevice.ProgBits, before.ProgBits);
    EXPECT_EQ(ctx.CurrentDevice.PalConf, before.PalConf);
  }
  EXPECT_EQ(progResized.count(), 0);
  EXPECT_EQ(palConf.count(), 0);
  EXPECT_EQ(image.GetPalConf(), word);
  EXPECT_EQ(image.progCount(), 2048);
  EXPECT_EQ(image.progText(5), "0ABC");
  EXPECT_EQ(image.ProgEnd(), 6);
  EXPECT_EQ(image.eeText(2), "11");
  EXPECT_EQ(image.EEPromEnd(), 3);
}

TEST_F(DeviceSelectionTest, AnyOrderOfSelectionsGivesTheLastDevicesGrids) {
  struct Expect {
    const char* name;
    int words;
    int bytes;  // 0: no EEPROM
    const char* blank;
  };
  std::array<Expect, 5> devices = {{{"PIC16C622", 2048, 0, "3FFF"},
                                    {"PIC16C84ODD", 20, 16, "0FFF"},
                                    {"PIC16F628", 2048, 128, "3FFF"},
                                    {"PIC16F73", 4096, 0, "3FFF"},
                                    {"PIC16F84", 1024, 64, "3FFF"}}};
  GridTableModel prog(image, GridTableModel::Program);
  GridTableModel ee(image, GridTableModel::EEProm);
  int eeBytes = image.eeCount();  // before any device: the grid's first size
  int permutations = 0;
  do {
    for (const Expect& e : devices) {
      ASSERT_EQ(select(e.name), QString());
      if (e.bytes > 0) eeBytes = e.bytes;
      ASSERT_EQ(ctx.CurrentDevice.Name, e.name);
      ASSERT_EQ(image.progCount(), e.words) << e.name;
      ASSERT_EQ(prog.rowCount(), e.words / 16) << e.name;
      ASSERT_EQ(image.progText(e.words - 1), e.blank) << e.name;
      ASSERT_EQ(image.eeCount(), eeBytes) << e.name;
      ASSERT_EQ(ee.rowCount(), eeBytes / 16) << e.name;
    }
    ++permutations;
  } while (std::next_permutation(
      devices.begin(), devices.end(),
      [](const Expect& a, const Expect& b) { return QByteArray(a.name) < QByteArray(b.name); }));
  EXPECT_EQ(permutations, 120);
}

}  // namespace
}  // namespace tavrix
