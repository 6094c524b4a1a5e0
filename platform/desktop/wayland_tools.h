#pragma once

// Wallpapers on Wayland compositors that leave the background to a helper:
// swaybg on sway and other wlroots compositors, hyprpaper on Hyprland.

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop/desktop.h"

namespace desktop {

enum class Compositor { kNone, kWlroots, kHyprland };

// Which of the two this session runs, from its environment: Hyprland by
// HYPRLAND_INSTANCE_SIGNATURE; sway by SWAYSOCK, or any wlroots compositor by
// WAYLAND_DISPLAY with "sway" or "wlroots" in XDG_CURRENT_DESKTOP.
Compositor DetectCompositor();

// $XDG_RUNTIME_DIR/drapewell, created (mode 0700) when missing; empty when
// there is no runtime directory to use.
std::string RuntimeStateDir();

// A process told apart from any later one that reuses its pid: the kernel's
// start time (in clock ticks since boot) goes with the pid.
struct ProcessStamp {
    pid_t pid = -1;
    unsigned long long startTime = 0;
    bool operator==(const ProcessStamp&) const = default;
};

std::optional<ProcessStamp> StampOf(pid_t pid);
std::optional<ProcessStamp> ReadStamp(const std::string& file);
bool WriteStamp(const std::string& file, const ProcessStamp& stamp);

// Ends the swaybg that `stamp` names (SIGTERM) and reaps it when it is our
// child. Does nothing, and returns false, unless that very process is still
// running and its command is swaybg: a pid file from an earlier run may by now
// name any other program.
bool EndRecordedSwaybg(const ProcessStamp& stamp);

struct SwaybgOptions {
    std::string stateDir;  // pid file, log, sway's copy; nothing is remembered when empty
    std::string program = "swaybg";
    // How long a new swaybg must stay up before the old one is ended: one that
    // cannot load the picture or reach the compositor is gone by then.
    std::chrono::milliseconds settle{500};
    // On sway itself: set the background through sway (see wayland_tools.cpp).
    bool viaSway = false;
    std::string swaymsg = "swaymsg";
    std::chrono::milliseconds limit{5000};  // per swaymsg call
};

// Copies `from` to `to` through a temporary file beside it, so that `to` is
// never seen half written. "" when done, else why not.
std::string CopyFileAtomically(const std::string& from, const std::string& to);

struct HyprpaperOptions {
    std::string stateDir;  // copies of the picture handed to hyprpaper
    std::string program = "hyprctl";
    std::chrono::milliseconds limit{5000};  // per hyprctl call
};

std::unique_ptr<WallpaperSetter> MakeSwaybgSetter(SwaybgOptions options);
std::unique_ptr<WallpaperSetter> MakeHyprpaperSetter(HyprpaperOptions options);

}  // namespace desktop
