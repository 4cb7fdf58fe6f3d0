#include "FakePortSystem.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <linux/lp.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>

namespace tavrix::test {

namespace {

std::string hexByte(unsigned value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

std::string flagsText(int flags) {
  std::string text = (flags & O_ACCMODE) == O_RDWR     ? "RDWR"
                     : (flags & O_ACCMODE) == O_WRONLY ? "WRONLY"
                                                       : "RDONLY";
  for (const auto& [flag, name] :
       {std::pair{O_CREAT, "CREAT"}, std::pair{O_TRUNC, "TRUNC"}, std::pair{O_NONBLOCK, "NONBLOCK"},
        std::pair{O_NOCTTY, "NOCTTY"}, std::pair{O_CLOEXEC, "CLOEXEC"}}) {
    if (flags & flag) text += std::string("|") + name;
  }
  return text;
}

int fail(int error) {
  errno = error;
  return -1;
}

}  // namespace

int FakePortSystem::log(const std::string& line) {
  calls.push_back(line);
  for (auto it = signals_.begin(); it != signals_.end(); ++it) {
    if (line.compare(0, it->prefix.size(), it->prefix) == 0) {
      const int signo = it->error;
      signals_.erase(it);
      ::raise(signo);
      break;
    }
  }
  for (auto it = failures_.begin(); it != failures_.end(); ++it) {
    if (line.compare(0, it->prefix.size(), it->prefix) == 0) {
      const int error = it->error;
      failures_.erase(it);
      return fail(error);
    }
  }
  return 0;
}

FakePortSystem::Handle* FakePortSystem::handle(int fd) {
  const auto it = open_.find(fd);
  return it == open_.end() ? nullptr : &it->second;
}

const FakePortSystem::Node* FakePortSystem::node(const std::string& path) const {
  const auto it = nodes_.find(path);
  return it == nodes_.end() ? nullptr : &it->second;
}

bool FakePortSystem::lockedByUs(const std::string& path) const {
  for (const auto& [fd, h] : open_)
    if (h.path == path && h.locked) return true;
  return false;
}

int FakePortSystem::stat(const char* path, struct ::stat* info) {
  if (log(std::string("stat ") + path) != 0) return -1;
  const Node* n = node(path);
  if (!n) return fail(ENOENT);
  *info = {};
  info->st_gid = n->group;
  info->st_mode = n->mode;
  switch (n->kind) {
    case Kind::Printer:
    case Kind::Ppdev:
    case Kind::Mute:
      info->st_mode |= S_IFCHR;
      info->st_rdev = makedev(n->major                   ? n->major
                              : n->kind == Kind::Printer ? 6
                              : n->kind == Kind::Ppdev   ? 99
                                                         : 1,
                              n->minor);
      break;
    case Kind::RegularFile:
      info->st_mode |= S_IFREG;
      break;
    case Kind::Folder:
      info->st_mode |= S_IFDIR;
      break;
    case Kind::Fifo:
      info->st_mode |= S_IFIFO;
      break;
    case Kind::BlockDevice:
      info->st_mode |= S_IFBLK;
      break;
  }
  return 0;
}

int FakePortSystem::open(const char* path, int flags) {
  if (log(std::string("open ") + path + " " + flagsText(flags)) != 0) return -1;
  const Node* n = node(path);
  if (!n) return fail(ENOENT);
  if (n->openError) return fail(n->openError);
  if (n->kind == Kind::Folder && (flags & O_ACCMODE) != O_RDONLY) return fail(EISDIR);
  if (n->kind == Kind::Printer) printerSleeps(std::string("open ") + path, n);
  const int fd = nextHandle_++;
  open_[fd].path = path;
  open_[fd].nonBlocking = (flags & O_NONBLOCK) != 0;
  return fd;
}

int FakePortSystem::fstat(int fd, struct ::stat* info) {
  if (log("fstat " + std::to_string(fd)) != 0) return -1;
  const Handle* h = handle(fd);
  if (!h) return fail(EBADF);
  const std::string path = h->path;
  const std::size_t before = calls.size();
  const int result = stat(path.c_str(), info);
  calls.resize(before);  // the inner look is not a call of its own
  const Node* n = node(path);
  if (result == 0 && n && n->openedMajor) info->st_rdev = makedev(n->openedMajor, n->minor);
  return result;
}

int FakePortSystem::fcntl(int fd, int command, int argument) {
  if (command == F_DUPFD_CLOEXEC) {
    if (log("dup " + std::to_string(fd) + " " +
            std::to_string(nextHandle_ < argument ? argument : nextHandle_)) != 0)
      return -1;
    const Handle* h = handle(fd);
    if (!h) return fail(EBADF);
    if (nextHandle_ < argument) nextHandle_ = argument;
    const int copy = nextHandle_++;
    open_[copy] = Handle{h->path};
    return copy;
  }
  if (command == F_GETFL) {
    if (log("getfl " + std::to_string(fd)) != 0) return -1;
    const Handle* h = handle(fd);
    if (!h) return fail(EBADF);
    return O_RDWR | (h->nonBlocking ? O_NONBLOCK : 0);
  }
  const std::string value =
      command == F_SETFL && (argument & O_NONBLOCK) ? "NONBLOCK" : std::to_string(argument);
  if (log(std::string(command == F_SETFL ? "setfl " : "fcntl ") + std::to_string(fd) + " " +
          value) != 0)
    return -1;
  Handle* h = handle(fd);
  if (!h) return fail(EBADF);
  if (command == F_SETFL) h->nonBlocking = (argument & O_NONBLOCK) != 0;
  return 0;
}

int FakePortSystem::setLock(int fd, const struct flock& lock) {
  const std::string type = lock.l_type == F_WRLCK ? "write" : "other";
  if (log("lock " + std::to_string(fd) + " " + type + " " + std::to_string(lock.l_start) + " " +
          std::to_string(lock.l_len)) != 0)
    return -1;
  Handle* h = handle(fd);
  if (!h) return fail(EBADF);
  const Node* n = node(h->path);
  if (n && n->lockedByOther) return fail(EAGAIN);
  h->locked = true;
  return 0;
}

int FakePortSystem::ioctl(int fd, unsigned long request, void* argument) {
  std::string line = "ioctl " + std::to_string(fd) + " ";
  switch (request) {
    case PPEXCL:
      line += "PPEXCL";
      break;
    case PPCLAIM:
      line += "PPCLAIM";
      break;
    case PPRELEASE:
      line += "PPRELEASE";
      break;
    case PPDATADIR:
      line += "PPDATADIR " + std::to_string(*static_cast<int*>(argument));
      break;
    case PPWDATA:
      line += "PPWDATA " + hexByte(*static_cast<unsigned char*>(argument));
      break;
    case PPRSTATUS:
      line += "PPRSTATUS";
      break;
    case LPGETSTATUS:
      line += "LPGETSTATUS";
      break;
    case PPGETMODES:
      line += "PPGETMODES";
      break;
    default:
      line += "0x" + hexByte(unsigned(request >> 8)) + hexByte(unsigned(request));
  }
  if (log(line) != 0) return -1;
  Handle* h = handle(fd);
  if (!h) return fail(EBADF);
  const Node* n = node(h->path);
  const Kind kind = n ? n->kind : Kind::Mute;
  if (kind == Kind::Printer) {
    if (request != LPGETSTATUS) return fail(EINVAL);
    printerSleeps(line, n);
    *static_cast<int*>(argument) = status(n);
    return 0;
  }
  if (kind != Kind::Ppdev) return fail(ENOTTY);
  switch (request) {
    case PPEXCL:
      if (h->claimed) return fail(EINVAL);
      h->exclusive = true;
      return 0;
    case PPCLAIM:
      if (n->claimError) return fail(n->claimError);
      if (n->noPort || (h->exclusive && n->printerDriverLoaded)) return fail(ENXIO);
      if (held(n)) {
        wait(line);
        return fail(EINTR);
      }
      h->claimed = true;
      return 0;
    case PPGETMODES:
      if (n->noPort) return fail(ENODEV);
      *static_cast<unsigned*>(argument) = 0x01;  // PARPORT_MODE_PCSPP
      return 0;
    default:
      break;
  }
  // Everything else wants the port claimed, as the driver does.
  if (!h->claimed) return fail(EINVAL);
  switch (request) {
    case PPRELEASE:
      h->claimed = false;
      return 0;
    case PPDATADIR:
      return 0;
    case PPWDATA:
      putData(h->path, *static_cast<unsigned char*>(argument));
      return 0;
    case PPRSTATUS:
      *static_cast<unsigned char*>(argument) = status(n);
      return 0;
    default:
      return fail(ENOTTY);
  }
}

ssize_t FakePortSystem::write(int fd, const void* data, size_t size) {
  std::string line = "write " + std::to_string(fd);
  for (size_t i = 0; i < size; ++i)
    line += " " + hexByte(static_cast<const unsigned char*>(data)[i]);
  if (log(line) != 0) return -1;
  Handle* h = handle(fd);
  if (!h) return fail(EBADF);
  const Node* n = node(h->path);
  if (n && n->kind == Kind::Ppdev) return fail(EINVAL);
  if (n && n->kind == Kind::Printer && held(n)) {
    printerSleeps(line, n);
    return fail(EINTR);
  }
  if (n && (n->busyUntilMs < 0 || nowMs_ < n->busyUntilMs)) {
    if (!h->nonBlocking) ADD_FAILURE() << "a blocking write to a busy printer waits for ever";
    return fail(EAGAIN);
  }
  for (size_t i = 0; i < size; ++i) putData(h->path, static_cast<const unsigned char*>(data)[i]);
  return ssize_t(size);
}

int FakePortSystem::poll(int fd, short events, int timeoutMs) {
  log("poll " + std::to_string(fd) + (events & POLLOUT ? " OUT " : " ") +
      std::to_string(timeoutMs));
  if (fd < 0) {
    if (timeoutMs > 0) nowMs_ += timeoutMs;  // only a wait
    return 0;
  }
  if (!handle(fd)) return fail(EBADF);
  // The drivers cannot be polled: the kernel says the node is ready at once, busy or not.
  return 1;
}

bool FakePortSystem::deviceDrivers(std::string* text) {
  if (!driversReadable_) return false;
  *text = drivers_;
  return true;
}

int FakePortSystem::close(int fd) {
  if (holderLists_.erase(fd) != 0) return 0;
  const std::string line = "close " + std::to_string(fd);
  log(line);
  const Handle* h = handle(fd);
  if (!h) return fail(EBADF);
  if (const Node* n = node(h->path); n && n->kind == Kind::Printer) printerSleeps(line, n);
  open_.erase(fd);
  return 0;
}

std::string FakePortSystem::groupName(gid_t group) {
  return group == 7 ? "lp" : "";
}

void FakePortSystem::putData(const std::string& path, unsigned char byte) {
  written[path] += char(byte);
  if (sink_) sink_->write(byte);
  if (board_) board_->writeByte(byte);
}

unsigned char FakePortSystem::status(const Node* n) {
  unsigned char value = board_ ? board_->readStatus() : 0;
  // A printer node's board ties BUSY low unless it is a busy printer: the port inverts it.
  if (n && n->kind == Kind::Printer && n->busyUntilMs >= 0 && nowMs_ >= n->busyUntilMs)
    value |= 0x80;
  if (sink_) sink_->status(value);
  return value;
}

bool FakePortSystem::held(const Node* n) const {
  return n && holderOf(n->minor);
}

void FakePortSystem::wait(const std::string& call) {
  if (alarmMs_ <= 0) {
    ADD_FAILURE() << "\"" << call << "\" waits for ever: no alarm bounds it";
    return;
  }
  nowMs_ += alarmMs_;
  alarmMs_ = 0;
  alarmFired_ = true;
  ++waitsCut_;
}

const std::string* FakePortSystem::holderOf(unsigned port) const {
  const auto it = holders_.find(port);
  if (it == holders_.end() || (it->second.untilMs >= 0 && nowMs_ >= it->second.untilMs))
    return nullptr;
  return &it->second.name;
}

void FakePortSystem::printerSleeps(const std::string& call, const Node* n) {
  const std::string* holder = n ? holderOf(n->minor) : nullptr;
  if (!holder || holder->rfind("lp", 0) == 0) return;  // free, or the printer driver's own claim
  ADD_FAILURE() << "\"" << call << "\" sleeps in the printer driver while " << *holder
                << " holds the port";
}

void FakePortSystem::startAlarm(int ms) {
  alarmMs_ = ms;
  alarmFired_ = false;
}

bool FakePortSystem::stopAlarm() {
  alarmMs_ = 0;
  const bool fired = alarmFired_;
  alarmFired_ = false;
  return fired;
}

int FakePortSystem::openText(const char* path) {
  const std::string prefix = "/proc/sys/dev/parport/parport";
  const std::string suffix = "/devices/active";
  const std::string p = path;
  if (p.rfind(prefix, 0) != 0 || p.size() <= prefix.size() + suffix.size() ||
      p.compare(p.size() - suffix.size(), suffix.size(), suffix) != 0)
    return fail(ENOENT);
  const int fd = nextListHandle_++;
  holderLists_[fd] =
      unsigned(std::stoul(p.substr(prefix.size(), p.size() - prefix.size() - suffix.size())));
  return fd;
}

long FakePortSystem::readAgain(int fd, char* buffer, std::size_t size) {
  const auto list = holderLists_.find(fd);
  if (list == holderLists_.end()) return fail(EBADF);
  const std::string* holder = holderOf(list->second);
  const std::string text = (holder ? *holder : std::string("none")) + "\n";
  const std::size_t n = std::min(size, text.size());
  text.copy(buffer, n);
  return long(n);
}

bool FakePortSystem::hasEntry(const char* dir, const char* prefix) {
  const std::string start = std::string(dir) + "/" + prefix;
  for (const auto& [path, n] : nodes_)
    if (path.rfind(start, 0) == 0 && path.find('/', start.size()) == std::string::npos) return true;
  return false;
}

}  // namespace tavrix::test
