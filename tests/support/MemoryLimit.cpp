#include "support/MemoryLimit.h"

#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrix::test {

namespace {

// The child's data segment now, from /proc/self/status; -1 when it cannot be read.
long dataKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmData:")) return line.mid(7).trimmed().split(' ').first().toLong();
  return -1;
}

}  // namespace

std::string runWithDataHeadroom(long headroomMb, const std::function<bool()>& work) {
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    const long kb = dataKb();
    if (kb < 0) ::_exit(3);
    const rlim_t limit = rlim_t(kb + headroomMb * 1024) * 1024;
    const rlimit lim{limit, limit};
    if (::setrlimit(RLIMIT_DATA, &lim) != 0) ::_exit(4);
    try {
      ::_exit(work() ? 0 : 5);
    } catch (...) {
      ::_exit(6);  // out of memory
    }
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return "waitpid failed";
  if (!WIFEXITED(status)) return "the child died: signal " + std::to_string(WTERMSIG(status));
  switch (WEXITSTATUS(status)) {
    case 0:
      return {};
    case 3:
      return "could not read the child's data size";
    case 4:
      return "could not set the data limit";
    case 5:
      return "the work gave a wrong result";
    case 6:
      return "memory ran out";
  }
  return "exit status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace tavrix::test
