// The main window's write path on the real clock, as tavrix-sim runs it: "Escribir" clicked on
// a PIC16F84A with its 1024 program words in the image, timed from the click to the completion
// box, against the waits the engine and the link asked for (over_pct, target 1 %). Where the
// rest goes is counted apart: the waits' own lateness (oversleep_ms: the system's and the
// machine's, which own_pct leaves out), the progress window's updates (progress_ms; refresh_ms
// of it at the window's refresh points, whose events are processed inside the next wait), the
// bytes through the virtual board (port_ms). Takes over 10 s, so the smoke run skips it; run it
// with --benchmark_filter=RealClock (offscreen, or on a display with QT_QPA_PLATFORM=xcb).
#include <QCoreApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <sched.h>

#include <chrono>

#include "app/IdleTimeClock.h"
#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "link/RealClock.h"
#include "ops/gui/TProcesaForm.h"

namespace {

using namespace tavrix;

std::int64_t steadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The real clock, with what its waits were asked and how long they really took.
class SleepTimingClock : public Clock {
 public:
  void sleepMs(int ms) override {
    const std::int64_t start = steadyNs();
    real_.sleepMs(ms);
    sleptNs += steadyNs() - start;
    askedUs += std::int64_t{ms} * 1000;
  }
  void waitUs(std::int64_t us) override {
    const std::int64_t start = steadyNs();
    real_.waitUs(us);
    sleptNs += steadyNs() - start;
    askedUs += us > 0 ? us : 0;
  }
  std::int64_t nowUs() const override { return real_.nowUs(); }
  std::int64_t sleptNs = 0;
  std::int64_t askedUs = 0;

 private:
  RealClock real_;
};

// The virtual board, with the time its bytes took.
class TimedPort : public Port {
 public:
  explicit TimedPort(VirtualBoard& board) : board_(board) {}
  bool writeByte(std::uint8_t value) override {
    const std::int64_t start = steadyNs();
    const bool ok = board_.writeByte(value);
    spentNs += steadyNs() - start;
    return ok;
  }
  std::uint8_t readStatus() override {
    const std::int64_t start = steadyNs();
    const std::uint8_t status = board_.readStatus();
    spentNs += steadyNs() - start;
    return status;
  }
  bool goIdleNow() noexcept override { return board_.goIdleNow(); }
  std::int64_t spentNs = 0;

 private:
  VirtualBoard& board_;
};

// Answers every box at once and notes when the completion box came.
class TimingPrompts : public Prompts {
 public:
  void ShowInfo(const QString& text) override {
    if (text == QStringLiteral("Operación Completada.")) completedNs = steadyNs();
  }
  bool AskOnError(const QString&) override {
    ++errors;
    return false;
  }
  void ShowError(const QString&) override { ++errors; }
  bool AskYesNo(const QString&, const QString&) override { return true; }
  std::int64_t completedNs = 0;
  int errors = 0;
};

// The main window, with the time spent in the progress window's updates, and apart at its
// refresh points (where pending events are processed).
class TimedForm : public TTavrixForm {
 public:
  using TTavrixForm::TTavrixForm;
  void ShowProgress(const QString& action, const QString& area, qint64 index) override {
    const std::int64_t start = steadyNs();
    TTavrixForm::ShowProgress(action, area, index);
    const std::int64_t spent = steadyNs() - start;
    progressNs += spent;
    if (TProcesaForm::refreshes(index)) refreshNs += spent;
  }
  std::int64_t progressNs = 0;
  std::int64_t refreshNs = 0;
};

void BM_GuiWriteFlash1024_RealClock(benchmark::State& state) {
  SleepTimingClock real;
  VirtualProgrammer programmer(real);
  TimedPort* port = nullptr;
  StartupOptions options = programmer.startupOptions(QStringLiteral(TAVRIX_SHIPPED_INI));
  options.openPort = [&](const QString&) {
    auto timed = std::make_unique<TimedPort>(programmer.board());
    port = timed.get();
    return std::unique_ptr<Port>(std::move(timed));
  };
  TimingPrompts prompts;
  TimedForm form(prompts, options);
  form.Principal();
  form.show();
  QCoreApplication::processEvents();
  MemoryImage& image = form.image();
  const DeviceDef& device = form.devices().CurrentDevice;
  for (int a = 0; a < device.ProgMem; ++a) image.storeProgValue(a, (a * 0x1235 + 7) & 0x3FFF);
  image.setProgEnd(device.ProgMem);

  // The program's own overhead rather than the machine's other work: a real-time priority where
  // the system grants one (root, CAP_SYS_NICE), so that a busy machine does not take the
  // processor away in the middle of a word. realtime=0: the figure includes the machine's load.
  sched_param realtimePriority{};
  realtimePriority.sched_priority = 10;
  const bool realtime = sched_setscheduler(0, SCHED_FIFO, &realtimePriority) == 0;
  double wallMs = 0;
  double waitsMs = 0;
  auto& waits = dynamic_cast<IdleTimeClock&>(form.link().clock());
  for (auto _ : state) {
    const std::int64_t askedBefore = waits.askedMs();
    real.sleptNs = 0;
    real.askedUs = 0;
    form.progressNs = 0;
    form.refreshNs = 0;
    if (port) port->spentNs = 0;
    prompts.completedNs = 0;
    const std::int64_t start = steadyNs();
    form.BotonEscribir->click();
    wallMs = double((prompts.completedNs ? prompts.completedNs : steadyNs()) - start) / 1e6;
    state.SetIterationTime(wallMs / 1000);
    waitsMs = double(waits.askedMs() - askedBefore);
  }
  if (realtime) {
    sched_param normal{};
    sched_setscheduler(0, SCHED_OTHER, &normal);
  }
  state.counters["wall_ms"] = wallMs;
  state.counters["waits_ms"] = waitsMs;
  state.counters["over_pct"] = 100.0 * (wallMs - waitsMs) / waitsMs;
  const double oversleepMs = double(real.sleptNs) / 1e6 - double(real.askedUs) / 1e3;
  state.counters["oversleep_ms"] = oversleepMs;
  // The program's own share, the waits' lateness (the system's and the machine's) taken off.
  state.counters["own_pct"] = 100.0 * (wallMs - waitsMs - oversleepMs) / waitsMs;
  state.counters["progress_ms"] = double(form.progressNs) / 1e6;
  state.counters["refresh_ms"] = double(form.refreshNs) / 1e6;
  state.counters["port_ms"] = port ? double(port->spentNs) / 1e6 : 0;
  state.counters["words"] = device.ProgMem;
  state.counters["errors"] = prompts.errors;
  state.counters["completed"] = prompts.completedNs != 0;
  state.counters["realtime"] = realtime;
}
BENCHMARK(BM_GuiWriteFlash1024_RealClock)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
