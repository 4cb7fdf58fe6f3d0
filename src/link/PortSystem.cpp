#include "link/PortSystem.h"

#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace tavrix {

namespace {

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
};

}  // namespace

PortSystem& systemPorts() {
  static KernelPorts kernel;
  return kernel;
}

}  // namespace tavrix
