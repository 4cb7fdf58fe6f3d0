// The trace file a signal handler can complete: every line that was recorded reaches the file
// once, whole, however the file takes the bytes, and the handler's line comes after every line
// recorded before it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "link/Recording.h"
#include "link/TraceFile.h"

namespace tavrix {
namespace {

// A pipe that takes at most a page at a time, read slowly by another thread, as a FIFO whose
// reader lags behind: writes are cut short and refused for a while.
TEST(TraceFile, LinesReachASlowReaderOnceAndWholeAndTheSignalsLineLast) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
  std::string received;
  std::thread reader([&] {
    char buffer[1000];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
      received.append(buffer, std::size_t(n));
      ::usleep(50);
    }
  });
  std::string expected;
  {
    TraceFile file(fds[1]);
    // Past the buffer's capacity several times, so that full buffers are written out.
    for (int i = 0; expected.size() < 3 * TraceFile::kCapacity + 100; ++i) {
      const std::string line = i % 3 == 0   ? TraceSink::writeLine(std::uint8_t(i))
                               : i % 3 == 1 ? TraceSink::statusLine(std::uint8_t(i))
                                            : TraceSink::sleepLine(i);
      file.append(line);
      expected += line + '\n';
    }
    file.completeOnSignal("W 24");
    expected += "W 24\n";
    // A program that goes on after the handler (a stop signal) records after its line.
    file.append("R 40");
    expected += "R 40\n";
    EXPECT_TRUE(file.close());
  }
  reader.join();
  ::close(fds[0]);
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
}

}  // namespace
}  // namespace tavrix
