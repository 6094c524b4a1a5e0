#pragma once

// XFCE: the desktop reads its backdrop from the xfconf channel
// "xfce4-desktop", one pair of properties per monitor and workspace:
// /backdrop/screen0/monitor<NAME>/workspace<N>/last-image and .../image-style.
// We talk to xfconfd over D-Bus, which starts it when it is not running.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/dbus_call.h"
#include "platform/desktop/desktop.h"

namespace desktop {

struct XfconfOptions {
    // Names of the monitors in use ("HDMI-1"), for a desktop that has no
    // backdrop properties yet; defaults to the X server's RandR outputs.
    std::function<std::vector<std::string>()> monitors;
    dbus::Milliseconds callLimit = dbus::kDefaultCallLimit;
};

std::unique_ptr<WallpaperSetter> MakeXfconfSetter(XfconfOptions options = {});

// The X server's active RandR outputs by name; empty without a display.
std::vector<std::string> ActiveMonitorNames();

}  // namespace desktop
