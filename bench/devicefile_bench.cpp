// Device files near the 64 MB limit the reader accepts: one section of millions of keys,
// millions of sections of one name, and millions of names each with its own section. Each is
// listed as `tavrix-cli devices` lists it (every name, and the names of several sections) and
// one device is selected as the tool selects it (the last one, where names differ, so that
// the whole file is walked). The run happens in a child process, so the peak memory it reports
// is its own: counters give the time and the peak growth of resident memory as a multiple of
// the file's size. The last one runs `tavrix-cli devices` itself, as a user would, on a file of
// millions of sections that hold nothing but their names, and takes the whole process's peak.
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "device/DeviceFile.h"
#include "image/DeviceSelection.h"
#include "image/MemoryImage.h"

namespace {

using namespace tavrix;

constexpr qint64 kFileBytes = 63 * 1024 * 1024;

struct Outcome {
  double seconds = -1;
  double peakGrowthBytes = -1;
  bool ok = false;
};

long statusKb(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLong();
  return -1;
}

// Writes lines made by `line(i)` until the file holds kFileBytes, after `head`.
QString generated(QTemporaryDir& dir, const char* name, const QByteArray& head,
                  const std::function<QByteArray(qint64)>& line) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return {};
  out.write(head);
  QByteArray chunk;
  for (qint64 i = 0, size = head.size();; ++i) {
    const QByteArray next = line(i);
    if (size + next.size() > kFileBytes) break;
    size += next.size();
    chunk += next;
    if (chunk.size() > (1 << 20)) {
      out.write(chunk);
      chunk.clear();
    }
  }
  out.write(chunk);
  return path;
}

// In a child: list the devices as the tool does, then select the last one listed.
Outcome listAndSelect(const QString& path) {
  int report[2];
  if (::pipe(report) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    const long startKb = statusKb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const DeviceList list = ReadDeviceList(path);
    qsizetype characters = 0;
    QString last;
    for (const QString& name : list.devices) {
      characters += name.toUtf8().size() + 1;  // as printed
      last = name;
    }
    characters += list.repeated.size();
    DeviceContext ctx;
    ctx.ConfigPath = path;
    MemoryImage image(ctx.CurrentDevice);
    const bool selected = !last.isEmpty() && SelectDeviceCore(ctx, image, last).isEmpty() &&
                          list.devices.contains(last) && characters > 0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double figures[3] = {seconds, double(statusKb("VmHWM:") - startKb) * 1024,
                               selected ? 1.0 : 0.0};
    [[maybe_unused]] const ssize_t n = ::write(report[1], figures, sizeof figures);
    ::_exit(0);
  }
  ::close(report[1]);
  double figures[3] = {-1, -1, 0};
  const bool read = ::read(report[0], figures, sizeof figures) == sizeof figures;
  ::close(report[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {figures[0], figures[1], read && figures[2] > 0};
}

void runOn(benchmark::State& state, const char* name, const QByteArray& head,
           const std::function<QByteArray(qint64)>& line) {
  QTemporaryDir dir;
  const QString path = generated(dir, name, head, line);
  if (path.isEmpty()) {
    state.SkipWithError("cannot write the file");
    return;
  }
  Outcome outcome;
  for (auto _ : state) {
    outcome = listAndSelect(path);
    state.SetIterationTime(outcome.seconds);
  }
  if (!outcome.ok) state.SkipWithError("the device was not listed and selected");
  state.counters["list_select_ms"] = outcome.seconds * 1000;
  state.counters["memory_x"] = outcome.peakGrowthBytes / double(QFile(path).size());
  state.counters["file_MB"] = double(QFile(path).size()) / (1024 * 1024);
}

// The first case: one section, millions of keys (each a different one).
void BM_DeviceFileOneSectionManyKeys(benchmark::State& state) {
  runOn(state, "keys.ini", "[PIC16F84A]\n",
        [](qint64 i) { return "k" + QByteArray::number(i) + "=b\n"; });
}
BENCHMARK(BM_DeviceFileOneSectionManyKeys)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Millions of sections of one name: every one listed, the name said once to repeat.
void BM_DeviceFileManySectionsOneName(benchmark::State& state) {
  runOn(state, "sections.ini", "", [](qint64) { return QByteArray("[PIC]\n"); });
}
BENCHMARK(BM_DeviceFileManySectionsOneName)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Millions of names, each its own section with a key; the last one is selected.
void BM_DeviceFileManyNames(benchmark::State& state) {
  runOn(state, "names.ini", "", [](qint64 i) {
    return "[PIC" + QByteArray::number(i) + "]\nProgMem=" + QByteArray::number(i % 1024) + "\n";
  });
}
BENCHMARK(BM_DeviceFileManyNames)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

QByteArray bareName(qint64 i) {
  return "[PIC" + QByteArray::number(i) + "]\n";
}

// Millions of names, each a section of its own with nothing in it: the most names a file of
// this size can hold, and so the largest table of names to tell the repeated ones.
void BM_DeviceFileManyBareNames(benchmark::State& state) {
  runOn(state, "bare.ini", "", bareName);
}
BENCHMARK(BM_DeviceFileManyBareNames)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

#ifdef TAVRIX_CLI_BINARY
// `tavrix-cli devices` on that file, its output thrown away: the whole process's peak resident
// memory (the program's own start-up included) against the file's size.
void BM_DeviceFileCliDevicesWholeProcess(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = generated(dir, "bare.ini", "", bareName);
  const QByteArray ini = QFile::encodeName(path);
  double seconds = -1;
  long peakKb = -1;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      for (int fd : {0, 1, 2}) ::dup2(null, fd);
      ::execl(TAVRIX_CLI_BINARY, TAVRIX_CLI_BINARY, "--ini", ini.constData(), "devices",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      state.SkipWithError("tavrix-cli devices failed");
      return;
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    peakKb = usage.ru_maxrss;
    state.SetIterationTime(seconds);
  }
  state.counters["memory_x"] = double(peakKb) * 1024 / double(QFile(path).size());
  state.counters["file_MB"] = double(QFile(path).size()) / (1024 * 1024);
}
BENCHMARK(BM_DeviceFileCliDevicesWholeProcess)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace
