#include "link/PortSystem.h"

#include <dirent.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace tavrix {

namespace {

// One timer per thread, aimed at that thread, so the call it bounds is the one interrupted.
// A child made by fork() has no timers: it makes its own.
struct ThreadAlarm {
  timer_t timer{};
  pid_t process = 0;  // the process the timer was made in; 0: none yet
  volatile sig_atomic_t fired = 0;
};
__attribute__((tls_model("initial-exec"))) thread_local ThreadAlarm threadAlarm;

extern "C" void onAlarm(int) {
  threadAlarm.fired = 1;
}

// Made on the first use, which is the opening of a port, never in a signal handler.
bool makeAlarm() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the waiting call must return
    return ::sigaction(kPortAlarmSignal, &action, nullptr) == 0;
  }();
  if (!installed) return false;
  struct sigevent event {};
  event.sigev_notify = SIGEV_THREAD_ID;
  event.sigev_signo = kPortAlarmSignal;
  event._sigev_un._tid = pid_t(::syscall(SYS_gettid));
  if (::timer_create(CLOCK_MONOTONIC, &event, &threadAlarm.timer) != 0) return false;
  threadAlarm.process = ::getpid();
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, kPortAlarmSignal);
  ::pthread_sigmask(SIG_UNBLOCK, &alarm, nullptr);
  return true;
}

void setAlarm(long ms) {
  struct itimerspec when {};
  when.it_value.tv_sec = ms / 1000;
  when.it_value.tv_nsec = (ms % 1000) * 1000000;
  ::timer_settime(threadAlarm.timer, 0, &when, nullptr);
}

class KernelPorts : public PortSystem {
 public:
  int stat(const char* path, struct ::stat* info) override { return ::stat(path, info); }
  int open(const char* path, int flags) override { return ::open(path, flags); }
  int fstat(int fd, struct ::stat* info) override { return ::fstat(fd, info); }
  int fcntl(int fd, int command, int argument) override { return ::fcntl(fd, command, argument); }
  int setLock(int fd, const struct flock& lock) override {
    struct flock request = lock;
    return ::fcntl(fd, F_SETLK, &request);
  }
  int ioctl(int fd, unsigned long request, void* argument) override {
    return ::ioctl(fd, request, argument);
  }
  ssize_t write(int fd, const void* data, size_t size) override { return ::write(fd, data, size); }
  int poll(int fd, short events, int timeoutMs) override {
    struct pollfd one = {fd, events, 0};
    return ::poll(&one, 1, timeoutMs);
  }
  std::int64_t monotonicMs() override {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
  }
  int close(int fd) override { return ::close(fd); }
  std::string groupName(gid_t group) override {
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
    return found->gr_name;
  }
  bool deviceDrivers(std::string* text) override {
    const int fd = ::open("/proc/devices", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    text->clear();
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text->append(buffer, std::size_t(n));
    ::close(fd);
    return n == 0;
  }
  void startAlarm(int ms) override {
    if (threadAlarm.process != ::getpid() && !makeAlarm()) return;
    threadAlarm.fired = 0;
    setAlarm(ms > 0 ? ms : 1);  // 0 would disarm it
  }
  bool stopAlarm() override {
    if (threadAlarm.process != ::getpid()) return false;
    setAlarm(0);
    return threadAlarm.fired != 0;
  }
  int openText(const char* path) override {
    return ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  }
  long readAgain(int fd, char* buffer, std::size_t size) override {
    return long(::pread(fd, buffer, size, 0));
  }
  bool hasEntry(const char* dir, const char* prefix) override {
    DIR* folder = ::opendir(dir);
    if (!folder) return false;
    bool found = false;
    const std::size_t length = std::strlen(prefix);
    while (const struct dirent* entry = ::readdir(folder)) {
      if (std::strncmp(entry->d_name, prefix, length) == 0) {
        found = true;
        break;
      }
    }
    ::closedir(folder);
    return found;
  }
};

}  // namespace

PortSystem& systemPorts() {
  // Never destroyed: the handler that idles the port at exit() runs after static destructors
  // of objects made after it was registered, and must still reach the kernel.
  static KernelPorts* const kernel = new KernelPorts;
  return *kernel;
}

}  // namespace tavrix
