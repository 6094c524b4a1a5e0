#pragma once

// The monitors of an X11 screen as RandR 1.5 reports them (XRRGetMonitors):
// one per active output, plus any defined with `xrandr --setmonitor`, which
// may cover part of an output or several of them.

#include <string>
#include <vector>

namespace x11 {

struct RandrMonitor {
    std::string name;  // "HDMI-1", or the name given to --setmonitor
    int x = 0;         // in root-window pixels
    int y = 0;
    int width = 0;
    int height = 0;
    bool primary = false;
};

// The monitors of the display named by DISPLAY, on a connection of our own.
// False (with the reason in *why) without a display, or when the server has
// no RandR 1.5; *monitors is then empty.
bool ListRandrMonitors(std::vector<RandrMonitor>* monitors, std::string* why);

}  // namespace x11
