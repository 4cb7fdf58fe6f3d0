#include "link/PortSystem.h"

#include <grp.h>
#include <sys/ioctl.h>
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
  int close(int fd) override { return ::close(fd); }
  std::string groupName(gid_t group) override {
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
    return found->gr_name;
  }
};

}  // namespace

PortSystem& systemPorts() {
  static KernelPorts kernel;
  return kernel;
}

}  // namespace tavrix
