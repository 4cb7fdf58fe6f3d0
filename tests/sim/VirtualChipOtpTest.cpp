// The "OTP" chip: pulses, over-programming record, no erase.
#include <gtest/gtest.h>

#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

TEST(VirtualChipOtp, CellsVerifyAfterOneTwoAndThreePulses) {
  SimRig rig(pic16C622());
  const std::vector<std::uint16_t> words = {0x2805, 0x0000, 0x1683, 0x0123};
  std::vector<int> verifiedAfter;
  rig.modeOn();
  for (std::uint16_t w : words) {
    verifiedAfter.push_back(rig.otpWord(w));
    EXPECT_EQ(rig.read(), w);
    rig.inc();
  }
  rig.modeOff();
  EXPECT_EQ(verifiedAfter, (std::vector<int>{1, 2, 3, 1}));
  // k pulses to verify, then 3k + 1 more: the record counts the ones after verification.
  const int expectedAfter[] = {4, 7, 10, 4};
  for (int a = 0; a < 4; ++a) {
    const OtpCellRecord record = rig.chip.otpRecord(static_cast<std::uint16_t>(a));
    EXPECT_EQ(record.afterEqual, expectedAfter[a]) << a;
    EXPECT_EQ(record.pulses, verifiedAfter[a] + expectedAfter[a]) << a;
  }
  EXPECT_EQ(rig.readProgram(4), words);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipOtp, CellThatCannotReachItsValueFailsAllPulses) {
  SimRig rig(pic16C622());
  rig.chip.setProgramWord(0, 0x1000);
  rig.modeOn();
  EXPECT_EQ(rig.otpWord(0x3000), 0);  // bit 13 is a 0 that only UV light could raise
  EXPECT_EQ(rig.read(), 0x1000);
  rig.modeOff();
  const OtpCellRecord record = rig.chip.otpRecord(0);
  EXPECT_EQ(record.pulses, 25);
  EXPECT_EQ(record.afterEqual, -1);
  EXPECT_EQ(rig.chip.programWord(0), 0x1000);
}

TEST(VirtualChipOtp, PulsesBeforeTheNeededOneLeaveTheCellAlone) {
  SimRig rig(pic16C622());
  rig.modeOn();
  rig.inc(2);  // this cell needs 3 pulses
  for (int pulse = 1; pulse <= 3; ++pulse) {
    rig.send(CmdLoadProgData, 0x0AAA);
    rig.send(CmdBeginProg);
    rig.sleep(1);
    rig.send(CmdEndProg);
    EXPECT_EQ(rig.read(), pulse < 3 ? 0x3FFF : 0x0AAA) << pulse;
  }
  rig.modeOff();
}

TEST(VirtualChipOtp, IdsAndConfigurationWordNeedTwoPulses) {
  SimRig rig(pic16C622());
  rig.modeOn();
  rig.send(CmdLoadConfig, 0);
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(rig.otpWord(static_cast<std::uint16_t>(0x3F80 + p)), 2);
    rig.inc();
  }
  rig.inc(3);
  EXPECT_EQ(rig.otpWord(0x3FB1), 2);
  rig.modeOff();
  for (int p = 0; p < 4; ++p) EXPECT_EQ(rig.chip.idWord(p), 0x3F80 + p);
  EXPECT_EQ(rig.chip.configWord(), 0x3FB1);
  EXPECT_EQ(rig.chip.otpRecord(0x2007).afterEqual, 7);
  EXPECT_EQ(rig.chip.otpRecord(0x2000).pulses, 9);
}

TEST(VirtualChipOtp, NothingErasesIt) {
  SimRig rig(pic16C622());
  rig.chip.setProgramWord(0, 0x0000);
  rig.chip.setConfigWord(0x0000);
  rig.flashUnprotect();
  rig.modeOn();
  rig.send(CmdBulkEraseProg);
  rig.sleep(40);
  rig.send(11);
  rig.sleep(10);
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(0), 0x0000);
  EXPECT_EQ(rig.chip.configWord(), 0x0000);
}

TEST(VirtualChipOtp, ProtectedCellsIgnorePulsesAndReadZero) {
  SimRig rig(pic16C622());
  rig.chip.setProgramWord(0, 0x3FFF);
  rig.chip.setConfigWord(0x3FEF);  // a CP0 bit at 0
  rig.modeOn();
  EXPECT_EQ(rig.otpWord(0x0001), 0);
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(0), 0x3FFF);
  EXPECT_EQ(rig.chip.otpRecord(0).pulses, 0);
}

TEST(VirtualChipOtp, ShortPulseOrMissingEndCorruptsTheCell) {
  {
    SimRig rig(pic16C622());
    rig.modeOn();
    rig.send(CmdLoadProgData, 0x0F00);
    rig.send(CmdBeginProg);
    rig.clock.advanceUs(99);
    rig.send(CmdEndProg);
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), 1);
    EXPECT_EQ(rig.chip.programWord(0), 0x0000);
  }
  {
    SimRig rig(pic16C622());
    rig.modeOn();
    rig.send(CmdLoadProgData, 0x0F00);
    rig.send(CmdBeginProg);
    rig.clock.advanceUs(100);
    rig.send(CmdEndProg);
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), 0);
    EXPECT_EQ(rig.chip.programWord(0), 0x0F00);
  }
  {
    SimRig rig(pic16C622());
    rig.modeOn();
    rig.send(CmdLoadProgData, 0x0F00);
    rig.send(CmdBeginProg);
    rig.sleep(1);
    rig.read();  // End forgotten
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), 1);
    EXPECT_EQ(rig.chip.programWord(0), 0x0000);
  }
}

}  // namespace
}  // namespace tavrix::test
