// A program that ends on a signal leaves the board idle: the death of a child that drives a
// port (a pipe that keeps every byte, as a recording port does) and records a trace.
#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <tuple>

#include "link/EndingSignals.h"
#include "link/LptPort.h"
#include "link/PortOpening.h"
#include "link/Recording.h"
#include "link/TraceFile.h"
#include "support/FakePortSystem.h"
#include "support/TempFiles.h"

namespace tavrix {
namespace {

std::string readAll(int fd) {
  std::string bytes;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, std::size_t(n));
  return bytes;
}

// Threads of the child, seen by the parent: the one that drives the port and the one that put
// the board idle.
struct Threads {
  pid_t driving = 0;
  pid_t idling = 0;
};

pid_t threadId() {
  return pid_t(::syscall(SYS_gettid));
}

// Passes everything on, and notes which thread went idle.
class WitnessPort : public Port {
 public:
  WitnessPort(Port& inner, Threads* threads) : inner_(inner), threads_(threads) {}
  bool writeByte(std::uint8_t value) override { return inner_.writeByte(value); }
  std::uint8_t readStatus() override { return inner_.readStatus(); }
  bool goIdleNow() noexcept override {
    threads_->idling = threadId();
    return inner_.goIdleNow();
  }

 private:
  Port& inner_;
  Threads* threads_;
};

// The child's part: a port on `lines` recorded to `tracePath`, in programming mode, then
// `end()` ends it. It never returns.
[[noreturn]] void driveThenEnd(int lines, const QString& tracePath, Threads* threads,
                               void (*end)()) {
  EndingSignals::install();
  threads->driving = threadId();
  LptPort port(systemPorts(), lines, "pipe");
  WitnessPort witness(port, threads);
  TraceFile file(::open(QFile::encodeName(tracePath).constData(), O_WRONLY | O_CREAT, 0600));
  TraceSink sink(file);
  RecordingPort recording(witness, sink);
  EndingSignals::watch(recording);
  for (std::uint8_t byte : {0x34, 0x08, 0x0A, 0x08, 0x0B, 0x09}) recording.writeByte(byte);
  end();
  ::_exit(0);  // not reached: the signal ends the child
}

// The trace lines of the bytes `bytes`.
std::string traceOf(const std::string& bytes) {
  std::string lines;
  for (unsigned char byte : bytes) lines += TraceSink::writeLine(byte) + '\n';
  return lines;
}

// A board that puts every byte it is given on `fd` at once.
class WirePort : public Port {
 public:
  explicit WirePort(int fd) : fd_(fd) {}
  bool writeByte(std::uint8_t value) override { return ::write(fd_, &value, 1) == 1; }
  std::uint8_t readStatus() override { return 0; }

 private:
  int fd_;
};

// The child's part: the node `node` of the fake kernel, whose board is `lines`, recorded to
// `tracePath`; SIGTERM comes while the driver is given the third byte (`call`, its call).
[[noreturn]] void signalDuringAByte(const std::string& node, test::FakePortSystem::Kind kind,
                                    const std::string& call, int lines, const QString& tracePath) {
  EndingSignals::install();
  WirePort wire(lines);
  test::FakePortSystem sys(&wire);
  sys.add(node, kind);
  PortOpening opened = openPortNode(sys, node);
  if (!opened.port) ::_exit(3);
  TraceFile file(::open(QFile::encodeName(tracePath).constData(), O_WRONLY | O_CREAT, 0600));
  TraceSink sink(file);
  RecordingPort recording(*opened.port, sink);
  EndingSignals::watch(recording);
  recording.writeByte(0x24);
  recording.writeByte(0x0E);
  sys.signalOn(call, SIGTERM);
  recording.writeByte(0x0C);
  recording.writeByte(0x0D);
  ::_exit(0);  // not reached: the signal ends the child
}

// A signal that ends the program while the driver is taking a byte: the byte is in the trace if
// and only if it reached the lines, on either driver, and the idle byte follows it in both.
TEST(EndingSignals, TraceHoldsExactlyTheBytesThatReachedTheLines) {
  GTEST_FLAG_SET(death_test_style, "fast");
  using Kind = test::FakePortSystem::Kind;
  for (const auto& [node, kind, call] :
       {std::tuple{"/dev/lp0", Kind::Printer, "write 3 0C"},
        std::tuple{"/dev/parport0", Kind::Ppdev, "ioctl 3 PPWDATA 0C"}}) {
    SCOPED_TRACE(node);
    test::TempFiles tmp;
    const QString trace = tmp.path(QStringLiteral("t.txt"));
    int wire[2];
    ASSERT_EQ(::pipe(wire), 0);
    EXPECT_EXIT(signalDuringAByte(node, kind, call, wire[1], trace),
                ::testing::KilledBySignal(SIGTERM), "");
    ::close(wire[1]);
    const std::string bytes = readAll(wire[0]);
    ::close(wire[0]);
    EXPECT_EQ(bytes, std::string("\x24\x0E\x0C\x24"));
    EXPECT_EQ(tmp.read(QStringLiteral("t.txt")).toStdString(), traceOf(bytes));
  }
}

struct Ending {
  const char* name;
  int signo;
  void (*end)();
};

void PrintTo(const Ending& ending, std::ostream* out) {
  *out << ending.name;
}

class EndingSignalsDeath : public ::testing::TestWithParam<Ending> {};

TEST_P(EndingSignalsDeath, BoardIsLeftIdleAndTheTraceEndsWithIt) {
  GTEST_FLAG_SET(death_test_style, "fast");
  const Ending ending = GetParam();
  test::TempFiles tmp;
  const QString trace = tmp.path(QStringLiteral("t.txt"));
  int wire[2];
  ASSERT_EQ(::pipe(wire), 0);
  auto* threads = static_cast<Threads*>(
      ::mmap(nullptr, sizeof(Threads), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(threads, MAP_FAILED);
  EXPECT_EXIT(driveThenEnd(wire[1], trace, threads, ending.end),
              ::testing::KilledBySignal(ending.signo), "");
  ::close(wire[1]);
  EXPECT_NE(threads->driving, 0);
  EXPECT_EQ(threads->idling, threads->driving);
  ::munmap(threads, sizeof(Threads));
  // What the child sent, then only the idle pattern of programming mode until the signal (one
  // case keeps writing it), then the idle byte, last.
  const std::string bytes = readAll(wire[0]);
  ::close(wire[0]);
  const std::string sent("\x34\x08\x0A\x08\x0B\x09");
  ASSERT_GE(bytes.size(), sent.size() + 1);
  EXPECT_EQ(bytes.substr(0, sent.size()), sent);
  EXPECT_EQ(bytes.back(), '\x24');
  EXPECT_EQ(bytes.find_first_not_of('\x08', sent.size()), bytes.size() - 1);
  // The trace is the wire's bytes, line for line, and no other.
  EXPECT_EQ(tmp.read(QStringLiteral("t.txt")).toStdString(), traceOf(bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Signals, EndingSignalsDeath,
    ::testing::Values(Ending{"Term", SIGTERM, [] { ::raise(SIGTERM); }},
                      Ending{"Hangup", SIGHUP, [] { ::kill(::getpid(), SIGHUP); }},
                      Ending{"RealTime", SIGRTMIN + 3, [] { ::raise(SIGRTMIN + 3); }},
                      Ending{"Abort", SIGABRT, [] { std::abort(); }},
                      // A real fault: a store to a page that may not be touched.
                      Ending{"Fault", SIGSEGV,
                             [] {
                               void* page = ::mmap(nullptr, 4096, PROT_NONE,
                                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
                               *static_cast<volatile int*>(page) = 1;
                             }},
                      // A signal taken by another thread is passed to the one that drives the port,
                      // which is stopped there: no byte follows the idle one.
                      Ending{"OtherThread", SIGUSR1,
                             [] {
                               std::thread other([] { ::pthread_kill(::pthread_self(), SIGUSR1); });
                               for (int i = 0; i < 2000; ++i)
                                 EndingSignals::watched()->writeByte(0x08);
                               other.join();
                               ::pause();
                             }}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

// The toolkit calls exit() when its display goes away, in the middle of a run perhaps.
TEST(EndingSignals, ExitWhileAPortIsWatchedLeavesItIdle) {
  GTEST_FLAG_SET(death_test_style, "fast");
  int wire[2];
  ASSERT_EQ(::pipe(wire), 0);
  EXPECT_EXIT(
      {
        EndingSignals::install();
        // Alive when exit() runs, as the program's own port is: exit() unwinds no stack.
        auto* port = new LptPort(systemPorts(), wire[1], "pipe");
        EndingSignals::watch(*port);
        port->writeByte(0x34);
        port->writeByte(0x08);
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
  ::close(wire[1]);
  EXPECT_EQ(readAll(wire[0]), std::string("\x34\x08\x24"));
  ::close(wire[0]);
}

TEST(EndingSignals, EveryEndingSignalIsHandledAndPipeAndFileSizeAreIgnored) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        EndingSignals::install();
        bool sound = true;
        for (int signo :
             {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2, SIGALRM, SIGVTALRM,
              SIGPROF, SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT, SIGSEGV, SIGBUS,  SIGFPE,
              SIGILL,  SIGABRT, SIGTRAP, SIGSYS,  SIGRTMIN,  SIGRTMAX}) {
          struct sigaction now {};
          ::sigaction(signo, nullptr, &now);
          sound = sound && now.sa_handler != SIG_DFL && now.sa_handler != SIG_IGN;
        }
        for (int signo : {SIGPIPE, SIGXFSZ}) {
          struct sigaction now {};
          ::sigaction(signo, nullptr, &now);
          sound = sound && now.sa_handler == SIG_IGN;
        }
        for (int signo : {SIGCHLD, SIGCONT, SIGWINCH}) {
          struct sigaction now {};
          ::sigaction(signo, nullptr, &now);
          sound = sound && now.sa_handler == SIG_DFL;
        }
        // The stop signals are handled, to leave the board idle first.
        for (int signo : {SIGTSTP, SIGTTIN, SIGTTOU}) {
          struct sigaction now {};
          ::sigaction(signo, nullptr, &now);
          sound = sound && now.sa_handler != SIG_DFL && now.sa_handler != SIG_IGN;
        }
        ::_exit(sound ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tavrix
