#include "files/PathWalk.h"

#include <QList>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "files/FileNames.h"
#include "files/FileTexts.h"

namespace tavrix {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel allows, then ELOOP

int openPath(int dir, const char* name, bool follow) {
  return ::openat(dir, name, O_PATH | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
}

// The kernel's protected-links rule: a link in a sticky folder writable by everyone is
// followed only by its owner, or when it belongs to the folder's owner.
bool mayFollow(int dir, const struct stat& link) {
  struct stat folder {};
  if (::fstat(dir, &folder) != 0) return false;
  if ((folder.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return true;
  return link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

bool onProc(int dir) {
  struct statfs fs {};
  return ::fstatfs(dir, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

// The components of a path; a path ending in "/" names a folder, so it ends in ".".
QList<QByteArray> components(const QByteArray& path) {
  QList<QByteArray> parts;
  for (const QByteArray& part : path.split('/'))
    if (!part.isEmpty()) parts.append(part);
  if (parts.isEmpty() || path.endsWith('/')) parts.append(".");
  return parts;
}

QByteArray joined(const QByteArray& folder, const QByteArray& name) {
  if (folder.isEmpty()) return name;
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

bool fail(QString* reason, int errnum) {
  if (reason) *reason = systemReason(errnum);
  return false;
}

}  // namespace

QString systemReason(int errnum) {
  return QString::fromLocal8Bit(std::strerror(errnum));
}

WalkedPath::~WalkedPath() {
  reset();
}

void WalkedPath::reset() {
  if (folder_ >= 0) ::close(folder_);
  if (object_ >= 0) ::close(object_);
  folder_ = object_ = -1;
  leaf_.clear();
  status_ = {};
  exists_ = false;
}

bool WalkedPath::walk(const QString& path, QString* reason) {
  reset();
  const QByteArray bytes = nameToBytes(path);
  if (bytes.isEmpty()) return fail(reason, ENOENT);
  const bool absolute = bytes.startsWith('/');
  int dir = ::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return fail(reason, errno);
  QByteArray shown = absolute ? "/" : "";  // the path walked so far, for messages
  QList<QByteArray> rest = components(bytes);
  int links = 0;
  const auto stop = [&](int errnum) {
    ::close(dir);
    return fail(reason, errnum);
  };

  while (!rest.isEmpty()) {
    const QByteArray name = rest.takeFirst();
    const bool last = rest.isEmpty();
    const int fd = openPath(dir, name.constData(), false);
    if (fd < 0) {
      if (errno == ENOENT && last) {  // nothing there yet: a save creates it
        folder_ = dir;
        leaf_ = name;
        return true;
      }
      return stop(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      ::close(fd);
      return stop(errno);
    }
    const QByteArray here = joined(shown, name);

    if (S_ISLNK(st.st_mode)) {
      if (++links > kMaxLinks) {
        ::close(fd);
        return stop(ELOOP);
      }
      if (!mayFollow(dir, st)) {
        ::close(fd);
        ::close(dir);
        if (reason) *reason = texts::plantedLink(visibleName(nameFromBytes(here)), last);
        return false;
      }
      if (onProc(dir)) {
        // A descriptor or folder link of a process: the kernel knows what it stands for.
        ::close(fd);
        const int target = openPath(dir, name.constData(), true);
        if (target < 0 || ::fstat(target, &st) != 0) {
          const int errnum = errno;
          if (target >= 0) ::close(target);
          return stop(errnum);
        }
        if (last) {
          ::close(dir);
          object_ = target;
          status_ = st;
          exists_ = true;
          return true;
        }
        if (!S_ISDIR(st.st_mode)) {
          ::close(target);
          return stop(ENOTDIR);
        }
        ::close(dir);
        dir = target;
        shown = here;
        continue;
      }
      QByteArray target(PATH_MAX, '\0');
      const ssize_t n = ::readlinkat(fd, "", target.data(), target.size());
      ::close(fd);
      if (n < 0) return stop(errno);
      target.truncate(n);
      if (target.isEmpty()) return stop(ENOENT);
      rest = components(target) + rest;
      if (target.startsWith('/')) {
        ::close(dir);
        dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return fail(reason, errno);
        shown = "/";
      }
      continue;
    }

    if (last) {
      folder_ = dir;
      object_ = fd;
      leaf_ = name;
      status_ = st;
      exists_ = true;
      return true;
    }
    if (!S_ISDIR(st.st_mode)) {
      ::close(fd);
      return stop(ENOTDIR);
    }
    ::close(dir);
    dir = fd;
    shown = here;
  }
  return stop(ENOENT);  // not reached: the last component always returns
}

bool WalkedPath::stillNames(int fd) const {
  struct stat opened {};
  if (!exists_ || ::fstat(fd, &opened) != 0) return false;
  if (opened.st_dev != status_.st_dev || opened.st_ino != status_.st_ino) return false;
  if (folder_ < 0) return true;
  struct stat entry {};
  return ::fstatat(folder_, leaf_.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
         entry.st_dev == opened.st_dev && entry.st_ino == opened.st_ino;
}

int WalkedPath::openExisting(int flags) const {
  if (!exists_) {
    errno = ENOENT;
    return -1;
  }
  int fd = -1;
  if (folder_ >= 0) {
    fd = ::openat(folder_, leaf_.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
  } else {
    // Reached through /proc: reopened through the descriptor the walk holds.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(object_);
    fd = ::open(self.constData(), flags | O_CLOEXEC);
  }
  if (fd < 0) return -1;
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || opened.st_dev != status_.st_dev ||
      opened.st_ino != status_.st_ino) {
    ::close(fd);
    errno = ESTALE;  // something else took its place since the walk
    return -1;
  }
  return fd;
}

}  // namespace tavrix
