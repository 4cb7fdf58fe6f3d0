// Load and save of the largest image the device file holds: 8192 program words and 256 EEPROM
// bytes, every cell written. The save goes through a temporary file replaced on commit.
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "device/DeviceDef.h"
#include "image/HexReader.h"
#include "image/HexText.h"
#include "image/HexWriter.h"
#include "image/MemoryImage.h"
#include "image/Prompts.h"

namespace {

using namespace tavrix;
using bench::AllAreasHost;
using bench::SilentPrompts;

DeviceDef bigDevice() {
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F877");
  d.ProgMem = 8192;
  d.EEProm = 256;
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.PalConfDef = 0x3F71;
  return d;
}

struct Rig {
  Rig() : image(device) {
    image.ResetEEPromGrid();
    image.ResetProgramGrid();
    for (int a = 0; a < device.ProgMem; ++a) image.storeProgValue(a, (a * 0x1235) & 0x3FFF);
    for (int e = 0; e < device.EEProm; ++e) image.storeEeValue(e, (e * 7) & 0xFF);
    image.ShowIdent(0x1234);
    image.SetPalConf(0x3F71);
    path = dir.filePath(QStringLiteral("big.hex"));
  }
  DeviceDef device = bigDevice();
  MemoryImage image;
  SilentPrompts prompts;
  QTemporaryDir dir;
  QString path;
};

void BM_HexSave(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) {
    if (WriteHexFile(rig.path, rig.image, rig.prompts) != HexSave::Saved)
      state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_HexSave)->Unit(benchmark::kMillisecond);

void BM_HexLoad(benchmark::State& state) {
  Rig rig;
  if (WriteHexFile(rig.path, rig.image, rig.prompts) != HexSave::Saved) {
    state.SkipWithError("save failed");
    return;
  }
  for (auto _ : state) {
    if (ReadHexFile(rig.path, rig.image, rig.prompts) != HexLoad::Completed)
      state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_HexLoad)->Unit(benchmark::kMillisecond);

// The file's text alone, without the file system.
void BM_HexText(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) benchmark::DoNotOptimize(hexFileText(rig.image));
}
BENCHMARK(BM_HexText)->Unit(benchmark::kMillisecond);

}  // namespace
