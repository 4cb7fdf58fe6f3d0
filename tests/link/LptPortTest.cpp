#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "link/Link.h"
#include "link/LptPort.h"
#include "link/VirtualClock.h"
#include "support/TempFiles.h"

namespace tavrix {
namespace {

// A folder standing in for /dev, with regular files as printer nodes.
struct FakeDev {
  test::TempFiles files;
  std::string dir = files.path(QString()).toStdString();

  std::string node(int i) const { return dir + "/lp" + std::to_string(i); }
  void create(int i) const { files.write(QStringLiteral("lp%1").arg(i), QByteArray()); }
  std::string contents(int i) const {
    return files.read(QStringLiteral("lp%1").arg(i)).toStdString();
  }
};

int openFdCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count;
}

// Holds a write lock on a node through its own open file description, as another program would.
class OfdLock {
 public:
  explicit OfdLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR)) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    held_ = fd_ >= 0 && ::fcntl(fd_, F_OFD_SETLK, &lock) == 0;
  }
  ~OfdLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool held() const { return held_; }

 private:
  int fd_;
  bool held_ = false;
};

// A child process that opens a node and holds a classic write lock on it until destroyed.
// (Probing from this process would not do: closing any handle of a file drops our own locks.)
class LockingProcess {
 public:
  explicit LockingProcess(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0 || ::pipe(release_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release_[1]);
      const int fd = ::open(path.c_str(), O_RDWR);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      const char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
      if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
      char byte;
      while (::read(release_[0], &byte, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release_[0]);
    char ok = 'n';
    held_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
    ::close(ready[0]);
  }
  ~LockingProcess() {
    ::close(release_[1]);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  bool held() const { return held_; }

 private:
  int release_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool held_ = false;
};

// True when another process could take the write lock on the node now.
bool lockable(const std::string& path) {
  return LockingProcess(path).held();
}

TEST(LptPort, UsesTheFirstNodeAndWritesOneByteAtATime) {
  FakeDev dev;
  dev.create(0);
  dev.create(1);
  LptPort port(dev.dir);
  const int handle = port.PortOpen();
  EXPECT_GT(handle, 0);
  EXPECT_EQ(port.PortHandle(), handle);
  EXPECT_EQ(port.portPath(), dev.node(0));

  EXPECT_TRUE(port.PortWrite(0x08));
  EXPECT_TRUE(port.PortWrite(0x1AB));  // only the low byte goes out
  EXPECT_TRUE(port.writeByte(0x34));
  EXPECT_EQ(dev.contents(0), std::string("\x08\xAB\x34", 3));
  EXPECT_EQ(dev.contents(1), "");
  // A regular file has no printer status: the failed request reads as 0.
  EXPECT_EQ(port.PortStatus(), 0);
  EXPECT_EQ(port.readStatus(), 0);
}

TEST(LptPort, CarriesTheLinksBytes) {
  FakeDev dev;
  dev.create(0);
  LptPort port(dev.dir);
  ASSERT_GT(port.PortOpen(), 0);
  VirtualClock time;
  Link link(port, time, [] { return 14; });
  EXPECT_EQ(link.SendCommand(CmdProgModeOn, 0), 0);
  EXPECT_EQ(link.SendCommand(CmdIncAddress, 0), 0);
  EXPECT_EQ(link.SendCommand(CmdReadProgData, 0), 0);  // no status line: every bit reads 0
  EXPECT_EQ(link.SendCommand(CmdProgModeOff, 0), 0);
  std::string expected = "\x34\x08";
  expected += "\x08\x0A\x08\x0B\x09\x0B\x09\x0A\x08\x0A\x08\x0A\x08";
  expected += "\x08\x0A\x08\x0A\x08\x0B\x09\x0A\x08\x0A\x08\x0A\x08";
  expected += "\x0C\x0E\x0C";
  for (int i = 0; i < 14; ++i) expected += "\x0E\x0C";
  expected += "\x0E\x0C";
  expected += "\x24";
  EXPECT_EQ(dev.contents(0), expected);
  EXPECT_EQ(time.nowUs(), 20000);
}

TEST(LptPort, TriesTheNodesInOrder) {
  for (int present = 0; present < 3; ++present) {
    FakeDev dev;
    for (int i = present; i < 3; ++i) dev.create(i);
    LptPort port(dev.dir);
    EXPECT_GT(port.PortOpen(), 0);
    EXPECT_EQ(port.portPath(), dev.node(present));
  }
  // A node that cannot be opened for writing (here a folder) is passed over.
  FakeDev dev;
  ASSERT_EQ(::mkdir(dev.node(0).c_str(), 0700), 0);
  dev.create(1);
  LptPort port(dev.dir);
  EXPECT_GT(port.PortOpen(), 0);
  EXPECT_EQ(port.portPath(), dev.node(1));
}

TEST(LptPort, FailsWhenNoNodeExistsAndCreatesNone) {
  FakeDev dev;
  const int before = openFdCount();
  LptPort port(dev.dir);
  EXPECT_LT(port.PortOpen(), 1);
  EXPECT_LT(port.PortHandle(), 1);
  EXPECT_EQ(port.portPath(), "");
  for (int i = 0; i < 3; ++i) EXPECT_NE(::access(dev.node(i).c_str(), F_OK), 0);
  EXPECT_FALSE(port.PortWrite(0x08));
  EXPECT_EQ(port.PortStatus(), 0);
  EXPECT_EQ(openFdCount(), before);

  LptPort nowhere(dev.dir + "/missing");
  EXPECT_LT(nowhere.PortOpen(), 1);
}

TEST(LptPort, SkipsANodeLockedByAnotherProcess) {
  FakeDev dev;
  dev.create(0);
  dev.create(1);
  LockingProcess other(dev.node(0));
  ASSERT_TRUE(other.held());
  const int before = openFdCount();
  LptPort port(dev.dir);
  EXPECT_GT(port.PortOpen(), 0);
  EXPECT_EQ(port.portPath(), dev.node(1));
  EXPECT_EQ(openFdCount(), before + 1);  // the refused node's handle was closed
  EXPECT_TRUE(port.PortWrite(0x24));
  EXPECT_EQ(dev.contents(0), "");
  EXPECT_EQ(dev.contents(1), "\x24");
}

TEST(LptPort, FailsWhenEveryNodeIsLocked) {
  FakeDev dev;
  for (int i = 0; i < 3; ++i) dev.create(i);
  LockingProcess first(dev.node(0));
  OfdLock second(dev.node(1));
  OfdLock third(dev.node(2));
  ASSERT_TRUE(first.held() && second.held() && third.held());
  const int before = openFdCount();
  LptPort port(dev.dir);
  EXPECT_LT(port.PortOpen(), 1);
  EXPECT_EQ(openFdCount(), before);
}

TEST(LptPort, HoldsTheLockUntilClosed) {
  FakeDev dev;
  dev.create(0);
  dev.create(1);
  {
    LptPort port(dev.dir);
    ASSERT_GT(port.PortOpen(), 0);
    EXPECT_FALSE(lockable(dev.node(0)));
    EXPECT_TRUE(lockable(dev.node(1)));

    // Opening again keeps the port already open.
    const int before = openFdCount();
    EXPECT_EQ(port.PortOpen(), port.PortHandle());
    EXPECT_EQ(openFdCount(), before);

    port.PortClose();
    EXPECT_LT(port.PortHandle(), 1);
    EXPECT_TRUE(lockable(dev.node(0)));
    EXPECT_FALSE(port.PortWrite(0x08));

    ASSERT_GT(port.PortOpen(), 0);
    EXPECT_FALSE(lockable(dev.node(0)));
  }
  EXPECT_TRUE(lockable(dev.node(0)));  // destruction closes the port
}

}  // namespace
}  // namespace tavrix
