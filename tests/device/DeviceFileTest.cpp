#include <gtest/gtest.h>

#include <QFile>

#include "device/DeviceDef.h"
#include "device/DeviceFile.h"
#include "support/TempFiles.h"

using namespace tavrix;

namespace {

TEST(DeviceFile, ListsOnlySectionsBeginningWithPicInFileOrder) {
  test::TempFiles tmp;
  const QString path =
      tmp.write("t.ini",
                "[Config]\nlastfile = /tmp/a.hex \nport=$278\nportdevice= /dev/parport1 \n"
                "PortDevice=/dev/lp2\n[PIC16F84]\n[pic12]\n[PIC16C71]\n[XPIC]\n[PIC16F84]\n");
  const DeviceList list = ReadDeviceList(path);
  EXPECT_EQ(list.devices, QStringList({"PIC16F84", "PIC16C71", "PIC16F84"}));
  EXPECT_EQ(list.lastFile, "/tmp/a.hex");
  EXPECT_EQ(list.port, 0x278);
  EXPECT_EQ(list.portDevice, "/dev/parport1");  // keys match exactly: PortDevice is not it
}

TEST(DeviceFile, MissingFileHasNoDevicesAndDefaultSettings) {
  test::TempFiles tmp;
  const DeviceList list = ReadDeviceList(tmp.path("none.ini"));
  EXPECT_TRUE(list.devices.isEmpty());
  EXPECT_TRUE(list.lastFile.isEmpty());
  EXPECT_TRUE(list.portDevice.isEmpty());
  EXPECT_EQ(list.port, 888);
}

TEST(DeviceFile, SectionWithOnlyProgrammingTakesEveryDefault) {
  test::TempFiles tmp;
  const QString path = tmp.write("t.ini", "[PIC1]\nProgramming=OTP\n");
  const DeviceDef d = ReadDeviceSection(path, "PIC1");
  EXPECT_EQ(d.Name, "PIC1");
  EXPECT_EQ(d.ProgMem, 1024);
  EXPECT_EQ(d.EEProm, 64);
  EXPECT_EQ(d.ProgBits, 14);
  EXPECT_EQ(d.RAM, 68);
  EXPECT_EQ(d.ConfigStart, 0x2000);
  EXPECT_EQ(d.EEPromStart, 0x2100);
  EXPECT_EQ(d.PalConfDef, 0x3FF1);
  EXPECT_EQ(d.PalConf, "- - - - - - - - - - - - - -");
  EXPECT_EQ(d.Programming, "OTP");
  EXPECT_EQ(kindOf(d), DeviceKind::OTP);
  EXPECT_EQ(d.DeviceID, kNoDeviceId);
  // A missing section reads as all defaults.
  EXPECT_EQ(ReadDeviceSection(path, "PIC2").Programming, "Flash");
}

TEST(DeviceFile, SizesInEveryFormAndEmptyTextValues) {
  test::TempFiles tmp;
  const QString path =
      tmp.write("t.ini",
                "[A]\nProgMem=0x800\nPalConf=\n[B]\nProgMem=$800\n[C]\n ProgMem = 2048 \n"
                "[D]\nProgMem=2K\nProgramming=flash\n");
  EXPECT_EQ(ReadDeviceSection(path, "A").ProgMem, 2048);
  EXPECT_EQ(ReadDeviceSection(path, "A").PalConf, "");
  EXPECT_EQ(ReadDeviceSection(path, "B").ProgMem, 2048);
  EXPECT_EQ(ReadDeviceSection(path, "C").ProgMem, 2048);
  EXPECT_EQ(ReadDeviceSection(path, "D").ProgMem, 1024);
  EXPECT_EQ(kindOf(ReadDeviceSection(path, "D")), DeviceKind::Other);
}

TEST(DeviceFile, IdentificationWordInEveryFormOrNone) {
  struct Case {
    const char* value;
    qint32 id;
  };
  const Case cases[] = {
      {"$0560", 0x0560},
      {"0x9E0", 0x09E0},
      {"2528", 0x09E0},
      {"$0561", 0x0560},  // a word copied from a chip: its revision is not part of the key
      {"", kNoDeviceId},
      {"0560h", kNoDeviceId},
      {"-1", kNoDeviceId},
      {"$4000", kNoDeviceId},
      {"$FFFFFFFF", kNoDeviceId},
      {"$001F", kNoDeviceId},             // device code 0: what an empty socket reads
      {"$3FFF", kNoDeviceId},             // what a part without the word answers
      {"$0560 ;PIC16F84A", kNoDeviceId},  // read as every key is: no number, but said
  };
  test::TempFiles tmp;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const QString path = tmp.write("t.ini", QByteArray("[PIC1]\nDeviceID=") + c.value + "\n");
    const DeviceDef d = ReadDeviceSection(path, "PIC1");
    EXPECT_EQ(d.DeviceID, c.id);
    EXPECT_EQ(deviceIdMatches(d, 0x0563), c.id == 0x0560);
    // A key that is there and gives no word turns the identity check off, so that is told;
    // an empty value reads as no key.
    const bool told = c.id == kNoDeviceId && *c.value != '\0';
    EXPECT_EQ(deviceIdWarning(d).contains("DeviceID=" + QString::fromUtf8(c.value) + ", que no es"),
              told);
  }
  EXPECT_TRUE(deviceIdWarning(ReadDeviceSection(tmp.write("t.ini", "[PIC1]\n"), "PIC1")).isEmpty());
}

TEST(DeviceFile, FileIsReadAfreshAndNeverWritten) {
  test::TempFiles tmp;
  const QString path = tmp.write("t.ini", "[PICA]\nRAM=1\n");
  EXPECT_EQ(ReadDeviceSection(path, "PICA").RAM, 1);
  tmp.write("t.ini", "[PICA]\nRAM=2\n");
  EXPECT_EQ(ReadDeviceSection(path, "PICA").RAM, 2);
  ReadDeviceList(path);
  EXPECT_EQ(tmp.read(path), QByteArray("[PICA]\nRAM=2\n"));
}

TEST(DeviceDefChecks, BlankWordAndRefusedSizes) {
  DeviceDef d;
  d.Name = "PICX";
  d.ProgBits = 14;
  EXPECT_EQ(blankWord(d), 0x3FFF);
  d.ProgBits = 12;
  EXPECT_EQ(blankWord(d), 0x0FFF);
  d.ProgBits = 0;
  EXPECT_EQ(blankWord(d), 0);
  EXPECT_TRUE(deviceProblem(d).isEmpty());

  struct Case {
    qint32 progMem, eeProm, progBits;
    bool refused;
  };
  const Case cases[] = {
      {1024, 64, 14, false},      {32768, 32768, 16, false},    {0, 0, 0, false},
      {1024, -5, 14, false},      {32769, 64, 14, true},        {-1, 64, 14, true},
      {2000000000, 64, 14, true}, {1024, 2000000000, 14, true}, {1024, 64, 17, true},
      {1024, 64, -1, true},       {1024, 64, 40, true}};
  for (const Case& c : cases) {
    d.ProgMem = c.progMem;
    d.EEProm = c.eeProm;
    d.ProgBits = c.progBits;
    const QString problem = deviceProblem(d);
    EXPECT_EQ(!problem.isEmpty(), c.refused) << c.progMem << " " << c.eeProm << " " << c.progBits;
    if (c.refused) {
      EXPECT_TRUE(problem.contains("PICX"));
    }
  }
}

}  // namespace
