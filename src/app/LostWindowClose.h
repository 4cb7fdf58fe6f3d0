#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

class QWidget;

namespace tavrix {

// Closes `window` (as its close button would) when another client destroys its native window
// (xdotool windowclose does it): the program would otherwise run on with nothing on screen.
class LostWindowClose : public QObject, public QAbstractNativeEventFilter {
 public:
  explicit LostWindowClose(QWidget* window);
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QWidget* window_;
};

}  // namespace tavrix
