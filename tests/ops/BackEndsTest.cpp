// The link puts the same traffic on the wire whichever back end carries it: a whole write and
// verify of a chip, run once through the recording port straight onto the virtual board, once
// through the printer driver and once through the parallel-port driver (both over the fake
// kernel, with the same virtual board behind them).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ChipRig.h"
#include "image/HexReader.h"
#include "link/PortOpening.h"
#include "link/Recording.h"
#include "ops/Commands.h"
#include "support/FakePortSystem.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

enum class BackEnd { Recording, Printer, Ppdev };

// One run of write-then-verify; the trace holds every byte, status read and wait in order.
struct BackEndRun {
  explicit BackEndRun(BackEnd backEnd)
      : rig(shippedDevice(QStringLiteral("PIC16F877"))),
        recordingPort(rig.board, sink),
        recordingClock(rig.clock, sink),
        kernel(&rig.board, &sink) {
    rig.link.setClock(recordingClock);
    if (backEnd == BackEnd::Recording) {
      rig.link.setPort(recordingPort);
      return;
    }
    const std::string node = backEnd == BackEnd::Printer ? "/dev/lp0" : "/dev/parport0";
    kernel.add(node, backEnd == BackEnd::Printer ? FakePortSystem::Kind::Printer
                                                 : FakePortSystem::Kind::Ppdev);
    port = std::move(PortOpen(kernel).port);
    if (port) rig.link.setPort(*port);
    sink.clear();  // the printer driver's status, asked at opening, is not the link's
  }

  void writeAndVerify() {
    ScriptedPrompts loading;
    ASSERT_EQ(ReadHexFile(fixturePath(QStringLiteral("wisp628-blink-a-led__a877.hex")), rig.image,
                          loading),
              HexLoad::Completed);
    rig.scopeAll();
    EXPECT_TRUE(writeChip(rig.engine));
    EXPECT_TRUE(verifyChip(rig.engine));
  }

  // The kernel calls that carried data bytes and status reads.
  long count(const std::string& prefix) const {
    return std::count_if(kernel.calls.begin(), kernel.calls.end(),
                         [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  }

  TraceSink sink;
  ChipRig rig;
  RecordingPort recordingPort;
  RecordingClock recordingClock;
  FakePortSystem kernel;
  std::unique_ptr<ParallelPort> port;
};

TEST(BackEnds, EveryBackEndCarriesTheSameTraffic) {
  BackEndRun recording(BackEnd::Recording);
  BackEndRun printer(BackEnd::Printer);
  BackEndRun ppdev(BackEnd::Ppdev);
  ASSERT_TRUE(printer.port && ppdev.port);
  for (BackEndRun* run : {&recording, &printer, &ppdev}) {
    run->writeAndVerify();
    EXPECT_EQ(run->rig.prompts.texts(),
              QStringList({"Operación Completada.", "Operación Completada."}));
    EXPECT_EQ(chipDifferences(run->rig.image, run->rig.chip), "");
    EXPECT_EQ(run->rig.chip.timingViolations(), 0);
  }

  const std::vector<std::string>& expected = recording.sink.lines();
  const long writes = std::count_if(expected.begin(), expected.end(),
                                    [](const std::string& l) { return l[0] == 'W'; });
  const long reads = std::count_if(expected.begin(), expected.end(),
                                   [](const std::string& l) { return l[0] == 'R'; });
  ASSERT_GT(writes, 10000);
  ASSERT_GT(reads, 1000);
  // Compared as wholes, but a first difference is easier to read than a million lines.
  const auto firstDifference = [&](const std::vector<std::string>& lines) {
    const auto at = std::mismatch(expected.begin(), expected.end(), lines.begin(), lines.end());
    return long(at.first - expected.begin());
  };
  // The printer driver's status carries BUSY, held low by the board (0x80 set): the rest is
  // the board's.
  std::vector<std::string> printerLines = printer.sink.lines();
  for (std::string& line : printerLines) {
    if (line.rfind("R ", 0) != 0) continue;
    const unsigned status = unsigned(std::stoul(line.substr(2), nullptr, 16));
    EXPECT_TRUE(status & 0x80) << line;
    char text[8];
    std::snprintf(text, sizeof text, "R %02X", status & 0x7F);
    line = text;
  }
  EXPECT_EQ(firstDifference(printerLines), long(expected.size()));
  EXPECT_EQ(printerLines.size(), expected.size());
  EXPECT_EQ(firstDifference(ppdev.sink.lines()), long(expected.size()));
  EXPECT_EQ(ppdev.sink.lines().size(), expected.size());

  // One system call per byte and per status read, of the driver's own kind.
  EXPECT_EQ(printer.count("write 3 "), writes);
  EXPECT_EQ(printer.count("ioctl 3 LPGETSTATUS"), reads + 1);  // +1: the question at opening
  EXPECT_EQ(printer.count("ioctl 3 PP"), 1);                   // PPEXCL at opening, refused
  EXPECT_EQ(ppdev.count("ioctl 3 PPWDATA "), writes);
  EXPECT_EQ(ppdev.count("ioctl 3 PPRSTATUS"), reads);
  EXPECT_EQ(ppdev.count("write "), 0);
}

}  // namespace
}  // namespace tavrix::test
