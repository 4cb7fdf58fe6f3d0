#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrix {

// The signal the kernel's startAlarm sends to cut a waiting call short: one whose default is
// to be ignored, that this program never asks for otherwise (it comes only for a socket's
// urgent data). A signal handler that may wait on a port must leave it unblocked.
inline constexpr int kPortAlarmSignal = SIGURG;

// The system calls a parallel port makes, one function each, so that tests can watch every
// call and answer it as a driver would. Each returns what the system call returns and leaves
// errno set when it fails. The kernel's fcntl, write, ioctl, poll, monotonicMs, startAlarm,
// stopAlarm, readAgain and close are safe to call from a signal handler.
class PortSystem {
 public:
  virtual ~PortSystem() = default;
  // stat(2): follows symbolic links, as opening does.
  virtual int stat(const char* path, struct ::stat* info) = 0;
  // open(2) without creating anything: no mode argument.
  virtual int open(const char* path, int flags) = 0;
  virtual int fstat(int fd, struct ::stat* info) = 0;
  // fcntl(2) with an integer argument (F_GETFL, F_SETFL, F_DUPFD_CLOEXEC).
  virtual int fcntl(int fd, int command, int argument) = 0;
  // fcntl(fd, F_SETLK, lock): an advisory lock taken or refused at once, never awaited.
  virtual int setLock(int fd, const struct flock& lock) = 0;
  virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
  virtual ssize_t write(int fd, const void* data, size_t size) = 0;
  // poll(2) on one descriptor; a negative `fd` only waits.
  virtual int poll(int fd, short events, int timeoutMs) = 0;
  // Milliseconds of the monotonic clock.
  virtual std::int64_t monotonicMs() = 0;
  virtual int close(int fd) = 0;
  // The name of a group, for telling the user which group may use a node; empty when unknown.
  virtual std::string groupName(gid_t group) = 0;
  // The kernel's list of drivers by major number (/proc/devices); false when it cannot be read.
  virtual bool deviceDrivers(std::string* text) = 0;

  // A bound on a call that may sleep in the driver (the parallel-port driver's claim while
  // another program holds the port, a printer driver's write that naps on a printer error):
  // from startAlarm until stopAlarm, a call of this thread still waiting after `ms` is cut
  // short as by a signal. stopAlarm disarms it and says whether it went off; the call it cut
  // short may then have failed with EINTR or returned as if nothing had happened. A value of
  // `ms` below 1 counts as 1.
  virtual void startAlarm(int ms) = 0;
  virtual bool stopAlarm() = 0;
  // A small text file of the kernel's (/proc, /sys) opened for reading with readAgain; -1 when
  // it cannot be. close() lets it go.
  virtual int openText(const char* path) = 0;
  // Reads the file opened by openText afresh, from its start, into `buffer`: the bytes read, or
  // -1 with errno.
  virtual long readAgain(int fd, char* buffer, std::size_t size) = 0;
  // Whether the folder `dir` holds an entry whose name begins with `prefix`.
  virtual bool hasEntry(const char* dir, const char* prefix) = 0;
};

// The kernel itself.
PortSystem& systemPorts();

}  // namespace tavrix
