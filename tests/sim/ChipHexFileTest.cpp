// The chip's contents file: the record codec and the save/load of a chip.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <random>

#include "sim/ChipHexFile.h"
#include "sim/SimRig.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

TEST(ChipHexFile, EmitsRecordsWithTheirChecksum) {
  EXPECT_EQ(ChipHexFile::endRecord(), QByteArray(":00000001FF\n"));
  EXPECT_EQ(ChipHexFile::record(0x00, 0x400E, QByteArray::fromHex("F13F")),
            QByteArray(":02400E00F13F80\n"));
  EXPECT_EQ(ChipHexFile::record(0x00, 0x4000, QByteArray::fromHex("0100020003000400")),
            QByteArray(":084000000100020003000400AE\n"));
  EXPECT_EQ(ChipHexFile::checksum(QByteArray::fromHex("0000000000")), 0x00);
}

TEST(ChipHexFile, ParsesDataRecordsUpToTheEndRecord) {
  std::vector<HexRecord> records;
  QString error;
  ASSERT_TRUE(ChipHexFile::parse(
      ":020000040000FA\r\n:04001000AF20030119\r\n\r\n:02400E00F13F80\n:00000001FF\ngarbage",
      &records, &error))
      << error.toStdString();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].line, 2);
  EXPECT_EQ(records[0].address, 0x0010);
  EXPECT_EQ(records[0].data, QByteArray::fromHex("AF200301"));
  EXPECT_EQ(records[1].line, 4);
  EXPECT_EQ(records[1].address, 0x400E);
}

TEST(ChipHexFile, RefusesMalformedFilesWithAClearMessage) {
  struct Case {
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"02400E00F13F80\n:00000001FF\n", "Línea 1: el registro no empieza por ':'."},
      {":02400E00F13F81\n:00000001FF\n", "Línea 1: suma de control incorrecta."},
      {":02400E00G13F80\n:00000001FF\n", "Línea 1: carácter no hexadecimal."},
      {":02400E00F13F8\n:00000001FF\n", "Línea 1: número impar de dígitos."},
      {":03400E00F13F7F\n:00000001FF\n", "Línea 1: la longitud no coincide con los datos."},
      {":00000001\n", "Línea 1: registro demasiado corto."},
      {":02400E00F13F80\n", "Falta el registro de fin de fichero."},
      {"", "Falta el registro de fin de fichero."},
      {":0400000300003800C1\n:00000001FF\n", "Línea 1: tipo de registro 03 no admitido."},
      {":020000040001F9\n:00000001FF\n", "Línea 1: tipo de registro 04 no admitido."},
      {":04FFFE00000000FF00\n:00000001FF\n", "Línea 1: los datos pasan de la dirección FFFF."},
      {":01000001AA54\n", "Línea 1: la longitud no coincide con los datos."},
      // Longer than any record can be: refused without holding the line.
      {":" + std::string(4 << 20, '0') + "\n",
       "Línea 1: la línea es más larga que cualquier registro."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    std::vector<HexRecord> records;
    QString error;
    EXPECT_FALSE(ChipHexFile::parse(QByteArray::fromStdString(c.text), &records, &error));
    EXPECT_EQ(error, QString::fromUtf8(c.message));
  }
}

TEST(ChipHexFile, ReadsEveryRealFixture) {
  for (const char* name :
       {"miguelabrilbravo-pic16f84a__EEPROM_02.hex", "PIC16F628-Course__display.hex",
        "PIC16F73_TEMPOS_LONGOS__PIC16F73_TemposLongos.hex", "wisp628-blink-a-led__a877.hex",
        "gputils-testsuite__hd621a.hex"}) {
    SCOPED_TRACE(name);
    TempFiles files;
    const QByteArray text = files.read(fixturePath(QString::fromLatin1(name)));
    ASSERT_FALSE(text.isEmpty());
    std::vector<HexRecord> records;
    QString error;
    EXPECT_TRUE(ChipHexFile::parse(text, &records, &error)) << error.toStdString();
    EXPECT_FALSE(records.empty());
  }
}

// A chip with every kind of content set to something that is not blank.
void fillChip(VirtualChip& chip, unsigned seed) {
  std::mt19937 random(seed);
  for (int i = 0; i < chip.programSize(); ++i)
    chip.setProgramWord(i, static_cast<std::uint16_t>(random() & chip.blankWord()));
  for (int p = 0; p < 4; ++p) chip.setIdWord(p, static_cast<std::uint16_t>(0x3F80 + p));
  chip.setConfigWord(0x3F61);
  chip.setDeviceIdWord(static_cast<std::uint16_t>(0x0E20 | (seed & 0x1F)));
  for (int i = 0; i < chip.eepromSize(); ++i)
    chip.setEEPromByte(i, static_cast<std::uint8_t>(random()));
}

void expectSameContents(const VirtualChip& a, const VirtualChip& b) {
  for (int i = 0; i < a.programSize(); ++i) ASSERT_EQ(a.programWord(i), b.programWord(i)) << i;
  for (int p = 0; p < 4; ++p) EXPECT_EQ(a.idWord(p), b.idWord(p));
  EXPECT_EQ(a.deviceIdWord(), b.deviceIdWord());
  EXPECT_EQ(a.configWord(), b.configWord());
  for (int i = 0; i < a.eepromSize(); ++i) ASSERT_EQ(a.eepromByte(i), b.eepromByte(i)) << i;
}

TEST(VirtualChipHex, SaveThenLoadGivesTheSameChip) {
  for (const DeviceDef& device : {pic16F628(), pic16F73(), pic16C622()}) {
    SCOPED_TRACE(device.Name.toStdString());
    VirtualClock clock;
    VirtualChip chip(device, clock);
    fillChip(chip, 7);
    TempFiles files;
    const QString path = files.path(QStringLiteral("chip.hex"));
    QString error;
    ASSERT_TRUE(chip.saveHex(path, &error)) << error.toStdString();
    VirtualChip copy(device, clock);
    ASSERT_TRUE(copy.loadHex(path, &error)) << error.toStdString();
    expectSameContents(chip, copy);
  }
}

TEST(VirtualChipHex, WritesTheProgramsOwnLayout) {
  DeviceDef device = pic16F84A();
  device.ProgMem = 20;
  device.EEProm = 16;
  VirtualClock clock;
  VirtualChip chip(device, clock);
  chip.setProgramWord(0, 0x2805);
  chip.setProgramWord(1, 0x0000);
  chip.setProgramWord(5, 0x1683);
  for (int p = 0; p < 4; ++p) chip.setIdWord(p, static_cast<std::uint16_t>(p + 1));
  chip.setConfigWord(0x3FF1);
  chip.setEEPromByte(0, 0x12);
  chip.setEEPromByte(1, 0xAB);
  EXPECT_EQ(
      chip.hexText(),
      QByteArray(":2000000005280000FF3FFF3FFF3F8316FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FF4\n"
                 ":08002000FF3FFF3FFF3FFF3FE0\n"
                 ":084000000100020003000400AE\n"
                 ":02400C00FF3F74\n"
                 ":02400E00F13F80\n"
                 ":204200001200AB00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00EF\n"
                 ":00000001FF\n"));
}

TEST(VirtualChipHex, SrecordAcceptsWhatWeWrite) {
  const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
  if (srecCat.isEmpty()) GTEST_SKIP() << "srec_cat is not installed";
  VirtualClock clock;
  VirtualChip chip(pic16F628(), clock);
  fillChip(chip, 11);
  TempFiles files;
  const QString path = files.path(QStringLiteral("chip.hex"));
  ASSERT_TRUE(chip.saveHex(path, nullptr));
  // Round trip through srecord's own reader and writer, then back into a chip.
  const QString out = files.path(QStringLiteral("srec.hex"));
  QProcess process;
  process.start(srecCat, {path, QStringLiteral("-intel"), QStringLiteral("-o"), out,
                          QStringLiteral("-intel"), QStringLiteral("-disable=exec-start-address")});
  ASSERT_TRUE(process.waitForFinished(30000));
  ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  VirtualChip copy(pic16F628(), clock);
  QString error;
  ASSERT_TRUE(copy.loadHex(out, &error)) << error.toStdString();
  expectSameContents(chip, copy);
}

TEST(VirtualChipHex, LoadsAnAssemblersFileIntoTheChip) {
  VirtualClock clock;
  VirtualChip chip(pic16F84A(), clock);
  QString error;
  ASSERT_TRUE(chip.loadHex(fixturePath(QStringLiteral("miguelabrilbravo-pic16f84a__EEPROM_02.hex")),
                           &error))
      << error.toStdString();
  EXPECT_EQ(chip.programWord(0), 0x20AF);  // first record: AF 20 ...
  EXPECT_EQ(chip.programWord(1), 0x0103);
  EXPECT_EQ(chip.configWord(), 0x3FF1);
  EXPECT_EQ(chip.eepromByte(0), 0x00);
  EXPECT_EQ(chip.eepromByte(1), 0xFF);
  EXPECT_EQ(chip.programWord(1023), 0x3FFF);
}

TEST(VirtualChipHex, LoadStartsFromAnErasedChipAndFailsWithoutChangingIt) {
  VirtualClock clock;
  VirtualChip chip(pic16F84A(), clock);
  chip.setProgramWord(7, 0x0007);
  chip.setEEPromByte(3, 0x33);
  QString error;
  ASSERT_TRUE(chip.loadHexText(":02000000FF0FF0\n:00000001FF\n", &error));
  EXPECT_EQ(chip.programWord(0), 0x0FFF);
  EXPECT_EQ(chip.programWord(7), 0x3FFF);
  EXPECT_EQ(chip.eepromByte(3), 0xFF);
  EXPECT_EQ(chip.configWord(), 0x3FFF);

  // Byte 0x0800 is program word 1024, past this chip's 1024 words.
  const std::uint64_t revision = chip.contentsRevision();
  EXPECT_FALSE(chip.loadHexText(":020000000000FE\n:020800000000F6\n:00000001FF\n", &error));
  EXPECT_EQ(error, QStringLiteral("Línea 2: la dirección 0800 está fuera de la memoria del chip."));
  EXPECT_EQ(chip.programWord(0), 0x0FFF);
  EXPECT_EQ(chip.contentsRevision(), revision);

  EXPECT_FALSE(chip.loadHexText(":02000000FF3FC0\n", &error));
  EXPECT_EQ(error, QStringLiteral("Falta el registro de fin de fichero."));
  EXPECT_EQ(chip.programWord(0), 0x0FFF);

  EXPECT_FALSE(chip.loadHex(QStringLiteral("/nonexistent/chip.hex"), &error));
  EXPECT_EQ(error, QStringLiteral("No se puede abrir el fichero /nonexistent/chip.hex."));
  EXPECT_FALSE(chip.saveHex(QStringLiteral("/nonexistent/chip.hex"), &error));
  EXPECT_EQ(error,
            QStringLiteral("No se puede crear el fichero /nonexistent/chip.hex: No such file "
                           "or directory."));
}

TEST(VirtualChipHex, WordsAreCutToTheChipsWidth) {
  VirtualClock clock;
  VirtualChip chip(pic16F84A(), clock);
  QString error;
  // Program word 0 = 0xFFFF, EEPROM byte 0 with a high byte of 0x12, reserved 0x2004-0x2006.
  ASSERT_TRUE(chip.loadHexText(
      ":02000000FFFF00\n:02420000341276\n:06400800010002000300AC\n:00000001FF\n", &error))
      << error.toStdString();
  EXPECT_EQ(chip.programWord(0), 0x3FFF);
  EXPECT_EQ(chip.eepromByte(0), 0x34);
}

TEST(VirtualChipHex, EEPromThatDoesNotFitTheFileIsRefused) {
  DeviceDef device = pic16F628();
  device.EEPromStart = 0x7FF0;
  VirtualClock clock;
  VirtualChip chip(device, clock);
  QString error;
  EXPECT_TRUE(chip.hexText(&error).isEmpty());
  EXPECT_EQ(error, QStringLiteral("La EEPROM del dispositivo no cabe en un fichero HEX."));
}

}  // namespace
}  // namespace tavrix::test
