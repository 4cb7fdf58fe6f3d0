#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "link/Port.h"
#include "link/PortSystem.h"
#include "link/Recording.h"

namespace tavrix::test {

// The kernel as a port sees it, for tests: a set of nodes that answer as the printer driver,
// the parallel-port driver or something else would, a board behind the port nodes, and a log
// of every call made. A call that would wait for ever on a real kernel (a blocking write to a
// busy printer, claiming a port another program holds) fails the test unless the alarm is
// armed; then the clock moves on to the alarm and the call returns as the kernel's does when a
// signal ends the wait. A printer node's open, status request, write or close while another
// device holds its port fails the test whatever the alarm: the driver would sleep, and a
// signal ending that sleep breaks the kernel's port sharing.
class FakePortSystem : public PortSystem {
 public:
  enum class Kind { Printer, Ppdev, Mute, RegularFile, Folder, Fifo, BlockDevice };
  struct Node {
    Kind kind = Kind::Printer;
    int openError = 0;           // errno open(2) fails with; 0: it opens
    int claimError = 0;          // errno PPCLAIM fails with (parallel-port driver nodes)
    bool lockedByOther = false;  // another program holds the write lock
    gid_t group = 7;
    mode_t mode = 0660;
    // A character device's major number; 0: the usual one of its kind (lp 6, ppdev 99, mem 1).
    unsigned major = 0;
    // The minor number: the port the node is on.
    unsigned minor = 0;
    // The major number of what open(2) opens when another node was put in its place after the
    // look; 0: the node looked at.
    unsigned openedMajor = 0;
    // A printer whose handshake does not come takes no byte until the clock reaches this (ms);
    // -1: never. Its status shows BUSY (0x80 clear) meanwhile, else 0x80 is set on the
    // board's status. A non-blocking write is refused with EAGAIN meanwhile; a blocking one
    // would wait for ever, and fails the test.
    std::int64_t busyUntilMs = 0;
    // Parallel-port driver nodes: the printer driver is registered on the port, so an
    // exclusive claim fails with ENXIO and a shared one is granted.
    bool printerDriverLoaded = false;
    // Parallel-port driver nodes with no port behind: the claim fails with ENXIO and PPGETMODES
    // with ENODEV.
    bool noPort = false;
  };

  // Data bytes go to `board` and status bytes come from it (0 without one); when `sink` is
  // given, each is also recorded there as the recording port would ("W 08", "R 40").
  explicit FakePortSystem(Port* board = nullptr, TraceSink* sink = nullptr)
      : board_(board), sink_(sink) {}

  void add(const std::string& path, Node node) { nodes_[path] = node; }
  void add(const std::string& path, Kind kind) { nodes_[path] = Node{kind}; }
  // The next call whose log line begins with `prefix` (for example "ioctl 3 PPWDATA") fails
  // with `error` and does nothing.
  void failNext(const std::string& prefix, int error) { failures_.push_back({prefix, error}); }
  // The next call whose log line begins with `prefix` has signal `signo` raised as it begins,
  // as a signal that comes while the driver works; the call then goes on as usual.
  void signalOn(const std::string& prefix, int signo) { signals_.push_back({prefix, signo}); }
  // The handle the next open(2) returns (then counting up from it).
  void setNextHandle(int fd) { nextHandle_ = fd; }
  // What deviceDrivers() reads, as /proc/devices would hold it; unset, the list cannot be read.
  void setDrivers(const std::string& text) {
    drivers_ = text;
    driversReadable_ = true;
  }
  // The monotonic clock: it moves only when poll(2) is asked to wait with no descriptor, and
  // when the alarm ends a wait.
  std::int64_t nowMs() const { return nowMs_; }
  // Another program holds port number `port` through `holder` ("ppdev0", "lp0"), until the
  // clock reaches `untilMs` (-1: until releasePort): its parallel-port nodes' claim waits until
  // release, and /proc/sys/dev/parport/parportN/devices/active names the holder.
  void holdPort(unsigned port, const std::string& holder, std::int64_t untilMs = -1) {
    holders_[port] = {holder, untilMs};
  }
  void releasePort(unsigned port) { holders_.erase(port); }
  // The alarm as the last call armed it (ms, 0 when disarmed), and how many waits it ended.
  int alarmMs() const { return alarmMs_; }
  int waitsCut() const { return waitsCut_; }

  // Every call in order: "stat /dev/lp0", "open /dev/lp0 RDWR|NONBLOCK|NOCTTY|CLOEXEC",
  // "fstat 3", "dup 3 1", "lock 3 write 0 0", "setfl 3 0", "getfl 3", "setfl 3 NONBLOCK",
  // "ioctl 3 PPEXCL", "ioctl 3 PPDATADIR 0", "ioctl 3 PPWDATA 08", "ioctl 3 PPRSTATUS",
  // "ioctl 3 LPGETSTATUS", "ioctl 3 PPGETMODES", "write 3 08", "poll 3 OUT 10", "poll -1 1",
  // "close 3". Reading the list of drivers, the lists of holders, the clock, the alarm, files
  // and folders are not logged.
  std::vector<std::string> calls;
  // Bytes that reached each node's data lines, by path.
  std::map<std::string, std::string> written;
  // Handles open now.
  int openHandles() const { return int(open_.size()); }
  // True when a handle of ours holds the node's write lock.
  bool lockedByUs(const std::string& path) const;

  int stat(const char* path, struct ::stat* info) override;
  int open(const char* path, int flags) override;
  int fstat(int fd, struct ::stat* info) override;
  int fcntl(int fd, int command, int argument) override;
  int setLock(int fd, const struct flock& lock) override;
  int ioctl(int fd, unsigned long request, void* argument) override;
  ssize_t write(int fd, const void* data, size_t size) override;
  int poll(int fd, short events, int timeoutMs) override;
  std::int64_t monotonicMs() override { return nowMs_; }
  int close(int fd) override;
  std::string groupName(gid_t group) override;
  bool deviceDrivers(std::string* text) override;
  void startAlarm(int ms) override;
  bool stopAlarm() override;
  int openText(const char* path) override;
  long readAgain(int fd, char* buffer, std::size_t size) override;
  bool hasEntry(const char* dir, const char* prefix) override;

 private:
  struct Handle {
    std::string path;
    bool nonBlocking = false;
    bool locked = false;
    bool exclusive = false;
    bool claimed = false;
  };
  struct Failure {
    std::string prefix;
    int error;
  };
  // Logs the call; -1 with errno set when a failure was asked for it.
  int log(const std::string& line);
  Handle* handle(int fd);
  const Node* node(const std::string& path) const;
  void putData(const std::string& path, unsigned char byte);
  unsigned char status(const Node* node);
  // Whether `node`'s port is held by another program.
  bool held(const Node* node) const;
  // A call that waits: the alarm ends it (true), or the test fails.
  void wait(const std::string& call);
  // A printer node's call on a port another device holds: the test fails.
  void printerSleeps(const std::string& call, const Node* node);

  Port* board_;
  TraceSink* sink_;
  std::map<std::string, Node> nodes_;
  std::map<int, Handle> open_;
  std::vector<Failure> failures_;
  std::vector<Failure> signals_;  // a signal number in place of the errno
  int nextHandle_ = 3;
  std::string drivers_;
  bool driversReadable_ = false;
  std::int64_t nowMs_ = 0;
  struct Holder {
    std::string name;
    std::int64_t untilMs;
  };
  // The name of the device holding port `port` now; nullptr when it is free.
  const std::string* holderOf(unsigned port) const;
  std::map<unsigned, Holder> holders_;
  std::map<int, unsigned> holderLists_;  // the lists opened, by handle, with their port
  int nextListHandle_ = 1000;
  int alarmMs_ = 0;
  bool alarmFired_ = false;
  int waitsCut_ = 0;
};

}  // namespace tavrix::test
