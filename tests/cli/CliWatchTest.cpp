// write --watch end to end on the virtual board: a round for each complete version of the file,
// none for a half-written one nor while the file keeps being replaced, a complete file that
// cannot be loaded told apart from a half-written one, rounds with chip errors that do not end
// the loop, and a signal that ends it with the board idle and the chip saved.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>

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
  // With `dataLimitMb`, the tool may hold no more data than that.
  explicit Watcher(const QStringList& args, rlim_t dataLimitMb = 0) {
    process.setStandardInputFile(QProcess::nullDevice());
    if (dataLimitMb > 0) {
      process.setChildProcessModifier([dataLimitMb] {
        const rlimit limit{dataLimitMb << 20, dataLimitMb << 20};
        ::setrlimit(RLIMIT_DATA, &limit);
      });
    }
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

  // Cut short inside a record, end record and all: a record shorter than its length is not
  // programmed in part, and is taken for a version still being written.
  tmp.write(QStringLiteral("fw.hex"), ":1000000001020304E6\n:00000001FF\n");
  ASSERT_TRUE(w.waitFor(QStringLiteral("fw.hex no se carga sin preguntas"), 2, true))
      << w.err.toStdString();
  EXPECT_TRUE(
      w.waitFor(QStringLiteral("  Hex File: registro más corto que su longitud.\n"), 1, true));
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
  EXPECT_FALSE(w.err.contains(QStringLiteral("está completo")));
  EXPECT_EQ(w.out.count(QLatin1Char('\n')), 3);  // one line a round, nothing else
  EXPECT_EQ(fileLines(trace).back(), "W 24");
  EXPECT_TRUE(tmp.read(QStringLiteral("trace.txt")).endsWith('\n'));
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x3002);
}

// A complete version whose records lie outside the device is said at once to be refused, not
// taken for a half-written one; a version of one gigabyte-long line (sparse) is read with the
// tool allowed 100 MB of data, and the loop goes on to program the next version.
TEST(CliWatch, CompleteFileOutOfRangeIsToldAsSuchAndAGigabyteLineIsReadInBoundedMemory) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw =
      tmp.write(QStringLiteral("fw.hex"), hexRecord(0x1000, QByteArray(2, '\0')) + ":00000001FF\n");
#if defined(__SANITIZE_ADDRESS__)
  const rlim_t limitMb = 0;  // the sanitizer's own memory would not fit
#else
  const rlim_t limitMb = 100;
#endif
  Watcher w(shippedIni() << "--device"
                         << "PIC16F84A"
                         << "--virtual" << state << "write"
                         << "--watch" << fw,
            limitMb);
  ASSERT_TRUE(w.waitFor(QStringLiteral("] fw.hex está completo, pero no se carga sin preguntas: "
                                       "no se escribe esta versión; se espera al siguiente "
                                       "cambio.\n  Hex File: dirección fuera de rango\n"),
                        1, true))
      << w.err.toStdString();
  EXPECT_FALSE(w.err.contains(QStringLiteral("medio escribir")));

  // One line of a gigabyte, then the end record, swapped in by rename.
  const QString huge =
      tmp.write(QStringLiteral("huge.tmp"), hexRecord(0, QByteArray(2, '\0')) + ':');
  {
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(qint64{1} << 30));
    ASSERT_GT(file.write("\n:00000001FF\n"), 0);
  }
  ASSERT_EQ(::rename(QFile::encodeName(huge).constData(), QFile::encodeName(fw).constData()), 0);
  ASSERT_TRUE(w.waitFor(QStringLiteral("  Hex File: línea demasiado larga (más de 65536 "
                                       "caracteres).\n"),
                        1, true))
      << w.err.toStdString();
  EXPECT_TRUE(w.err.contains(QStringLiteral("fw.hex no se carga sin preguntas (¿está a medio")));

  tmp.write(QStringLiteral("fw.hex"), program(0x2805));
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 1: fw.hex escrito y verificado en ")))
      << w.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x2805);
  w.stop(SIGINT);
}

// An assembler or editor that replaces the file by rename every 2 ms, its temporary file's
// events in the same folder, is waited out: the file is programmed once it has settled, not
// once a round (flash wear on a real chip).
TEST(CliWatch, FileReplacedEveryFewMillisecondsIsProgrammedOnceItSettles) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = tmp.write(QStringLiteral("fw.hex"), program(0x2805));
  Watcher w(shippedIni() << "--device"
                         << "PIC16F84A"
                         << "--virtual" << state << "write"
                         << "--watch" << fw);
  ASSERT_TRUE(w.waitFor(QStringLiteral("] ronda 1: fw.hex escrito y verificado en ")))
      << w.err.toStdString();

  const QByteArray next = QFile::encodeName(tmp.path(QStringLiteral("fw.new")));
  const QByteArray target = QFile::encodeName(fw);
  int versions = 0;
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
    tmp.write(QStringLiteral("fw.new"), program(0x3000 + versions++ % 0x400));
    ASSERT_EQ(::rename(next.constData(), target.constData()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const int last = 0x3000 + (versions - 1) % 0x400;
  QElapsedTimer timer;
  timer.start();
  while (hexWordsOfFile(state).value(0) != last && timer.elapsed() < 30000)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(hexWordsOfFile(state).value(0), last);
  // Settled and written: nothing more comes.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  w.stop(SIGINT);
  // Only a writer stalled for the whole quiet period by a loaded machine makes a round mid-way.
  EXPECT_LE(count(w.out, QStringLiteral("ronda")), 4) << versions << " versions\n"
                                                      << w.out.toStdString();
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
