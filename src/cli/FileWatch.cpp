#include "FileWatch.h"

#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "device/FileNames.h"

namespace tavrix::cli {

namespace {

// Without an event the stamp is looked at this often anyway.
constexpr int kLookEveryMs = 1000;

constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                  IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF;

std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t nanoseconds(const timespec& t) {
  return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

}  // namespace

QString folderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString fileNameOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isFolder(const QString& path) {
  struct ::stat info {};
  return ::stat(nameToBytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileStamp stampOf(const QString& path) {
  FileStamp stamp;
  struct ::stat info {};
  if (::stat(nameToBytes(path).constData(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedNs = nanoseconds(info.st_mtim);
  stamp.changedNs = nanoseconds(info.st_ctim);
  return stamp;
}

FileWatch::FileWatch(const QString& path) : path_(path), name_(nameToBytes(fileNameOf(path))) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;  // the stamp is then looked at every second
  if (::inotify_add_watch(fd_, nameToBytes(folderOf(path)).constData(), kEvents) < 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

FileWatch::~FileWatch() {
  if (fd_ >= 0) ::close(fd_);
}

int FileWatch::waitEvents(int ms) {
  // Events about other names in the folder (an editor's or assembler's temporary file) neither
  // end the wait nor count: the whole time must pass without one about the file.
  const std::int64_t deadline = nowMs() + ms;
  for (;;) {
    const std::int64_t left = deadline - nowMs();
    if (left <= 0) return 0;
    pollfd entry{fd_, POLLIN, 0};
    const int ready = ::poll(fd_ >= 0 ? &entry : nullptr, fd_ >= 0 ? 1 : 0, int(left));
    if (ready < 0) return errno == EINTR ? -1 : 0;
    if (ready == 0) return 0;
    if (drainEvents()) return 1;
  }
}

bool FileWatch::drainEvents() {
  // Every event is read; only those about the file (or its folder going) count.
  bool aboutFile = false;
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_Q_OVERFLOW)) ||
          (event->len > 0 && std::strcmp(event->name, name_.constData()) == 0))
        aboutFile = true;
      at += ssize_t(sizeof(inotify_event) + event->len);
    }
  }
  return aboutFile;
}

FileWatch::Wake FileWatch::waitForChange(const FileStamp& last, int timeoutMs, FileStamp* now) {
  const std::int64_t deadline = timeoutMs >= 0 ? nowMs() + timeoutMs : -1;
  for (;;) {
    if (stampOf(path_) != last) break;
    int wait = kLookEveryMs;
    if (deadline >= 0) {
      const std::int64_t left = deadline - nowMs();
      if (left <= 0) return Wake::TimedOut;
      if (left < wait) wait = int(left);
    }
    if (waitEvents(wait) < 0) return Wake::Interrupted;
  }
  // Changed: ready once the writer has been quiet for the settle time.
  for (;;) {
    const FileStamp before = stampOf(path_);
    const int events = waitEvents(kSettleMs);
    if (events < 0) return Wake::Interrupted;
    const FileStamp after = stampOf(path_);
    if (events == 0 && after == before) {
      *now = after;
      return Wake::Changed;
    }
  }
}

}  // namespace tavrix::cli
