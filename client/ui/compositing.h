#pragma once
// Whether the desktop blends translucent windows with what lies below them. On X11 that
// takes a compositing manager, which many desktops (and every bare Xvfb) do not run; then
// a translucent pixel shows its colour scaled down by its alpha, over black. Windows that
// must look right either way ask here.

namespace quilla::client {

// True when translucent pixels are blended with the desktop: on X11 while a compositing
// manager owns the screen's "_NET_WM_CM_S0" selection, on every other platform always.
// GUI thread; on X11 one round trip to the server.
bool DesktopIsComposited();

}  // namespace quilla::client
