#include "app/OwnedWindows.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace tavrix {

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* x11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

Reply<xcb_get_property_reply_t> readProperty(xcb_connection_t* c, xcb_window_t window,
                                             xcb_atom_t name, xcb_atom_t type) {
  return Reply<xcb_get_property_reply_t>(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 64), nullptr));
}

// A window Openbox neither minimises nor maximises, still titled and closable.
void takeToolbarType(QWidget* window) {
  xcb_connection_t* c = x11Connection();
  if (!c) return;
  const xcb_atom_t types[] = {atom(c, "_NET_WM_WINDOW_TYPE_TOOLBAR"),
                              atom(c, "_NET_WM_WINDOW_TYPE_DIALOG")};
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                      atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 2, types);
  xcb_flush(c);
}

void putBack(QWidget* window) {
  if (!window || !(window->windowState() & Qt::WindowMinimized)) return;
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
}

}  // namespace

OwnedWindows::OwnedWindows(QObject* parent) : QObject(parent) {
  qApp->installEventFilter(this);
}

OwnedWindows::~OwnedWindows() {
  if (qApp) qApp->removeEventFilter(this);
}

bool OwnedWindows::isOwned(const QWidget* window) {
  return window && window->isWindow() && window->parentWidget() &&
         window->windowType() == Qt::Dialog &&
         !window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

bool OwnedWindows::underOpenbox() {
  xcb_connection_t* c = x11Connection();
  if (!c) return false;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (!screen) return false;
  const auto check =
      readProperty(c, screen->root, atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
  if (!check || check->value_len < 1) return false;
  const xcb_window_t wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(check.get()));
  const auto name = readProperty(c, wm, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"));
  if (!name) return false;
  const QByteArray text(static_cast<const char*>(xcb_get_property_value(name.get())),
                        xcb_get_property_value_length(name.get()));
  return text == "Openbox";
}

bool OwnedWindows::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::Show:
      // The native window exists and is not mapped yet: the window manager reads the type
      // when it maps it.
      if (isOwned(widget) && underOpenbox()) takeToolbarType(widget);
      break;
    case QEvent::WindowStateChange: {
      if (!widget->isWindow() || !(widget->windowState() & Qt::WindowMinimized)) break;
      QWidget* modal = QApplication::activeModalWidget();
      const bool ownedWindow = isOwned(widget);
      const bool ownerOfModal = modal && modal != widget && modal->parentWidget() &&
                                modal->parentWidget()->window() == widget;
      if (!ownedWindow && !ownerOfModal) break;
      // After the window manager's change has been handled.
      QMetaObject::invokeMethod(
          widget,
          [widget, ownedWindow] {
            putBack(widget);
            if (ownedWindow && widget->parentWidget()) putBack(widget->parentWidget()->window());
          },
          Qt::QueuedConnection);
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace tavrix
