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
#include "support/WireTrace.h"

namespace tavrix::test {
namespace {

TEST(CliTrace, BlankCheckOfTheConfigurationWordOnly) {
  TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("trace.txt"));
  const CliRun run = runCli(shippedIni() << "--device"
                                         << "PIC16F84A"
                                         << "--virtual" << tmp.path("s.hex") << "--areas"
                                         << "config"
                                         << "--trace" << trace << "blank");
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  // The board is made idle when the port is opened and again before it is let go.
  const Lines expected = concat({
      {"W 24"},
      progModeOnTrace(),
      progModeOffTrace(),  // no program pass
      progModeOnTrace(),
      dataOutTrace(0, 0),          // Load Configuration: the counter goes to 0x2000
      repeat(commandTrace(6), 4),  // the unticked ID locations
      repeat(commandTrace(6), 3),  // on to 0x2007
      readTrace(4, 0x3FFF),        // the erased word 3FFF: every bit reads 1
      progModeOffTrace(),
      progModeOffTrace(),  // no EEPROM pass
      // Only erased words, as an empty socket on a board that reads ones would give: the
      // identification word tells, and a chip answers (PIC16F84A, revision 1).
      progModeOnTrace(),
      dataOutTrace(0, 0x3FFF),
      repeat(commandTrace(6), 6),
      readTrace(4, 0x0561),
      commandTrace(6),
      readTrace(4, 0x3FFF),
      progModeOffTrace(),
      {"W 24"},
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
  // The chip's identification word is read first: a new PIC16F84A, revision 1, blank.
  EXPECT_EQ(fileLines(trace), concat({{"W 24"},
                                      identityReadTrace(0x0561, 0x3FFF),
                                      progModeOnTrace(),
                                      dataOutTrace(0, 0),
                                      dataOutTrace(2, 0x3FFF),
                                      repeat(commandTrace(6), 7),
                                      commandTrace(1),
                                      commandTrace(7),
                                      commandTrace(8),
                                      {"S 10"},
                                      commandTrace(1),
                                      commandTrace(7),
                                      progModeOffTrace(),
                                      {"W 24"}}));

  run =
      runCli(shippedIni() << "--device"
                          << "PIC16F73"
                          << "--virtual" << tmp.path("b.hex") << "--trace" << trace << "unprotect");
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(fileLines(trace), concat({{"W 24"},
                                      identityReadTrace(0x0601, 0x3FFF),
                                      progModeOnTrace(),
                                      commandTrace(9),
                                      {"S 40"},
                                      progModeOffTrace(),
                                      {"W 24"}}));

  // An OTP part: nothing is sent but the idle bytes of opening and closing.
  run =
      runCli(shippedIni() << "--device"
                          << "PIC16C622"
                          << "--virtual" << tmp.path("c.hex") << "--trace" << trace << "unprotect");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(fileLines(trace), Lines({"W 24", "W 24"}));
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
