// --trace: the bytes the tool puts on the wire, compared line by line with sequences
// built from the link's frame table.

#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "link/Recording.h"
#include "support/TempFiles.h"
#include "support/TraceLines.h"

namespace tavrix::test {
namespace {

using Lines = std::vector<std::string>;

Lines progModeOn() {
  return {"W 34", "S 10", "W 08", "S 10"};
}
Lines progModeOff() {
  return {"W 24"};
}

// 08, then per command bit (LSB first) clock up with the bit, clock down holding it.
Lines command(int code) {
  Lines lines = writesTrace("08");
  for (int i = 0; i < 6; ++i) {
    const int b = (code >> i) & 1;
    lines.push_back(TraceSink::writeLine(std::uint8_t(0x0A + b)));
    lines.push_back(TraceSink::writeLine(std::uint8_t(0x08 + b)));
  }
  return lines;
}

Lines dataOut(int value) {
  Lines lines = writesTrace("0A 08");
  for (int i = 0; i < 14; ++i) {
    const int b = (value >> i) & 1;
    lines.push_back(TraceSink::writeLine(std::uint8_t(0x0A + b)));
    lines.push_back(TraceSink::writeLine(std::uint8_t(0x08 + b)));
  }
  return concat({lines, writesTrace("0A 08")});
}

// The read frame of a word whose every status read returns `status`.
Lines readFrame(std::uint8_t status) {
  Lines lines = writesTrace("0C 0E 0C");
  for (int i = 0; i < 14; ++i) {
    lines.push_back("W 0E");
    lines.push_back("W 0C");
    lines.push_back(TraceSink::statusLine(status));
  }
  return concat({lines, writesTrace("0E 0C")});
}

TEST(CliTrace, BlankCheckOfTheConfigurationWordOnly) {
  TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  const CliRun run = runCli(shippedIni() << "--device"
                                         << "PIC16F84A"
                                         << "--virtual" << tmp.path("s.hex") << "--areas"
                                         << "config"
                                         << "--trace" << trace << "blank");
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const Lines expected = concat({
      progModeOn(),
      progModeOff(),                         // no program pass
      progModeOn(), command(0), dataOut(0),  // Load Configuration: the counter goes to 0x2000
      repeat(command(6), 4),                 // the unticked ID locations
      repeat(command(6), 3),                 // on to 0x2007
      command(4), readFrame(0x40),           // the erased word 3FFF: every bit reads 1
      progModeOff(),
      progModeOff(),  // no EEPROM pass
  });
  EXPECT_EQ(fileLines(trace), expected);
}

TEST(CliTrace, UnprotectSequences) {
  TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  CliRun run =
      runCli(shippedIni() << "--device"
                          << "PIC16F84A"
                          << "--virtual" << tmp.path("a.hex") << "--trace" << trace << "unprotect");
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(fileLines(trace), concat({progModeOn(),
                                      command(0),
                                      dataOut(0),
                                      command(2),
                                      dataOut(0x3FFF),
                                      repeat(command(6), 7),
                                      command(1),
                                      command(7),
                                      command(8),
                                      {"S 10"},
                                      command(1),
                                      command(7),
                                      progModeOff()}));

  run =
      runCli(shippedIni() << "--device"
                          << "PIC16F73"
                          << "--virtual" << tmp.path("b.hex") << "--trace" << trace << "unprotect");
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(fileLines(trace), concat({progModeOn(), command(9), {"S 40"}, progModeOff()}));

  // An OTP part: nothing at all is sent.
  run =
      runCli(shippedIni() << "--device"
                          << "PIC16C622"
                          << "--virtual" << tmp.path("c.hex") << "--trace" << trace << "unprotect");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(fileLines(trace).empty());
}

// Stopped by a signal in the middle of a run, the tool leaves the board idle (chip unpowered)
// rather than with VPP on the chip: the idle byte is the trace's last line, and the trace ends
// with whole lines.
TEST(CliTrace, SignalLeavesTheBoardIdle) {
  TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  QProcess process;
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(cliBinary(), shippedIni() << "--device"
                                          << "PIC16F877"
                                          << "--virtual" << tmp.path("s.hex") << "--trace" << trace
                                          << "--keep-going"
                                          << "blank");
  ASSERT_TRUE(process.waitForStarted());
  QFile file(trace);
  for (int i = 0; i < 20000 && file.size() < 100000; ++i) QThread::usleep(100);
  process.terminate();
  ASSERT_TRUE(process.waitForFinished(60000));
  if (process.exitStatus() == QProcess::NormalExit) GTEST_SKIP() << "the run ended first";
  const QByteArray text = tmp.read(QStringLiteral("trace.txt"));
  ASSERT_TRUE(text.endsWith('\n'));
  const Lines lines = fileLines(trace);
  ASSERT_GT(lines.size(), 1000u);
  EXPECT_EQ(lines.back(), "W 24");
}

TEST(CliTrace, UnwritableTraceEndsWithTwoBeforeTheChip) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("s.hex"));
  const CliRun run = runCli(shippedIni() << "--virtual" << state << "--trace"
                                         << tmp.path("no/dir/t.txt") << "blank");
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: No se puede crear el fichero de traza")));
  EXPECT_FALSE(QFile::exists(state));
}

}  // namespace
}  // namespace tavrix::test
