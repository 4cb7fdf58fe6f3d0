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

  struct Case {
    const char* faults;
    int config;
  };
  for (const Case& c : {Case{"nochip", 0x0000}, Case{"novpp", 0x0000}, Case{"data0", 0x0000},
                        Case{"data1", 0x3FFF}, Case{"slow", 0x3FF2}}) {
    SCOPED_TRACE(c.faults);
    const QString out = tmp.path(QStringLiteral("out.hex"));
    run = runCli(onBoard(state) << QStringLiteral("--virtual-fault") << QLatin1String(c.faults)
                                << QStringLiteral("--areas") << QStringLiteral("config")
                                << QStringLiteral("read") << out);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Operación Completada.\n"));
    EXPECT_EQ(hexWordsOfFile(out).value(0x2007), c.config);
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

TEST(CliFault, ReadOfAnEmptySocketGivesEveryWordZero) {
  TempFiles tmp;
  const QString out = tmp.path(QStringLiteral("out.hex"));
  const CliRun run = runCli(onBoard(tmp.path(QStringLiteral("chip.hex")))
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
}

}  // namespace
}  // namespace tavrix::test
