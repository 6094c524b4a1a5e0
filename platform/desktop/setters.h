#pragma once

// The individual setters behind MakeSetter. Each lives in a file of its own.

#include <memory>

#include "platform/desktop/desktop.h"

namespace desktop {

// Method 2: draws the picture into a pixmap of the screen's size and makes it
// the X11 root window's background (x11_root.cpp). Null without an X display.
std::unique_ptr<WallpaperSetter> MakeRootWindowSetter();

// Method 3: swaybg on wlroots compositors, hyprpaper on Hyprland
// (wayland_tools.cpp). Null when neither compositor is running.
std::unique_ptr<WallpaperSetter> MakeCompositorSetter();

// Method 4: org.freedesktop.portal.Wallpaper (portal.cpp).
std::unique_ptr<WallpaperSetter> MakePortalSetter();

// Method 1: the desktop environment named by XDG_CURRENT_DESKTOP, else the
// compositor's tools, else the X11 root window with stretching done as a
// desktop would (automatic.cpp). Null when there is no display at all.
std::unique_ptr<WallpaperSetter> MakeAutomaticSetter();

}  // namespace desktop
