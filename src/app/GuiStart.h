#pragma once

#include <QApplication>

#include <memory>

namespace tavrix {

// Starts a windowed program's QApplication. A program started with no display to show its
// windows on says so in Spanish on standard error and ends with status 1, instead of Qt's
// abort:
// - with no platform chosen (QT_QPA_PLATFORM, -platform) and neither DISPLAY nor
//   WAYLAND_DISPLAY set, at once: nullptr is returned and the caller ends with 1;
// - when the platform chosen or found cannot be loaded or reached (a display that does not
//   answer), Qt's fatal error while the application is built ends the program with the message
//   and status 1 there and then.
// Qt's own lines while the application is built are held back: they are passed on once it is
// built, and dropped when it cannot be, so that only the Spanish message is seen.
// QT_QPA_PLATFORM=offscreen needs no display. Qt formats in Spanish (takeSpanishFormatting).
std::unique_ptr<QApplication> startGuiApplication(int& argc, char** argv, const char* program);

}  // namespace tavrix
