// A port that stops taking writes (a board unplugged, a driver error) must never let an
// operation claim success: the run stops with the port message, reads change nothing, and
// unprotect does not say the chip was erased.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "link/LinkTexts.h"
#include "link/LptPort.h"
#include "link/PortOpening.h"
#include "ops/BoardTest.h"
#include "ops/Commands.h"
#include "support/FakePortSystem.h"

namespace tavrix::test {
namespace {

const QString kPortFails = QString::fromUtf8(texts::kNoParallelPortUtf8);
const QString kCompleted = QStringLiteral("Operación Completada.");

// Passes bytes to the board until `failAfter` of them went through; later writes fail and do
// not reach the board. While failing, the status byte reads `stuckStatus` when it is set (an
// unplugged board's acknowledge line may read high: every word then reads as erased).
class FailingPort : public Port {
 public:
  FailingPort(Port& inner, std::uint64_t failAfter, int stuckStatus = -1)
      : inner_(inner), failAfter_(failAfter), stuck_(stuckStatus) {}
  bool writeByte(std::uint8_t value) override {
    if (written_ >= failAfter_) return false;
    ++written_;
    return inner_.writeByte(value);
  }
  std::uint8_t readStatus() override {
    if (written_ >= failAfter_ && stuck_ >= 0) return std::uint8_t(stuck_);
    return inner_.readStatus();
  }
  std::uint64_t written() const { return written_; }

 private:
  Port& inner_;
  std::uint64_t failAfter_;
  int stuck_;
  std::uint64_t written_ = 0;
};

struct FailingRig : ChipRig {
  FailingRig(const QString& device, std::uint64_t failAfter, int stuckStatus = -1)
      : ChipRig(shippedDevice(device)), port(board, failAfter, stuckStatus) {
    link.setPort(port);
  }
  FailingPort port;
};

TEST(PortFailure, LinkCountsRefusedWrites) {
  FailingRig rig(QStringLiteral("PIC16F84A"), 20);
  EXPECT_EQ(rig.link.failedWrites(), 0u);
  rig.link.SendCommand(CmdIncAddress, 0);  // 13 bytes
  EXPECT_EQ(rig.link.failedWrites(), 0u);
  rig.link.SendCommand(CmdIncAddress, 0);  // 7 go through, 6 refused
  EXPECT_EQ(rig.link.failedWrites(), 6u);
  EXPECT_EQ(rig.port.written(), 20u);
}

// An unplugged board whose status line reads high looks like an erased chip: the blank check
// must not pass.
TEST(PortFailure, BlankCheckOnADeadPortIsNotASuccess) {
  FailingRig rig(QStringLiteral("PIC16F84A"), 0, 0x40);
  rig.scopeAll();
  rig.image.setProgEnd(rig.devices.CurrentDevice.ProgMem);
  EXPECT_FALSE(blankCheckChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails});
  EXPECT_TRUE(rig.engine.portFailed());
  EXPECT_FALSE(rig.host.windowShown);
  EXPECT_TRUE(rig.host.mainEnabled);
  EXPECT_FALSE(rig.host.log.contains(QStringLiteral("beep")));
}

TEST(PortFailure, ReadOnADeadPortLeavesTheImageAsItWas) {
  FailingRig rig(QStringLiteral("PIC16F877"), 0);
  rig.scopeAll();
  rig.image.storeProgValue(0, 0x2805);
  rig.image.setProgEnd(1);
  rig.image.storeEeValue(3, 0x12);
  rig.image.setEEPromEnd(4);
  rig.image.ShowIdent(0x1234);
  rig.image.SetPalConf(0x3F71);
  EXPECT_FALSE(readChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails});
  EXPECT_EQ(rig.image.progText(0), QStringLiteral("2805"));
  EXPECT_EQ(rig.image.progText(1), QStringLiteral("3FFF"));
  EXPECT_EQ(rig.image.ProgEnd(), 1);
  EXPECT_EQ(rig.image.eeText(3), QStringLiteral("12"));
  EXPECT_EQ(rig.image.EEPromEnd(), 4);
  EXPECT_EQ(rig.image.identText(), QStringLiteral("1234"));
  EXPECT_EQ(rig.image.GetPalConf(), 0x3F71);
}

// A port that dies in the middle of a write stops the run at the word where it happened; the
// words before it are on the chip and nothing claims the rest.
TEST(PortFailure, WriteStopsWhereThePortFails) {
  // Programming mode, then per word about 45 + 13 + 46 + 13 bytes: fail inside the third word.
  FailingRig rig(QStringLiteral("PIC16F84A"), 3 + 2 * 117 + 50, 0x40);
  rig.scopeAll();
  for (int a = 0; a < 8; ++a) rig.image.storeProgValue(a, 0x1000 + a);
  rig.image.setProgEnd(8);
  EXPECT_FALSE(writeChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails});
  EXPECT_EQ(rig.chip.programWord(0), 0x1000);
  EXPECT_EQ(rig.chip.programWord(1), 0x1001);
  EXPECT_EQ(rig.chip.programWord(3), 0x3FFF);
  const QStringList progress = rig.host.progress();
  ASSERT_FALSE(progress.isEmpty());
  EXPECT_EQ(progress.last(), QStringLiteral("Escribiendo|Programa|0002"));
}

// "Flash1" writes are not read back during the write; the failure is still found, told once,
// and the verify run that normally follows is not started.
TEST(PortFailure, PairedWriteIsToldOnce) {
  FailingRig rig(QStringLiteral("PIC16F73"), 0);
  rig.scopeAll();
  rig.image.storeProgValue(0, 0x0123);
  rig.image.setProgEnd(1);
  EXPECT_FALSE(writeChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails});
}

TEST(PortFailure, VerifyOnADeadPortStopsAtOnce) {
  for (int stuck : {0, 0x40}) {
    SCOPED_TRACE(stuck);
    FailingRig rig(QStringLiteral("PIC16F84A"), 0, stuck);
    rig.scopeAll();
    rig.image.setProgEnd(rig.devices.CurrentDevice.ProgMem);
    EXPECT_FALSE(verifyChip(rig.engine));
    EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails});
    EXPECT_TRUE(rig.host.progress().isEmpty());
  }
}

TEST(PortFailure, UnprotectDoesNotClaimTheErase) {
  for (const char* device : {"PIC16F84A", "PIC16F73"}) {
    SCOPED_TRACE(device);
    FailingRig rig(QString::fromLatin1(device), 10);
    EXPECT_EQ(unprotectChip(rig.engine, false), UnprotectResult::PortFailed);
    EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails});
  }
}

// A port that recovers: the next run starts afresh and completes.
TEST(PortFailure, TheNextRunOnAWorkingPortCompletes) {
  FailingRig rig(QStringLiteral("PIC16F84A"), 0);
  EXPECT_FALSE(blankCheckChip(rig.engine));
  rig.link.setPort(rig.board);
  rig.prompts.clear();
  EXPECT_TRUE(blankCheckChip(rig.engine));
  EXPECT_FALSE(rig.engine.portFailed());
  EXPECT_EQ(rig.prompts.texts(), QStringList{kCompleted});
}

// A board that stops taking bytes through the printer driver: the whole run (a paired write of
// a 4K-word chip, which reads nothing back until its end) is over after one byte's bound, with
// the reason and the way out; the board test says the same without waiting any longer; once
// the board takes bytes again, a later run completes.
TEST(PortFailure, StuckPrinterPortStopsTheRunWithinOneBound) {
  ChipRig rig(shippedDevice(QStringLiteral("PIC16F73")));
  FakePortSystem kernel(&rig.board);
  kernel.add("/dev/lp0", FakePortSystem::Kind::Printer);
  std::unique_ptr<ParallelPort> port = PortOpen(kernel).port;
  ASSERT_TRUE(port);
  rig.link.setPort(*port);
  FakePortSystem::Node busy{FakePortSystem::Kind::Printer};
  busy.busyUntilMs = -1;
  kernel.add("/dev/lp0", busy);

  rig.scopeAll();
  for (int a = 0; a < 4096; ++a) rig.image.storeProgValue(a, a & 0x3FFF);
  rig.image.setProgEnd(4096);
  EXPECT_FALSE(writeChip(rig.engine));
  const QString reason = QStringLiteral(
      "/dev/lp0: el puerto no tomó un byte en 1 s: la placa no mantiene BUSY (patilla 11) a nivel "
      "bajo y el controlador de impresora (lp) esperaría para siempre; use el nodo del "
      "controlador de puerto paralelo, /dev/parport0 (portdevice=/dev/parport0 en la sección "
      "[Config] del fichero de configuración).");
  EXPECT_EQ(rig.prompts.texts(), QStringList{kPortFails + QLatin1Char('\n') + reason});
  EXPECT_LE(kernel.nowMs(), kPortWaitMs + 10);
  EXPECT_EQ(rig.chip.programWord(0), 0x3FFF);

  BoardTestSetup setup;
  setup.port = boardPortInfo(port.get(), QString());
  const BoardTestReport report = runBoardTest(rig.link, rig.clock, setup);
  EXPECT_TRUE(report.portRefused);
  EXPECT_TRUE(report.lines.contains(reason));
  EXPECT_LE(kernel.nowMs(), kPortWaitMs + 10);

  kernel.add("/dev/lp0", FakePortSystem::Kind::Printer);
  kernel.poll(-1, 0, LptPort::kRetryGapMs);
  rig.prompts.clear();
  EXPECT_TRUE(blankCheckChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{kCompleted});
}

}  // namespace
}  // namespace tavrix::test
