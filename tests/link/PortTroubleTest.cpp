// What a real PC does to a port at the first try, on the fake kernel with the drivers' real
// answers: a board that leaves BUSY open, a port another program holds (the driver's open,
// writes and claims then sleep), the printer driver loaded beside ppdev, a node with no port
// behind it, a node swapped after the look, and the advice when no node can be used. No call
// may wait without a bound: the fake kernel fails the test when one would.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/EndingSignals.h"
#include "link/LptPort.h"
#include "link/PortOpening.h"
#include "support/FakePortSystem.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

using Kind = FakePortSystem::Kind;
using Lines = std::vector<std::string>;

const std::string kOpenFlags = "RDWR|NONBLOCK|NOCTTY|CLOEXEC";
const std::string kBusyPin =
    "el controlador de impresora lo ve ocupado: la placa no mantiene BUSY (patilla 11) a nivel "
    "bajo, y ese controlador esperaría para siempre a cada byte; use el nodo del controlador de "
    "puerto paralelo, /dev/parport0";

FakePortSystem::Node ppdevBesideLp(unsigned minor = 0) {
  FakePortSystem::Node node{Kind::Ppdev};
  node.printerDriverLoaded = true;  // as on every Debian machine with a printer port
  node.minor = minor;
  return node;
}

// A board that leaves BUSY open reads busy: its lp node is refused at opening, without a byte
// written, and the search goes on to the parallel-port driver's node of the same port.
TEST(PortTrouble, BusyPrinterNodeIsRefusedAndTheSearchTakesPpdev) {
  FakePortSystem sys;
  FakePortSystem::Node busy{Kind::Printer};
  busy.busyUntilMs = -1;
  sys.add("/dev/lp0", busy);
  sys.add("/dev/parport0", ppdevBesideLp());
  PortOpening found = PortOpen(sys);
  ASSERT_TRUE(found.port);
  EXPECT_EQ(found.port->portPath(), "/dev/parport0");
  EXPECT_EQ(found.port->kind(), PortKind::Ppdev);
  ASSERT_EQ(found.refusals.size(), 3u);  // lp0 busy, lp1 and lp2 missing
  EXPECT_EQ(found.refusals[0].node, "/dev/lp0");
  EXPECT_EQ(found.refusals[0].reason, kBusyPin);
  EXPECT_EQ(Lines(sys.calls.begin(), sys.calls.begin() + 7),
            Lines({"stat /dev/lp0", "open /dev/lp0 " + kOpenFlags, "fstat 3", "lock 3 write 0 0",
                   "ioctl 3 PPEXCL", "ioctl 3 LPGETSTATUS", "close 3"}));
  EXPECT_EQ(sys.written.count("/dev/lp0"), 0u);
}

// A board that stops taking bytes through lp: the byte is given a second, then refused with the
// reason; the bytes after it are refused at once, so a run stops instead of waiting a second
// for each; the port is tried again after a while and becomes sound once a byte is taken.
TEST(PortTrouble, PrinterWriteRefusedForEverIsGivenUpAfterItsBound) {
  FakePortSystem sys;
  sys.add("/dev/lp0", Kind::Printer);
  PortOpening opened = openPortNode(sys, "/dev/lp0");
  ASSERT_TRUE(opened.port);
  ParallelPort& port = *opened.port;

  FakePortSystem::Node busy{Kind::Printer};
  busy.busyUntilMs = -1;  // every write answers EAGAIN
  sys.add("/dev/lp0", busy);
  sys.calls.clear();
  EXPECT_FALSE(port.writeByte(0x34));
  EXPECT_GE(sys.nowMs(), kPortWaitMs);
  EXPECT_LE(sys.nowMs(), kPortWaitMs + 10);
  EXPECT_EQ(port.writeProblem(),
            "/dev/lp0: el puerto no tomó un byte en 1 s: la placa no mantiene BUSY (patilla 11) a "
            "nivel bajo y el controlador de impresora (lp) esperaría para siempre; use el nodo del "
            "controlador de puerto paralelo, /dev/parport0 (portdevice=/dev/parport0 en la "
            "sección [Config] del fichero de configuración).");
  for (const std::string& call : sys.calls)
    EXPECT_TRUE(call == "write 3 34" || call == "poll -1 1") << call;

  // Refused at once, without a call.
  sys.calls.clear();
  const std::int64_t before = sys.nowMs();
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(port.writeByte(0x08));
  EXPECT_TRUE(sys.calls.empty());
  EXPECT_EQ(sys.nowMs(), before);

  // Tried again a second later, for a short time only.
  sys.poll(-1, 0, LptPort::kRetryGapMs);
  EXPECT_FALSE(port.writeByte(0x08));
  EXPECT_LE(sys.nowMs(), before + LptPort::kRetryGapMs + LptPort::kRetryBudgetMs + 2);

  // The board takes bytes again: the port is sound.
  sys.add("/dev/lp0", Kind::Printer);
  sys.poll(-1, 0, LptPort::kRetryGapMs);
  EXPECT_TRUE(port.writeByte(0x24));
  EXPECT_TRUE(port.writeByte(0x24));
  EXPECT_EQ(port.writeProblem(), "");
  EXPECT_EQ(sys.written["/dev/lp0"], "\x24\x24");
}

// Another program holds the port through ppdev. The printer driver would sleep in every call on
// its node (open, status request, each byte, close) until the port is let go, and a signal that
// ended that sleep would break the kernel's port sharing: while the kernel's list names such a
// holder, the node is never opened and a node already open is not called; the holder is named.
TEST(PortTrouble, PortHeldByAnotherProgramIsNamedAndItsPrinterNodeNeverCalled) {
  const std::string held =
      "/dev/lp0: lo tiene otro programa (a través de «ppdev0») y el controlador esperaría a que "
      "lo suelte; cierre ese programa.";
  FakePortSystem sys;
  sys.add("/dev/lp0", Kind::Printer);
  sys.holdPort(0, "ppdev0");
  PortOpening opened = openPortNode(sys, "/dev/lp0");
  EXPECT_FALSE(opened.port);
  EXPECT_EQ(opened.problemLines(), Lines{held});
  EXPECT_EQ(sys.calls, Lines{"stat /dev/lp0"});
  EXPECT_EQ(sys.openHandles(), 0);

  // Held while in use: the byte and the status are refused without a call, and the byte's
  // reason names the holder.
  sys.releasePort(0);
  opened = openPortNode(sys, "/dev/lp0");
  ASSERT_TRUE(opened.port);
  sys.holdPort(0, "ppdev0", sys.nowMs() + 300);
  sys.calls.clear();
  EXPECT_FALSE(opened.port->writeByte(0x08));
  EXPECT_EQ(opened.port->writeProblem(), held);
  EXPECT_EQ(opened.port->readStatus(), 0);
  EXPECT_FALSE(opened.port->goIdleNow());
  EXPECT_TRUE(sys.calls.empty());
  // Closing claims the port too: the holder is waited for (it lets go after 300 ms) first.
  opened.port->PortClose();
  EXPECT_GE(sys.nowMs(), 300);
  EXPECT_LT(sys.nowMs(), kPortWaitMs);
  EXPECT_EQ(sys.calls.back(), "close 3");
  EXPECT_EQ(sys.written.count("/dev/lp0"), 0u);

  // The parallel-port driver's claim waits while a print job holds the port (a wait that a
  // signal may end): bounded, and the printer driver is named, with the way to free the port.
  sys.add("/dev/parport1", ppdevBesideLp(1));
  sys.holdPort(1, "lp1");
  EXPECT_EQ(openPortNode(sys, "/dev/parport1").problemLines(),
            Lines{"/dev/parport1: lo tiene el controlador de impresora («lp1») para otro programa "
                  "y el controlador espera a que lo suelte; termine ese programa o descargue el "
                  "controlador con «sudo rmmod lp»."});
  EXPECT_EQ(sys.waitsCut(), 1);
  EXPECT_EQ(sys.alarmMs(), 0);  // nothing left armed
  EXPECT_EQ(sys.openHandles(), 0);
}

// The bound is a real one: the kernel's alarm ends a call that would never return (opening a FIFO
// for writing waits for a reader).
TEST(PortTrouble, KernelAlarmEndsACallThatDoesNotReturn) {
  TempFiles tmp;
  const QByteArray fifo = tmp.path(QStringLiteral("fifo")).toLocal8Bit();
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  PortSystem& kernel = systemPorts();
  bool cut = false;
  const int fd =
      callWithin(kernel, 100, &cut, [&] { return kernel.open(fifo.constData(), O_WRONLY); });
  EXPECT_TRUE(cut);
  EXPECT_LT(fd, 0);
  if (fd >= 0) ::close(fd);
  // A call that returns by itself is not cut, and the alarm is disarmed after it.
  const int null = callWithin(kernel, 100, &cut, [&] { return kernel.open("/dev/null", O_RDWR); });
  EXPECT_FALSE(cut);
  ASSERT_GE(null, 0);
  ::usleep(200 * 1000);
  EXPECT_FALSE(kernel.stopAlarm());
  ::close(null);
}

// A program ending on a signal while the printer node does not take the idle byte: the wait
// in the handler is bounded too (every other signal is blocked there), and the program ends by
// its signal. The child is given ten seconds; a hang is killed and fails the test.
TEST(PortTrouble, EndingSignalOnAStuckPrinterNodeStillEnds) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::fcntl(pipeFds[1], F_SETFL, O_NONBLOCK);
  const std::string filler(4096, 'x');
  while (::write(pipeFds[1], filler.data(), filler.size()) > 0) {
  }
  ::fcntl(pipeFds[1], F_SETFL, 0);  // full and blocking: only the alarm ends a write
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    EndingSignals::install();
    LptPort port(systemPorts(), pipeFds[1], "full");
    systemPorts().startAlarm(1000);  // made before, as the opening of a printer node does
    systemPorts().stopAlarm();
    EndingSignals::watch(port);
    ::raise(SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 1000 && done == 0; ++i) {
    done = ::waitpid(child, &status, WNOHANG);
    if (done == 0) ::usleep(10 * 1000);
  }
  if (done == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "the program did not end";
  }
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

// With lp loaded, an exclusive claim fails with ENXIO: the node is opened again and claimed
// shared, and that claim is held for as long as the port is. Not while another program has the
// printer driver's node of the port open: it would sleep in its next call.
TEST(PortTrouble, PpdevBesideThePrinterDriverTakesASharedClaim) {
  FakePortSystem sys;
  sys.add("/dev/parport0", ppdevBesideLp());
  sys.add("/dev/lp0", Kind::Printer);
  PortOpening opened = openPortNode(sys, "/dev/parport0");
  ASSERT_TRUE(opened.port);
  EXPECT_TRUE(opened.refusals.empty());
  EXPECT_EQ(opened.port->PortHandle(), 4);
  EXPECT_TRUE(opened.port->writeByte(0x24));
  opened.port->PortClose();
  EXPECT_EQ(sys.calls,
            Lines({"stat /dev/parport0", "open /dev/parport0 " + kOpenFlags, "fstat 3",
                   "lock 3 write 0 0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM", "ioctl 3 PPGETMODES",
                   "close 3", "open /dev/parport0 " + kOpenFlags, "fstat 4", "lock 4 write 0 0",
                   "stat /dev/lp0", "open /dev/lp0 WRONLY|NONBLOCK|NOCTTY|CLOEXEC", "close 5",
                   "ioctl 4 PPCLAIM", "ioctl 4 PPDATADIR 0", "ioctl 4 PPWDATA 24",
                   "ioctl 4 PPRELEASE", "close 4"}));
  EXPECT_EQ(sys.written["/dev/parport0"], "\x24");
  EXPECT_EQ(sys.openHandles(), 0);

  FakePortSystem::Node inUse{Kind::Printer};
  inUse.openError = EBUSY;  // the driver lets one program at a time open it
  sys.add("/dev/lp0", inUse);
  sys.calls.clear();
  EXPECT_EQ(openPortNode(sys, "/dev/parport0").problemLines(),
            Lines{"/dev/parport0: otro programa usa este puerto a través del controlador de "
                  "impresora (/dev/lp0), que esperaría a que se suelte; cierre ese programa."});
  // Only the exclusive claim was asked for.
  EXPECT_EQ(std::count_if(sys.calls.begin(), sys.calls.end(),
                          [](const std::string& call) {
                            return call.size() > 7 &&
                                   call.compare(call.size() - 7, 7, "PPCLAIM") == 0;
                          }),
            1);
  EXPECT_EQ(sys.openHandles(), 0);
}

// ENXIO also comes from a node with no port behind it: told apart by the port's modes, with
// a message of its own; the printer driver's node of a missing port says the same at open.
TEST(PortTrouble, NodeWithNoPortBehindItIsSaidSo) {
  FakePortSystem sys;
  FakePortSystem::Node empty{Kind::Ppdev};
  empty.noPort = true;
  empty.minor = 2;
  sys.add("/dev/parport2", empty);
  FakePortSystem::Node lpEmpty{Kind::Printer};
  lpEmpty.openError = ENXIO;
  lpEmpty.minor = 2;
  sys.add("/dev/lp2", lpEmpty);
  const std::string reason =
      ": no hay ningún puerto paralelo detrás de este nodo (el núcleo no tiene parport2).";
  EXPECT_EQ(openPortNode(sys, "/dev/parport2").problemLines(), Lines{"/dev/parport2" + reason});
  EXPECT_EQ(openPortNode(sys, "/dev/lp2").problemLines(), Lines{"/dev/lp2" + reason});
  EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "ioctl 3 PPGETMODES"), 1);
  EXPECT_EQ(sys.openHandles(), 0);
  EXPECT_TRUE(sys.written.empty());
}

// A node replaced between the driver check and the open (a race that another driver's node can
// win) is refused for what was opened, before anything is sent.
TEST(PortTrouble, NodeSwappedBetweenTheCheckAndTheOpenIsRefused) {
  FakePortSystem sys;
  sys.setDrivers("Character devices:\n  1 mem\n  6 lp\n 99 ppdev\n");
  FakePortSystem::Node swapped{Kind::Printer};
  swapped.openedMajor = 1;  // /dev/mem's major, put in place after the look
  sys.add("/dev/lp0", swapped);
  PortOpening opened = openPortNode(sys, "/dev/lp0");
  EXPECT_FALSE(opened.port);
  EXPECT_EQ(opened.problemLines(),
            Lines{"/dev/lp0: el nodo cambió entre la comprobación y la apertura (lo sustituyó otro "
                  "programa); no se usa."});
  EXPECT_EQ(sys.calls,
            Lines({"stat /dev/lp0", "open /dev/lp0 " + kOpenFlags, "fstat 3", "close 3"}));
  EXPECT_TRUE(sys.written.empty());
}

// When no node can be used, the user is told what the machine lacks: a USB adapter that only
// prints, the parallel-port drivers not loaded.
TEST(PortTrouble, AdviceWhenNoNodeCanBeUsed) {
  {
    FakePortSystem sys;
    sys.add("/dev/usb/lp0", Kind::Printer);
    const Lines lines = PortOpen(sys).problemLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1],
              "hay un adaptador USB a paralelo (/dev/usb/lp*): solo sirve para imprimir y no "
              "puede mover esta placa, que necesita un puerto paralelo de verdad (en la placa "
              "base o en una tarjeta PCI o PCIe).");
    EXPECT_EQ(lines[2],
              "no hay ningún nodo /dev/parport*: cargue los controladores del puerto paralelo "
              "con «sudo modprobe parport_pc ppdev».");
  }
  {
    // Nodes that are there but refused: no modprobe advice.
    FakePortSystem sys;
    FakePortSystem::Node locked{Kind::Ppdev};
    locked.lockedByOther = true;
    sys.add("/dev/parport0", locked);
    const Lines lines = PortOpen(sys).problemLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("/dev/parport0: lo está usando otro programa", 0), 0u);
  }
  // A named node: the advice only when it is a missing port node of the system's folder.
  FakePortSystem sys;
  EXPECT_EQ(openNamedOrSearch(sys, "/dev/parport0").problemLines().size(), 2u);
  EXPECT_EQ(openNamedOrSearch(sys, "/home/u/lp0").problemLines(), Lines{"/home/u/lp0: no existe."});
}

}  // namespace
}  // namespace tavrix::test
