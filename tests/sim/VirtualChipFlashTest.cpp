// The "Flash" chip driven through the link, as the engine drives it.
#include <gtest/gtest.h>

#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

const std::vector<std::uint16_t> kWords = {0x2805, 0x0000, 0x3FFF, 0x1683, 0x2001, 0x1234, 0x0F0F};

TEST(VirtualChipFlash, ProgramsWordsThatReadBackAndVerify) {
  for (const DeviceDef& device : {pic16F84A(), pic16F628()}) {
    SCOPED_TRACE(device.Name.toStdString());
    SimRig rig(device);
    const int wait = device.Name.contains(QLatin1String("16F62")) ? 2 : 10;
    rig.modeOn();
    for (std::uint16_t w : kWords) {
      rig.flashWord(w, wait);
      EXPECT_EQ(rig.read(), w);  // read-back right after the wait, as a write run does
      rig.inc();
    }
    rig.modeOff();
    EXPECT_EQ(rig.readProgram(static_cast<int>(kWords.size())), kWords);
    for (std::size_t i = 0; i < kWords.size(); ++i)
      EXPECT_EQ(rig.chip.programWord(int(i)), kWords[i]);
    EXPECT_EQ(rig.chip.programWord(int(kWords.size())), 0x3FFF);
    EXPECT_EQ(rig.chip.timingViolations(), 0);
  }
}

TEST(VirtualChipFlash, WritesAndReadsEEPromBytes) {
  SimRig rig(pic16F628());
  rig.modeOn();
  const std::vector<std::uint8_t> bytes = {0x12, 0xAB, 0x00, 0xFF, 0x5A};
  for (std::uint8_t b : bytes) {
    rig.flashEEByte(b);
    EXPECT_EQ(rig.readEE(), b);  // bits 7..0, upper bits 0
    rig.inc();
  }
  rig.modeOff();
  for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(rig.chip.eepromByte(int(i)), bytes[i]);
  EXPECT_EQ(rig.chip.eepromByte(5), 0xFF);
  EXPECT_EQ(rig.chip.programWord(0), 0x3FFF);  // a data load does not reach program memory

  // A word of more than 8 bits keeps only its low byte; the index wraps modulo EEProm.
  rig.modeOn();
  rig.inc(128 + 7);
  rig.flashEEByte(0x3C5);
  rig.modeOff();
  EXPECT_EQ(rig.chip.eepromByte(7), 0xC5);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash, UnprotectSequenceErasesEverythingAndLiftsProtection) {
  SimRig rig(pic16F628());
  for (int i = 0; i < 2048; ++i) rig.chip.setProgramWord(i, static_cast<std::uint16_t>(i));
  for (int i = 0; i < 128; ++i) rig.chip.setEEPromByte(i, static_cast<std::uint8_t>(i));
  for (int p = 0; p < 4; ++p) rig.chip.setIdWord(p, 0x3F80);
  rig.chip.setConfigWord(0x0000);  // every CP and CPD bit on
  ASSERT_TRUE(rig.chip.programProtected());
  ASSERT_TRUE(rig.chip.eepromProtected());

  rig.flashUnprotect();
  EXPECT_EQ(rig.chip.timingViolations(), 0);
  EXPECT_EQ(rig.chip.configWord(), 0x3FFF);
  EXPECT_FALSE(rig.chip.programProtected());
  EXPECT_FALSE(rig.chip.eepromProtected());
  for (int i = 0; i < 2048; ++i) ASSERT_EQ(rig.chip.programWord(i), 0x3FFF) << i;
  for (int i = 0; i < 128; ++i) ASSERT_EQ(rig.chip.eepromByte(i), 0xFF) << i;
  for (int p = 0; p < 4; ++p) EXPECT_EQ(rig.chip.idWord(p), 0x3FFF);
}

TEST(VirtualChipFlash, SetupSequenceElsewhereOrBrokenIsAnOrdinaryBegin) {
  SimRig rig(pic16F84A());
  rig.chip.setProgramWord(1, 0x0001);
  rig.modeOn();
  rig.send(CmdLoadConfig, 0);
  rig.send(CmdLoadProgData, 0x3FF0);
  rig.inc(7);
  rig.send(CmdEraseSetup1);
  rig.send(CmdIncAddress);  // breaks the sequence, counter now 0x2008
  rig.send(CmdEraseSetup1);
  rig.send(CmdEraseSetup2);
  rig.send(CmdBeginProg);  // not at 0x2007: writes the latch to a location that ignores it
  rig.sleep(10);
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(1), 0x0001);
  EXPECT_EQ(rig.chip.configWord(), 0x3FFF);
}

TEST(VirtualChipFlash, BulkEraseCodesEraseProgramAndData) {
  SimRig rig(pic16F628());
  rig.chip.setProgramWord(3, 0x0003);
  rig.chip.setEEPromByte(3, 0x03);
  rig.chip.setConfigWord(0x3F00);
  rig.modeOn();
  rig.send(CmdBulkEraseProg);
  rig.sleep(10);
  EXPECT_EQ(rig.chip.programWord(3), 0x3FFF);
  EXPECT_EQ(rig.chip.eepromByte(3), 0x03);
  rig.send(11);  // Bulk Erase Data Memory
  rig.sleep(10);
  rig.modeOff();
  EXPECT_EQ(rig.chip.eepromByte(3), 0xFF);
  EXPECT_EQ(rig.chip.configWord(), 0x3F00);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash, ProtectedProgramReadsZeroButConfigurationStaysReadable) {
  SimRig rig(pic16F84A());
  rig.chip.setProgramWord(0, 0x2805);
  rig.chip.setIdWord(0, 0x3F81);
  rig.chip.setEEPromByte(0, 0x42);
  rig.chip.setConfigWord(0x000F);  // CP bits 13..4 at 0
  ASSERT_TRUE(rig.chip.programProtected());
  ASSERT_FALSE(rig.chip.eepromProtected());  // the 16F84A has no CPD bit in its names

  EXPECT_EQ(rig.readProgram(2), (std::vector<std::uint16_t>{0x0000, 0x0000}));
  rig.modeOn();
  EXPECT_EQ(rig.readEE(), 0x42);
  rig.send(CmdLoadConfig, 0);
  EXPECT_EQ(rig.read(), 0x3F81);
  rig.inc(7);
  EXPECT_EQ(rig.read(), 0x000F);
  rig.modeOff();

  // Writes to protected program memory are ignored.
  rig.modeOn();
  rig.flashWord(0x0000);
  rig.inc();
  rig.flashWord(0x1111);
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(0), 0x2805);
  EXPECT_EQ(rig.chip.programWord(1), 0x3FFF);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipFlash, OneCodeProtectBitAtZeroProtectsAndCpdProtectsTheEEProm) {
  SimRig rig(pic16F628());
  rig.chip.setProgramWord(0, 0x0100);
  rig.chip.setEEPromByte(0, 0x42);
  rig.chip.setConfigWord(0x3F61 & ~(1 << 12));  // one CP0 bit
  EXPECT_TRUE(rig.chip.programProtected());
  EXPECT_FALSE(rig.chip.eepromProtected());
  EXPECT_EQ(rig.readProgram(1)[0], 0x0000);

  rig.chip.setConfigWord(0x3F61 & ~(1 << 8));  // CPD only
  EXPECT_FALSE(rig.chip.programProtected());
  EXPECT_TRUE(rig.chip.eepromProtected());
  EXPECT_EQ(rig.readProgram(1)[0], 0x0100);
  rig.modeOn();
  EXPECT_EQ(rig.readEE(), 0x00);
  rig.flashEEByte(0x99);  // ignored
  rig.modeOff();
  EXPECT_EQ(rig.chip.eepromByte(0), 0x42);
}

TEST(VirtualChipFlash, CodeProtectionWrittenByTheEngineTakesEffectAtOnce) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.flashWord(0x2805);
  rig.modeOff();
  rig.modeOn();
  rig.send(CmdLoadConfig, 0);
  rig.inc(7);
  rig.flashWord(0x0001);
  EXPECT_EQ(rig.read(), 0x0001);
  rig.modeOff();
  EXPECT_EQ(rig.readProgram(1)[0], 0x0000);
  EXPECT_EQ(rig.chip.programWord(0), 0x2805);  // still there, only hidden
}

// --- Timing ------------------------------------------------------------------------------

TEST(VirtualChipFlash, MissingWaitCorruptsTheWordAndIsCounted) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.send(CmdLoadProgData, 0x2805);
  rig.send(CmdBeginProg);
  EXPECT_TRUE(rig.chip.busy());
  EXPECT_EQ(rig.read(), 0x0000);  // the read arrives while the word is being written
  EXPECT_EQ(rig.chip.timingViolations(), 1);
  EXPECT_FALSE(rig.chip.busy());
  rig.inc();
  rig.flashWord(0x1111);  // the next word, properly waited, is fine
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(0), 0x0000);
  EXPECT_EQ(rig.chip.programWord(1), 0x1111);
  EXPECT_EQ(rig.chip.timingViolations(), 1);
}

TEST(VirtualChipFlash, WaitShorterThanTheChipsCycleIsAViolation) {
  struct Case {
    DeviceDef device;
    int waitMs;
    bool violation;
  };
  const Case cases[] = {
      {pic16F84A(), 3, true},  {pic16F84A(), 4, false},  {pic16F628(), 1, true},
      {pic16F628(), 2, false}, {pic16F84A(), 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device.Name.toStdString() + " " + std::to_string(c.waitMs));
    SimRig rig(c.device);
    rig.modeOn();
    rig.flashWord(0x1234, c.waitMs);
    rig.inc();  // any command counts, not only a read
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), c.violation ? 1 : 0);
    EXPECT_EQ(rig.chip.programWord(0), c.violation ? 0x0000 : 0x1234);
  }
}

TEST(VirtualChipFlash, ShortWaitsOnEEPromAndEraseCorruptThem) {
  {
    SimRig rig(pic16F628());
    rig.modeOn();
    rig.flashEEByte(0x77, 3);
    EXPECT_EQ(rig.readEE(), 0x00);
    rig.modeOff();
    EXPECT_EQ(rig.chip.eepromByte(0), 0x00);
    EXPECT_EQ(rig.chip.timingViolations(), 1);
  }
  {
    // An unprotect cut short leaves the chip unreadable, as a real interrupted erase would.
    SimRig rig(pic16F628());
    rig.modeOn();
    rig.send(CmdLoadConfig, 0);
    rig.inc(7);
    rig.send(CmdEraseSetup1);
    rig.send(CmdEraseSetup2);
    rig.send(CmdBeginProg);
    rig.sleep(5);
    rig.send(CmdEraseSetup1);
    rig.modeOff();
    EXPECT_EQ(rig.chip.timingViolations(), 1);
    EXPECT_EQ(rig.chip.configWord(), 0x0000);
    EXPECT_EQ(rig.chip.programWord(0), 0x0000);
    EXPECT_TRUE(rig.chip.programProtected());
    rig.flashUnprotect();  // a full unprotect recovers it
    EXPECT_EQ(rig.chip.configWord(), 0x3FFF);
    EXPECT_EQ(rig.chip.timingViolations(), 1);
  }
}

TEST(VirtualChipFlash, LeavingProgrammingModeMidCycleCorruptsTheWord) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.flashWord(0x1234, 1);
  rig.modeOff();
  EXPECT_EQ(rig.chip.timingViolations(), 1);
  EXPECT_EQ(rig.chip.programWord(0), 0x0000);
}

TEST(VirtualChipFlash, WriteToAProtectedWordTooEarlyIsCountedButChangesNothing) {
  SimRig rig(pic16F84A());
  rig.chip.setProgramWord(0, 0x0777);
  rig.chip.setConfigWord(0x0000);
  rig.modeOn();
  rig.send(CmdLoadProgData, 0x0001);
  rig.send(CmdBeginProg);
  rig.read();
  rig.modeOff();
  EXPECT_EQ(rig.chip.timingViolations(), 1);
  EXPECT_EQ(rig.chip.programWord(0), 0x0777);
}

TEST(VirtualChipFlash, AnyOtherProgrammingTextBehavesAsFlash) {
  DeviceDef device = pic16F84A();
  device.Programming = QStringLiteral("flash");
  SimRig rig(device);
  EXPECT_EQ(rig.chip.kind(), DeviceKind::Flash);
  rig.modeOn();
  rig.flashWord(0x0042);
  rig.flashEEByte(0x24);
  rig.modeOff();
  EXPECT_EQ(rig.chip.programWord(0), 0x0042);
  EXPECT_EQ(rig.chip.eepromByte(0), 0x24);
}

}  // namespace
}  // namespace tavrix::test
