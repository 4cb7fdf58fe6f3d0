#include "link/Recording.h"

#include <cstdio>

#include "link/EndingSignals.h"
#include "link/TraceFile.h"

namespace tavrix {

namespace {

std::string hexLine(char kind, std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%c %02X", kind, static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string TraceSink::writeLine(std::uint8_t value) {
  return hexLine('W', value);
}
std::string TraceSink::statusLine(std::uint8_t value) {
  return hexLine('R', value);
}
std::string TraceSink::sleepLine(int ms) {
  return "S " + std::to_string(ms);
}

void TraceSink::add(std::string line) {
  if (file_)
    file_->append(line);
  else
    lines_.push_back(std::move(line));
}

void TraceSink::endOnSignal(bool idle) noexcept {
  static_assert(kIdleLines == 0x24, "the line below spells the idle byte");
  if (file_) file_->completeOnSignal(idle ? "W 24" : "");
}

void TraceSink::reserveWrite() {
  if (file_) file_->reserve(sizeof "W 24");  // the line and its LF
}

void TraceSink::write(std::uint8_t value) {
  add(writeLine(value));
}
void TraceSink::status(std::uint8_t value) {
  add(statusLine(value));
}
void TraceSink::sleep(int ms) {
  add(sleepLine(ms));
}

bool RecordingPort::writeByte(std::uint8_t value) {
  // A signal that ends the program waits until the byte is on the lines and recorded, or
  // refused: the trace holds every byte that reached the port, and no other.
  sink_->reserveWrite();
  const EndingSignals::HeldBack held;
  const bool written = inner_->writeByte(value);
  if (written) sink_->write(value);
  return written;
}

bool RecordingPort::goIdleNow() noexcept {
  const bool idle = inner_->goIdleNow();
  sink_->endOnSignal(idle);
  return idle;
}

std::uint8_t RecordingPort::readStatus() {
  const std::uint8_t value = inner_->readStatus();
  sink_->status(value);
  return value;
}

void RecordingClock::sleepMs(int ms) {
  sink_->sleep(ms);
  inner_->sleepMs(ms);
}

}  // namespace tavrix
