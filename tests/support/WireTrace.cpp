#include "support/WireTrace.h"

#include "link/Recording.h"
#include "support/TraceLines.h"

namespace tavrix::test {

namespace {

std::string w(int value) {
  return TraceSink::writeLine(static_cast<std::uint8_t>(value));
}

void pulse(Lines& lines, int low, int bit) {
  lines.push_back(w(low + 2 + bit));
  lines.push_back(w(low + bit));
}

}  // namespace

Lines progModeOnTrace() {
  return {"W 34", "S 10", "W 08", "S 10"};
}

Lines progModeOffTrace() {
  return {"W 24"};
}

Lines commandTrace(int code) {
  Lines lines = {w(0x08)};
  for (int i = 0; i < 6; ++i) pulse(lines, 0x08, (code >> i) & 1);
  return lines;
}

Lines dataOutTrace(int code, int value) {
  Lines lines = commandTrace(code);
  pulse(lines, 0x08, 0);
  for (int i = 0; i < 14; ++i) pulse(lines, 0x08, (value >> i) & 1);
  pulse(lines, 0x08, 0);
  return lines;
}

Lines readTrace(int code, int word) {
  Lines lines = commandTrace(code);
  lines.push_back(w(0x0C));
  pulse(lines, 0x0C, 0);
  for (int i = 0; i < 14; ++i) {
    pulse(lines, 0x0C, 0);
    lines.push_back(TraceSink::statusLine((word >> i) & 1 ? 0x40 : 0x00));
  }
  pulse(lines, 0x0C, 0);
  return lines;
}

Lines identityReadTrace(int idWord, int configWord) {
  return concat({progModeOnTrace(), dataOutTrace(0, 0x3FFF), repeat(commandTrace(6), 6),
                 readTrace(4, idWord), commandTrace(6), readTrace(4, configWord),
                 progModeOffTrace()});
}

}  // namespace tavrix::test
