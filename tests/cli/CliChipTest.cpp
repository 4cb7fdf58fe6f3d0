// The command-line tool end to end on the virtual board: programs assembled with gpasm written,
// verified, read back and compared, blank checks, unprotect, the error policy and the state file.

#include <QFile>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

struct Kind {
  const char* device;
  const char* fixture;
  int progMem;
  int completions;              // "Operación Completada." lines of one write
  const char* protectedConfig;  // a configuration word with code protection on, as hex text
};

const Kind kKinds[] = {
    {"PIC16F84A", "gpasm__flash_16f84a.hex", 1024, 1, "0001"},  // Flash: one write run
    {"PIC16F73", "gpasm__flash1_16f73.hex", 4096, 2, "3FE1"},   // Flash1: write, then verify
    {"PIC16C622", "gpasm__otp_16c622.hex", 2048, 2, "0001"},    // OTP: blank check, then write
};

void PrintTo(const Kind& kind, std::ostream* out) {
  *out << kind.device;
}

class CliKinds : public ::testing::TestWithParam<Kind> {
 protected:
  QStringList base(const QString& state) const {
    return shippedIni() << QStringLiteral("--device") << QLatin1String(GetParam().device)
                        << QStringLiteral("--virtual") << state;
  }
  // The gpasm program as a plain file: without the extended-address record gpasm writes for
  // some parts (the program's reader asks about it), and with code protection off so that the
  // program can be read back.
  QString program(TempFiles& tmp) const {
    QFile in(fixturePath(QLatin1String(GetParam().fixture)));
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    const QMap<int, int> words = hexWords(in.readAll());
    in.seek(0);
    const int config = words.value(0x2007, 0x3FFF) | 0x3FF0;  // every CP bit 1: off
    return tmp.write(QStringLiteral("fw.hex"), rewriteHex(in.readAll(), config));
  }
};

TEST_P(CliKinds, WriteVerifyReadBackAndBlankCheck) {
  const Kind& kind = GetParam();
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = program(tmp);

  // A fresh chip is blank.
  CliRun run = runCli(base(state) << QStringLiteral("blank"));
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Operación Completada.\n"));

  run = runCli(base(state) << QStringLiteral("write") << fw);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();  // no progress line off a terminal
  EXPECT_EQ(count(run.out, QStringLiteral("Operación Completada.")), kind.completions);

  run = runCli(base(state) << QStringLiteral("verify") << fw);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();

  const QString out = tmp.path(QStringLiteral("out.hex"));
  run = runCli(base(state) << QStringLiteral("read") << out);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QMap<int, int> expected = hexWordsOfFile(fw);
  const QMap<int, int> read = hexWordsOfFile(out);
  for (int a = 0; a < kind.progMem; ++a)
    ASSERT_EQ(read.value(a, -1), expected.value(a, 0x3FFF)) << "program word " << a;
  for (int id = 0; id < 4; ++id)
    EXPECT_EQ(read.value(0x2000 + id) & 0xF, expected.value(0x2000 + id) & 0xF) << id;
  EXPECT_EQ(read.value(0x2007), expected.value(0x2007));

  // The chip is written now: not blank, in program memory alone as well.
  run = runCli(base(state) << QStringLiteral("blank"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, QStringLiteral("Error: Error de borrado en dir: 0000\n"));
  run = runCli(base(state) << QStringLiteral("--areas") << QStringLiteral("prog")
                           << QStringLiteral("blank"));
  EXPECT_EQ(run.status, 1);
}

TEST_P(CliKinds, VerifyAgainstAnotherProgramReportsAndStops) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = program(tmp);
  // A blank chip differs from the program at every word the program sets.
  CliRun run = runCli(base(state) << QStringLiteral("verify") << fw);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(count(run.err, QStringLiteral("Error: ")), 1);  // Cancel at the first error
  EXPECT_TRUE(run.err.startsWith(QStringLiteral(
      "Error: Error de verificación en dir: 0000¿Está la tarjeta en modo programación?")));
  EXPECT_TRUE(run.out.isEmpty());     // a stopped run does not complete
  EXPECT_TRUE(QFile::exists(state));  // the state is saved after a chip error too

  run = runCli(base(state) << QStringLiteral("--keep-going") << QStringLiteral("verify") << fw);
  EXPECT_EQ(run.status, 1);
  const int programWords = int(hexWordsOfFile(fw).keys().count());
  EXPECT_GE(count(run.err, QStringLiteral("Error: ")), 3);
  EXPECT_LE(count(run.err, QStringLiteral("Error: ")), programWords + 5);
  // The run reached its end, with errors: the command failed, and does not say it completed.
  EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
}

TEST_P(CliKinds, UnprotectOfAProtectedChip) {
  const Kind& kind = GetParam();
  TempFiles tmp;
  // A programmed chip with code protection on.
  const QString state = tmp.write(
      QStringLiteral("chip.hex"),
      hexRecord(0, QByteArray::fromHex("05280000FF3F8316")) +
          hexRecord(0x400E, QByteArray::fromHex(QByteArray(kind.protectedConfig).right(2) +
                                                QByteArray(kind.protectedConfig).left(2))) +
          ":00000001FF\n");
  // Protected program memory reads 0.
  const QString out = tmp.path(QStringLiteral("out.hex"));
  CliRun run = runCli(base(state) << QStringLiteral("--areas") << QStringLiteral("prog")
                                  << QStringLiteral("read") << out);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(out).value(0), 0);

  run = runCli(base(state) << QStringLiteral("unprotect"));
  if (QLatin1String(kind.device) == QLatin1String("PIC16C622")) {
    // An OTP part cannot be erased: refused, nothing sent, the chip as it was.
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, QStringLiteral("Esta función solo funciona con dispositivos FLASH\n"));
    run = runCli(base(state) << QStringLiteral("--areas") << QStringLiteral("config")
                             << QStringLiteral("blank"));
    EXPECT_EQ(run.status, 1);
    return;
  }
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("PIC desprotegido.\n"));
  run = runCli(base(state) << QStringLiteral("blank"));
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(AllKinds, CliKinds, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return std::string(info.param.device);
                         });

// The gpasm program, written to one state file and read back from it by a second run.
TEST(CliChip, WriteThenReadGivesBackTheProgram) {
  TempFiles tmp;
  QFile::copy(fixturePath(QStringLiteral("gpasm__flash_16f84a.hex")), tmp.path("fw.hex"));
  const QStringList base = shippedIni() << "--virtual"
                                        << "chip.hex"
                                        << "--device"
                                        << "PIC16F84A";
  CliRun run = runCli(QStringList(base) << "write"
                                        << "fw.hex",
                      tmp.path(QString()));
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  run = runCli(QStringList(base) << "read"
                                 << "out.hex",
               tmp.path(QString()));
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QMap<int, int> fw = hexWordsOfFile(tmp.path("fw.hex"));
  const QMap<int, int> out = hexWordsOfFile(tmp.path("out.hex"));
  int programWords = 0;
  for (auto it = fw.cbegin(); it != fw.cend(); ++it) {
    if (it.key() >= 1024) continue;
    EXPECT_EQ(out.value(it.key(), -1), it.value()) << it.key();
    ++programWords;
  }
  EXPECT_GT(programWords, 5);
}

// A Flash1 program straight from gpasm starts with an extended-address record, which the
// reader reports: the command ends with 2 before touching the chip, unless told to go on.
TEST(CliChip, HexQuestionStopsBeforeTheChipUnlessKeepGoing) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  const QString fw = fixturePath(QStringLiteral("gpasm__flash1_16f73.hex"));
  const QStringList base = shippedIni() << "--device"
                                        << "PIC16F73"
                                        << "--virtual" << state << "--trace" << trace;
  CliRun run = runCli(QStringList(base) << "write" << fw);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: Hex File: comando HEX no reconocido.\n")))
      << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_TRUE(fileLines(trace).empty());
  EXPECT_FALSE(QFile::exists(state));

  run = runCli(QStringList(base) << "--keep-going"
                                 << "write" << fw);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, QStringLiteral("Error: Hex File: comando HEX no reconocido.\n"));
  EXPECT_EQ(count(run.out, QStringLiteral("Operación Completada.")), 2);
  EXPECT_FALSE(fileLines(trace).empty());
  EXPECT_EQ(hexWordsOfFile(state).value(0), hexWordsOfFile(fw).value(0));
}

TEST(CliChip, ChecksumQuestionStopsTheLoad) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw =
      tmp.write(QStringLiteral("bad.hex"), ":0400000005280000CE\n:02000400FF3FBC\n:00000001FF\n");
  const QStringList base = shippedIni() << "--device"
                                        << "PIC16F84A"
                                        << "--virtual" << state;
  CliRun run = runCli(QStringList(base) << "verify" << fw);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(
      QStringLiteral("Error: Checksum error en el fichero HEX ¿Continuar leyendo?\n")));
  EXPECT_FALSE(QFile::exists(state));
  // Told to go on, the line is loaded as it stands and the chip compared with it.
  run = runCli(QStringList(base) << "--keep-going"
                                 << "--areas"
                                 << "prog"
                                 << "write" << fw);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const QMap<int, int> chip = hexWordsOfFile(state);
  EXPECT_EQ(chip.value(0), 0x2805);
  EXPECT_EQ(chip.value(2), 0x3FFF);
}

TEST(CliChip, TextThatIsNotANumberAbandonsTheLoadEvenWithKeepGoing) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = tmp.write(QStringLiteral("bad.hex"), ":0400000005280000CF\n:\n:00000001FF\n");
  const CliRun run = runCli(shippedIni() << "--keep-going"
                                         << "--virtual" << state << "write" << fw);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: '$' is not a valid integer value.\n"));
  EXPECT_FALSE(QFile::exists(state));
}

TEST(CliChip, AreasChooseWhatIsWritten) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  // Program words, identifier 1234, configuration word 3FF2, two EEPROM bytes.
  const QString fw = tmp.write(QStringLiteral("fw.hex"),
                               ":0400000005280000CF\n:084000000100020003000400AE\n:02400E00F23F7F\n"
                               ":044200001200340074\n:00000001FF\n");
  const QStringList base = shippedIni() << "--device"
                                        << "PIC16F84A"
                                        << "--virtual" << state;
  CliRun run = runCli(QStringList(base) << "--areas"
                                        << "prog,eeprom"
                                        << "write" << fw);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  QMap<int, int> chip = hexWordsOfFile(state);
  EXPECT_EQ(chip.value(0), 0x2805);
  EXPECT_EQ(chip.value(0x2100) & 0xFF, 0x12);
  EXPECT_EQ(chip.value(0x2101) & 0xFF, 0x34);
  EXPECT_EQ(chip.value(0x2007, 0x3FFF), 0x3FFF);
  EXPECT_EQ(chip.value(0x2000, 0x3FFF), 0x3FFF);

  run = runCli(QStringList(base) << "--areas"
                                 << "id,config"
                                 << "write" << fw);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  chip = hexWordsOfFile(state);
  EXPECT_EQ(chip.value(0x2007), 0x3FF2);
  // The chip takes the identifier's least significant digit at its first ID location.
  EXPECT_EQ(chip.value(0x2000), 0x3F84);
  EXPECT_EQ(chip.value(0x2003), 0x3F81);
  run = runCli(QStringList(base) << "verify" << fw);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

}  // namespace
}  // namespace tavrix::test
