#pragma once

// The part of a change that deals with several monitors: a picture of the
// whole layout for desktops that show one picture (or for the root window,
// which we draw), one picture per monitor for those that keep one each.

#include <span>
#include <string>

#include "wallpaper/change_job.h"
#include "wallpaper/monitor_compose.h"

namespace wallpaper {

// Whether a change goes through ChangeForMonitors: two monitors or more,
// unless the same picture goes to a desktop that shows one picture for all
// (which gets it as it always did).
bool UsesMonitorLayout(std::size_t monitorCount, MonitorMode mode,
                       desktop::MonitorHandling handling);

// The staging bitmap of monitor `index` (from 0) beside `stagingPath`:
// "MyWallPaper-monitor1.bmp" and so on; empty when stagingPath is.
std::string MonitorStagingPath(const std::string& stagingPath, std::size_t index);

// Loads, fits, stages and hands over the pictures of every monitor; fills in
// `result` (loaded, staged, wallpaperPath, shown, outcome).
void ChangeForMonitors(const ChangeRequest& request, const JobServices& services,
                       desktop::WallpaperSetter& setter, std::span<const desktop::Monitor> monitors,
                       const ChangePlan& plan, ChangeResult& result);

}  // namespace wallpaper
