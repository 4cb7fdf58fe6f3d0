// Resetting program memory with its grid on screen: the image refills every cell and the view
// follows the model reset and repaints what is in view.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/ImageGrid.h"
#include "device/DeviceDef.h"
#include "image/GridTableModel.h"
#include "image/MemoryImage.h"

namespace {

void BM_ResetProgramGridWithView(benchmark::State& state) {
  tavrix::DeviceDef device;
  device.Name = QStringLiteral("PIC16F877");
  device.ProgMem = int(state.range(0));
  device.EEProm = 256;
  device.ProgBits = 14;
  tavrix::MemoryImage image(device);
  tavrix::GridTableModel model(image, tavrix::GridTableModel::Program);
  tavrix::ImageGrid grid(&model);
  grid.resize(737, 265);
  grid.show();
  image.ResetProgramGrid();
  QApplication::processEvents();
  for (auto _ : state) {
    image.ResetProgramGrid();
    grid.scrollToBottom();  // the view lays out every row again
    grid.viewport()->repaint();
    QApplication::processEvents();
  }
  benchmark::DoNotOptimize(image.progText(device.ProgMem - 1));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ResetProgramGridWithView)->Arg(8192)->Arg(32768)->Unit(benchmark::kMillisecond);

}  // namespace
