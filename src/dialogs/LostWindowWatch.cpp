#include "dialogs/LostWindowWatch.h"

#include <QCoreApplication>
#include <QWidget>

#include <cstdint>
#include <utility>

namespace tavrix {

LostWindowWatch::LostWindowWatch(QWidget* window, std::function<void()> onLost)
    : QObject(window), window_(window), onLost_(std::move(onLost)) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

bool LostWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  // The X11 protocol's DestroyNotify event, as the xcb platform passes it.
  struct DestroyNotify {
    std::uint8_t responseType;
    std::uint8_t pad;
    std::uint16_t sequence;
    std::uint32_t event;
    std::uint32_t window;
  };
  constexpr std::uint8_t kDestroyNotify = 17;
  if (eventType != "xcb_generic_event_t" || !window_->windowHandle()) return false;
  const auto* e = static_cast<const DestroyNotify*>(message);
  if ((e->responseType & 0x7F) == kDestroyNotify && e->window == window_->winId())
    QMetaObject::invokeMethod(window_, onLost_, Qt::QueuedConnection);
  return false;
}

}  // namespace tavrix
