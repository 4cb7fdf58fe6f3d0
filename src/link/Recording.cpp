#include "link/Recording.h"

#include <cstdio>

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

void TraceSink::idleOnSignal() noexcept {
  static_assert(kIdleLines == 0x24, "the line below spells the idle byte");
  if (file_) file_->completeOnSignal("W 24");
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
  sink_->write(value);
  return inner_->writeByte(value);
}

bool RecordingPort::goIdleNow() noexcept {
  const bool idle = inner_->goIdleNow();
  sink_->idleOnSignal();
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
