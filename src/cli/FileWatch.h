#pragma once

#include <QString>

#include <sys/types.h>

#include <cstdint>

namespace tavrix::cli {

// What tells one version of a file from the next: the node (a rename brings a new one), its
// size and its times (a rewrite in place changes them).
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& path);

// A path's folder ("." for a bare name) and its last component, as bytes would split them.
QString folderOf(const QString& path);
QString fileNameOf(const QString& path);
bool isFolder(const QString& path);

// Waits for a file to change without spinning: inotify on its folder wakes the wait for every
// event about the file (written, closed, renamed over, created, deleted); the file's stamp is
// also looked at every second, for folders whose changes inotify does not see.
class FileWatch {
 public:
  explicit FileWatch(const QString& path);
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  enum class Wake { Changed, TimedOut, Interrupted };

  // Waits until the stamp differs from `last` and has then stayed the same, with no event about
  // the file, for the settle time; `now` receives it. With `timeoutMs` of 0 or more, gives up
  // after that long without a change. A signal that reaches the process ends the wait.
  Wake waitForChange(const FileStamp& last, int timeoutMs, FileStamp* now);

  const QString& path() const { return path_; }

  // Quiet time that makes a changed file ready to be read.
  static constexpr int kSettleMs = 150;

 private:
  // Waits up to `ms` for an event about the file; 1 as soon as one comes, 0 when the whole
  // time passed without one, -1 on a signal.
  int waitEvents(int ms);
  // Reads every pending event; true when one was about the file.
  bool drainEvents();

  QString path_;
  QByteArray name_;
  int fd_ = -1;
};

}  // namespace tavrix::cli
