// tavrix-cli write --watch while it waits for the file to change: the processor time it takes,
// which must be next to nothing (it sleeps on inotify, and looks at the file once a second).
// Runs the built tool for a few seconds of real time, so it is left out of the smoke run.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

// User and system time of a process so far, in seconds; negative when it cannot be read.
double cpuSeconds(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return -1;
  const QByteArray text = stat.readAll();
  // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
  const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return -1;
  return (fields[11].toDouble() + fields[12].toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

void BM_WatchLoopIdleCpu_RealClock(benchmark::State& state) {
  QTemporaryDir dir;
  const auto write = [&](const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QLatin1String(name)));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
  };
  const QString ini = write("Tavrix.ini", "[PIC16F84A]\nProgramming=Flash\n");
  const QString fw = write("fw.hex", ":020000000528D1\n:00000001FF\n");
  const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/tavrix-cli");
  constexpr int kIdleMs = 3000;
  double percent = -1;
  for (auto _ : state) {
    QProcess process;
    process.start(cli, {QStringLiteral("--ini"), ini, QStringLiteral("--virtual"),
                        dir.filePath(QStringLiteral("chip.hex")), QStringLiteral("write"),
                        QStringLiteral("--watch"), fw});
    if (!process.waitForStarted() || !process.waitForReadyRead(10000)) {
      state.SkipWithError("tavrix-cli did not start its loop");
      return;
    }
    const double before = cpuSeconds(process.processId());
    QThread::msleep(kIdleMs);
    const double after = cpuSeconds(process.processId());
    process.terminate();
    process.waitForFinished();
    if (before < 0 || after < 0) {
      state.SkipWithError("cannot read the process's times");
      return;
    }
    percent = 100.0 * (after - before) / (kIdleMs / 1000.0);
  }
  state.counters["idle_cpu_pct"] = percent;
}
BENCHMARK(BM_WatchLoopIdleCpu_RealClock)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
