// Opening the board's port: which nodes are tried, what the node is asked before it is used,
// what each driver is sent afterwards, and what the user is told about every node refused.
// The kernel is the fake port system; the command-line tests meet real nodes.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/BoundedWrite.h"
#include "link/LptPort.h"
#include "link/PortOpening.h"
#include "support/FakePortSystem.h"

namespace tavrix::test {
namespace {

using Kind = FakePortSystem::Kind;
using Lines = std::vector<std::string>;

const std::string kOpenFlags = "RDWR|NONBLOCK|NOCTTY|CLOEXEC";

// The status lines as a board with the chip driving PGD high shows them.
class StatusBoard : public Port {
 public:
  bool writeByte(std::uint8_t) override { return true; }
  std::uint8_t readStatus() override { return 0x47; }
};

// The calls that open `path` as handle `fd` and find it a port, up to the first question.
Lines opening(const std::string& path, int fd = 3) {
  const std::string h = std::to_string(fd);
  return {"stat " + path, "open " + path + " " + kOpenFlags, "fstat " + h,
          "lock " + h + " write 0 0"};
}

Lines plus(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PortOpening, ParallelPortDriverIsClaimedDrivenAndReleased) {
  StatusBoard board;
  FakePortSystem sys(&board);
  sys.add("/dev/parport0", Kind::Ppdev);
  PortOpening opened = openPortNode(sys, "/dev/parport0");
  ASSERT_TRUE(opened.port);
  EXPECT_TRUE(opened.refusals.empty());
  ParallelPort& port = *opened.port;
  EXPECT_EQ(port.kind(), PortKind::Ppdev);
  EXPECT_EQ(port.portPath(), "/dev/parport0");
  EXPECT_EQ(port.PortHandle(), 3);
  EXPECT_EQ(portKindName(port.kind()), "controlador de puerto paralelo (ppdev)");
  EXPECT_TRUE(sys.lockedByUs("/dev/parport0"));

  EXPECT_TRUE(port.PortWrite(0x1AB));  // only the low byte goes out
  EXPECT_TRUE(port.writeByte(0x34));
  EXPECT_EQ(port.PortStatus(), 0x47);
  sys.failNext("ioctl 3 PPWDATA", EIO);
  EXPECT_FALSE(port.writeByte(0x08));
  EXPECT_EQ(port.writeProblem(), "/dev/parport0: error del sistema: Input/output error.");
  port.PortClose();
  EXPECT_EQ(sys.calls, plus(opening("/dev/parport0"),
                            {"ioctl 3 PPEXCL", "ioctl 3 PPCLAIM", "ioctl 3 PPDATADIR 0",
                             "ioctl 3 PPWDATA AB", "ioctl 3 PPWDATA 34", "ioctl 3 PPRSTATUS",
                             "ioctl 3 PPWDATA 08", "ioctl 3 PPRELEASE", "close 3"}));
  EXPECT_EQ(sys.written["/dev/parport0"], "\xAB\x34");
  EXPECT_EQ(sys.openHandles(), 0);

  // A closed port sends nothing and reads 0.
  const std::size_t before = sys.calls.size();
  EXPECT_LT(port.PortHandle(), 1);
  EXPECT_EQ(port.portPath(), "");
  EXPECT_FALSE(port.PortWrite(0x24));
  EXPECT_EQ(port.PortStatus(), 0);
  EXPECT_EQ(sys.calls.size(), before);
}

TEST(PortOpening, PrinterDriverTakesOneWritePerByteAndAnswersItsStatus) {
  StatusBoard board;
  FakePortSystem sys(&board);
  sys.add("/dev/lp0", Kind::Printer);
  {
    PortOpening opened = openPortNode(sys, "/dev/lp0");
    ASSERT_TRUE(opened.port);
    ParallelPort& port = *opened.port;
    EXPECT_EQ(port.kind(), PortKind::Printer);
    EXPECT_EQ(portKindName(port.kind()), "controlador de impresora (lp)");
    EXPECT_TRUE(port.PortWrite(0x08));
    EXPECT_TRUE(port.PortWrite(0x1AB));
    EXPECT_EQ(port.PortStatus(), 0xC7);  // the board holds BUSY low: the port shows 0x80
    sys.failNext("ioctl 3 LPGETSTATUS", EIO);
    EXPECT_EQ(port.PortStatus(), 0);  // a failed request reads as 0
    sys.failNext("write 3", EIO);
    EXPECT_FALSE(port.PortWrite(0x24));
  }  // destruction closes the port
  EXPECT_EQ(sys.calls, plus(opening("/dev/lp0"), {"ioctl 3 PPEXCL", "ioctl 3 LPGETSTATUS",
                                                  "write 3 08", "write 3 AB", "ioctl 3 LPGETSTATUS",
                                                  "ioctl 3 LPGETSTATUS", "write 3 24", "close 3"}));
  EXPECT_EQ(sys.written["/dev/lp0"], "\x08\xAB");
  EXPECT_EQ(sys.openHandles(), 0);
}

TEST(PortOpening, CallsCutShortBySignalsAreRepeated) {
  StatusBoard board;
  FakePortSystem sys(&board);
  sys.add("/dev/parport0", Kind::Ppdev);
  sys.add("/dev/lp0", Kind::Printer);
  for (const char* call :
       {"open /dev/parport0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM", "ioctl 3 PPDATADIR",
        "ioctl 3 PPWDATA", "ioctl 3 PPRSTATUS", "ioctl 3 PPRELEASE"})
    sys.failNext(call, EINTR);
  PortOpening ppdev = openPortNode(sys, "/dev/parport0");
  ASSERT_TRUE(ppdev.port);
  EXPECT_TRUE(ppdev.port->PortWrite(0x0A));
  EXPECT_EQ(ppdev.port->PortStatus(), 0x47);
  ppdev.port->PortClose();
  EXPECT_EQ(sys.written["/dev/parport0"], "\x0A");  // one byte, though asked twice

  sys.calls.clear();
  for (const char* call : {"write 4", "ioctl 4 LPGETSTATUS", "ioctl 4 LPGETSTATUS"})
    sys.failNext(call, EINTR);
  PortOpening lp = openPortNode(sys, "/dev/lp0");
  ASSERT_TRUE(lp.port);
  EXPECT_TRUE(lp.port->PortWrite(0x0B));
  EXPECT_EQ(lp.port->PortStatus(), 0xC7);
  EXPECT_EQ(sys.written["/dev/lp0"], "\x0B");
  EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "write 4 0B"), 2);
}

TEST(PortOpening, NodesThatAreNoPortsAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    Kind kind;
    const char* reason;
    bool opened;  // only a character device is ever opened
  };
  const std::vector<Case> cases = {
      {Kind::RegularFile, "es un fichero normal, no un puerto paralelo", false},
      {Kind::Folder, "es una carpeta, no un puerto paralelo", false},
      {Kind::Fifo, "es una tubería con nombre (FIFO), no un puerto paralelo", false},
      {Kind::BlockDevice, "es un dispositivo de bloques (un disco), no un puerto paralelo", false},
      {Kind::Mute,
       "es un dispositivo de caracteres que no responde como puerto paralelo (ni al controlador "
       "de impresora lp ni al de puerto paralelo ppdev)",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    FakePortSystem sys;
    sys.add("/dev/x", c.kind);
    PortOpening opened = openPortNode(sys, "/dev/x");
    EXPECT_FALSE(opened.port);
    EXPECT_EQ(opened.problemLines(), Lines{std::string("/dev/x: ") + c.reason + "."});
    const Lines expected =
        c.opened ? plus(opening("/dev/x"), {"ioctl 3 PPEXCL", "ioctl 3 LPGETSTATUS", "close 3"})
                 : Lines{"stat /dev/x"};
    EXPECT_EQ(sys.calls, expected);
    EXPECT_TRUE(sys.written.empty());
    EXPECT_EQ(sys.openHandles(), 0);
  }

  FakePortSystem sys;
  PortOpening missing = openPortNode(sys, "/dev/lp7");
  EXPECT_FALSE(missing.port);
  EXPECT_EQ(missing.problemLines(), Lines{"/dev/lp7: no existe."});
  EXPECT_EQ(sys.calls, Lines{"stat /dev/lp7"});
}

TEST(PortOpening, DriverRefusalsNameTheNodeAndWhatToDo) {
  FakePortSystem sys;
  FakePortSystem::Node groupOnly{Kind::Ppdev};
  groupOnly.openError = EACCES;
  sys.add("/dev/parport1", groupOnly);
  EXPECT_EQ(openPortNode(sys, "/dev/parport1").problemLines(),
            Lines{"/dev/parport1: permiso denegado: solo pueden usarlo los usuarios del grupo "
                  "«lp»; añádase a él con «sudo adduser $USER lp» y vuelva a iniciar la sesión "
                  "para que cuente."});

  FakePortSystem::Node ownerOnly{Kind::Printer};
  ownerOnly.openError = EACCES;
  ownerOnly.mode = 0600;
  sys.add("/dev/lp0", ownerOnly);
  EXPECT_EQ(openPortNode(sys, "/dev/lp0").problemLines(),
            Lines{"/dev/lp0: permiso denegado: solo su dueño puede usarlo; pida al administrador "
                  "acceso a este nodo."});

  FakePortSystem::Node busy{Kind::Printer};
  busy.openError = EBUSY;  // the printer driver lets one program at a time open a node
  sys.add("/dev/lp1", busy);
  EXPECT_EQ(openPortNode(sys, "/dev/lp1").problemLines(),
            Lines{"/dev/lp1: lo está usando otro programa."});
  EXPECT_EQ(sys.openHandles(), 0);
}

TEST(PortOpening, SearchTriesPrinterNodesThenParallelPortNodes) {
  const Lines all = {"/dev/lp0",      "/dev/lp1",      "/dev/lp2",
                     "/dev/parport0", "/dev/parport1", "/dev/parport2"};
  {
    FakePortSystem sys;
    PortOpening none = PortOpen(sys);
    EXPECT_FALSE(none.port);
    Lines stats;
    for (const std::string& node : all) stats.push_back("stat " + node);
    EXPECT_EQ(sys.calls, stats);
    EXPECT_EQ(none.problemLines(),
              Lines({"no existe ninguno de los nodos /dev/lp0, /dev/lp1, /dev/lp2, /dev/parport0, "
                     "/dev/parport1, /dev/parport2.",
                     "no hay ningún nodo /dev/parport*: cargue los controladores del puerto "
                     "paralelo con «sudo modprobe parport_pc ppdev»."}));
  }
  // Each node alone is found, whatever its place; a printer node comes before any other.
  for (std::size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(all[i]);
    FakePortSystem sys;
    for (std::size_t j = i; j < all.size(); ++j)
      sys.add(all[j], j < 3 ? Kind::Printer : Kind::Ppdev);
    PortOpening found = PortOpen(sys);
    ASSERT_TRUE(found.port);
    EXPECT_EQ(found.port->portPath(), all[i]);
    EXPECT_EQ(found.port->kind(), i < 3 ? PortKind::Printer : PortKind::Ppdev);
  }
  // Nodes that exist and are refused are named, the missing ones are not.
  FakePortSystem sys;
  sys.add("/dev/lp1", Kind::Mute);
  sys.add("/dev/parport2", Kind::RegularFile);
  PortOpening refused = PortOpen(sys, "/dev");
  EXPECT_FALSE(refused.port);
  ASSERT_EQ(refused.problemLines().size(), 2u);
  EXPECT_EQ(refused.problemLines()[0].substr(0, 52),
            "/dev/lp1: es un dispositivo de caracteres que no res");
  EXPECT_EQ(refused.problemLines()[1],
            "/dev/parport2: es un fichero normal, no un puerto paralelo.");
}

TEST(PortOpening, LockedNodeIsSkippedAndOurLockLastsUntilClose) {
  FakePortSystem sys;
  FakePortSystem::Node locked{Kind::Printer};
  locked.lockedByOther = true;
  sys.add("/dev/lp0", locked);
  sys.add("/dev/lp1", Kind::Printer);
  PortOpening found = PortOpen(sys);
  ASSERT_TRUE(found.port);
  EXPECT_EQ(found.port->portPath(), "/dev/lp1");
  EXPECT_EQ(Lines(sys.calls.begin(), sys.calls.begin() + 5),
            Lines({"stat /dev/lp0", "open /dev/lp0 " + kOpenFlags, "fstat 3", "lock 3 write 0 0",
                   "close 3"}));
  EXPECT_EQ(sys.openHandles(), 1);
  EXPECT_TRUE(sys.lockedByUs("/dev/lp1"));
  found.port->PortClose();
  EXPECT_FALSE(sys.lockedByUs("/dev/lp1"));

  // Every node held by others: no port, and nothing of ours stays open.
  FakePortSystem held;
  for (const char* node : {"/dev/lp0", "/dev/lp1", "/dev/lp2"}) held.add(node, locked);
  FakePortSystem::Node lockedPpdev{Kind::Ppdev};
  lockedPpdev.lockedByOther = true;
  held.add("/dev/parport0", lockedPpdev);
  PortOpening none = PortOpen(held);
  EXPECT_FALSE(none.port);
  EXPECT_EQ(none.problemLines().size(), 4u);
  EXPECT_EQ(none.problemLines()[3],
            "/dev/parport0: lo está usando otro programa (quizá otro Tavrix), que lo tiene "
            "bloqueado.");
  EXPECT_EQ(held.openHandles(), 0);
  EXPECT_EQ(std::count(held.calls.begin(), held.calls.end(), "ioctl 3 PPEXCL"), 0);
}

TEST(PortOpening, NamedNodeIsTheOnlyNodeTried) {
  FakePortSystem sys;
  sys.add("/dev/lp0", Kind::Printer);
  sys.add("/dev/parport1", Kind::Ppdev);
  PortOpening named = openNamedOrSearch(sys, "/dev/parport1");
  ASSERT_TRUE(named.port);
  EXPECT_EQ(named.port->kind(), PortKind::Ppdev);
  named.port.reset();
  for (const std::string& call : sys.calls) EXPECT_EQ(call.find("/dev/lp0"), std::string::npos);

  // A named node that cannot be used is not replaced by the search.
  sys.calls.clear();
  PortOpening missing = openNamedOrSearch(sys, "/dev/parport2");
  EXPECT_FALSE(missing.port);
  EXPECT_EQ(sys.calls, Lines{"stat /dev/parport2"});

  sys.calls.clear();
  PortOpening searched = openNamedOrSearch(sys, "");
  ASSERT_TRUE(searched.port);
  EXPECT_EQ(searched.port->portPath(), "/dev/lp0");
}

TEST(PortOpening, HandleZeroIsMovedAboveZero) {
  FakePortSystem sys;
  sys.add("/dev/lp0", Kind::Printer);
  sys.setNextHandle(0);
  PortOpening opened = openPortNode(sys, "/dev/lp0");
  ASSERT_TRUE(opened.port);
  EXPECT_EQ(opened.port->PortHandle(), 1);
  EXPECT_EQ(
      Lines(sys.calls.begin(), sys.calls.begin() + 5),
      Lines({"stat /dev/lp0", "open /dev/lp0 " + kOpenFlags, "dup 0 1", "close 0", "fstat 1"}));
  EXPECT_EQ(sys.openHandles(), 1);
}

// Opening a node can start something (a watchdog reboots the machine when its handle closes
// without a word): a node the kernel gives to any other driver is refused unopened.
TEST(PortOpening, NodesOfOtherDriversAreRefusedWithoutBeingOpened) {
  const std::string drivers =
      "Character devices:\n  1 mem\n  6 lp\n 10 misc\n 99 ppdev\n249 watchdog\n\n"
      "Block devices:\n  7 loop\n 99 virtblk\n";
  struct Case {
    unsigned major;
    const char* reason;
  };
  for (const Case& c :
       {Case{249,
             "es un dispositivo de caracteres del controlador «watchdog», no un puerto "
             "paralelo; solo se abren los nodos de lp y de ppdev"},
        Case{1,
             "es un dispositivo de caracteres del controlador «mem», no un puerto paralelo; "
             "solo se abren los nodos de lp y de ppdev"},
        Case{7,
             "es un dispositivo de caracteres de ningún controlador del núcleo, no un puerto "
             "paralelo"}}) {
    SCOPED_TRACE(c.major);
    FakePortSystem sys;
    sys.setDrivers(drivers);
    FakePortSystem::Node node{Kind::Mute};
    node.major = c.major;
    sys.add("/dev/x", node);
    PortOpening opened = openPortNode(sys, "/dev/x");
    EXPECT_FALSE(opened.port);
    EXPECT_EQ(opened.problemLines(), Lines{std::string("/dev/x: ") + c.reason + "."});
    EXPECT_EQ(sys.calls, Lines{"stat /dev/x"});
  }
  // The two parallel-port drivers' nodes are opened and asked as always.
  FakePortSystem sys;
  sys.setDrivers(drivers);
  sys.add("/dev/lp0", Kind::Printer);
  sys.add("/dev/parport0", Kind::Ppdev);
  EXPECT_EQ(openPortNode(sys, "/dev/lp0").port->kind(), PortKind::Printer);
  EXPECT_EQ(openPortNode(sys, "/dev/parport0").port->kind(), PortKind::Ppdev);
}

// A program ending on a signal puts the idle byte on the lines without waiting on the driver:
// ppdev takes it at once; a printer whose handshake never comes is given up after the bound.
TEST(PortOpening, GoingIdleNeverWaitsLongerThanTheBound) {
  FakePortSystem sys;
  sys.add("/dev/parport0", Kind::Ppdev);
  FakePortSystem::Node stuck{Kind::Printer};
  sys.add("/dev/lp0", stuck);
  PortOpening ppdev = openPortNode(sys, "/dev/parport0");
  PortOpening lp = openPortNode(sys, "/dev/lp0");
  ASSERT_TRUE(ppdev.port && lp.port);

  sys.calls.clear();
  EXPECT_TRUE(ppdev.port->goIdleNow());
  EXPECT_EQ(sys.calls, Lines{"ioctl 3 PPWDATA 24"});

  FakePortSystem::Node busy = stuck;
  busy.busyUntilMs = -1;
  sys.add("/dev/lp0", busy);
  sys.calls.clear();
  EXPECT_FALSE(lp.port->goIdleNow());
  EXPECT_GE(sys.nowMs(), kEndingWriteBudgetMs);
  EXPECT_LE(sys.nowMs(), kEndingWriteBudgetMs + 10);
  ASSERT_GE(sys.calls.size(), 3u);
  EXPECT_EQ(Lines(sys.calls.begin(), sys.calls.begin() + 4),
            Lines({"getfl 4", "write 4 24", "poll -1 1", "write 4 24"}));
  EXPECT_EQ(sys.written["/dev/lp0"], "");

  // A handshake that comes late, within the bound: the byte goes out once.
  busy.busyUntilMs = sys.nowMs() + 300;
  sys.add("/dev/lp0", busy);
  EXPECT_TRUE(lp.port->goIdleNow());
  EXPECT_EQ(sys.written["/dev/lp0"], "\x24");

  // A closed port is not touched.
  lp.port->PortClose();
  sys.calls.clear();
  EXPECT_FALSE(lp.port->goIdleNow());
  EXPECT_TRUE(sys.calls.empty());
}

// The same on the kernel's own calls: a port node whose driver never takes the byte (here a
// full pipe on a blocking handle, as a printer node whose port another program holds) is given
// up when the alarm ends the wait, and the call returns.
TEST(PortOpening, GoingIdleOnAFullKernelNodeReturns) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::fcntl(pipeFds[1], F_SETFL, O_NONBLOCK);
  const std::string filler(4096, 'x');
  while (::write(pipeFds[1], filler.data(), filler.size()) > 0) {
  }
  ::fcntl(pipeFds[1], F_SETFL, 0);  // blocking: only the alarm ends the wait
  LptPort port(systemPorts(), pipeFds[1], "full");
  EXPECT_FALSE(port.goIdleNow());
  ::close(pipeFds[0]);
}

}  // namespace
}  // namespace tavrix::test
