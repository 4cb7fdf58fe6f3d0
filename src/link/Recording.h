#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/Port.h"

namespace tavrix {

// Collects a trace of the link's traffic, one event a line:
//   "W 0A"  a byte written to the data lines (two upper-case hex digits)
//   "R 40"  a status read and the value it returned
//   "S 10"  a wait of 10 ms (decimal)
// Lines are kept in memory and, when a stream is given, also written to it as they happen.
class TraceSink {
 public:
  TraceSink() = default;
  explicit TraceSink(std::ostream& out) : out_(&out) {}

  void add(std::string line);
  void write(std::uint8_t value);
  void status(std::uint8_t value);
  void sleep(int ms);

  const std::vector<std::string>& lines() const { return lines_; }
  void clear() { lines_.clear(); }

  static std::string writeLine(std::uint8_t value);
  static std::string statusLine(std::uint8_t value);
  static std::string sleepLine(int ms);

 private:
  std::ostream* out_ = nullptr;
  std::vector<std::string> lines_;
};

// Passes every port access through to `inner` and records it.
class RecordingPort : public Port {
 public:
  RecordingPort(Port& inner, TraceSink& sink) : inner_(&inner), sink_(&sink) {}

  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override;

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

 private:
  Clock* inner_;
  TraceSink* sink_;
};

}  // namespace tavrix
