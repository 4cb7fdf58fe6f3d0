// How tavrix-cli ends when it cannot go on: killed by a signal in the middle of a run, or with
// its output gone (a closed pipe, the file size limit). The board is left idle (the trace's
// last line is the idle byte), the trace holds whole lines only, and the chip's state file
// keeps what it held.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "cli/CliRun.h"
#include "support/ChildStops.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

const QString kFixture = QStringLiteral("wisp628-blink-a-led__a877.hex");

// Starts tavrix-cli with `args`, stdin from /dev/null, stdout and stderr on the given
// descriptors, no core files; returns its pid. With `holdSave`, the state file's save waits
// while that file exists.
pid_t startCli(const QStringList& args, int out, int err, const QString& holdSave = {}) {
  const QByteArray hold = QFile::encodeName(holdSave);
  const QByteArray binary = QFile::encodeName(cliBinary());
  std::vector<QByteArray> argv = {binary};
  for (const QString& a : args) argv.push_back(QFile::encodeName(a));
  std::vector<char*> pointers;
  for (QByteArray& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    // A group of its own, whose parent is in another group of the session, as a shell's job:
    // a stop signal stops it.
    ::setpgid(0, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    if (!hold.isEmpty()) ::setenv("TAVRIX_TEST_HOLD_SAVE", hold.constData(), 1);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, STDIN_FILENO);
    ::execv(binary.constData(), pointers.data());
    ::_exit(127);
  }
  return child;
}

// Reads `fd` until `lines` line ends have come (or it ends); what was read.
QByteArray readLines(int fd, int lines) {
  QByteArray text;
  char c = 0;
  while (text.count('\n') < lines && ::read(fd, &c, 1) == 1) text += c;
  return text;
}

int waitFor(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

// Every line a trace line, the idle byte of the opening and the run's start first, and the
// idle byte last.
void expectWholeTraceEndingIdle(const QByteArray& trace) {
  ASSERT_FALSE(trace.isEmpty());
  EXPECT_TRUE(trace.endsWith('\n'));
  const QList<QByteArray> lines = trace.trimmed().split('\n');
  static const QRegularExpression valid(QStringLiteral("^([WR] [0-9A-F]{2}|S [0-9]+)$"));
  for (const QByteArray& line : lines)
    ASSERT_TRUE(valid.match(QString::fromLatin1(line)).hasMatch()) << line.toStdString();
  EXPECT_EQ(lines.mid(0, 5), QList<QByteArray>({"W 24", "W 34", "S 10", "W 08", "S 10"}));
  EXPECT_EQ(lines.back(), "W 24");
}

TEST(CliSignals, EveryEndingSignalLeavesTheBoardIdleTheTraceWholeAndTheStateAsItWas) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QStringList device = shippedIni() << "--device"
                                          << "PIC16F877"
                                          << "--virtual" << state;
  ASSERT_EQ(runCli(QStringList(device) << "--keep-going"
                                       << "write" << fixturePath(kFixture))
                .status,
            0);
  const QByteArray before = tmp.read(QStringLiteral("chip.hex"));
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGSEGV,
                    SIGRTMIN + 2}) {
    SCOPED_TRACE(::strsignal(signo));
    int err[2];
    ASSERT_EQ(::pipe2(err, O_CLOEXEC), 0);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // A slow board whose data line reads 0: every word is reported, and the first report says
    // the run is under way, far from its end.
    const pid_t child = startCli(QStringList(device) << "--virtual-fault"
                                                     << "slow,data0"
                                                     << "--keep-going"
                                                     << "--trace" << trace << "blank",
                                 null, err[1]);
    ::close(err[1]);
    ::close(null);
    EXPECT_TRUE(readLines(err[0], 1).startsWith("Error: "));
    ::kill(child, signo);
    const int status = waitFor(child);
    ::close(err[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signo);
    expectWholeTraceEndingIdle(tmp.read(QStringLiteral("t.txt")));
    EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), before);
  }
}

// Ctrl+Z in the middle of a run: the board is idle before the tool stops (the trace ends with
// the idle byte then), and once continued the run ends as cancelled, with nothing but the idle
// byte written after it, a message and status 2.
TEST(CliSignals, CtrlZMidRunIdlesTheBoardFirstAndContinuedTheRunEndsCancelledWithTwo) {
  TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  int err[2];
  ASSERT_EQ(::pipe2(err, O_CLOEXEC), 0);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t child = startCli(shippedIni() << "--device"
                                            << "PIC16F877"
                                            << "--virtual" << tmp.path(QStringLiteral("chip.hex"))
                                            << "--virtual-fault"
                                            << "slow,data0"
                                            << "--keep-going"
                                            << "--trace" << trace << "blank",
                               null, err[1]);
  ::close(err[1]);
  ::close(null);
  // Standard error is read all along: a full pipe would hold the tool up.
  std::mutex guard;
  QByteArray said;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(err[0], buffer, sizeof buffer)) > 0) {
      const std::lock_guard<std::mutex> lock(guard);
      said.append(buffer, int(n));
    }
  });
  const auto saidSoFar = [&] {
    const std::lock_guard<std::mutex> lock(guard);
    return said;
  };
  for (int i = 0; i < 3000 && !saidSoFar().contains("Error: "); ++i) ::usleep(10000);
  ASSERT_TRUE(saidSoFar().contains("Error: ")) << "the run never began";

  ::kill(child, SIGTSTP);
  int status = nextStopOrEnd(child);
  ASSERT_TRUE(status != -1 && WIFSTOPPED(status));
  EXPECT_EQ(WSTOPSIG(status), SIGTSTP);
  const QList<QByteArray> atStop = tmp.read(QStringLiteral("t.txt")).trimmed().split('\n');
  EXPECT_EQ(atStop.back(), "W 24");

  ::kill(child, SIGCONT);
  status = nextStopOrEnd(child);
  reader.join();
  ::close(err[0]);
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_TRUE(
      said.contains("Error: Operación cancelada: el programa se detuvo (Ctrl+Z) en medio "
                    "de ella y el PIC se quedó sin alimentación; repítala.\n"))
      << said.right(300).toStdString();
  const QByteArray whole = tmp.read(QStringLiteral("t.txt"));
  expectWholeTraceEndingIdle(whole);
  const QList<QByteArray> lines = whole.trimmed().split('\n');
  ASSERT_GE(lines.size(), atStop.size());
  EXPECT_EQ(lines.mid(0, atStop.size()), atStop);
  for (qsizetype i = atStop.size(); i < lines.size(); ++i) {
    if (lines[i].startsWith('W')) {
      EXPECT_EQ(lines[i], "W 24") << "line " << i + 1;
    }
  }
}

// A signal in the middle of the save that ends a run, or a round of write --watch: the state
// file's new copy is written beside it, not yet in its place. The run ends as killed runs do:
// the new copy is removed, the previous contents stay, the trace is whole and ends idle.
TEST(CliSignals, SignalDuringTheSaveKeepsThePreviousFileAndLeavesNothingHalfMade) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  const QString hold = tmp.write(QStringLiteral("hold"), "");
  const QString fw = tmp.write(QStringLiteral("fw.hex"), ":0400000005280000CF\n:00000001FF\n");
  const QStringList device = shippedIni() << "--device"
                                          << "PIC16F84A"
                                          << "--virtual" << state;
  ASSERT_EQ(runCli(QStringList(device) << "blank").status, 0);  // an erased chip
  const QByteArray before = tmp.read(QStringLiteral("chip.hex"));
  const QStringList names = {"chip.hex", "fw.hex", "hold", "t.txt"};
  const auto listed = [&tmp] {
    return QDir(tmp.path(QString())).entryList(QDir::Files | QDir::Hidden | QDir::System);
  };
  for (const QStringList& command :
       {QStringList{"write", fw}, QStringList{"write", "--watch", fw}}) {
    for (int signo : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(command.join(' ').toStdString() + ", " + ::strsignal(signo));
      const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      const pid_t child =
          startCli(QStringList(device) << "--trace" << trace << command, null, null, hold);
      ::close(null);
      for (int i = 0; i < 3000 && listed().size() <= names.size(); ++i) ::usleep(10000);
      const QStringList during = listed();
      ::kill(child, signo);
      const int status = waitFor(child);
      ASSERT_EQ(during.size(), names.size() + 1) << during.join(' ').toStdString();
      EXPECT_TRUE(during.first().startsWith(QStringLiteral(".chip.hex.")));
      ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
      EXPECT_EQ(WTERMSIG(status), signo);
      EXPECT_EQ(listed(), names);
      EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), before);
      expectWholeTraceEndingIdle(tmp.read(QStringLiteral("t.txt")));
    }
  }
}

// `verify fw.hex 2>&1 | head -n 2`: the reports go on into a pipe nobody reads any more. The
// run stops as a Cancel would stop it, the board idle, and the tool ends with 2. (A data line
// stuck at 0 makes a report of every word, far more than the pipe holds.)
TEST(CliSignals, OutputThatIsGoneStopsTheRunAndEndsWithTwo) {
  TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  const QString chip = tmp.path(QStringLiteral("chip.hex"));
  const QString full = tmp.path(QStringLiteral("full.hex"));
  const QStringList device = shippedIni() << "--device"
                                          << "PIC16F877"
                                          << "--virtual" << chip;
  ASSERT_EQ(runCli(QStringList(device) << "read" << full).status, 0);  // every word of the chip
  const QStringList verify = QStringList(device) << "--virtual-fault"
                                                 << "data0"
                                                 << "--keep-going"
                                                 << "--trace" << trace << "verify" << full;
  int pipeFds[2];
  ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
  const pid_t child = startCli(verify, pipeFds[1], pipeFds[1]);
  ::close(pipeFds[1]);
  EXPECT_EQ(readLines(pipeFds[0], 2).count("Error: "), 2);
  ::close(pipeFds[0]);
  const int status = waitFor(child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
  const QByteArray stopped = tmp.read(QStringLiteral("t.txt"));
  expectWholeTraceEndingIdle(stopped);
  // Stopped early: a run to the end (answered OK every time) sends far more.
  const CliRun whole = runCli(verify);
  EXPECT_EQ(whole.status, 1);
  EXPECT_LT(stopped.size() * 4, tmp.read(QStringLiteral("t.txt")).size());

  // Only standard output gone: the failure is told on standard error.
  ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
  ::close(pipeFds[0]);
  int err[2];
  ASSERT_EQ(::pipe2(err, O_CLOEXEC), 0);
  const pid_t blank =
      startCli(shippedIni() << "--virtual" << tmp.path(QStringLiteral("b.hex")) << "blank",
               pipeFds[1], err[1]);
  ::close(pipeFds[1]);
  ::close(err[1]);
  EXPECT_EQ(readLines(err[0], 2), "Error: Error al escribir en la salida estándar: Broken pipe.\n");
  ::close(err[0]);
  const int blankStatus = waitFor(blank);
  ASSERT_TRUE(WIFEXITED(blankStatus));
  EXPECT_EQ(WEXITSTATUS(blankStatus), 2);

  // A development loop nobody reads any more ends after its round instead of running on.
  const QString fw = tmp.write(QStringLiteral("fw.hex"), ":0400000005280000CF\n:00000001FF\n");
  ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
  ::close(pipeFds[0]);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t loop =
      startCli(shippedIni() << "--virtual" << tmp.path(QStringLiteral("w.hex")) << "write"
                            << "--watch" << fw,
               pipeFds[1], null);
  ::close(pipeFds[1]);
  ::close(null);
  int loopStatus = 0;
  for (int i = 0; i < 3000 && ::waitpid(loop, &loopStatus, WNOHANG) == 0; ++i) ::usleep(10000);
  if (::waitpid(loop, nullptr, WNOHANG) == 0) {
    ::kill(loop, SIGKILL);
    waitFor(loop);
    FAIL() << "write --watch went on writing to a closed pipe";
  }
  ASSERT_TRUE(WIFEXITED(loopStatus));
  EXPECT_EQ(WEXITSTATUS(loopStatus), 2);
}

// `ulimit -f`: a file that may not grow is a write error like any other, with the system's text
// and status 2, not a death by SIGXFSZ.
TEST(CliSignals, FileSizeLimitIsAnErrorReportedWithTwo) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  ASSERT_EQ(runCli(shippedIni() << "--device"
                                << "PIC16F877"
                                << "--virtual" << state << "--keep-going"
                                << "write" << fixturePath(kFixture))
                .status,
            0);
  const QByteArray before = tmp.read(QStringLiteral("chip.hex"));
  const auto limitTo = [](rlim_t bytes) {
    return [bytes] {
      const rlimit limit{bytes, bytes};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    };
  };
  const QByteArray out = QFile::encodeName(tmp.path(QStringLiteral("out.hex")));
  CliRun run = runCliBytes({"--ini", TAVRIX_SHIPPED_INI, "--device", "PIC16F877", "--virtual",
                            QFile::encodeName(state), "read", out},
                           limitTo(16384));
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral(": File too large.\n"))) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), before);
  EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(out)));

  // The trace outgrows the limit mid-run: the run stops there, the board idle.
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  run = runCliBytes({"--ini", TAVRIX_SHIPPED_INI, "--device", "PIC16F84A", "--virtual",
                     QFile::encodeName(tmp.path(QStringLiteral("small.hex"))), "--trace",
                     QFile::encodeName(trace), "blank"},
                    limitTo(100000));
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            QStringLiteral("Error: Error al escribir el fichero de traza %1: File too large.\n")
                .arg(trace));
  EXPECT_EQ(QFile(trace).size(), 100000);
}

}  // namespace
}  // namespace tavrix::test
