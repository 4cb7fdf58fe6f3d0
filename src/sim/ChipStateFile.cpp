#include "sim/ChipStateFile.h"

#include <QFile>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "device/FileSave.h"
#include "link/EndingSignals.h"
#include "sim/SimTexts.h"
#include "sim/VirtualChip.h"

namespace tavrix {

namespace {

// A name that moves on again and again is being saved by another program all the time.
constexpr int kAttempts = 20;

bool lockNow(int fd) {
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Asked with every signal blocked: a signal that ends the program, held back during the save,
// means the run is ending as killed, and a killed run does not save.
bool noEndingSignalWaits() {
  sigset_t waiting;
  if (::sigpending(&waiting) != 0) return true;
  for (int signo : EndingSignals::handledSignals())
    if (sigismember(&waiting, signo) == 1) return false;
  return true;
}

bool failWith(QString* error, const QString& message) {
  if (error) *error = message;
  return false;
}

}  // namespace

ChipStateFile::ChipStateFile() = default;

ChipStateFile::~ChipStateFile() {
  if (fd_ >= 0) ::close(fd_);
  for (int fd : saved_) ::close(fd);
}

bool ChipStateFile::open(const QString& path, const VirtualChip& chip, QString* error) {
  path_ = path;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    QString reason;
    if (!place_.walk(path, &reason)) return failWith(error, texts::chipFileCreate(path, reason));

    if (place_.exists()) {
      if (!S_ISREG(place_.status().st_mode)) return failWith(error, texts::chipFileOpen(path));
      const int fd = place_.openExisting(O_RDONLY | O_NONBLOCK);
      if (fd < 0) {
        if (errno == ESTALE) continue;
        return failWith(error, texts::chipFileOpen(path, systemReason(errno)));
      }
      if (!lockNow(fd)) {
        const int errnum = errno;
        ::close(fd);
        return failWith(error, errnum == EWOULDBLOCK
                                   ? texts::chipFileInUse()
                                   : texts::chipFileOpen(path, systemReason(errnum)));
      }
      // The lock is on the file that was opened. A run that saved and ended since may have put
      // a newer file at the name: that one is the file to lock.
      if (!place_.stillNames(fd)) {
        ::close(fd);
        continue;
      }
      fd_ = fd;
      return true;
    }

    // A new file holding the erased chip, locked before it takes the name; if another program
    // created the file meanwhile, the next turn finds that one.
    const QByteArray blank = chip.hexText(&reason);
    if (blank.isEmpty()) return failWith(error, reason);
    FileSave file;
    if (!file.openAt(place_, &reason, FileSave::Devices::Refused))
      return failWith(error, texts::chipFileCreate(path, reason));
    if (!lockNow(file.descriptor()) || !file.write(blank, &reason)) {
      if (reason.isEmpty()) reason = systemReason(errno);
      return failWith(error, texts::chipFileCreate(path, reason));
    }
    if (!file.commit(&reason, FileSave::Commit::KeepExisting)) {
      if (file.error() == EEXIST) continue;
      return failWith(error, texts::chipFileCreate(path, reason));
    }
    fd_ = file.release();
    created_ = true;
    held_ = blank;
    return true;
  }
  return failWith(error, texts::chipFileInUse());
}

bool ChipStateFile::load(VirtualChip& chip, QString* error) {
  if (created_) return true;  // just written from the erased chip
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  QFile file;
  if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0 ||
      !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    const int errnum = errno;
    if (fd >= 0 && !file.isOpen()) ::close(fd);
    return failWith(error, texts::chipFileOpen(path_, systemReason(errnum)));
  }
  if (!chip.loadHex(file, error)) return false;
  // As the chip holds it: a file written by hand (FFFF for a 14-bit word, say) is rewritten
  // only when the chip changes.
  held_ = chip.hexText(nullptr);
  return true;
}

bool ChipStateFile::save(const VirtualChip& chip, QString* error) {
  return prepare(chip, error) && commit(error);
}

bool ChipStateFile::prepare(const VirtualChip& chip, QString* error) {
  save_.reset();
  const QByteArray text = chip.hexText(error);
  if (text.isEmpty()) return false;
  if (text == held_) return true;  // nothing to save: the file stays byte for byte
  auto file = std::make_unique<FileSave>();
  QString reason;
  if (!file->openAt(place_, &reason, FileSave::Devices::Refused))
    return failWith(error, texts::chipFileWrite(path_, reason));
  if (!lockNow(file->descriptor())) {
    reason = systemReason(errno);
    return failWith(error, texts::chipFileWrite(path_, reason));
  }
  if (!file->write(text, &reason)) return failWith(error, texts::chipFileWrite(path_, reason));
  save_ = std::move(file);
  saving_ = text;
  return true;
}

bool ChipStateFile::commit(QString* error) {
  if (!save_) return true;
  const std::unique_ptr<FileSave> file = std::move(save_);
  QString reason;
  if (!file->commit(&reason, FileSave::Commit::Replace, &noEndingSignalWaits))
    return failWith(error, texts::chipFileWrite(path_, reason));
  const int fd = file->release();
  if (fd >= 0) {
    // The file this save replaced has lost the name: its lock guards nothing any more, and a
    // run that saves again and again (write --watch) must not pile up handles.
    for (int old : saved_) ::close(old);
    saved_.assign(1, fd);
  }
  created_ = false;
  held_ = saving_;
  return true;
}

void ChipStateFile::discardCreated() {
  struct stat created {};
  struct stat named {};
  // Only while the name is still the file this run created.
  if (created_ && ::fstat(fd_, &created) == 0 &&
      ::fstatat(place_.folder(), place_.leaf().constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      created.st_dev == named.st_dev && created.st_ino == named.st_ino)
    ::unlinkat(place_.folder(), place_.leaf().constData(), 0);
  created_ = false;
}

}  // namespace tavrix
