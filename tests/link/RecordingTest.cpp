#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/NullPort.h"
#include "link/RealClock.h"
#include "link/Recording.h"
#include "link/VirtualClock.h"
#include "support/TraceLines.h"

namespace tavrix {
namespace {

using Trace = std::vector<std::string>;

// A board that remembers what reached it and answers with a fixed status.
class StubPort : public Port {
 public:
  bool writeByte(std::uint8_t value) override {
    written.push_back(value);
    return accept;
  }
  std::uint8_t readStatus() override { return status; }

  std::vector<std::uint8_t> written;
  bool accept = true;
  std::uint8_t status = 0;
};

TEST(Recording, TracesWritesReadsAndWaitsInOrder) {
  StubPort board;
  VirtualClock time(500);
  TraceSink trace;
  RecordingPort port(board, trace);
  RecordingClock clock(time, trace);

  EXPECT_TRUE(port.writeByte(0x0A));
  EXPECT_TRUE(port.writeByte(0x05));
  board.status = 0x40;
  EXPECT_EQ(port.readStatus(), 0x40);
  clock.sleepMs(10);
  board.status = 0xBF;
  EXPECT_EQ(port.readStatus(), 0xBF);
  board.accept = false;
  EXPECT_FALSE(port.writeByte(0xFF));  // the inner port's answer comes back, and no line
  clock.sleepMs(1);

  const Trace expected{"W 0A", "W 05", "R 40", "S 10", "R BF", "S 1"};
  EXPECT_EQ(trace.lines(), expected);
  EXPECT_EQ(board.written, (std::vector<std::uint8_t>{0x0A, 0x05, 0xFF}));
  EXPECT_EQ(time.nowUs(), 500 + 11000);
  EXPECT_EQ(clock.nowUs(), time.nowUs());

  trace.clear();
  EXPECT_TRUE(trace.lines().empty());
  // Going idle on a signal: the board is asked; a trace kept in memory is left as it is.
  EXPECT_FALSE(port.goIdleNow());  // the stub cannot
  EXPECT_TRUE(trace.lines().empty());
}

TEST(Recording, ExpectedSequencesRenderAsTraceLines) {
  EXPECT_EQ(test::writesTrace("08 0A 0b"), (Trace{"W 08", "W 0A", "W 0B"}));
  EXPECT_EQ(test::writesTrace("0A08"), (Trace{"W 0A", "W 08"}));
  EXPECT_EQ(test::writesTrace(""), Trace{});
  EXPECT_THROW(test::writesTrace("0A 8"), std::invalid_argument);
  EXPECT_EQ(test::concat({test::writesTrace("24"), {"S 1"}, test::repeat({"R 00"}, 2)}),
            (Trace{"W 24", "S 1", "R 00", "R 00"}));
}

TEST(NullPort, AcceptsEverythingAndReadsZero) {
  NullPort port;
  EXPECT_TRUE(port.writeByte(0x34));
  EXPECT_EQ(port.readStatus(), 0);
}

TEST(VirtualClock, SleepsAdvanceTimeAtOnce) {
  VirtualClock time;
  EXPECT_EQ(time.nowUs(), 0);
  time.sleepMs(10);
  EXPECT_EQ(time.nowUs(), 10000);
  time.advanceUs(7);
  EXPECT_EQ(time.nowUs(), 10007);
  time.sleepMs(0);
  time.sleepMs(-5);
  time.advanceUs(-100);
  EXPECT_EQ(time.nowUs(), 10007);
  time.sleepMs(2000000);  // long waits do not overflow
  EXPECT_EQ(time.nowUs(), 10007 + 2000000000LL);
}

TEST(RealClock, WaitsAtLeastTheTimeAsked) {
  RealClock clock;
  const auto start = clock.nowUs();
  clock.sleepMs(0);
  clock.sleepMs(-3);
  clock.sleepMs(2);
  const auto elapsed = clock.nowUs() - start;
  EXPECT_GE(elapsed, 2000);
  EXPECT_GE(clock.nowUs(), start + elapsed);  // monotonic
  // The lines' settling times, to the microsecond.
  for (int i = 0; i < 20; ++i) {
    const auto before = clock.nowUs();
    clock.waitUs(0);
    clock.waitUs(50);
    EXPECT_GE(clock.nowUs() - before, 50);
  }
}

}  // namespace
}  // namespace tavrix
