#include "wm/WindowManagerRig.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tavrix::test {

std::string windowManagerMissing;

namespace x11 {

namespace {

xcb_connection_t* connection() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(const char* name) {
  xcb_connection_t* c = connection();
  auto* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return a;
}

QString atomName(xcb_atom_t a) {
  xcb_connection_t* c = connection();
  auto* reply = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr);
  if (!reply) return {};
  const QString name =
      QString::fromLatin1(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
  std::free(reply);
  return name;
}

std::vector<std::uint32_t> values(std::uint32_t window, const char* property) {
  xcb_connection_t* c = connection();
  auto* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
  std::vector<std::uint32_t> out;
  if (reply && reply->format == 32) {
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    out.assign(v, v + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  return out;
}

void sendToRoot(std::uint32_t window, const char* type, std::uint32_t d0, std::uint32_t d1,
                std::uint32_t d2) {
  xcb_connection_t* c = connection();
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = atom(type);
  event.data.data32[0] = d0;
  event.data.data32[1] = d1;
  event.data.data32[2] = d2;
  event.data.data32[3] = 1;  // from an application
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);
}

}  // namespace

QStringList atoms(std::uint32_t window, const char* property) {
  QStringList names;
  for (std::uint32_t a : values(window, property)) names << atomName(a);
  return names;
}

int wmState(std::uint32_t window) {
  const auto v = values(window, "WM_STATE");
  return v.empty() ? 0 : int(v[0]);
}

int frameTop(std::uint32_t window) {
  const auto v = values(window, "_NET_FRAME_EXTENTS");
  return v.size() < 4 ? 0 : int(v[2]);
}

void requestMinimise(std::uint32_t window) {
  sendToRoot(window, "WM_CHANGE_STATE", 3 /* IconicState */, 0, 0);
}

void requestState(std::uint32_t window, bool add, const char* first, const char* second) {
  sendToRoot(window, "_NET_WM_STATE", add ? 1 : 0, atom(first), second ? atom(second) : 0);
}

void requestClose(std::uint32_t window) {
  sendToRoot(window, "_NET_CLOSE_WINDOW", 0 /* now */, 2 /* from a pager or a tool */, 0);
}

}  // namespace x11
}  // namespace tavrix::test
