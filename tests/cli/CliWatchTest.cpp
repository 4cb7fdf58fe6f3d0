// write --watch end to end on the virtual board: a round for each complete version of the file,
// none for a half-written one, rounds with chip errors that do not end the loop, and a signal
// that ends it with the board idle and the chip saved.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>

#include "CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

QByteArray program(int word, bool complete = true) {
  QByteArray data;
  data.append(char(word & 0xFF));
  data.append(char(word >> 8));
  return hexRecord(0, data) + (complete ? ":00000001FF\n" : "");
}

// The tool running in the background, its output gathered as it comes.
struct Watcher {
  explicit Watcher(const QStringList& args) {
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(cliBinary(), args);
    EXPECT_TRUE(process.waitForStarted());
  }
  ~Watcher() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished();
    }
  }
  // Waits until `text` has appeared `times` times on stdout (or stderr).
  bool waitFor(const QString& text, int times = 1, bool onStderr = false) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
      out += QString::fromUtf8(process.readAllStandardOutput());
      err += QString::fromUtf8(process.readAllStandardError());
      if (count(onStderr ? err : out, text) >= times) return true;
      if (timer.elapsed() > 30000 || process.state() == QProcess::NotRunning) return false;
      process.waitForReadyRead(100);
    }
  }
  // Files the tool has open.
  int openHandles() const {
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(process.processId()))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
  }
  void stop(int signo) {
    ::kill(pid_t(process.processId()), signo);
    EXPECT_TRUE(process.waitForFinished(30000));
    out += QString::fromUtf8(process.readAllStandardOutput());
    err += QString::fromUtf8(process.readAllStandardError());
  }

  QProcess process;
  QString out;
  QString err;
};

TEST(CliWatch, ProgramsEachCompleteVersionAndSkipsAHalfWrittenOne) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  const QString fw = tmp.write(QStringLiteral("fw.hex"), program(0x2805));
  Watcher w(shippedIni() << "--device"
                         << "PIC16F84A"
                         << "--virtual" << state << "--trace" << trace << "write"
                         << "--watch" << fw);
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 1: fw.hex escrito y verificado en ")))
      << w.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x2805);
  const int handles = w.openHandles();

  // The assembler's way: a new file renamed over the old one.
  tmp.write(QStringLiteral("fw.new"), program(0x3001));
  ASSERT_EQ(::rename(QFile::encodeName(tmp.path(QStringLiteral("fw.new"))).constData(),
                     QFile::encodeName(fw).constData()),
            0);
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 2: fw.hex escrito y verificado en ")))
      << w.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x3001);

  // Rewritten in place and left half-written: not programmed, said, and waited on.
  tmp.write(QStringLiteral("fw.hex"), program(0x3002, false));
  ASSERT_TRUE(w.waitFor(QStringLiteral("fw.hex no se carga sin preguntas"), 1, true))
      << w.out.toStdString();
  EXPECT_TRUE(
      w.waitFor(QStringLiteral("  Falta el registro de fin de fichero (:00000001FF).\n"), 1, true));
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x3001);

  // Completed: programmed once.
  tmp.write(QStringLiteral("fw.hex"), program(0x3002));
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 3: fw.hex escrito y verificado en ")))
      << w.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x3002);
  EXPECT_EQ(w.openHandles(), handles);  // rounds do not pile up files

  w.stop(SIGINT);
  EXPECT_EQ(w.process.exitStatus(), QProcess::CrashExit);  // ended as the signal ends it
  EXPECT_EQ(count(w.out, QStringLiteral("ronda")), 3) << w.out.toStdString();
  EXPECT_EQ(w.out.count(QLatin1Char('\n')), 3);  // one line a round, nothing else
  EXPECT_EQ(fileLines(trace).back(), "W 24");
  EXPECT_TRUE(tmp.read(QStringLiteral("trace.txt")).endsWith('\n'));
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x3002);
}

TEST(CliWatch, RoundsWithChipErrorsAreReportedAndTheLoopGoesOnUntilSigterm) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  const QString fw = tmp.write(QStringLiteral("fw.hex"), program(0x2805));
  Watcher w(shippedIni() << "--virtual" << state << "--virtual-fault"
                         << "nochip"
                         << "--no-id-check"
                         << "--trace" << trace << "write"
                         << "--watch" << fw);
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 1: fw.hex con errores en el PIC (")))
      << w.err.toStdString();
  EXPECT_TRUE(w.err.contains(QStringLiteral("Error: Error de verificación en dir: 0000")));
  tmp.write(QStringLiteral("fw.hex"), program(0x2806));
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 2: fw.hex con errores en el PIC (")))
      << w.err.toStdString();
  w.stop(SIGTERM);
  EXPECT_EQ(w.process.exitStatus(), QProcess::CrashExit);
  EXPECT_EQ(fileLines(trace).back(), "W 24");
}

}  // namespace
}  // namespace tavrix::test
