// The "Flash1" chip (two latches, externally timed pairs, bulk erase).
#include <gtest/gtest.h>

#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

// A write run's program pass over `words`, as the engine does it for "Flash1".
void writeProgram(SimRig& rig, const std::vector<std::uint16_t>& words) {
  rig.modeOn();
  for (std::size_t a = 0; a < words.size(); ++a) {
    rig.flash1Word(static_cast<int>(a), words[a]);
    rig.inc();
  }
  rig.modeOff();
}

TEST(VirtualChipFlash1, ProgramsPairsThatVerify) {
  SimRig rig(pic16F73());
  const std::vector<std::uint16_t> words = {0x2805, 0x0000, 0x1683, 0x3FFF, 0x0123, 0x2AAA};
  writeProgram(rig, words);
  EXPECT_EQ(rig.readProgram(int(words.size())), words);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash1, LoneEvenWordStaysInTheLatchAndIsLost) {
  SimRig rig(pic16F73());
  rig.modeOn();
  rig.flash1Word(0, 0x0111);
  rig.inc();
  rig.flash1Word(1, 0x0222);
  rig.inc();
  rig.flash1Word(2, 0x0333);  // even: no cycle
  EXPECT_EQ(rig.chip.programLatch(0), 0x0333);
  rig.inc();
  rig.modeOff();
  EXPECT_EQ(rig.readProgram(3), (std::vector<std::uint16_t>{0x0111, 0x0222, 0x3FFF}));
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash1, ProgrammingOnlyClearsBits) {
  SimRig rig(pic16F73());
  rig.chip.setProgramWord(0, 0x0F0F);
  rig.chip.setProgramWord(1, 0x3333);
  writeProgram(rig, {0x00FF, 0x1555});
  EXPECT_EQ(rig.chip.programWord(0), 0x0F0F & 0x00FF);
  EXPECT_EQ(rig.chip.programWord(1), 0x3333 & 0x1555);
}

TEST(VirtualChipFlash1, PairIsChosenByTheCounterAtBegin) {
  SimRig rig(pic16F73());
  rig.modeOn();
  rig.inc(4);
  rig.send(CmdLoadProgData, 0x0004);  // latch 0 (counter even)
  rig.inc();
  rig.send(CmdLoadProgData, 0x0005);  // latch 1
  EXPECT_EQ(rig.chip.programLatch(0), 0x0004);
  EXPECT_EQ(rig.chip.programLatch(1), 0x0005);
  rig.send(CmdBeginProg);
  rig.sleep(2);
  rig.send(CmdEndProg);
  EXPECT_EQ(rig.chip.programLatch(0), 0x3FFF);  // End blanks both latches
  EXPECT_EQ(rig.chip.programLatch(1), 0x3FFF);
  rig.modeOff();
  EXPECT_EQ(rig.readProgram(6),
            (std::vector<std::uint16_t>{0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF, 0x0004, 0x0005}));
}

TEST(VirtualChipFlash1, IdsAndConfigurationWordAsTheEngineWritesThem) {
  SimRig rig(pic16F73());
  rig.modeOn();
  rig.send(CmdLoadConfig, 0);
  for (int p = 0; p < 4; ++p) {
    rig.flash1Word(p, static_cast<std::uint16_t>(0x3F80 + p + 1));
    rig.inc();
  }
  rig.inc(3);
  rig.flash1Word(7, 0x3FFA);  // pairs with 0x2006, which ignores writes
  rig.modeOff();
  for (int p = 0; p < 4; ++p) EXPECT_EQ(rig.chip.idWord(p), 0x3F80 + p + 1);
  EXPECT_EQ(rig.chip.configWord(), 0x3FFA);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash1, BulkEraseClearsProgramIdsAndConfiguration) {
  SimRig rig(pic16F73());
  rig.chip.setProgramWord(100, 0x0000);
  rig.chip.setIdWord(2, 0x0000);
  rig.chip.setConfigWord(0x3FEF);  // CP at 0
  ASSERT_TRUE(rig.chip.programProtected());
  EXPECT_EQ(rig.readProgram(1)[0], 0x0000);
  rig.modeOn();
  rig.send(CmdBulkEraseProg);
  rig.sleep(40);
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(100), 0x3FFF);
  EXPECT_EQ(rig.chip.idWord(2), 0x3FFF);
  EXPECT_EQ(rig.chip.configWord(), 0x3FFF);
  EXPECT_FALSE(rig.chip.programProtected());
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash1, BulkEraseCutShortIsCounted) {
  SimRig rig(pic16F73());
  rig.modeOn();
  rig.send(CmdBulkEraseProg);
  rig.sleep(20);
  rig.modeOff();
  EXPECT_EQ(rig.chip.timingViolations(), 1);
  EXPECT_EQ(rig.chip.programWord(0), 0x0000);
  EXPECT_EQ(rig.chip.configWord(), 0x0000);
}

TEST(VirtualChipFlash1, PairNotClosedProperlyIsCorrupted) {
  struct Case {
    const char* what;
    int waitMs;
    int closing;  // command sent after the wait
  };
  const Case cases[] = {
      {"End without wait", 0, CmdEndProg},
      {"read before End", 2, CmdReadProgData},
      {"increment before End", 2, CmdIncAddress},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimRig rig(pic16F73());
    rig.modeOn();
    rig.send(CmdLoadProgData, 0x0111);
    rig.inc();
    rig.send(CmdLoadProgData, 0x0222);
    rig.send(CmdBeginProg);
    EXPECT_TRUE(rig.chip.awaitingEnd());
    rig.sleep(c.waitMs);
    rig.send(c.closing);
    EXPECT_FALSE(rig.chip.awaitingEnd());
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), 1);
    EXPECT_EQ(rig.chip.programWord(0), 0x0000);
    EXPECT_EQ(rig.chip.programWord(1), 0x0000);
  }
  {
    SCOPED_TRACE("mode left before End");
    SimRig rig(pic16F73());
    rig.modeOn();
    rig.send(CmdLoadProgData, 0x0111);
    rig.inc();
    rig.send(CmdBeginProg);
    rig.sleep(2);
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), 1);
    EXPECT_EQ(rig.chip.programWord(0), 0x0000);
  }
}

TEST(VirtualChipFlash1, EndAfterExactlyOneMillisecondIsEnough) {
  SimRig rig(pic16F73());
  rig.modeOn();
  rig.inc();
  rig.send(CmdLoadProgData, 0x0042);
  rig.send(CmdBeginProg);
  rig.sleep(1);
  rig.send(CmdEndProg);
  rig.modeOff();
  EXPECT_EQ(rig.chip.timingViolations(), 0);
  EXPECT_EQ(rig.chip.programWord(1), 0x0042);
}

TEST(VirtualChipFlash1, HasNoEEPromOverTheWire) {
  DeviceDef device = pic16F73();
  device.EEProm = 16;  // even if the device file gave one
  SimRig rig(device);
  rig.chip.setEEPromByte(0, 0x42);
  rig.chip.setProgramWord(0, 0x0000);
  rig.modeOn();
  EXPECT_EQ(rig.readEE(), 0x00);
  rig.send(CmdLoadEEData, 0x11);
  rig.send(11);  // Bulk Erase Data: not a Flash1 command
  rig.sleep(10);
  rig.modeOff();
  EXPECT_EQ(rig.chip.eepromByte(0), 0x42);
  EXPECT_EQ(rig.chip.programWord(0), 0x0000);
}

TEST(VirtualChipFlash1, WritesToProtectedProgramMemoryAreIgnored) {
  SimRig rig(pic16F73());
  rig.chip.setConfigWord(0x3FEF);
  writeProgram(rig, {0x0001, 0x0002});
  EXPECT_EQ(rig.chip.programWord(0), 0x3FFF);
  EXPECT_EQ(rig.chip.programWord(1), 0x3FFF);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

}  // namespace
}  // namespace tavrix::test
