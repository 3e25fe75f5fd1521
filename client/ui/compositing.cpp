#include "client/ui/compositing.h"

#include <QGuiApplication>

#ifdef QUILLA_HAVE_XCB
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>
#include <cstring>
#endif

namespace quilla::client {

bool DesktopIsComposited() {
#ifdef QUILLA_HAVE_XCB
  auto* x11 =
      qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->connection() == nullptr) return true;
  xcb_connection_t* connection = x11->connection();
  const char kName[] = "_NET_WM_CM_S0";
  // only_if_exists: an atom nobody ever made means no manager ever claimed the screen.
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, std::strlen(kName), kName), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool composited = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return composited;
#else
  return true;
#endif
}

}  // namespace quilla::client
