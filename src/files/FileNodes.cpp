#include "files/FileNodes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "files/FileNames.h"

namespace tavrix {

bool openRegularFile(const QString& path, QFile& file) {
  if (path.isEmpty()) {
    errno = ENOENT;
    return false;
  }
  // O_NONBLOCK, so that neither end of a FIFO waits; the node is checked on what was opened.
  const int fd = ::open(nameToBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int errnum = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = errnum;
    return false;
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    errno = EIO;
    return false;
  }
  return true;
}

}  // namespace tavrix
