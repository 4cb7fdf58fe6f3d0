#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/Port.h"

namespace tavrix {

class TraceFile;

// Collects a trace of the link's traffic, one event a line:
//   "W 0A"  a byte written to the data lines (two upper-case hex digits)
//   "R 40"  a status read and the value it returned
//   "S 10"  a wait of 10 ms (decimal)
// Lines are kept in memory, or, when a file is given, written to it instead as they happen (a
// long run's trace would not fit in memory).
class TraceSink {
 public:
  TraceSink() = default;
  explicit TraceSink(TraceFile& file) : file_(&file) {}

  void add(std::string line);
  // Makes room for one write line, so that write() then sends nothing to the file (a reader
  // that does not keep up is waited for here, with the signals free).
  void reserveWrite();
  void write(std::uint8_t value);
  void status(std::uint8_t value);
  void sleep(int ms);
  // For a signal handler: completes the file, with the idle byte as its last line when it was
  // written as the program ends (the last line of the file) or stops (later lines follow it).
  // A trace kept in memory is left as it is.
  void endOnSignal(bool idle) noexcept;

  const std::vector<std::string>& lines() const { return lines_; }
  void clear() { lines_.clear(); }

  static std::string writeLine(std::uint8_t value);
  static std::string statusLine(std::uint8_t value);
  static std::string sleepLine(int ms);

 private:
  TraceFile* file_ = nullptr;
  std::vector<std::string> lines_;
};

// Passes every port access through to `inner` and records it. A byte is recorded once the inner
// port took it, with the signals that end the program held back from the write to the record:
// a byte is in the trace if and only if it reached the lines, the idle byte of a signal
// included.
class RecordingPort : public Port {
 public:
  RecordingPort(Port& inner, TraceSink& sink) : inner_(&inner), sink_(&sink) {}

  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override;
  // The inner port goes idle first, then the trace records it, if it did.
  bool goIdleNow() noexcept override;
  std::string writeProblem() const override { return inner_->writeProblem(); }

 private:
  Port* inner_;
  TraceSink* sink_;
};

// Passes every sleep through to `inner` and records it in the same trace as the port.
class RecordingClock : public Clock {
 public:
  RecordingClock(Clock& inner, TraceSink& sink) : inner_(&inner), sink_(&sink) {}

  void sleepMs(int ms) override;
  std::int64_t nowUs() const override { return inner_->nowUs(); }
  // A settling time of the lines, like the link's busy waits: not a line of the trace.
  void waitUs(std::int64_t us) override { inner_->waitUs(us); }

 private:
  Clock* inner_;
  TraceSink* sink_;
};

}  // namespace tavrix
