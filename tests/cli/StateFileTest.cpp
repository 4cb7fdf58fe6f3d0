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

// A first run that has taken the state file and waits, opening its trace FIFO, until the test
// reads the trace; meanwhile a second run must not touch the file.
TEST(StateFile, SecondRunWhileTheFirstHoldsTheFileIsRefusedAndChangesNothing) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));  // not there yet
  const QString fifo = tmp.path(QStringLiteral("trace"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QProcess first;
  first.setStandardInputFile(QProcess::nullDevice());
  first.start(cliBinary(), shippedIni() << "--device"
                                        << "PIC16F84A"
                                        << "--virtual" << state << "--trace" << fifo << "blank");
  ASSERT_TRUE(first.waitForStarted());
  for (int i = 0; i < 1000 && !QFile::exists(state); ++i) QThread::msleep(10);
  ASSERT_TRUE(QFile::exists(state)) << "the first run did not take the file";
  const QByteArray before = tmp.read(state);

  const CliRun second =
      runCli(shippedIni() << "--device"
                          << "PIC16F84A"
                          << "--virtual" << state << "write" << fixturePath(kFixture));
  EXPECT_EQ(second.status, 2);
  EXPECT_EQ(second.err, inUse(state));
  EXPECT_TRUE(second.out.isEmpty());
  EXPECT_EQ(tmp.read(state), before);

  // Opened without waiting, so a first run that never got to its trace cannot hang the test;
  // read as the trace comes, to its end.
  const int trace = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(trace, 0);
  QByteArray traced;
  for (pollfd p{trace, POLLIN, 0}; ::poll(&p, 1, 60000) > 0;) {
    char buffer[4096];
    const ssize_t n = ::read(trace, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN)) break;
    if (n > 0) traced.append(buffer, n);
  }
  ::close(trace);
  ASSERT_TRUE(first.waitForFinished(60000));
  EXPECT_TRUE(traced.startsWith("W 24\nW 34\n")) << traced.left(40).toStdString();
  EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
  EXPECT_EQ(first.readAllStandardOutput(), QByteArray("Operación Completada.\n"));

  // Free again once the first run is over.
  EXPECT_EQ(runCli(shippedIni() << "--virtual" << state << "blank").status, 0);
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
  EXPECT_EQ(QDir(tmp.path(QString())).entryList(QDir::Files | QDir::Hidden),
            QStringList{"chip.hex"});

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
      {"PICPASTEND", "La EEPROM del dispositivo no cabe en un fichero HEX."}};
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
