// The window-manager tests' program: its own X server (Xvfb, on a display it picks free) and
// openbox on it, then the windowed programs' own start on that display. Without Xvfb or
// openbox every test skips and says why.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/GuiStart.h"
#include "app/OwnedWindows.h"
#include "wm/WindowManagerRig.h"

extern char** environ;

namespace {

bool onPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string rest = path ? path : "/usr/bin:/bin";
  for (std::size_t at = 0; at <= rest.size();) {
    const std::size_t end = rest.find(':', at);
    const std::string dir =
        rest.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return false;
}

pid_t spawn(std::vector<std::string> args, posix_spawn_file_actions_t* actions = nullptr) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

// Starts Xvfb on a free display (it writes the number it took to a pipe), or on the one
// TAVRIX_WM_DISPLAY names (":97") where several runs share a machine; -1 on failure.
pid_t startXvfb(std::string* display) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args{"Xvfb"};
  if (const char* chosen = std::getenv("TAVRIX_WM_DISPLAY"); chosen && *chosen)
    args.emplace_back(chosen);
  args.insert(args.end(), {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24",
                           "-nolisten", "tcp"});
  const pid_t pid = spawn(args, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string number;
  pollfd wait{fds[0], POLLIN, 0};
  char c;
  while (pid > 0 && poll(&wait, 1, 60000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
    number += c;
  close(fds[0]);
  if (number.empty()) {
    stop(pid);
    return -1;
  }
  *display = ":" + number;
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

  pid_t xvfb = -1, openbox = -1;
  std::string display;
  if (!onPath("Xvfb"))
    tavrix::test::windowManagerMissing = "Xvfb is not installed (apt-get install xvfb)";
  else if (!onPath("openbox"))
    tavrix::test::windowManagerMissing = "openbox is not installed (apt-get install openbox)";
  else if ((xvfb = startXvfb(&display)) < 0)
    tavrix::test::windowManagerMissing = "Xvfb did not start";

  if (xvfb > 0) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    openbox = spawn({"openbox", "--sm-disable"});
  } else {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  int status = 1;
  {
    const auto app = tavrix::startGuiApplication(argc, argv, "test-wm");
    if (app) {
      // Openbox is ready once it has announced itself on the root window.
      for (int i = 0; xvfb > 0 && i < 1200 && !tavrix::OwnedWindows::underOpenbox(); ++i)
        QTest::qWait(50);
      if (xvfb > 0 && !tavrix::OwnedWindows::underOpenbox())
        tavrix::test::windowManagerMissing = "openbox did not start";
      status = RUN_ALL_TESTS();
    }
  }
  stop(openbox);
  stop(xvfb);
  return status;
}
