#pragma once

// Method 1: the session's own way of setting the wallpaper. The desktop
// environment named by XDG_CURRENT_DESKTOP gets the picture through its own
// setting; without one, a wlroots or Hyprland compositor gets it through its
// background tool and a plain X11 session through the root window.

#include <memory>

#include "platform/desktop/desktop.h"

namespace desktop {

enum class DesktopEnvironment { kNone, kGnome, kCinnamon, kMate, kKde, kXfce, kLxqt, kLxde };

// The first desktop we know in the colon-separated list `xdgCurrentDesktop`
// ("ubuntu:GNOME" is GNOME; Budgie and Unity use GNOME's settings), compared
// without regard to case. kNone for null, empty or unknown.
DesktopEnvironment DetectDesktopEnvironment(const char* xdgCurrentDesktop);

// The setter for a desktop environment; null for kNone.
std::unique_ptr<WallpaperSetter> MakeDesktopEnvironmentSetter(DesktopEnvironment environment);

}  // namespace desktop
