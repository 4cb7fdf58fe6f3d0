// The chip's identification word at 0x2006: what it answers on the wire, that nothing over the
// wire changes it, and that its contents file keeps it.
#include <gtest/gtest.h>

#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

struct IdCase {
  const char* device;
  std::uint16_t word;  // DeviceID with revision 1, or the blank word for parts without one
};

TEST(ChipIdentification, AnswersItsDeviceWordByteForByte) {
  const IdCase cases[] = {
      {"PIC16F84A", 0x0561}, {"PIC16F877", 0x09A1}, {"PIC16F628", 0x07C1},
      {"PIC16F73", 0x0601},  {"PIC16F84", 0x3FFF},  {"PIC16C622", 0x3FFF},
  };
  for (const IdCase& c : cases) {
    SCOPED_TRACE(c.device);
    SimRig rig(shippedDevice(c.device));
    TraceSink sink;
    RecordingPort port(rig.board, sink);
    Link link(port, rig.clock, [] { return 14; });
    EXPECT_EQ(readConfigSpace(link, 6), c.word);
    EXPECT_EQ(sink.lines(), deviceIdReadTrace(c.word));
    EXPECT_EQ(rig.chip.deviceIdWord(), c.word);
  }
}

TEST(ChipIdentification, NoWriteNorEraseReachesTheWord) {
  for (const char* name : {"PIC16F84A", "PIC16F73", "PIC16C622"}) {
    SCOPED_TRACE(name);
    SimRig rig(shippedDevice(name));
    const std::uint16_t word = rig.chip.deviceIdWord();
    rig.modeOn();
    rig.send(CmdLoadConfig, 0);
    rig.inc(6);
    switch (rig.chip.kind()) {
      case DeviceKind::Flash:
        rig.flashWord(0x0000);
        break;
      case DeviceKind::Flash1:  // the pair 0x2006-0x2007, programmed from the odd address
        rig.send(CmdLoadProgData, 0x0000);
        rig.inc();
        rig.flash1Word(0x2007, 0x3FF1);
        break;
      default:
        rig.otpWord(0x0000);
    }
    rig.modeOff();
    if (rig.chip.kind() == DeviceKind::Flash) rig.flashUnprotect();
    if (rig.chip.kind() == DeviceKind::Flash1) {
      rig.modeOn();
      rig.send(CmdBulkEraseProg);
      rig.sleep(30);
      rig.modeOff();
    }
    rig.chip.erase();
    EXPECT_EQ(readConfigSpace(rig.link, 6), word);
    EXPECT_EQ(rig.chip.timingViolations(), 0);
  }
}

TEST(ChipIdentification, ContentsFileKeepsTheWordOfTheChipItHolds) {
  VirtualClock clock;
  VirtualChip f876(shippedDevice("PIC16F876"), clock);
  f876.setProgramWord(0, 0x2805);
  const QByteArray text = f876.hexText();
  EXPECT_TRUE(text.contains(":02400C00E109C8\n"));  // 0x09E1, low byte first

  // The same chip in a board set to PIC16F877 still answers as a 16F876.
  SimRig rig(shippedDevice("PIC16F877"));
  QString error;
  ASSERT_TRUE(rig.chip.loadHexText(text, &error)) << error.toStdString();
  EXPECT_EQ(readConfigSpace(rig.link, 6), 0x09E1);
  EXPECT_EQ(rig.chip.hexText(), text);

  // A file from before the word was kept holds a chip of the selected device.
  ASSERT_TRUE(rig.chip.loadHexText(":020000000528D1\n:00000001FF\n", &error));
  EXPECT_EQ(readConfigSpace(rig.link, 6), 0x09A1);

  // Each byte lands where its address says, whatever the record around it.
  ASSERT_TRUE(rig.chip.loadHexText(":06400A00FF3FE3093F3F08\n:00000001FF\n", &error))
      << error.toStdString();
  EXPECT_EQ(rig.chip.deviceIdWord(), 0x09E3);
  EXPECT_EQ(rig.chip.configWord(), 0x3F3F);
  ASSERT_TRUE(rig.chip.loadHexText(":01400D00278B\n:00000001FF\n", &error)) << error.toStdString();
  EXPECT_EQ(rig.chip.deviceIdWord(), 0x27A1);  // high byte from the file, low byte the 877's
}

}  // namespace
}  // namespace tavrix::test
