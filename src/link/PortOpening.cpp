#include "link/PortOpening.h"

#include <linux/lp.h>
#include <linux/ppdev.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>

#include <sstream>

#include "link/LinkTexts.h"
#include "link/LptPort.h"
#include "link/PortHolder.h"
#include "link/PpdevPort.h"

namespace tavrix {

namespace {

std::string systemError(int error) {
  return texts::nodeSystemError(::strerror(error));
}

// What a node that is not a character device is.
std::string notACharacterDevice(mode_t mode) {
  if (S_ISREG(mode)) return texts::kNodeIsRegularFile;
  if (S_ISDIR(mode)) return texts::kNodeIsFolder;
  if (S_ISFIFO(mode)) return texts::kNodeIsFifo;
  if (S_ISBLK(mode)) return texts::kNodeIsBlockDevice;
  if (S_ISSOCK(mode)) return texts::kNodeIsSocket;
  return texts::kNodeDoesNotAnswer;
}

// The kernel's name of port number `port`.
std::string portName(unsigned port) {
  return "parport" + std::to_string(port);
}

// Why open(2) refused a character device.
std::string openRefusal(PortSystem& system, int error, const struct ::stat& node) {
  switch (error) {
    case EACCES:
    case EPERM: {
      // A node its group may read and write: joining the group is the way in (lp on Debian).
      const std::string group = (node.st_mode & S_IRGRP) && (node.st_mode & S_IWGRP)
                                    ? system.groupName(node.st_gid)
                                    : std::string();
      return group.empty() ? std::string(texts::kNodeDeniedToOthers)
                           : texts::nodeDeniedOutsideGroup(group);
    }
    case EBUSY:  // the printer driver lets one program at a time open a node
      return texts::kNodeBusy;
    case ENXIO:  // the printer driver's node of a port that is not there
    case ENODEV:
      return texts::nodeNoPortBehind(portName(minor(node.st_rdev)));
    case EISDIR:
      return texts::kNodeIsFolder;
    default:
      return systemError(error);
  }
}

// Why a call that waited for the port was cut short: who holds it, when the kernel says.
std::string heldRefusal(PortSystem& system, unsigned port) {
  const std::string holder = holderReason(system, port);
  return holder.empty() ? std::string(texts::kNodeHeldUnknown) : holder;
}

// Whether the kernel's list of drivers (the "Character devices:" part of /proc/devices, one
// "major name" a line) gives character devices of `major` to the printer driver or the
// parallel-port driver. When it does not, `other` is the driver it names, empty for none.
bool parallelDriver(const std::string& list, unsigned major, std::string* other) {
  std::istringstream lines(list);
  std::string line;
  bool characters = false;
  other->clear();
  while (std::getline(lines, line)) {
    if (line.rfind("Character devices:", 0) == 0) {
      characters = true;
      continue;
    }
    if (line.empty() || line.find(':') != std::string::npos) {
      characters = false;
      continue;
    }
    std::istringstream fields(line);
    unsigned number = 0;
    std::string name;
    if (!characters || !(fields >> number >> name) || number != major) continue;
    if (name == "lp" || name == "ppdev") return true;
    if (other->empty()) *other = name;
  }
  return false;
}

// Owns a handle while the node is examined; closes it unless it is handed over.
class OpenNode {
 public:
  OpenNode(PortSystem& system, int fd) : system_(system), fd_(fd) {}
  ~OpenNode() {
    if (fd_ >= 0) system_.close(fd_);
  }
  OpenNode(const OpenNode&) = delete;
  OpenNode& operator=(const OpenNode&) = delete;
  int fd() const { return fd_; }
  void replace(int fd) {
    if (fd_ >= 0) system_.close(fd_);
    fd_ = fd;
  }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  PortSystem& system_;
  int fd_;
};

// Opens the node looked at as `node` into `handle` and locks it. Returns why it cannot be used,
// empty when it can; `*missing` when it does not exist.
std::string openAndLock(PortSystem& system, const std::string& path, const struct ::stat& node,
                        OpenNode& handle, bool* missing) {
  // The printer driver's open (and its close) sleeps while another device holds the port, and
  // a signal that ends that sleep breaks the kernel's port sharing: a port held by anything but
  // the printer driver is refused before its node is opened. The parallel-port driver would
  // only wait at its claim, for the same holder.
  if (std::string holder = PortHolder(system, minor(node.st_rdev)).name();
      !holder.empty() && !isPrinterDevice(holder.c_str()))
    return heldReason(holder);
  handle.replace(retryInterrupted(
      [&] { return system.open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }));
  const int error = errno;
  if (handle.fd() < 0) {
    *missing = error == ENOENT;
    return *missing ? std::string(texts::kNodeMissing) : openRefusal(system, error, node);
  }
  if (handle.fd() == 0) {
    // A handle of 0 reads as "no port"; move it up before the lock is taken.
    const int moved = system.fcntl(handle.fd(), F_DUPFD_CLOEXEC, 1);
    if (moved < 0) return systemError(errno);
    handle.replace(moved);
  }
  // The node may have changed between the look and the open: what counts is what was opened,
  // and it must be the very device that passed the driver check.
  struct ::stat opened {};
  if (system.fstat(handle.fd(), &opened) != 0) return systemError(errno);
  if (!S_ISCHR(opened.st_mode)) return notACharacterDevice(opened.st_mode);
  if (opened.st_rdev != node.st_rdev) return texts::kNodeSwapped;

  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // the whole file
  if (system.setLock(handle.fd(), lock) != 0) {
    const int lockError = errno;
    return lockError == EAGAIN || lockError == EACCES ? std::string(texts::kNodeLocked)
                                                      : systemError(lockError);
  }
  return {};
}

// The parallel-port driver's claim on `fd`, which waits while another device has the port.
// Returns why it was refused, empty when it was granted; `*enxio` when the driver answered that
// it cannot register on the port (no port, or exclusive use refused or held by another).
std::string claimPort(PortSystem& system, int fd, unsigned port, bool* enxio) {
  bool cut = false;
  *enxio = false;
  if (callWithin(system, kPortWaitMs, &cut, [&] { return system.ioctl(fd, PPCLAIM, nullptr); }) ==
      0)
    return {};
  const int error = errno;
  if (cut) return heldRefusal(system, port);
  *enxio = error == ENXIO;
  return *enxio ? std::string(texts::kPortTakenExclusively) : systemError(error);
}

// Whether a program has the printer driver's node of port `port` open (it lets one program at a
// time open it): said for the user, empty when none has or there is no such node. Its node is
// looked for beside the parallel-port driver's node `ppdevPath`, and opened only while no
// other device holds the port.
std::string printerNodeInUse(PortSystem& system, const std::string& ppdevPath, unsigned port) {
  const std::string node =
      ppdevPath.substr(0, ppdevPath.rfind('/') + 1) + "lp" + std::to_string(port);
  struct ::stat info {};
  if (system.stat(node.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return {};
  std::string drivers;
  std::string other;
  if (system.deviceDrivers(&drivers) && !parallelDriver(drivers, major(info.st_rdev), &other))
    return {};
  if (PortHolder(system, port).blocksPrinter()) return {};  // the claim waits, bounded
  const int fd = system.open(node.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    system.close(fd);
    return {};
  }
  return errno == EBUSY ? texts::portUsedThroughPrinterNode(node) : std::string();
}

}  // namespace

std::vector<std::string> PortOpening::problemLines() const {
  std::vector<std::string> lines;
  std::string missing;
  for (const PortRefusal& refusal : refusals) {
    if (refusal.missing) {
      missing += (missing.empty() ? "" : ", ") + refusal.node;
    } else {
      lines.push_back(refusal.node + ": " + refusal.reason + ".");
    }
  }
  if (lines.empty() && refusals.size() == 1) {
    lines.push_back(refusals.front().node + ": " + refusals.front().reason + ".");
  } else if (lines.empty() && !missing.empty()) {
    lines.push_back(texts::noNodeExists(missing) + ".");
  }
  lines.insert(lines.end(), advice.begin(), advice.end());
  return lines;
}

PortOpening openPortNode(PortSystem& system, const std::string& path) {
  PortOpening result;
  auto refuse = [&](std::string reason, bool missing = false) {
    result.refusals.push_back({path, std::move(reason), missing});
    return std::move(result);
  };

  // Only a character device is ever opened: a file, a disk, a FIFO or a folder is refused by
  // what it is, before anything could be written to it or wait on it.
  struct ::stat node {};
  if (system.stat(path.c_str(), &node) != 0) {
    const int error = errno;
    return error == ENOENT ? refuse(texts::kNodeMissing, true) : refuse(systemError(error));
  }
  if (!S_ISCHR(node.st_mode)) return refuse(notACharacterDevice(node.st_mode));
  // Opening a node can have effects of its own (a watchdog starts, a tape rewinds): a node that
  // the kernel's list gives to any driver but the printer's and the parallel port's is not
  // opened at all. Without the list the node is asked, as below.
  std::string drivers;
  std::string other;
  if (system.deviceDrivers(&drivers) && !parallelDriver(drivers, major(node.st_rdev), &other))
    return refuse(other.empty() ? std::string(texts::kNodeOfNoDriver)
                                : texts::nodeOfOtherDriver(other));

  // Both drivers number their nodes after the port: parportN is port N, and so is lpN when the
  // printer driver takes every port, as it does unless told otherwise.
  const unsigned port = minor(node.st_rdev);
  OpenNode handle(system, -1);
  bool missing = false;
  if (std::string why = openAndLock(system, path, node, handle, &missing); !why.empty())
    return refuse(std::move(why), missing);

  // Ask the node what it is. The parallel-port driver's requests ('p' 0x80-0x9F) belong to it
  // alone; the printer driver refuses them (EINVAL), other devices do not know them (ENOTTY).
  if (retryInterrupted([&] { return system.ioctl(handle.fd(), PPEXCL, nullptr); }) == 0) {
    bool enxio = false;
    std::string why = claimPort(system, handle.fd(), port, &enxio);
    if (enxio) {
      // No port behind the node, or another driver registered on it (usually lp), which an
      // exclusive claim cannot share: only the first has no modes to tell.
      unsigned modes = 0;
      if (retryInterrupted([&] { return system.ioctl(handle.fd(), PPGETMODES, &modes); }) != 0)
        return refuse(texts::nodeNoPortBehind(portName(port)));
      // A shared claim on a fresh handle, as exclusive use cannot be given up: while it is held
      // the printer driver cannot take the port, its writes wait until the release. Not while
      // a program uses the printer driver's node: it would sleep in its next call.
      handle.replace(-1);
      why = openAndLock(system, path, node, handle, &missing);
      if (why.empty()) why = printerNodeInUse(system, path, port);
      if (why.empty()) why = claimPort(system, handle.fd(), port, &enxio);
    }
    if (!why.empty()) return refuse(std::move(why), missing);
    const int fd = handle.fd();
    int forward = 0;  // D0-D7 driven by the port
    if (retryInterrupted([&] { return system.ioctl(fd, PPDATADIR, &forward); }) != 0) {
      const int error = errno;
      retryInterrupted([&] { return system.ioctl(fd, PPRELEASE, nullptr); });
      return refuse(systemError(error));
    }
    result.port = std::make_unique<PpdevPort>(system, handle.release(), path, port);
    return result;
  }
  // The printer driver claims the port for its status request too, free a moment ago.
  const int fd = handle.fd();
  int status = 0;
  if (retryInterrupted([&] { return system.ioctl(fd, LPGETSTATUS, &status); }) != 0)
    return refuse(texts::kNodeDoesNotAnswer);
  // A board that leaves BUSY open reads busy: the driver would wait for ever on every byte.
  if (!(status & kStatusNotBusy)) return refuse(texts::nodeBusyPin(ppdevNodeOf(port)));
  result.port = std::make_unique<LptPort>(system, handle.release(), path, port);
  return result;
}

namespace {

// What to do when no node could be used, from what the system has: a USB adapter that only
// prints, or no parallel-port driver loaded at all.
void addAdvice(PortSystem& system, const std::string& dir, PortOpening& opening) {
  if (system.hasEntry((dir + "/usb").c_str(), "lp"))
    opening.advice.push_back(texts::usbAdapterAdvice(dir + "/usb/lp*"));
  if (!system.hasEntry(dir.c_str(), "parport"))
    opening.advice.push_back(texts::modprobeAdvice(dir + "/parport*"));
}

}  // namespace

PortOpening PortOpen(PortSystem& system, const std::string& dir) {
  PortOpening result;
  for (const char* name : {"lp", "parport"}) {
    for (int i = 0; i < 3; ++i) {
      PortOpening node = openPortNode(system, dir + "/" + name + std::to_string(i));
      result.refusals.insert(result.refusals.end(), node.refusals.begin(), node.refusals.end());
      if (node.port) {
        result.port = std::move(node.port);
        return result;
      }
    }
  }
  addAdvice(system, dir, result);
  return result;
}

PortOpening openNamedOrSearch(PortSystem& system, const std::string& node, const std::string& dir) {
  if (node.empty()) return PortOpen(system, dir);
  PortOpening named = openPortNode(system, node);
  // A port node of the system's folder that is not there: the driver may not be loaded.
  const bool systemNode = node.rfind(dir + "/lp", 0) == 0 || node.rfind(dir + "/parport", 0) == 0;
  if (!named.port && systemNode && !named.refusals.empty() && named.refusals.back().missing)
    addAdvice(system, dir, named);
  return named;
}

std::string portKindName(PortKind kind) {
  return kind == PortKind::Ppdev ? texts::kParallelPortDriver : texts::kPrinterDriver;
}

}  // namespace tavrix
