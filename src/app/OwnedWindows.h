#pragma once

#include <QObject>

class QWidget;

namespace tavrix {

// Keeps the windows the main window opens (the About box, the configuration editor, the message
// boxes, the file dialogs, the board test's report) from hiding the program under a window
// manager. Openbox gives such a window minimise and maximise buttons, and minimising it
// iconifies the window it belongs to as well, which leaves an empty screen when no task bar
// brings it back. Openbox offers neither to a window of the toolbar type, and keeps its title
// and close button: such windows are given that type first (the dialog type after it, for any
// other window manager). And whatever the window manager does, a minimised owned window, or a
// main window minimised while a modal window waits for an answer, is put back.
class OwnedWindows : public QObject {
 public:
  // Watches every window of the application from now on.
  explicit OwnedWindows(QObject* parent = nullptr);
  ~OwnedWindows() override;

  // A dialog-type window with an owner, with the window manager's title bar.
  static bool isOwned(const QWidget* window);
  // Whether the running window manager is Openbox (X11 only).
  static bool underOpenbox();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tavrix
