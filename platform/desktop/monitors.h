#pragma once

// The session's monitors: name, position and size in device pixels, primary
// or not. Read from RandR monitors on X11 (those made with `xrandr
// --setmonitor` included) and from the compositor's outputs on sway
// (`swaymsg -t get_outputs`) and Hyprland (`hyprctl monitors -j`).

#include <string>
#include <string_view>
#include <vector>

namespace desktop {

struct Monitor {
    std::string name;  // "HDMI-1", "DP-2", or the name --setmonitor gave
    int x = 0;         // the top-left corner in the session's layout
    int y = 0;
    int width = 0;  // device pixels, after the monitor's rotation
    int height = 0;
    bool primary = false;

    bool IsPortrait() const { return height > width; }
    friend bool operator==(const Monitor&, const Monitor&) = default;
};

// "HDMI-1 1920x1080+0+0 primary landscape", as `drapewell-tool monitors`
// prints a monitor.
std::string DescribeMonitor(const Monitor& monitor);

// Orders monitors left to right, then top to bottom: the order in which
// pictures are handed to them.
void SortMonitors(std::vector<Monitor>& monitors);

// The active outputs in swaymsg's JSON, each at its current mode's size
// (swapped for a rotation of 90 or 270 degrees); the focused one counts as
// primary. Empty for anything that is not such a list.
std::vector<Monitor> ParseSwayOutputs(std::string_view json);

// The enabled monitors in hyprctl's JSON, sized like sway's outputs.
std::vector<Monitor> ParseHyprlandMonitors(std::string_view json);

struct MonitorListing {
    std::vector<Monitor> monitors;  // sorted by SortMonitors
    std::string source;             // "RandR", "sway", "Hyprland"; empty when none answered
    std::string error;              // why the list is empty
};

// The monitors of this session: those a program with a window tells
// (SetKnownMonitors), else Hyprland's or sway's own list when one of them
// runs, else the X server's RandR monitors. Empty without a display.
MonitorListing ListSessionMonitors();

// The monitors as the program's window system reports them (Qt's screens,
// which follow RandR on X11 and the compositor's outputs on Wayland); every
// listing answers from them from then on. An empty list forgets them.
// Safe to call from any thread.
void SetKnownMonitors(std::vector<Monitor> monitors);

}  // namespace desktop
