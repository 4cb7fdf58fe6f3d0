// The command-line tool on a faulty virtual board (--virtual-fault), and the chip's
// identification word kept in the state file.

#include <QFile>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

QStringList onBoard(const QString& state, const char* device = "PIC16F84A") {
  return shippedIni() << QStringLiteral("--device") << QLatin1String(device)
                      << QStringLiteral("--virtual") << state;
}

TEST(CliFault, EachFaultAsAReadSeesItAndTheChipIsLeftAlone) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = fixturePath(QStringLiteral("gpasm__flash_16f84a.hex"));
  CliRun run = runCli(onBoard(state) << QStringLiteral("write") << fw);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QByteArray written = tmp.read(QStringLiteral("chip.hex"));
  EXPECT_EQ(hexWords(written).value(0x2006), 0x0561);

  // The configuration word alone reads as no chip would (0000, or 3FFF with the line stuck at
  // 1): the identification word read after it tells, and the read fails without writing OUT.
  struct Case {
    const char* faults;
    int config;  // -1: no chip answers
  };
  for (const Case& c : {Case{"nochip", -1}, Case{"novpp", -1}, Case{"data0", -1}, Case{"data1", -1},
                        Case{"slow", 0x3FF2}}) {
    SCOPED_TRACE(c.faults);
    const QString out = tmp.path(QStringLiteral("out.hex"));
    QFile::remove(out);
    run = runCli(onBoard(state) << QStringLiteral("--virtual-fault") << QLatin1String(c.faults)
                                << QStringLiteral("--areas") << QStringLiteral("config")
                                << QStringLiteral("read") << out);
    if (c.config < 0) {
      EXPECT_EQ(run.status, 1);
      EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: No responde ningún PIC: ")))
          << run.err.toStdString();
      EXPECT_TRUE(run.out.isEmpty());
      EXPECT_FALSE(QFile::exists(out));
    } else {
      EXPECT_EQ(run.status, 0) << run.err.toStdString();
      EXPECT_EQ(run.out, QStringLiteral("Operación Completada.\n"));
      EXPECT_EQ(hexWordsOfFile(out).value(0x2007), c.config);
    }
    EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), written);
  }

  // A write through a data line stuck at 0 is refused before anything is written: every word
  // reads 0000, as with no chip.
  run = runCli(onBoard(state) << QStringLiteral("--virtual-fault") << QStringLiteral("data0")
                              << QStringLiteral("write") << fw);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: No responde ningún PIC")))
      << run.err.toStdString();
  EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), written);
  // Without the check, it verifies nothing and changes nothing.
  run = runCli(onBoard(state) << QStringLiteral("--virtual-fault") << QStringLiteral("data0")
                              << QStringLiteral("--no-id-check") << QStringLiteral("write") << fw);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: Error de verificación en dir: 0000")))
      << run.err.toStdString();
  EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), written);
}

// An empty socket reads 0000 everywhere. A device with an identification word tells that from
// a chip: `read` and `blank` say no chip answers and end with 1, OUT untouched. A device without
// one cannot tell, and keeps the plain result.
TEST(CliFault, EmptySocketIsNoSuccessWhereTheDeviceCanTell) {
  TempFiles tmp;
  const QString out = tmp.path(QStringLiteral("out.hex"));
  const QString noChip = QStringLiteral(
      "Error: No responde ningún PIC: lo leído no se distingue de un zócalo vacío, "
      "y la palabra de identificación lee %1, cuando un PIC16F877 respondería con "
      "la suya; compruebe el zócalo, la alimentación (VDD), la tensión de "
      "programación (VPP) y el cable, o pruebe la placa.\n");
  CliRun run = runCli(onBoard(tmp.path(QStringLiteral("a.hex")), "PIC16F877")
                      << QStringLiteral("--virtual-fault") << QStringLiteral("nochip")
                      << QStringLiteral("read") << out);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, noChip.arg(QStringLiteral("0000")));
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_FALSE(QFile::exists(out));
  // A line stuck at 1: every word erased, which a blank check would take for an erased chip.
  run = runCli(onBoard(tmp.path(QStringLiteral("b.hex")), "PIC16F877")
               << QStringLiteral("--virtual-fault") << QStringLiteral("data1")
               << QStringLiteral("blank"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, noChip.arg(QStringLiteral("3FFF")));
  EXPECT_TRUE(run.out.isEmpty());
  // A chip that answers: an erased PIC16F877 passes its blank check as before.
  run = runCli(onBoard(tmp.path(QStringLiteral("b.hex")), "PIC16F877") << QStringLiteral("blank"));
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Operación Completada.\n"));

  // The PIC16F84 has no identification word: its read of an empty socket stays a success.
  run = runCli(onBoard(tmp.path(QStringLiteral("c.hex")), "PIC16F84")
               << QStringLiteral("--virtual-fault") << QStringLiteral("nochip")
               << QStringLiteral("read") << out);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Operación Completada.\n"));
  const QMap<int, int> words = hexWordsOfFile(out);
  for (int a = 0; a < 1024; ++a) ASSERT_EQ(words.value(a, -1), 0) << a;
  for (int e = 0; e < 64; ++e) ASSERT_EQ(words.value(0x2100 + e, -1) & 0xFF, 0) << e;
  EXPECT_EQ(words.value(0x2007, -1), 0);
}

TEST(CliFault, StateFileKeepsTheChipsIdentity) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  CliRun run = runCli(onBoard(state, "PIC16F876") << QStringLiteral("blank"));
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0x2006), 0x09E1);
  // The 16F876 put in a board set to PIC16F877 stays a 16F876.
  run = runCli(onBoard(state, "PIC16F877") << QStringLiteral("blank"));
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0x2006), 0x09E1);
}

TEST(CliFault, FaultListsAreCheckedBeforeAnythingRuns) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString hint = QStringLiteral("\nPruebe «tavrix-cli --help» para más información.\n");
  struct Case {
    QStringList args;
    QString err;
  };
  const Case cases[] = {
      {{"--virtual", state, "--virtual-fault", "nochip,bogus", "blank"},
       "tavrix-cli: --virtual-fault: fallo de placa desconocido: «bogus» (se admiten nochip, "
       "novpp, data0, data1, slow)."},
      {{"--virtual", state, "--virtual-fault", "data0,data1", "blank"},
       "tavrix-cli: --virtual-fault: data0 y data1 no pueden ir juntos: la línea de datos se "
       "queda fija en un solo nivel."},
      // Repeated options add up, and are checked together.
      {{"--virtual", state, "--virtual-fault", "data0", "--virtual-fault", "slow,data1", "blank"},
       "tavrix-cli: --virtual-fault: data0 y data1 no pueden ir juntos: la línea de datos se "
       "queda fija en un solo nivel."},
      {{"--virtual-fault", "nochip", "blank"},
       "tavrix-cli: --virtual-fault solo se puede usar con --virtual."},
      {{"--port", tmp.path("lp9"), "--virtual-fault", "slow", "blank"},
       "tavrix-cli: --virtual-fault solo se puede usar con --virtual."},
  };
  for (const Case& c : cases) {
    const CliRun run = runCli(shippedIni() + c.args);
    EXPECT_EQ(run.status, 2) << c.args.join(' ').toStdString();
    EXPECT_EQ(run.err, c.err + hint);
    EXPECT_TRUE(run.out.isEmpty());
  }
  EXPECT_FALSE(QFile::exists(state));

  // No option is dropped: the board has both faults, as the board test names them.
  const CliRun run = runCli(shippedIni() << "--virtual" << state << "--virtual-fault"
                                         << "nochip"
                                         << "--virtual-fault"
                                         << "data1"
                                         << "board-test");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("puerto: placa virtual (fallos: nochip,data1)\n")))
      << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("línea de datos: siempre 1")));
}

// A "Flash1" write is followed by a compare; when the compare finds the chip is not what was
// written, the command never says it completed.
TEST(CliFault, Flash1WriteWhoseCompareFailsNeverSaysItCompleted) {
  TempFiles tmp;
  const QString fw = tmp.write(QStringLiteral("fw.hex"), ":0400000005280000CF\n:00000001FF\n");
  const CliRun run =
      runCli(onBoard(tmp.path(QStringLiteral("chip.hex")), "PIC16F73") << "--virtual-fault"
                                                                       << "data0"
                                                                       << "--no-id-check"
                                                                       << "write" << fw);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: Error de verificación en dir: 0000")))
      << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
}

// A write the identity check refuses changes nothing, not even the spelling of the contents
// file: words written by hand as FFFF stay FFFF.
TEST(CliFault, WriteRefusedByTheIdentityCheckLeavesTheFileByteForByte) {
  TempFiles tmp;
  const QByteArray contents = hexRecord(0, QByteArray("\xFF\xFF\x05\x28", 4)) +
                              hexRecord(0x400C, QByteArray("\xE1\x09", 2)) + ":00000001FF\n";
  const QString state = tmp.write(QStringLiteral("chip.hex"), contents);
  const QString fw = tmp.write(QStringLiteral("fw.hex"), ":0400000005280000CF\n:00000001FF\n");
  const CliRun run = runCli(onBoard(state, "PIC16F877") << "write" << fw);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: El PIC del zócalo es un PIC16F876")))
      << run.err.toStdString();
  EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), contents);
}

}  // namespace
}  // namespace tavrix::test
