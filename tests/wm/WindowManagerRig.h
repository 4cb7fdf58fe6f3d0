#pragma once

#include <QStringList>

#include <cstdint>
#include <string>

namespace tavrix::test {

// Why the window manager tests cannot run here (empty when Xvfb and openbox are up).
extern std::string windowManagerMissing;

// The X11 side of a window, as the window manager left it, read on Qt's own connection.
namespace x11 {

// Atom names of a window's ATOM-list property (_NET_WM_ALLOWED_ACTIONS, _NET_WM_STATE, ...).
QStringList atoms(std::uint32_t window, const char* property);
// WM_STATE: 1 normal, 3 iconic, 0 when unset.
int wmState(std::uint32_t window);
// _NET_FRAME_EXTENTS' top: the title bar's height, 0 when undecorated or unset.
int frameTop(std::uint32_t window);

// Requests as a pager or xdotool sends them: minimise, and add or remove _NET_WM_STATE states.
void requestMinimise(std::uint32_t window);
void requestState(std::uint32_t window, bool add, const char* first, const char* second = nullptr);
// The close a title bar's button, Alt+F4 or wmctrl -c ask of the window manager.
void requestClose(std::uint32_t window);

}  // namespace x11

// Lets Qt run until `done` or `ms` have passed; true when done.
template <typename F>
bool waitUntil(F done, int ms = 60000);

}  // namespace tavrix::test

#include <QTest>

namespace tavrix::test {
template <typename F>
bool waitUntil(F done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    QTest::qWait(20);
  }
  return done();
}
}  // namespace tavrix::test
