#pragma once

// LXQt and LXDE: their desktop is drawn by the file manager (pcmanfm-qt,
// pcmanfm), whose command line hands a running desktop a new wallpaper.
// Both keep the picture by path, so a fresh name is handed over each time
// (see fresh_path.h).

#include <chrono>
#include <memory>
#include <string>

#include "platform/desktop/desktop.h"

namespace desktop {

// `program` is "pcmanfm-qt" for LXQt or "pcmanfm" for LXDE, found in PATH.
std::unique_ptr<WallpaperSetter> MakePcmanfmSetter(
    const std::string& program, std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

}  // namespace desktop
