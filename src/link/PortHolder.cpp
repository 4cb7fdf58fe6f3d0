#include "link/PortHolder.h"

#include <cstring>

namespace tavrix {

PortHolder::PortHolder(PortSystem& system, unsigned port) : system_(system) {
  const std::string list =
      "/proc/sys/dev/parport/parport" + std::to_string(port) + "/devices/active";
  fd_ = system_.openText(list.c_str());
}

PortHolder::~PortHolder() {
  if (fd_ >= 0) system_.close(fd_);
}

std::size_t PortHolder::read(char* name) noexcept {
  name[0] = '\0';
  if (fd_ < 0) return 0;
  const long n = system_.readAgain(fd_, name, kNameSize - 1);
  if (n <= 0) return 0;
  std::size_t length = 0;
  while (length < std::size_t(n) && name[length] != ' ' && name[length] != '\t' &&
         name[length] != '\n' && name[length] != '\r')
    ++length;
  name[length] = '\0';
  if (std::strcmp(name, "none") == 0) {
    name[0] = '\0';
    return 0;
  }
  return length;
}

std::string PortHolder::name() {
  char holder[kNameSize];
  return std::string(holder, read(holder));
}

bool PortHolder::blocksPrinter() noexcept {
  char holder[kNameSize];
  return read(holder) > 0 && !isPrinterDevice(holder);
}

bool isPrinterDevice(const char* name) noexcept {
  return std::strncmp(name, "lp", 2) == 0;
}

}  // namespace tavrix
