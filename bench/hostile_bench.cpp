// A 100 MB HEX file: the same program memory written again and again, as a runaway tool might
// leave it. The load reads line by line, so its memory does not grow with the file; the
// counters give the time, the lines per second and the growth of the peak resident memory.
// Takes seconds and a 100 MB temporary file, so the smoke run skips it; run it with
// --benchmark_filter=Manual.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "device/DeviceDef.h"
#include "image/HexReader.h"
#include "image/MemoryImage.h"
#include "image/Prompts.h"

namespace {

using namespace tavrix;

class CountingPrompts : public Prompts {
 public:
  void ShowInfo(const QString&) override { ++boxes; }
  bool AskOnError(const QString&) override { return ++boxes, false; }
  void ShowError(const QString&) override { ++boxes; }
  bool AskYesNo(const QString&, const QString&) override { return ++boxes, true; }
  int boxes = 0;
};

QByteArray hexByte(int v) {
  return QByteArray::number(v & 0xFF, 16).toUpper().rightJustified(2, '0');
}

// One pass over 8192 words, 16 to a record, each record with its checksum.
QByteArray programPass(int pass) {
  QByteArray out;
  for (int a = 0; a < 8192; a += 16) {
    QByteArray bytes = QByteArray::fromHex("20") + char((2 * a) >> 8) + char((2 * a) & 0xFF) + '\0';
    for (int k = 0; k < 16; ++k) {
      const int w = (a + k + pass) & 0x3FFF;
      bytes += char(w & 0xFF);
      bytes += char(w >> 8);
    }
    int sum = 0;
    for (char c : bytes) sum += static_cast<unsigned char>(c);
    out += ':' + bytes.toHex().toUpper() + hexByte(256 - sum % 256) + '\n';
  }
  return out;
}

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_HexLoad100MB_Manual(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("huge.hex"));
  {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
      state.SkipWithError("cannot write the file");
      return;
    }
    qint64 size = 0;
    for (int pass = 0; size < 100 * 1000 * 1000; ++pass) size += out.write(programPass(pass));
    out.write(":00000001FF\n");
  }
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F877");
  d.ProgMem = 8192;
  d.EEProm = 256;
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  MemoryImage image(d);
  image.ResetEEPromGrid();
  image.ResetProgramGrid();
  CountingPrompts prompts;
  const long before = peakKb();
  for (auto _ : state) {
    if (ReadHexFile(path, image, prompts) != HexLoad::Completed || prompts.boxes != 0)
      state.SkipWithError("the load did not complete silently");
  }
  const double lines = double(QFileInfo(path).size()) / 76;
  state.counters["lines_per_s"] =
      benchmark::Counter(lines * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["peak_growth_MB"] = double(peakKb() - before) / 1024;
  state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_HexLoad100MB_Manual)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
