#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>

class QWidget;

namespace tavrix {

// Notices `window`'s native window being destroyed by another client (xdotool windowclose does
// it): Qt would go on using a window that no longer exists, and the program would run on with
// nothing on screen. `onLost` is then run from the event loop (the main window closes as its
// close button would; the progress window builds a new native window).
class LostWindowWatch : public QObject, public QAbstractNativeEventFilter {
 public:
  LostWindowWatch(QWidget* window, std::function<void()> onLost);
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QWidget* window_;
  std::function<void()> onLost_;
};

}  // namespace tavrix
