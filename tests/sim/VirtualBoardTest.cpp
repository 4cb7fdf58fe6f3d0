// The board's lines and the chip's pin-level protocol, byte by byte.
#include <gtest/gtest.h>

#include <random>

#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

// Command part of a code, as the link writes it: 08, then per bit LSB first 0A+b, 08+b.
std::vector<std::uint8_t> commandBytes(int code) {
  std::vector<std::uint8_t> bytes = {0x08};
  for (int i = 0; i < 6; ++i) {
    const auto b = static_cast<std::uint8_t>((code >> i) & 1);
    bytes.push_back(static_cast<std::uint8_t>(0x0A + b));
    bytes.push_back(static_cast<std::uint8_t>(0x08 + b));
  }
  return bytes;
}

void writeAll(VirtualBoard& board, const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t b : bytes) board.writeByte(b);
}

TEST(VirtualBoard, StatusCarriesTheHostBitOrTheChipsPgd) {
  SimRig rig(pic16F84A());
  rig.raw({0x24});
  EXPECT_EQ(rig.board.readStatus(), 0x00);  // released, chip unpowered: pulled low
  rig.raw({0x01});
  EXPECT_EQ(rig.board.readStatus(), 0x40);  // driver on: the host's own data bit
  rig.raw({0x0B});
  EXPECT_EQ(rig.board.readStatus(), 0x40);
  rig.raw({0x0A});
  EXPECT_EQ(rig.board.readStatus(), 0x00);
  rig.raw({0x0C});
  EXPECT_EQ(rig.board.readStatus(), 0x00);  // released, the chip drives nothing between frames

  VirtualBoard empty;
  EXPECT_EQ(empty.lines(), 0x24);
  empty.writeByte(0x05);
  EXPECT_EQ(empty.readStatus(), 0x00);
  empty.writeByte(0x01);
  EXPECT_EQ(empty.readStatus(), 0x40);
  EXPECT_EQ(empty.bytesWritten(), 2u);
  EXPECT_EQ(empty.statusReads(), 2u);
}

TEST(VirtualBoard, ReadFrameDeliversBitZeroFirstAfterTheStartClock) {
  SimRig rig(pic16F84A());
  rig.chip.setProgramWord(0, 0x2001);
  rig.modeOn();
  writeAll(rig.board, commandBytes(CmdReadProgData));
  rig.raw({0x0C});
  EXPECT_FALSE(rig.chip.drivesPgd());
  rig.raw({0x0E});  // start clock: the chip does not drive yet
  EXPECT_FALSE(rig.chip.drivesPgd());
  rig.raw({0x0C});
  std::vector<int> bits;
  for (int i = 0; i < 14; ++i) {
    rig.raw({0x0E});  // the chip puts bit i on PGD after this rising edge...
    const int whileHigh = rig.board.readStatus() == 0x40;
    rig.raw({0x0C});  // ...and holds it through the falling edge, when the host samples
    const int afterFall = rig.board.readStatus() == 0x40;
    EXPECT_EQ(whileHigh, afterFall) << i;
    bits.push_back(afterFall);
  }
  EXPECT_EQ(bits, (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_TRUE(rig.chip.drivesPgd());
  rig.raw({0x0E});  // stop clock: the chip lets go at its rising edge
  EXPECT_FALSE(rig.chip.drivesPgd());
  rig.raw({0x0C});
  // The next command is decoded normally.
  writeAll(rig.board, commandBytes(CmdIncAddress));
  EXPECT_EQ(rig.chip.lastCommand(), CmdIncAddress);
  EXPECT_EQ(rig.chip.addressCounter(), 1);
}

TEST(VirtualBoard, LinkReadsDistinctPatternsExactly) {
  SimRig rig(pic16F84A());
  const std::vector<std::uint16_t> words = {0x0001, 0x2000, 0x2001, 0x1234, 0x2AAA, 0x1555, 0x3FFE};
  for (std::size_t i = 0; i < words.size(); ++i) rig.chip.setProgramWord(int(i), words[i]);
  EXPECT_EQ(rig.readProgram(int(words.size())), words);
}

TEST(VirtualBoard, HostSamplingOneClockEarlyGetsAShiftedWord) {
  SimRig rig(pic16F84A());
  rig.chip.setProgramWord(0, 0x0005);
  rig.modeOn();
  writeAll(rig.board, commandBytes(CmdReadProgData));
  rig.raw({0x0C});
  // Counting the start clock as bit 0: 14 samples starting one clock early.
  std::uint32_t v = 0;
  for (int i = 0; i < 14; ++i) {
    rig.raw({0x0E, 0x0C});
    if (rig.board.readStatus() & 0x40) v |= 1u << i;
    if (i == 0) {
      EXPECT_EQ(v, 0u);
    }
  }
  EXPECT_EQ(v, 0x000Au);
}

TEST(VirtualBoard, WrongBitOrderIsVisible) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  // Load Data for Program Memory with the data bits sent most significant first.
  writeAll(rig.board, commandBytes(CmdLoadProgData));
  rig.raw({0x0A, 0x08});
  const std::uint16_t value = 0x0001;
  for (int i = 13; i >= 0; --i) {
    const auto b = static_cast<std::uint8_t>((value >> i) & 1);
    rig.raw({static_cast<std::uint8_t>(0x0A + b), static_cast<std::uint8_t>(0x08 + b)});
  }
  rig.raw({0x0A, 0x08});
  rig.send(CmdBeginProg);
  rig.sleep(10);
  EXPECT_EQ(rig.read(), 0x2000);

  // The command bits themselves reversed: Increment (000110) arrives as code 24 (011000),
  // which this chip ignores; the counter does not move.
  rig.raw({0x08});
  for (int i = 5; i >= 0; --i) {
    const auto b = static_cast<std::uint8_t>((CmdIncAddress >> i) & 1);
    rig.raw({static_cast<std::uint8_t>(0x0A + b), static_cast<std::uint8_t>(0x08 + b)});
  }
  EXPECT_EQ(rig.chip.lastCommand(), 24);
  EXPECT_EQ(rig.chip.addressCounter(), 0);
}

TEST(VirtualBoard, SampleOnTheRisingEdgeIsNotTheChipsWay) {
  // A host that changes data together with the falling edge (data valid only while the clock
  // is high) delivers the previous bit: code 6 arrives shifted.
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.raw({0x08});
  int previous = 0;
  for (int i = 0; i < 6; ++i) {
    const int b = (CmdIncAddress >> i) & 1;
    rig.raw({static_cast<std::uint8_t>(0x0A + b), static_cast<std::uint8_t>(0x08 + previous)});
    previous = b;
  }
  EXPECT_NE(rig.chip.lastCommand(), CmdIncAddress);
  EXPECT_EQ(rig.chip.addressCounter(), 0);
}

TEST(VirtualBoard, SkippedIncrementWritesOverTheSameWord) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.flashWord(0x0111);
  rig.flashWord(0x0222);  // the engine forgot CmdIncAddress
  rig.inc();
  rig.flashWord(0x0333);
  rig.modeOff();
  EXPECT_EQ(rig.readProgram(3), (std::vector<std::uint16_t>{0x0222, 0x0333, 0x3FFF}));
}

TEST(VirtualBoard, WordWidthMismatchMisframesTheStream) {
  SimRig rig(pic16F84A());
  Link narrow(rig.board, rig.clock, [] { return 12; });
  narrow.SendCommand(CmdProgModeOn, 0);
  narrow.SendCommand(CmdLoadProgData, 0x0123);
  narrow.SendCommand(CmdBeginProg, 0);  // two of its clocks finish the chip's 16-clock frame
  narrow.SleepMs(10);
  narrow.SendCommand(CmdProgModeOff, 0);
  EXPECT_NE(rig.chip.programWord(0), 0x0123);
}

TEST(VirtualBoard, ProgrammingModeNeedsClockAndDataLowAtEntry) {
  SimRig rig(pic16F84A());
  rig.raw({0x24, 0x0A});  // VPP rises with the clock high
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  rig.raw({0x08, 0x0A, 0x08});  // the condition never dropped: still out
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  rig.raw({0x34, 0x09});  // data high at entry
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  rig.raw({0x34, 0x0C});  // data released: the line is low
  EXPECT_TRUE(rig.chip.inProgrammingMode());
  rig.raw({0x18});  // MCLR grounded ends it even with VPP on
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  rig.raw({0x08});
  EXPECT_TRUE(rig.chip.inProgrammingMode());
  rig.raw({0x00});  // VPP off
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  rig.raw({0x08, 0x28});  // supply cut
  EXPECT_FALSE(rig.chip.inProgrammingMode());
}

TEST(VirtualBoard, ClocksWithoutVppDoNothing) {
  SimRig rig(pic16F84A());
  rig.raw({0x00});
  for (int i = 0; i < 6; ++i) {
    const auto b = static_cast<std::uint8_t>((CmdIncAddress >> i) & 1);
    rig.raw({static_cast<std::uint8_t>(0x02 + b), b});
  }
  EXPECT_EQ(rig.chip.lastCommand(), -1);
  EXPECT_EQ(rig.chip.commandCount(), 0);
}

TEST(VirtualBoard, SwitchingChipsTakesTheOldOneOut) {
  VirtualClock clock;
  VirtualChip a(pic16F84A(), clock);
  VirtualChip b(pic16F628(), clock);
  VirtualBoard board(&a);
  Link link(board, clock, [] { return 14; });
  link.SendCommand(CmdProgModeOn, 0);
  link.SendCommand(CmdIncAddress, 0);
  EXPECT_TRUE(a.inProgrammingMode());
  board.setChip(&b);
  EXPECT_EQ(board.chip(), &b);
  EXPECT_FALSE(a.inProgrammingMode());
  EXPECT_TRUE(b.inProgrammingMode());  // the lines stand at 0x08: it powers up into the mode
  EXPECT_EQ(b.addressCounter(), 0);
  link.SendCommand(CmdLoadProgData, 0x0042);
  link.SendCommand(CmdBeginProg, 0);
  link.SleepMs(10);
  EXPECT_EQ(b.programWord(0), 0x0042);
  EXPECT_EQ(a.programWord(0), 0x3FFF);
  board.setChip(nullptr);
  EXPECT_EQ(link.SendCommand(CmdReadProgData, 0), 0);
}

TEST(VirtualBoard, AnyByteStreamKeepsTheChipSane) {
  for (const DeviceDef& base : {pic16F628(), pic16F73(), pic16C622()}) {
    for (int bits : {14, 0, 3, 16}) {
      DeviceDef device = base;
      device.ProgBits = bits;
      SCOPED_TRACE(device.Programming.toStdString() + " " + std::to_string(bits));
      VirtualClock clock;
      VirtualChip chip(device, clock);
      VirtualBoard board(&chip);
      std::mt19937 random(1234 + bits);
      for (int i = 0; i < 200000; ++i) {
        const auto r = random();
        // Mostly programming-mode patterns, so the decoder sees plenty of commands.
        const std::uint8_t byte = (r & 0x3F00) ? static_cast<std::uint8_t>(0x08 | (r & 0x07))
                                              : static_cast<std::uint8_t>(r & 0xFF);
        board.writeByte(byte);
        if ((r >> 16) % 7 == 0) board.readStatus();
        if ((r >> 20) % 97 == 0) clock.advanceUs((r >> 24) * 100);
      }
      const std::uint16_t blank = chip.blankWord();
      for (int w = 0; w < chip.programSize(); ++w) ASSERT_LE(chip.programWord(w), blank);
      for (int p = 0; p < 4; ++p) ASSERT_LE(chip.idWord(p), blank);
      EXPECT_LE(chip.configWord(), blank);
      EXPECT_GT(chip.commandCount(), 1000);
    }
  }
}

TEST(VirtualBoard, AbsurdDevicesAreBounded) {
  VirtualClock clock;
  DeviceDef device = pic16F84A();
  device.ProgMem = 1 << 30;
  device.EEProm = -5;
  device.ProgBits = 99;
  device.PalConf.clear();
  VirtualChip chip(device, clock);
  EXPECT_EQ(chip.programSize(), 0x2000);
  EXPECT_EQ(chip.eepromSize(), 0);
  EXPECT_EQ(chip.wordBits(), 16);
  EXPECT_EQ(chip.blankWord(), 0xFFFF);
  EXPECT_FALSE(chip.programProtected());
  EXPECT_EQ(chip.eepromByte(0), 0xFF);

  device.ProgMem = 0;
  device.ProgBits = 14;
  VirtualChip empty(device, clock);
  VirtualBoard board(&empty);
  Link link(board, clock, [] { return 14; });
  link.SendCommand(CmdProgModeOn, 0);
  link.SendCommand(CmdLoadProgData, 0x1234);
  link.SendCommand(CmdBeginProg, 0);
  link.SleepMs(10);
  EXPECT_EQ(link.SendCommand(CmdReadProgData, 0), 0x3FFF);
  EXPECT_EQ(link.SendCommand(CmdReadEEData, 0), 0);
}

}  // namespace
}  // namespace tavrix::test
