#include "device/FileNodes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrix {

namespace {

// Opens with O_NONBLOCK, so that neither end of a FIFO waits, checks the node with fstat and
// hands the descriptor to `file` in blocking mode.
bool openChecked(const QString& path, int flags, bool (*wanted)(mode_t), QFile& file,
                 QIODevice::OpenMode mode) {
  if (path.isEmpty()) return false;
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !wanted(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}

bool isRegular(mode_t m) {
  return S_ISREG(m);
}

bool isCharacterDevice(mode_t m) {
  return S_ISCHR(m);
}

}  // namespace

bool openRegularFile(const QString& path, QFile& file) {
  return openChecked(path, O_RDONLY, isRegular, file, QIODevice::ReadOnly);
}

SaveNode saveNodeAt(const QString& path) {
  if (path.isEmpty()) return SaveNode::Refused;  // names no file
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0)
    return SaveNode::File;  // nothing there (or nothing reachable): creating it tells which
  if (S_ISREG(st.st_mode)) return SaveNode::File;
  // Replacing a device node by a regular file would break the device for every program;
  // writing into a disk would destroy it.
  if (S_ISCHR(st.st_mode)) return SaveNode::Device;
  return SaveNode::Refused;
}

bool openDeviceForWriting(const QString& path, QFile& file) {
  return openChecked(path, O_WRONLY, isCharacterDevice, file,
                     QIODevice::WriteOnly | QIODevice::Unbuffered);
}

}  // namespace tavrix
