#include "device/FileSave.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "device/DeviceTexts.h"
#include "device/PathWalk.h"

namespace tavrix {

namespace {

constexpr int kTempAttempts = 100;
constexpr qsizetype kTempNameRoom = 200;  // of the name's bytes, so the new file's name fits

bool fail(QString* reason, int errnum) {
  if (reason) *reason = systemReason(errnum);
  return false;
}

// Gives the new file its name unless something already has it.
bool renameKeepingExisting(int folder, const QByteArray& from, const QByteArray& to) {
  if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without that kind of rename: a second link fails the same way.
  if (::linkat(folder, from.constData(), folder, to.constData(), 0) != 0) return false;
  ::unlinkat(folder, from.constData(), 0);
  return true;
}

QString notAFileReason(const struct stat& st) {
  return S_ISDIR(st.st_mode) ? systemReason(EISDIR) : texts::notAFile();
}

void setBlocking(int fd) {
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
}

// The new files of the saves under way, for a signal handler to remove. A slot is filled, then
// armed; the handler only reads armed slots.
enum SlotState : int { kFree, kFilling, kArmed };
struct Unfinished {
  std::atomic<int> state{kFree};
  int folder = -1;
  char name[256] = {};
};
Unfinished unfinishedSaves[4];

int armUnfinished(int folder, const QByteArray& name) {
  if (size_t(name.size()) >= sizeof Unfinished::name) return -1;
  for (int i = 0; i < int(std::size(unfinishedSaves)); ++i) {
    Unfinished& slot = unfinishedSaves[i];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    slot.folder = folder;
    std::memcpy(slot.name, name.constData(), size_t(name.size()) + 1);
    slot.state.store(kArmed, std::memory_order_release);
    return i;
  }
  return -1;  // more saves at once than slots: this one is not looked after
}

void disarmUnfinished(int slot) {
  if (slot >= 0) unfinishedSaves[slot].state.store(kFree, std::memory_order_release);
}

// Every signal held back for the few calls in between, so that no handler runs in the middle.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t before_;
};

// A hidden name next to the file's own, unused in the folder.
QByteArray tempName(const QByteArray& leaf) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  QByteArray name = '.' + leaf.left(kTempNameRoom) + '.';
  for (int i = 0; i < 8; ++i)
    name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
  return name;
}

}  // namespace

FileSave::~FileSave() {
  cancel();
}

bool FileSave::open(const QString& path, QString* reason, Devices devices) {
  WalkedPath place;
  if (!place.walk(path, reason)) return false;
  return openAt(place, reason, devices);
}

bool FileSave::openAt(const WalkedPath& place, QString* reason, Devices devices) {
  cancel();
  committed_ = false;
  inPlace_ = false;
  const struct stat& st = place.status();
  const bool replacing = place.exists();
  if (replacing && !S_ISREG(st.st_mode)) {
    // Replacing a device node by a regular file would break the device for every program.
    if (!S_ISCHR(st.st_mode) || devices == Devices::Refused) {
      if (reason) *reason = notAFileReason(st);
      return false;
    }
    fd_ = place.openExisting(O_WRONLY | O_NONBLOCK);
    if (fd_ < 0) return fail(reason, error_ = errno);
    setBlocking(fd_);
    inPlace_ = true;
    return true;
  }
  if (replacing && place.folder() < 0) {
    // A file reached through a process's descriptor (/dev/stdout) has no folder to put a new
    // file in: it is written where it is.
    fd_ = place.openExisting(O_WRONLY | O_TRUNC);
    if (fd_ < 0) return fail(reason, error_ = errno);
    inPlace_ = true;
    return true;
  }

  folder_ = ::fcntl(place.folder(), F_DUPFD_CLOEXEC, 0);
  if (folder_ < 0) return fail(reason, error_ = errno);
  leaf_ = place.leaf();
  {
    // Made and recorded for the signal handler together: a signal between the two would leave
    // the new file behind.
    const SignalsHeld held;
    for (int attempt = 0; attempt < kTempAttempts && fd_ < 0; ++attempt) {
      temp_ = tempName(leaf_);
      // A new file gets the usual mode (the umask applies); a replacement the old file's own.
      fd_ = ::openat(folder_, temp_.constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replacing ? 0600 : 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0)
      error_ = errno;
    else
      unfinished_ = armUnfinished(folder_, temp_);
  }
  if (fd_ < 0) {
    temp_.clear();
    ::close(folder_);
    folder_ = -1;
    return fail(reason, error_);
  }
  if (replacing) {
    // The owner first: changing it clears set-id bits, which the mode then puts back.
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
      [[maybe_unused]] const int group = ::fchown(fd_, uid_t(-1), st.st_gid);
    }
    [[maybe_unused]] const int mode = ::fchmod(fd_, st.st_mode & 07777);
  }
  return true;
}

bool FileSave::write(QByteArrayView bytes, QString* reason) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, size_t(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : ENOSPC;
      return fail(reason, error_);
    }
    done += n;
  }
  return true;
}

bool FileSave::commit(QString* reason, Commit mode, CommitGate gate) {
  if (inPlace_) {
    committed_ = true;
    return true;
  }
  bool placed = ::fsync(fd_) == 0;
  if (placed) {
    // The gate's answer and the rename with nothing in between; a signal held back meanwhile
    // comes once they are done.
    const SignalsHeld held;
    if (gate && !gate()) {
      errno = EINTR;
      placed = false;
    } else {
      placed = mode == Commit::Replace
                   ? ::renameat(folder_, temp_.constData(), folder_, leaf_.constData()) == 0
                   : renameKeepingExisting(folder_, temp_, leaf_);
    }
    if (placed) {
      committed_ = true;
      disarmUnfinished(unfinished_);
      unfinished_ = -1;
      temp_.clear();
      return true;
    }
    error_ = errno;
  } else {
    error_ = errno;
  }
  cancel();
  return fail(reason, error_);
}

void FileSave::removeUnfinishedNow() noexcept {
  for (Unfinished& slot : unfinishedSaves)
    if (slot.state.load(std::memory_order_acquire) == kArmed) ::unlinkat(slot.folder, slot.name, 0);
}

void FileSave::cancel() {
  if (!committed_ && !temp_.isEmpty() && folder_ >= 0) ::unlinkat(folder_, temp_.constData(), 0);
  // Forgotten only once it is gone, and before its folder's descriptor is.
  disarmUnfinished(unfinished_);
  unfinished_ = -1;
  temp_.clear();
  if (fd_ >= 0) ::close(fd_);
  if (folder_ >= 0) ::close(folder_);
  fd_ = folder_ = -1;
}

int FileSave::release() {
  if (!committed_) return -1;
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

int openInPlace(const QString& path, QString* reason) {
  WalkedPath place;
  if (!place.walk(path, reason)) return -1;
  int fd = -1;
  // Never waits at the open: a FIFO (which would wait for a reader) is refused with the rest.
  if (!place.exists()) {
    fd = ::openat(place.folder(), place.leaf().constData(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
  } else if (S_ISREG(place.status().st_mode)) {
    fd = place.openExisting(O_WRONLY | O_TRUNC | O_NONBLOCK);
  } else if (S_ISCHR(place.status().st_mode)) {
    fd = place.openExisting(O_WRONLY | O_NONBLOCK);
  } else {
    if (reason)
      *reason =
          S_ISDIR(place.status().st_mode) ? systemReason(EISDIR) : texts::notAFileOrCharDevice();
    return -1;
  }
  if (fd < 0 && reason) *reason = systemReason(errno);
  return fd;
}

}  // namespace tavrix
