#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/Link.h"
#include "link/Recording.h"
#include "link/VirtualClock.h"
#include "support/TraceLines.h"

namespace tavrix {
namespace {

using test::concat;
using test::repeat;
using test::writesTrace;
using Trace = std::vector<std::string>;

// A board whose status line follows a script: one value per read, then `after` for good.
class ScriptedPort : public Port {
 public:
  bool writeByte(std::uint8_t value) override {
    written.push_back(value);
    return writesSucceed;
  }
  std::uint8_t readStatus() override {
    ++reads;
    if (script.empty()) return after;
    const std::uint8_t value = script.front();
    script.pop_front();
    return value;
  }

  std::deque<std::uint8_t> script;
  std::uint8_t after = 0;
  bool writesSucceed = true;
  std::vector<std::uint8_t> written;
  int reads = 0;
};

// The link over a scripted board, with every port access and wait recorded in one trace.
struct Rig {
  ScriptedPort board;
  VirtualClock time;
  TraceSink trace;
  RecordingPort port{board, trace};
  RecordingClock clock{time, trace};
  int width = 14;
  int widthCalls = 0;
  Link link{port, clock, [this] {
              ++widthCalls;
              return width;
            }};

  std::int32_t send(int code, std::uint32_t data = 0) {
    trace.clear();
    return link.SendCommand(code, data);
  }
  // Status samples for one read: sample i (0-based) has bit 0x40 set when `bits` has bit i.
  void scriptRead(std::uint32_t bits, int count, std::uint8_t set = 0x40,
                  std::uint8_t clear = 0x00) {
    for (int i = 0; i < count; ++i) board.script.push_back((bits >> i) & 1u ? set : clear);
  }
  int writes() const {
    int count = 0;
    for (const auto& line : trace.lines()) count += line[0] == 'W';
    return count;
  }
  int statusReads() const {
    int count = 0;
    for (const auto& line : trace.lines()) count += line[0] == 'R';
    return count;
  }
};

// Command parts as the board must see them (N does not matter for them).
const Trace kCommand0 = writesTrace("08 0A 08 0A 08 0A 08 0A 08 0A 08 0A 08");
const Trace kCommand2 = writesTrace("08 0A 08 0B 09 0A 08 0A 08 0A 08 0A 08");
const Trace kCommand4 = writesTrace("08 0A 08 0A 08 0B 09 0A 08 0A 08 0A 08");
const Trace kCommand6 = writesTrace("08 0A 08 0B 09 0B 09 0A 08 0A 08 0A 08");
const Trace kCommand8 = writesTrace("08 0A 08 0A 08 0A 08 0B 09 0A 08 0A 08");
const Trace kCommand14 = writesTrace("08 0A 08 0B 09 0B 09 0B 09 0A 08 0A 08");
const Trace kPulse0 = writesTrace("0A 08");
const Trace kPulse1 = writesTrace("0B 09");
const Trace kReadPulse = writesTrace("0E 0C");

Trace readFrame(const std::vector<std::uint8_t>& samples) {
  Trace frame = concat({writesTrace("0C"), kReadPulse});
  for (std::uint8_t s : samples) frame = concat({frame, kReadPulse, {TraceSink::statusLine(s)}});
  return concat({frame, kReadPulse});
}

TEST(SendCommand, CommandPartsMatchTheBoardTable) {
  struct Case {
    int code;
    const Trace& bytes;
    std::int32_t result;
  };
  const Case cases[] = {
      {CmdIncAddress, kCommand6, 0}, {CmdBeginProg, kCommand8, 0}, {CmdEndProg, kCommand14, -1}};
  for (const auto& c : cases) {
    Rig rig;
    EXPECT_EQ(rig.send(c.code), c.result) << "code " << c.code;
    EXPECT_EQ(rig.trace.lines(), c.bytes) << "code " << c.code;
  }
  // Codes with a frame after the command bits start with the same command part.
  Rig rig;
  rig.send(CmdLoadConfig);
  EXPECT_EQ(Trace(rig.trace.lines().begin(), rig.trace.lines().begin() + 13), kCommand0);
  rig.send(CmdLoadProgData);
  EXPECT_EQ(Trace(rig.trace.lines().begin(), rig.trace.lines().begin() + 13), kCommand2);
  rig.send(CmdReadProgData);
  EXPECT_EQ(Trace(rig.trace.lines().begin(), rig.trace.lines().begin() + 13), kCommand4);
}

TEST(SendCommand, IncAddressWritesExactlyThirteenBytes) {
  Rig rig;
  EXPECT_EQ(rig.send(CmdIncAddress, 0), 0);
  EXPECT_EQ(rig.board.written, (std::vector<std::uint8_t>{0x08, 0x0A, 0x08, 0x0B, 0x09, 0x0B, 0x09,
                                                          0x0A, 0x08, 0x0A, 0x08, 0x0A, 0x08}));
  EXPECT_EQ(rig.board.reads, 0);
}

TEST(SendCommand, BareCommandsReturnZero) {
  for (int code : std::initializer_list<int>{CmdEraseSetup1, CmdIncAddress, CmdEraseSetup2,
                                             CmdBeginProg, CmdBulkEraseProg, 10}) {
    Rig rig;
    EXPECT_EQ(rig.send(code, 0x3FFF), 0) << code;
    EXPECT_EQ(rig.writes(), 13) << code;
    EXPECT_EQ(rig.statusReads(), 0) << code;
    EXPECT_EQ(rig.trace.lines().back(), "W 08") << code;
  }
}

TEST(SendCommand, UnlistedCodesSendTheirSixBitsAndReturnMinusOne) {
  for (int code : {11, 12, 13, 14, 15, 16, 31, 42, 63}) {
    Rig rig;
    EXPECT_EQ(rig.send(code, 0x3FFF), -1) << code;
    Trace expected = writesTrace("08");
    for (int bit = 0; bit < 6; ++bit)
      expected = concat({expected, (code >> bit) & 1 ? kPulse1 : kPulse0});
    EXPECT_EQ(rig.trace.lines(), expected) << code;
  }
  // A negative code is below 64 as well: its low six bits (all ones) go out.
  Rig rig;
  EXPECT_EQ(rig.send(-1), -1);
  EXPECT_EQ(rig.trace.lines(), concat({writesTrace("08"), repeat(kPulse1, 6)}));
}

TEST(SendCommand, DataFramesSendStartBitDataLsbFirstAndStopBit) {
  Rig rig;
  EXPECT_EQ(rig.send(CmdLoadProgData, 0x3FFF), 0);
  const Trace all = concat({kCommand2, kPulse0, repeat(kPulse1, 14), kPulse0});
  EXPECT_EQ(rig.trace.lines(), all);

  EXPECT_EQ(rig.send(CmdLoadProgData, 0x0000), 0);
  EXPECT_EQ(rig.trace.lines(), concat({kCommand2, kPulse0, repeat(kPulse0, 14), kPulse0}));

  EXPECT_EQ(rig.send(CmdLoadConfig, 0x1234), 0);
  EXPECT_EQ(rig.trace.lines(),
            concat({kCommand0, writesTrace("0A 08"),
                    writesTrace("0A 08 0A 08 0B 09 0A 08 0B 09 0B 09 0A 08 0A 08 0A 08 0B 09 0A 08 "
                                "0A 08 0B 09 0A 08"),
                    writesTrace("0A 08")}));

  // Bits above N - 1 are never sent.
  for (std::uint32_t wide : {0x7FFFu, 0xFFFFu, 0xFFFFFFFFu, 0xC000u | 0x3FFFu}) {
    EXPECT_EQ(rig.send(CmdLoadProgData, wide), 0);
    EXPECT_EQ(rig.trace.lines(), all) << std::hex << wide;
  }
  EXPECT_EQ(rig.send(CmdLoadEEData, 0xA5), 0);
  EXPECT_EQ(rig.trace.lines(),
            concat({writesTrace("08 0B 09 0B 09 0A 08 0A 08 0A 08 0A 08"), kPulse0,
                    writesTrace("0B 09 0A 08 0B 09 0A 08 0A 08 0B 09 0A 08 0B 09"),
                    repeat(kPulse0, 6), kPulse0}));
  EXPECT_EQ(rig.statusReads(), 0);
}

TEST(SendCommand, ReadFramesSampleAfterEachFallingEdge) {
  struct Case {
    const char* name;
    std::uint32_t bits;
    std::uint8_t set;
    std::uint8_t clear;
    std::int32_t result;
  };
  const Case cases[] = {
      {"always set", 0x3FFF, 0x40, 0x00, 0x3FFF},
      {"always set, other lines high too", 0x3FFF, 0xFF, 0x00, 0x3FFF},
      {"always clear", 0, 0x40, 0x00, 0},
      {"clear with every other status bit set", 0, 0x40, 0xBF, 0},
      {"first sample only", 0x0001, 0x40, 0x00, 1},
      {"first and fourteenth", 0x2001, 0x40, 0x00, 0x2001},
      {"a word", 0x1234, 0x40, 0x00, 0x1234},
  };
  for (const auto& c : cases) {
    for (int code : std::initializer_list<int>{CmdReadProgData, CmdReadEEData}) {
      Rig rig;
      rig.scriptRead(c.bits, 14, c.set, c.clear);
      EXPECT_EQ(rig.send(code), c.result) << c.name;
      std::vector<std::uint8_t> samples;
      for (int i = 0; i < 14; ++i) samples.push_back((c.bits >> i) & 1u ? c.set : c.clear);
      EXPECT_EQ(
          rig.trace.lines(),
          concat({code == CmdReadProgData ? kCommand4
                                          : writesTrace("08 0B 09 0A 08 0B 09 0A 08 0A 08 0A 08"),
                  readFrame(samples)}))
          << c.name;
      EXPECT_EQ(rig.board.reads, 14) << c.name;
    }
  }
}

TEST(SendCommand, ByteCountsPerFrameKind) {
  Rig rig;
  rig.send(CmdIncAddress);
  EXPECT_EQ(rig.writes(), 13);
  rig.send(CmdLoadProgData, 0x1234);
  EXPECT_EQ(rig.writes(), 45);
  rig.send(CmdReadProgData);
  EXPECT_EQ(rig.writes(), 46);
  EXPECT_EQ(rig.statusReads(), 14);
  EXPECT_EQ(rig.trace.lines().back(), "W 0C");  // a read leaves the data driver released
}

TEST(SendCommand, WordWidthIsAskedOnEveryCallAndShapesTheFrames) {
  struct Case {
    int width;  // as handed to the link
    int bits;   // as sent
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{12, 12}, Case{14, 14}, Case{16, 16}}) {
    Rig rig;
    rig.width = c.width;
    EXPECT_EQ(rig.send(CmdLoadProgData, 0xFFFFFFFF), 0);
    EXPECT_EQ(rig.trace.lines(), concat({kCommand2, kPulse0, repeat(kPulse1, c.bits), kPulse0}))
        << c.width;
    EXPECT_EQ(rig.writes(), 13 + 2 * c.bits + 4);

    rig.board.after = 0x40;
    const std::int32_t all = static_cast<std::int32_t>((1u << c.bits) - 1);
    EXPECT_EQ(rig.send(CmdReadProgData), all) << c.width;
    EXPECT_EQ(rig.writes(), 13 + 2 * c.bits + 5);
    EXPECT_EQ(rig.statusReads(), c.bits);

    if (c.bits > 0) {
      rig.board.after = 0;
      rig.scriptRead(1u << (c.bits - 1), c.bits);
      EXPECT_EQ(rig.send(CmdReadProgData), 1 << (c.bits - 1)) << "last sample, width " << c.width;
      rig.scriptRead(1, c.bits);
      EXPECT_EQ(rig.send(CmdReadProgData), 1) << "first sample, width " << c.width;
    }
  }

  // A change of device takes effect with the very next command.
  Rig rig;
  rig.send(CmdLoadProgData, 0xFFFF);
  EXPECT_EQ(rig.writes(), 45);
  rig.width = 12;
  rig.send(CmdLoadProgData, 0xFFFF);
  EXPECT_EQ(rig.writes(), 41);
  rig.widthCalls = 0;
  for (int code : std::initializer_list<int>{CmdIncAddress, CmdEndProg, CmdProgModeOff, 67})
    rig.send(code);
  EXPECT_EQ(rig.widthCalls, 4);
}

TEST(SendCommand, AbsurdWordWidthsAreClampedWithoutOverflow) {
  // Widths from a hand-edited device file: clamped to 0..16 rather than shifting out of range.
  for (int width : {17, 31, 32, 33, 64, 1000, INT_MAX}) {
    Rig rig;
    rig.width = width;
    EXPECT_EQ(rig.send(CmdLoadProgData, 0xFFFFFFFF), 0);
    EXPECT_EQ(rig.writes(), 13 + 2 * 16 + 4) << width;
    rig.board.after = 0x40;
    EXPECT_EQ(rig.send(CmdReadProgData), 0xFFFF) << width;
    EXPECT_EQ(rig.statusReads(), 16) << width;
  }
  for (int width : {-1, -14, INT_MIN}) {
    Rig rig;
    rig.width = width;
    rig.board.after = 0x40;
    EXPECT_EQ(rig.send(CmdLoadProgData, 0xFFFFFFFF), 0);
    EXPECT_EQ(rig.trace.lines(), concat({kCommand2, kPulse0, kPulse0})) << width;
    EXPECT_EQ(rig.send(CmdReadProgData), 0) << width;
    EXPECT_EQ(rig.trace.lines(), concat({kCommand4, readFrame({})})) << width;
  }
}

TEST(SendCommand, ZeroWidthSendsOnlyStartAndStop) {
  Rig rig;
  rig.width = 0;
  rig.board.after = 0x40;
  EXPECT_EQ(rig.send(CmdLoadConfig, 0x3FFF), 0);
  EXPECT_EQ(rig.trace.lines(), concat({kCommand0, writesTrace("0A 08 0A 08")}));
  EXPECT_EQ(rig.send(CmdReadProgData), 0);
  EXPECT_EQ(rig.trace.lines(), concat({kCommand4, writesTrace("0C 0E 0C 0E 0C")}));
  EXPECT_EQ(rig.board.reads, 0);
}

TEST(SendCommand, PowerPatternsAndTheirWaits) {
  Rig rig;
  EXPECT_EQ(rig.send(CmdProgModeOn), 0);
  EXPECT_EQ(rig.trace.lines(), (Trace{"W 34", "S 10", "W 08", "S 10"}));
  EXPECT_EQ(rig.time.nowUs(), 20000);

  EXPECT_EQ(rig.send(CmdResetPulse), 0);
  EXPECT_EQ(rig.trace.lines(), (Trace{"W 34", "S 1", "W 24"}));
  EXPECT_EQ(rig.time.nowUs(), 21000);

  EXPECT_EQ(rig.send(CmdProgModeOff, 0x3FFF), 0);
  EXPECT_EQ(rig.trace.lines(), (Trace{"W 24"}));

  for (int code : {67, 68, 100, 127, 128, 1000, INT_MAX}) {
    EXPECT_EQ(rig.send(code, 0x3FFF), -2) << code;
    EXPECT_TRUE(rig.trace.lines().empty()) << code;
  }
  EXPECT_EQ(rig.time.nowUs(), 21000);
}

// A port that costs nothing, as a fast card nearly does, noting when each byte went out.
class StampingPort : public Port {
 public:
  bool writeByte(std::uint8_t) override {
    stamps.push_back(std::chrono::steady_clock::now());
    return true;
  }
  std::uint8_t readStatus() override { return 0; }
  std::vector<std::chrono::steady_clock::time_point> stamps;
};

// On the wall clock, however fast the port: at least 1 µs between a command and its data,
// before a read frame starts and after every frame.
TEST(SendCommand, ChipsMinimumGapsHoldOnAPortThatCostsNothing) {
  StampingPort port;
  VirtualClock time;
  Link link(port, time, [] { return 14; });
  auto gapNs = [&](std::size_t before) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(port.stamps[before + 1] -
                                                                port.stamps[before])
        .count();
  };
  for (int round = 0; round < 50; ++round) {
    port.stamps.clear();
    link.SendCommand(CmdLoadProgData, 0x1234);  // bytes 0-44
    link.SendCommand(CmdReadProgData, 0);       // bytes 45-90
    link.SendCommand(CmdIncAddress, 0);         // bytes 91-103
    ASSERT_EQ(port.stamps.size(), 104u);
    EXPECT_GE(gapNs(12), 1000) << "command to data";
    EXPECT_GE(gapNs(44), 1000) << "after the data frame";
    EXPECT_GE(gapNs(57), 1000) << "command to read frame";
    EXPECT_GE(gapNs(58), 1000) << "read frame's line released to its start bit";
    EXPECT_GE(gapNs(90), 1000) << "after the read frame";
  }
}

TEST(SendCommand, FailedWritesDoNotStopTheCommand) {
  Rig rig;
  rig.board.writesSucceed = false;
  rig.board.after = 0x40;
  EXPECT_EQ(rig.send(CmdLoadProgData, 0x1234), 0);
  EXPECT_EQ(rig.board.written.size(), 45u);
  EXPECT_EQ(rig.send(CmdReadProgData), 0x3FFF);
  EXPECT_EQ(rig.board.written.size(), 45u + 46u);
  EXPECT_EQ(rig.link.failedWrites(), 45u + 46u);
  EXPECT_EQ(rig.writes(), 0);  // the trace holds what reached the lines: nothing
}

TEST(Link, PortOpDispatchesWritesAndStatusReads) {
  Rig rig;
  rig.board.script = {0x5A};
  EXPECT_EQ(rig.link.PortOp(0, 0x1AB), 0);  // only the low byte goes out
  EXPECT_EQ(rig.link.PortOp(1, 0x08), 0);
  EXPECT_EQ(rig.link.PortOp(3, 0x08), 0);
  EXPECT_EQ(rig.link.PortOp(-1, 0x08), 0);
  EXPECT_EQ(rig.link.PortOp(2, 0), 0x5A);
  EXPECT_EQ(rig.trace.lines(), (Trace{"W AB", "R 5A"}));
}

TEST(Link, SleepMsGoesThroughTheClockAndSeamsCanBeSwapped) {
  Rig rig;
  rig.link.SleepMs(10);
  EXPECT_EQ(rig.trace.lines(), (Trace{"S 10"}));
  EXPECT_EQ(rig.time.nowUs(), 10000);

  ScriptedPort other;
  VirtualClock otherTime;
  rig.link.setPort(other);
  rig.link.setClock(otherTime);
  EXPECT_EQ(&rig.link.port(), &other);
  EXPECT_EQ(&rig.link.clock(), &otherTime);
  rig.link.SendCommand(CmdProgModeOn, 0);
  EXPECT_EQ(other.written, (std::vector<std::uint8_t>{0x34, 0x08}));
  EXPECT_EQ(otherTime.nowUs(), 20000);
  EXPECT_EQ(rig.trace.lines(), (Trace{"S 10"}));  // the old seams saw nothing more
}

TEST(Link, MissingWidthSourceMeansFourteenBits) {
  ScriptedPort board;
  VirtualClock time;
  Link link(board, time, {});
  board.after = 0x40;
  EXPECT_EQ(link.SendCommand(CmdReadProgData, 0), 0x3FFF);
}

TEST(IntPower, RepeatedMultiplication) {
  EXPECT_EQ(IntPower(2, 0), 1);
  EXPECT_EQ(IntPower(2, -1), 1);
  EXPECT_EQ(IntPower(2, INT_MIN), 1);
  EXPECT_EQ(IntPower(2, 1), 2);
  EXPECT_EQ(IntPower(2, 13), 0x2000);
  EXPECT_EQ(IntPower(2, 14) - 1, 0x3FFF);
  EXPECT_EQ(IntPower(2, 30), 1 << 30);
  EXPECT_EQ(IntPower(3, 4), 81);
  EXPECT_EQ(IntPower(10, 9), 1000000000);
  EXPECT_EQ(IntPower(-2, 3), -8);
  EXPECT_EQ(IntPower(-2, 31), INT_MIN);
  EXPECT_EQ(IntPower(0, 5), 0);
  EXPECT_EQ(IntPower(1, INT_MAX), 1);
  EXPECT_EQ(IntPower(-1, INT_MAX), -1);
  EXPECT_EQ(IntPower(-1, 1000000), 1);
}

TEST(IntPower, ResultsBeyondThirtyTwoBitsSaturate) {
  EXPECT_EQ(IntPower(2, 31), INT_MAX);
  EXPECT_EQ(IntPower(2, 32), INT_MAX);
  EXPECT_EQ(IntPower(2, INT_MAX), INT_MAX);
  EXPECT_EQ(IntPower(10, 10), INT_MAX);
  EXPECT_EQ(IntPower(-2, 33), INT_MIN);
  EXPECT_EQ(IntPower(-2, 34), INT_MAX);
  EXPECT_EQ(IntPower(INT_MIN, 2), INT_MAX);
  EXPECT_EQ(IntPower(INT_MIN, 3), INT_MIN);
  EXPECT_EQ(IntPower(2, 40) - 1, INT_MAX - 1);  // still a usable "largest word" bound
}

}  // namespace
}  // namespace tavrix
