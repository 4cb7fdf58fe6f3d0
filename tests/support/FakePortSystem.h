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
// of every call made.
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
    // A printer whose handshake does not come takes no byte until the clock reaches this (ms);
    // -1: never. A non-blocking write is refused with EAGAIN meanwhile; a blocking one would
    // wait for ever, and fails the test.
    std::int64_t busyUntilMs = 0;
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
  // The handle the next open(2) returns (then counting up from it).
  void setNextHandle(int fd) { nextHandle_ = fd; }
  // What deviceDrivers() reads, as /proc/devices would hold it; unset, the list cannot be read.
  void setDrivers(const std::string& text) {
    drivers_ = text;
    driversReadable_ = true;
  }
  // The monotonic clock: it moves only when poll(2) is asked to wait with no descriptor.
  std::int64_t nowMs() const { return nowMs_; }

  // Every call in order: "stat /dev/lp0", "open /dev/lp0 RDWR|NONBLOCK|NOCTTY|CLOEXEC",
  // "fstat 3", "dup 3 1", "lock 3 write 0 0", "setfl 3 0", "getfl 3", "setfl 3 NONBLOCK",
  // "ioctl 3 PPEXCL", "ioctl 3 PPDATADIR 0", "ioctl 3 PPWDATA 08", "ioctl 3 PPRSTATUS",
  // "ioctl 3 LPGETSTATUS", "write 3 08", "poll 3 OUT 10", "poll -1 1", "close 3". Reading the
  // list of drivers and the clock are not logged.
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
  unsigned char status();

  Port* board_;
  TraceSink* sink_;
  std::map<std::string, Node> nodes_;
  std::map<int, Handle> open_;
  std::vector<Failure> failures_;
  int nextHandle_ = 3;
  std::string drivers_;
  bool driversReadable_ = false;
  std::int64_t nowMs_ = 0;
};

}  // namespace tavrix::test
