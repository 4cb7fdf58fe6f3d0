#include "link/PortOpening.h"

#include <linux/lp.h>
#include <linux/ppdev.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>

#include <sstream>

#include "link/LinkTexts.h"
#include "link/LptPort.h"
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
    case ENXIO:
    case ENODEV:
      return texts::kNodeNoHardware;
    case EISDIR:
      return texts::kNodeIsFolder;
    default:
      return systemError(error);
  }
}

// Why the parallel-port driver refused its exclusive claim.
std::string claimRefusal(int error) {
  switch (error) {
    case EBUSY:
      return texts::kPpdevHeldByOtherDriver;
    case ENXIO:
    case ENODEV:
      return texts::kNodeNoHardware;
    default:
      return systemError(error);
  }
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

  OpenNode handle(system, retryInterrupted([&] {
                    return system.open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
                  }));
  if (handle.fd() < 0) {
    const int error = errno;
    return error == ENOENT ? refuse(texts::kNodeMissing, true)
                           : refuse(openRefusal(system, error, node));
  }
  if (handle.fd() == 0) {
    // A handle of 0 reads as "no port"; move it up before the lock is taken.
    const int moved = system.fcntl(handle.fd(), F_DUPFD_CLOEXEC, 1);
    if (moved < 0) return refuse(systemError(errno));
    handle.replace(moved);
  }
  // The node may have changed between the look and the open: what counts is what was opened.
  struct ::stat opened {};
  if (system.fstat(handle.fd(), &opened) != 0) return refuse(systemError(errno));
  if (!S_ISCHR(opened.st_mode)) return refuse(notACharacterDevice(opened.st_mode));

  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // the whole file
  if (system.setLock(handle.fd(), lock) != 0) {
    const int error = errno;
    return refuse(error == EAGAIN || error == EACCES ? std::string(texts::kNodeLocked)
                                                     : systemError(error));
  }
  // The printer driver handshakes each byte: its writes wait as the link expects them to.
  if (system.fcntl(handle.fd(), F_SETFL, 0) != 0) return refuse(systemError(errno));

  // Ask the node what it is. The parallel-port driver's requests ('p' 0x80-0x9F) belong to it
  // alone; the printer driver refuses them (EINVAL), other devices do not know them (ENOTTY).
  const int fd = handle.fd();
  if (retryInterrupted([&] { return system.ioctl(fd, PPEXCL, nullptr); }) == 0) {
    if (retryInterrupted([&] { return system.ioctl(fd, PPCLAIM, nullptr); }) != 0)
      return refuse(claimRefusal(errno));
    int forward = 0;  // D0-D7 driven by the port
    if (retryInterrupted([&] { return system.ioctl(fd, PPDATADIR, &forward); }) != 0) {
      const int error = errno;
      retryInterrupted([&] { return system.ioctl(fd, PPRELEASE, nullptr); });
      return refuse(systemError(error));
    }
    result.port = std::make_unique<PpdevPort>(system, handle.release(), path);
    return result;
  }
  int status = 0;
  if (retryInterrupted([&] { return system.ioctl(fd, LPGETSTATUS, &status); }) != 0)
    return refuse(texts::kNodeDoesNotAnswer);
  result.port = std::make_unique<LptPort>(system, handle.release(), path);
  return result;
}

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
  return result;
}

PortOpening openNamedOrSearch(PortSystem& system, const std::string& node, const std::string& dir) {
  return node.empty() ? PortOpen(system, dir) : openPortNode(system, node);
}

std::string portKindName(PortKind kind) {
  return kind == PortKind::Ppdev ? texts::kParallelPortDriver : texts::kPrinterDriver;
}

}  // namespace tavrix
