// The virtual chip's contents file (--virtual): held by one run at a time, saved before any
// success is told, and refused for devices whose areas would share its bytes.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

#include "cli/CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

const QString kFixture = QStringLiteral("gpasm__flash_16f84a.hex");

QString inUse(const QString& state) {
  return QStringLiteral(
             "Error: Fichero de estado %1: el fichero de estado está en uso por otro "
             "programa.\n")
      .arg(state);
}

// The names in the file's folder, hidden ones too.
QStringList namesIn(const TempFiles& tmp) {
  return QDir(tmp.path(QString())).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// A first run that has taken the state file and is held in the middle of its save; meanwhile
// a second run must not touch the file.
TEST(StateFile, SecondRunWhileTheFirstHoldsTheFileIsRefusedAndChangesNothing) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));  // not there yet
  const QString hold = tmp.write(QStringLiteral("hold"), "");
  QProcess first;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("TAVRIX_TEST_HOLD_SAVE"), hold);
  first.setProcessEnvironment(environment);
  first.setStandardInputFile(QProcess::nullDevice());
  first.start(cliBinary(), shippedIni()
                               << "--device"
                               << "PIC16F84A"
                               << "--virtual" << state << "write" << fixturePath(kFixture));
  ASSERT_TRUE(first.waitForStarted());
  // The save's new file beside the one the run created at its start, and `hold`.
  for (int i = 0; i < 3000 && namesIn(tmp).size() < 3; ++i) QThread::msleep(10);
  ASSERT_EQ(namesIn(tmp).size(), 3) << namesIn(tmp).join(' ').toStdString();
  const QByteArray before = tmp.read(state);

  const CliRun second =
      runCli(shippedIni() << "--device"
                          << "PIC16F84A"
                          << "--virtual" << state << "write" << fixturePath(kFixture));
  EXPECT_EQ(second.status, 2);
  EXPECT_EQ(second.err, inUse(state));
  EXPECT_TRUE(second.out.isEmpty());
  EXPECT_EQ(tmp.read(state), before);

  ASSERT_TRUE(QFile::remove(hold));
  ASSERT_TRUE(first.waitForFinished(60000));
  EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
  EXPECT_EQ(first.readAllStandardOutput(), QByteArray("Operación Completada.\n"));
  EXPECT_EQ(namesIn(tmp), QStringList{"chip.hex"});
  EXPECT_NE(tmp.read(state), before);

  // Free again once the first run is over, and holding what it wrote.
  const CliRun after =
      runCli(shippedIni() << "--device"
                          << "PIC16F84A"
                          << "--virtual" << state << "verify" << fixturePath(kFixture));
  EXPECT_EQ(after.status, 0) << after.err.toStdString();
}

// Two runs started together on a contents file not made yet: whichever makes it holds it from
// that moment to its last save, so either the other is refused or it runs after and keeps the
// first one's write. Never both succeed with one write lost.
TEST(StateFile, TwoRunsOnAFileNotMadeYetNeverBothSucceedWithAWriteLost) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("c.hex"));
  const QString prog = tmp.write(QStringLiteral("prog.hex"), ":020000000A30C4\n:00000001FF\n");
  const QString ee = tmp.write(QStringLiteral("ee.hex"), ":024200000500B7\n:00000001FF\n");
  const QStringList base = shippedIni() << "--device"
                                        << "PIC16F877"
                                        << "--virtual" << state << "--areas";
  int overlapped = 0;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    QFile::remove(state);
    QProcess first;
    QProcess second;
    for (QProcess* p : {&first, &second}) p->setStandardInputFile(QProcess::nullDevice());
    first.start(cliBinary(), QStringList(base) << "prog"
                                               << "write" << prog);
    second.start(cliBinary(), QStringList(base) << "eeprom"
                                                << "write" << ee);
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_TRUE(second.waitForFinished(60000));
    const int a = first.exitCode();
    const int b = second.exitCode();
    ASSERT_TRUE((a == 0 || a == 2) && (b == 0 || b == 2) && (a == 0 || b == 0))
        << a << ' ' << b << first.readAllStandardError().toStdString()
        << second.readAllStandardError().toStdString();
    overlapped += a == 2 || b == 2;
    const QMap<int, int> words = hexWordsOfFile(state);
    EXPECT_EQ(words.value(0) == 0x300A, a == 0);
    EXPECT_EQ((words.value(0x2100) & 0xFF) == 0x05, b == 0);
  }
  // Not a proof that they ran together, only a note of how often they did.
  std::printf("runs refused as overlapping: %d of 12\n", overlapped);
}

// The file is saved before "Operación Completada." would be said: a save that fails says why,
// ends with 2 and leaves the previous file as it was.
TEST(StateFile, FailedSaveSaysWhyInsteadOfSuccessAndKeepsThePreviousFile) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  ASSERT_EQ(runCli(shippedIni() << "--device"
                                << "PIC16F877"
                                << "--virtual" << state << "blank")
                .status,
            0);
  const QByteArray before = tmp.read(state);
  ASSERT_GT(before.size(), 8192);
  const auto smallFiles = [] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8192, 8192};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  };
  const CliRun run =
      runCliBytes({"--ini", TAVRIX_SHIPPED_INI, "--device", "PIC16F877", "--virtual",
                   QFile::encodeName(state), "write", QFile::encodeName(fixturePath(kFixture))},
                  smallFiles);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
  EXPECT_EQ(run.err,
            QStringLiteral("Error: Error al escribir el fichero %1: File too large.\n").arg(state));
  EXPECT_EQ(tmp.read(state), before);
  EXPECT_EQ(namesIn(tmp), QStringList{"chip.hex"});

  // A name too long for the folder: said with the system's reason, before the chip.
  const QString tooLong = tmp.path(QString(300, QLatin1Char('x')) + QStringLiteral(".hex"));
  const CliRun named = runCli(shippedIni() << "--virtual" << tooLong << "blank");
  EXPECT_EQ(named.status, 2);
  EXPECT_TRUE(named.err.endsWith(QStringLiteral(": File name too long.\n")))
      << named.err.toStdString();
}

// Areas that would share bytes of the file would be saved by one and read back into the other.
TEST(StateFile, DevicesWhoseAreasShareTheFilesBytesAreRefusedBeforeTheChip) {
  TempFiles tmp;
  const QString ini = tmp.write(QStringLiteral("t.ini"),
                                "[PICINPROGRAM]\nProgMem=1024\nEEPromStart=$300\n"
                                "[PICINCONFIG]\nProgMem=1024\nEEPromStart=$1FF8\nEEProm=64\n"
                                "[PICPASTEND]\nEEPromStart=$7FF0\n"
                                "[PICBIG]\nProgMem=16384\nEEProm=0\n"
                                "[PICFINE]\nEEPromStart=$2008\nEEProm=16\n");
  const QString state = tmp.path(QStringLiteral("s.hex"));
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  const QString shared = QStringLiteral(
      "no se puede usar con la placa virtual: su memoria de programa y su EEPROM ocupan "
      "direcciones del fichero de estado que comparten entre sí o con las posiciones ID y la "
      "palabra de configuración (4000 a 400F).");
  const QList<QPair<QString, QString>> refused = {
      {"PICINPROGRAM", "El dispositivo PICINPROGRAM " + shared},
      {"PICINCONFIG", "El dispositivo PICINCONFIG " + shared},
      {"PICPASTEND", "La EEPROM del dispositivo no cabe en un fichero HEX."},
      // Program words from 0x2000 on would share the bytes of the ID and configuration words.
      {"PICBIG", "El dispositivo PICBIG " + shared}};
  for (const auto& [device, message] : refused) {
    SCOPED_TRACE(device.toStdString());
    const CliRun run =
        runCli({"--ini", ini, "--device", device, "--virtual", state, "--trace", trace, "blank"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Error: " + message + '\n');
    EXPECT_FALSE(QFile::exists(state));
    EXPECT_FALSE(QFile::exists(trace));
  }
  // Right after the configuration words is free.
  const CliRun run = runCli({"--ini", ini, "--device", "PICFINE", "--virtual", state, "blank"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

}  // namespace
}  // namespace tavrix::test
