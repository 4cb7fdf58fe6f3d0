#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tavrix {

class WalkedPath;

// One save of a file the user named, its path walked as WalkedPath walks it (a link another
// user planted in a shared folder is never followed). Where the path names a regular file, or
// nothing yet, the bytes go to a new file in the same folder, which takes the name only once
// it is complete and synced, so a failed save leaves the old file intact; the new file keeps
// the old one's mode, and its owner and group where the process may set them. A character
// device (/dev/null, /dev/full) is written in place instead when `devices` allows it; folders,
// FIFOs, sockets and block devices are refused.
class FileSave {
 public:
  enum class Devices { InPlace, Refused };
  // Whether the new file may take the place of one that appeared at its name meanwhile.
  enum class Commit { Replace, KeepExisting };

  FileSave() = default;
  ~FileSave();  // a new file that was not committed is removed
  FileSave(const FileSave&) = delete;
  FileSave& operator=(const FileSave&) = delete;

  // False with the reason (the system's text, or why a link was not followed or why the node
  // is no file) when nothing may or can be written there.
  bool open(const QString& path, QString* reason, Devices devices = Devices::InPlace);
  // The same at a place already walked.
  bool openAt(const WalkedPath& place, QString* reason, Devices devices = Devices::InPlace);

  int descriptor() const { return fd_; }
  bool writesInPlace() const { return inPlace_; }

  // Writes all of `bytes`; false with the system's text.
  bool write(QByteArrayView bytes, QString* reason);
  // Asked with every signal blocked, right before the new file would take the name: false
  // keeps the old file (a signal that ends the program came during the save).
  using CommitGate = bool (*)();

  // Completes the save; false with the system's text, the old file then intact. With
  // KeepExisting a file that appeared at the name since open() is left alone and the save
  // fails with EEXIST. A gate that says no fails it with EINTR.
  bool commit(QString* reason, Commit mode = Commit::Replace, CommitGate gate = nullptr);
  // The error number of the last failure.
  int error() const { return error_; }
  // Drops a save that will not be completed; the old file stays as it was.
  void cancel();
  // After commit(): hands over the new file's descriptor, still open, so that a lock taken on
  // it lasts as long as the caller keeps it; -1 when nothing is left to hand over.
  int release();

  // For a signal handler that ends the program: removes the new files of the saves under way,
  // which will never be completed, so that none is left beside the files they were to replace.
  // Async-signal-safe.
  static void removeUnfinishedNow() noexcept;

 private:
  int fd_ = -1;
  int folder_ = -1;
  QByteArray temp_;
  QByteArray leaf_;
  bool inPlace_ = false;
  bool committed_ = false;
  int error_ = 0;
  int unfinished_ = -1;  // where removeUnfinishedNow() finds the new file
};

// Opens `path` for writing where it is, for a file written as it goes (a trace): created when
// absent, emptied when a regular file, a character device as it is; the path walked as above.
// The descriptor is non-blocking and the open never waits. -1 with the reason otherwise (a
// FIFO, a socket, a folder, a block device).
int openInPlace(const QString& path, QString* reason);

}  // namespace tavrix
