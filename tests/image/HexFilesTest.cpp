#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "HexTestSupport.h"
#include "image/HexReader.h"
#include "image/HexWriter.h"

namespace tavrix::test {
namespace {

using Kind = ScriptedPrompts::Kind;

const QString kUnknown = QStringLiteral("Hex File: comando HEX no reconocido.");
const QString kRange = QStringLiteral("Hex File: dirección fuera de rango");

// What a file holds by the usual reading of Intel HEX (32-bit addresses, bytes in a map),
// turned into what the image must show for a device.
struct Expected {
  QStringList prog;
  QStringList ee;
  QString ident = QStringLiteral("FFFF");
  std::optional<int> conf;
  int progEnd = 0;
  int eeEnd = 0;
  QStringList boxes;
};

Expected referenceLoad(const QString& path, const DeviceDef& dev) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  QMap<qint64, int> bytes;
  Expected x;
  qint64 upper = 0;
  int unknown = 0;
  int outside = 0;
  // Each question once, in the order first met; a closing box for each one met more than once.
  auto ask = [&x](const QString& text, int& count) {
    if (count++ == 0) x.boxes << text;
  };
  for (QByteArray line : f.readAll().split('\n')) {
    line = line.trimmed();
    if (line.isEmpty()) continue;
    const int type = line.mid(7, 2).toInt(nullptr, 16);
    if (type == 1) break;
    const int count = line.mid(1, 2).toInt(nullptr, 16);
    const qint64 address = line.mid(3, 4).toInt(nullptr, 16);
    if (type == 4) {
      upper = line.mid(9, 4).toInt(nullptr, 16);
      ask(kUnknown, unknown);
      continue;
    }
    const qint64 word = (upper << 16 | address) / 2;
    const bool known = word < dev.ProgMem || (word >= 0x2000 && word < 0x2008) ||
                       (word >= 0x2100 && word < 0x2100 + dev.EEProm);
    if (!known) ask(kRange, outside);
    for (int i = 0; i < count; ++i)
      if (known) bytes[(upper << 16 | address) + i] = line.mid(9 + 2 * i, 2).toInt(nullptr, 16);
  }
  const QStringList order = x.boxes;
  for (const QString& asked : order) {
    if (asked == kUnknown && unknown > 1)
      x.boxes << QStringLiteral("Hex File: %1 registros de tipo no reconocido no se han cargado.")
                     .arg(unknown);
    if (asked == kRange && outside > 1)
      x.boxes << QStringLiteral("Hex File: %1 registros fuera de rango no se han cargado.")
                     .arg(outside);
  }
  for (int w = 0; w < dev.ProgMem; ++w) {
    if (bytes.contains(2 * w)) {
      x.prog << QString::asprintf("%02X%02X", bytes[2 * w + 1], bytes[2 * w]);
      x.progEnd = w + 1;
    } else {
      x.prog << QStringLiteral("3FFF");
    }
  }
  for (int e = 0; e < dev.EEProm; ++e) {
    if (bytes.contains(2 * (0x2100 + e))) {
      x.ee << QString::asprintf("%02X", bytes[2 * (0x2100 + e)]);
      x.eeEnd = e + 1;
    } else {
      x.ee << QStringLiteral("FF");
    }
  }
  for (int i = 0; i < 4; ++i)
    if (bytes.contains(2 * (0x2000 + i)))
      x.ident[i] = QString::number(bytes[2 * (0x2000 + i)] & 0xF, 16).toUpper()[0];
  if (bytes.contains(0x400E)) x.conf = bytes[0x400E] | bytes[0x400F] << 8;
  return x;
}

QStringList upper(QStringList list) {
  for (QString& s : list) s = s.toUpper();
  return list;
}

struct FileCase {
  const char* file;
  const char* device;
};

class HexFixture : public ::testing::TestWithParam<FileCase> {};

TEST_P(HexFixture, LoadsAsItsRecordsSay) {
  HexBench b(shippedDevice(QString::fromLatin1(GetParam().device)));
  ASSERT_GT(b.dev.ProgMem, 0);
  b.image.SetPalConf(0x1555);
  const QString path = fixturePath(QString::fromLatin1(GetParam().file));
  const Expected x = referenceLoad(path, b.dev);
  ASSERT_EQ(ReadHexFile(path, b.image, b.prompts), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(), x.boxes);
  EXPECT_EQ(upper(b.prog()), x.prog);
  if (b.dev.EEProm > 0) {
    EXPECT_EQ(upper(b.ee()), x.ee);
  }
  EXPECT_EQ(b.image.identText(), x.ident);
  EXPECT_EQ(b.image.GetPalConf(), x.conf.value_or(0x1555) & 0x3FFF);
  EXPECT_EQ(b.image.ProgEnd(), x.progEnd);
  EXPECT_EQ(b.image.EEPromEnd(), x.eeEnd);
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, HexFixture,
    ::testing::Values(FileCase{"miguelabrilbravo-pic16f84a__EEPROM_02.hex", "PIC16F84A"},
                      FileCase{"PIC16F628-Course__display.hex", "PIC16F877"},
                      FileCase{"PIC16F73_TEMPOS_LONGOS__PIC16F73_TemposLongos.hex", "PIC16F73"},
                      FileCase{"wisp628-blink-a-led__a877.hex", "PIC16F877"},
                      FileCase{"gputils-testsuite__hd621a.hex", "PIC16C621A"},
                      FileCase{"gpasm__flash_16f84a.hex", "PIC16F84A"},
                      FileCase{"gpasm__flash1_16f73.hex", "PIC16F73"},
                      FileCase{"gpasm__otp_16c622.hex", "PIC16C622"}));

TEST(HexRealFiles, SpotValuesOfThirdPartyFiles) {
  {
    HexBench b(shippedDevice(QStringLiteral("PIC16F84A")));
    ASSERT_EQ(ReadHexFile(fixturePath(QStringLiteral("miguelabrilbravo-pic16f84a__EEPROM_02.hex")),
                          b.image, b.prompts),
              HexLoad::Completed);
    EXPECT_EQ(b.prompts.texts(), QStringList{kUnknown});
    EXPECT_EQ(b.image.progText(0), QStringLiteral("20AF"));
    EXPECT_EQ(b.image.GetPalConf(), 0x3FF1);
    EXPECT_EQ(b.image.eeText(0), QStringLiteral("00"));
    EXPECT_EQ(b.image.EEPromEnd(), 1);
  }
  {
    // Text after the end record is never read.
    HexBench b(shippedDevice(QStringLiteral("PIC16F877")));
    ASSERT_EQ(ReadHexFile(fixturePath(QStringLiteral("PIC16F628-Course__display.hex")), b.image,
                          b.prompts),
              HexLoad::Completed);
    EXPECT_TRUE(b.prompts.boxes.isEmpty());
    EXPECT_EQ(b.image.progText(0), QStringLiteral("3000"));
    EXPECT_EQ(b.image.GetPalConf(), 0x3F32);
  }
  {
    HexBench b(shippedDevice(QStringLiteral("PIC16F73")));
    ASSERT_EQ(ReadHexFile(
                  fixturePath(QStringLiteral("PIC16F73_TEMPOS_LONGOS__PIC16F73_TemposLongos.hex")),
                  b.image, b.prompts),
              HexLoad::Completed);
    EXPECT_EQ(b.image.progText(0), QStringLiteral("285B"));
    EXPECT_EQ(b.image.progText(3), QStringLiteral("1283"));
    EXPECT_EQ(b.image.GetPalConf(), 0x001B);
  }
}

// The test programs of tests/asm, assembled by gpasm; expected words from the instruction set.
TEST(HexGpasmFiles, FlashDeviceWithEEProm) {
  HexBench b(shippedDevice(QStringLiteral("PIC16F84A")));
  ASSERT_EQ(ReadHexFile(fixturePath(QStringLiteral("gpasm__flash_16f84a.hex")), b.image, b.prompts),
            HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  const QStringList code = {"2805", "3FFF", "3FFF", "3FFF", "0009", "1683", "0186",
                            "1283", "3055", "0086", "0A86", "280A", "3FFF"};
  EXPECT_EQ(b.prog().mid(0, 13), code);
  EXPECT_EQ(b.image.ProgEnd(), 12);
  EXPECT_EQ(b.ee().mid(0, 11),
            QStringList({"12", "34", "AB", "CD", "54", "61", "76", "72", "69", "78", "FF"}));
  EXPECT_EQ(b.image.EEPromEnd(), 10);
  EXPECT_EQ(b.image.identText(), QStringLiteral("1234"));
  EXPECT_EQ(b.image.GetPalConf(), 0x3FF2);
}

TEST(HexGpasmFiles, Flash1DeviceWithTableAtTheEnd) {
  HexBench b(shippedDevice(QStringLiteral("PIC16F73")));
  ASSERT_EQ(ReadHexFile(fixturePath(QStringLiteral("gpasm__flash1_16f73.hex")), b.image, b.prompts),
            HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(), QStringList{kUnknown});  // the 32-bit format's address record
  EXPECT_EQ(b.prog().mid(0, 2), QStringList({"018A", "2810"}));
  EXPECT_EQ(b.prog().mid(16, 5), QStringList({"300F", "008A", "3002", "27FA", "2810"}));
  EXPECT_EQ(b.prog().mid(0xFFA), QStringList({"0782", "34A1", "34B2", "34C3", "34D4", "34E5"}));
  EXPECT_EQ(b.image.ProgEnd(), 4096);
  EXPECT_EQ(b.image.identText(), QStringLiteral("0F73"));
  EXPECT_EQ(b.image.GetPalConf(), 0x3FB2);
}

TEST(HexGpasmFiles, OtpDevice) {
  HexBench b(shippedDevice(QStringLiteral("PIC16C622")));
  ASSERT_EQ(ReadHexFile(fixturePath(QStringLiteral("gpasm__otp_16c622.hex")), b.image, b.prompts),
            HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(b.prog().mid(0, 6), QStringList({"3007", "009F", "0185", "0063", "2FFF", "3FFF"}));
  EXPECT_EQ(b.image.progText(0x7FF), QStringLiteral("2800"));
  EXPECT_EQ(b.image.ProgEnd(), 2048);
  EXPECT_EQ(b.image.identText(), QStringLiteral("A5C3"));
  EXPECT_EQ(b.image.GetPalConf(), 0x2AE9);
}

// Random images: save, load into a freshly selected device, compare.
QString randomHex(QRandomGenerator& rng, int digits, quint32 max) {
  QString text = QString::number(rng.bounded(max + 1), 16).rightJustified(digits, QLatin1Char('0'));
  return rng.bounded(2) ? text.toUpper() : text;
}

void checkSrecCat(const QString& path) {
  const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
  if (srecCat.isEmpty()) return;
  QProcess p;
  p.start(srecCat,
          {path, QStringLiteral("-Intel"), QStringLiteral("-o"), QStringLiteral("/dev/null")});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

TEST(HexRoundTrip, RandomImagesReadBackUnchanged) {
  QRandomGenerator rng(20240611);
  const QList<DeviceDef> devices = {shippedDevice(QStringLiteral("PIC16F84A")),
                                    shippedDevice(QStringLiteral("PIC16F877")),
                                    shippedDevice(QStringLiteral("PIC16F73")),
                                    shippedDevice(QStringLiteral("PIC16C622")),
                                    makeDevice(20, 16),
                                    makeDevice(1000, 100, 0x2000, 0x2100, 12)};
  for (const DeviceDef& dev : devices) {
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE((dev.Name + QString::number(dev.ProgMem)).toStdString());
      HexBench src(dev);
      const quint32 wordMax = quint32(blankWord(dev));
      for (int a = 0; a < dev.ProgMem; ++a) src.image.setProgText(a, randomHex(rng, 4, wordMax));
      for (int e = 0; e < dev.EEProm; ++e) src.image.setEeText(e, randomHex(rng, 2, 0xFF));
      src.image.setIdentText(randomHex(rng, 4, 0xFFFF));
      src.image.SetPalConf(rng.bounded(0x4000));
      const QString path = src.files.path(QStringLiteral("r.hex"));
      ASSERT_EQ(WriteHexFile(path, src.image, src.prompts), HexSave::Saved);
      checkSrecCat(path);

      HexBench dst(dev);
      ASSERT_EQ(ReadHexFile(path, dst.image, dst.prompts), HexLoad::Completed);
      EXPECT_TRUE(dst.prompts.boxes.isEmpty());
      EXPECT_EQ(dst.prog(), src.prog());
      if (dev.EEProm > 0) {
        EXPECT_EQ(dst.ee(), src.ee());
      }
      EXPECT_EQ(dst.image.identText(), src.image.identText().toUpper());
      EXPECT_EQ(dst.image.GetPalConf(), src.image.GetPalConf());
      EXPECT_EQ(dst.image.ProgEnd(), dev.ProgMem);
      EXPECT_EQ(dst.image.EEPromEnd(), std::max(dev.EEProm, 0));
    }
  }
}

TEST(HexRoundTrip, ShortCellsReadBackInFullDigits) {
  QRandomGenerator rng(7);
  HexBench src(makeDevice(64, 32));
  QStringList progOut, eeOut;
  for (int a = 0; a < 64; ++a) {
    const quint32 v = rng.bounded(0x1000);  // at most 3 digits
    src.image.setProgText(a, QString::number(v, 16));
    progOut << QString::asprintf("%04X", v);
  }
  for (int e = 0; e < 32; ++e) {
    const quint32 v = rng.bounded(0x100);
    src.image.setEeText(e, QString::number(v, 16).toUpper().prepend(e % 2 ? "" : "000"));
    eeOut << QString::asprintf("%02X", v);
  }
  const QString path = src.files.path(QStringLiteral("s.hex"));
  ASSERT_EQ(WriteHexFile(path, src.image, src.prompts), HexSave::Saved);
  HexBench dst(makeDevice(64, 32));
  ASSERT_EQ(ReadHexFile(path, dst.image, dst.prompts), HexLoad::Completed);
  EXPECT_EQ(dst.prog(), progOut);
  EXPECT_EQ(dst.ee(), eeOut);
}

TEST(HexSrecCat, AcceptsEveryFileTheWriterProduces) {
  if (QStandardPaths::findExecutable(QStringLiteral("srec_cat")).isEmpty())
    GTEST_SKIP() << "srec_cat is not installed";
  const QList<DeviceDef> devices = {makeDevice(1024, 64),
                                    makeDevice(20, 16),
                                    makeDevice(16, 0),
                                    makeDevice(8192, 256),
                                    makeDevice(16, 16, 0x2000, 0x7FF0),
                                    makeDevice(0, 0)};
  for (const DeviceDef& dev : devices) {
    SCOPED_TRACE(dev.ProgMem);
    HexBench b(dev);
    if (dev.ProgMem > 0) b.image.setProgText(0, QStringLiteral("1fab"));
    const QString path = b.files.path(QStringLiteral("w.hex"));
    ASSERT_EQ(WriteHexFile(path, b.image, b.prompts), HexSave::Saved);
    checkSrecCat(path);
  }
  // srec_cat itself rejects a bad checksum, so the check can fail.
  TempFiles files;
  QProcess p;
  p.start(QStandardPaths::findExecutable(QStringLiteral("srec_cat")),
          {files.write(QStringLiteral("bad.hex"), ":0200000034127B\n:00000001FF\n"),
           QStringLiteral("-Intel"), QStringLiteral("-o"), QStringLiteral("/dev/null")});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_NE(p.exitCode(), 0);
}

}  // namespace
}  // namespace tavrix::test
