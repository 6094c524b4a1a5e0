#pragma once

// One wallpaper change: load the picture, fit it as the method asks, write
// the staging bitmap and hand it to the desktop, then record the picture as
// the last one a change was made for.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "codecs/codec_messages.h"
#include "platform/desktop/desktop.h"
#include "wallpaper/fit.h"

namespace wallpaper {

// Everything a change works from, copied when the change is asked for, so
// that later edits of the settings cannot reach a job under way.
struct ChangeRequest {
    std::string picturePath;  // the selected picture
    int positionIndex = 2;    // the Position list's index; outside 0..2 is Strech
    int method = 1;           // the change method, 1 to 4
    bool fitToScreen = false;
    // Where the staging bitmap is written (StagingBitmapPath()); empty when
    // there is nowhere to write it.
    std::string stagingPath;
    // The primary screen's size in device pixels, asked for anew by every
    // change (the screen may have been reconfigured since the request). Null
    // reads the display.
    std::function<Size()> screenSize;
    // The "MonitorMode" setting (0 same picture on every monitor, 1 a
    // different one on each, 2 one across all; see MonitorMode).
    int monitorMode = 0;
    // With mode 1: the picture of each monitor, in the order of the monitor
    // list; a shorter list starts again from its first. Empty: picturePath.
    std::vector<std::string> monitorPictures;
    // The monitors, asked for anew by every change. Null asks the session
    // (ListSessionMonitors). With fewer than two, or with mode 0 on a desktop
    // that shows one picture for all, the change is the single-screen one.
    std::function<std::vector<desktop::Monitor>()> monitors;
};

struct ChangeResult {
    bool loaded = false;
    // Why the picture did not load ("truncated", "no such file"); empty when
    // it loaded or was never tried. The outcome's detail says the same.
    std::string loadError;
    bool staged = false;        // the staging bitmap was written
    std::string wallpaperPath;  // the file handed to the desktop; empty if none was
    desktop::Placement placement = desktop::Placement::kStretch;
    std::string setterName;
    desktop::Outcome outcome;  // accepted only when the desktop took the picture
    // With several monitors: each monitor's name and the picture it shows.
    std::vector<std::pair<std::string, std::string>> shown;
};

// Makes the setter for a change method (1 to 4). May return null, which
// fails the change before anything is loaded.
using SetterFactory = std::function<std::unique_ptr<desktop::WallpaperSetter>(int method)>;

struct JobServices {
    SetterFactory makeSetter;
    // Records the picture as "LaterPaper" in the settings file. Called once
    // at the end of every change, whatever its outcome.
    std::function<void(const std::string& picturePath)> recordLaterPaper;
    // Shows what a picture reader has to tell the user; may be empty.
    CodecMessageSink showMessage;
};

// The staging bitmap "MyWallPaper.bmp" in Drapewell's data directory; empty
// when that directory is unknown.
std::string StagingBitmapPath();

// The primary screen's size as the display reports it now.
Size DisplayScreenSize();

// The setters of platform/desktop, one per method.
SetterFactory DesktopSetters();

// Runs one change, then records "LaterPaper". The method decides the fit and
// the placement (PlanChange); a staging bitmap that cannot be written (a
// full disk) refuses the change, with the reason, and the desktop keeps its
// wallpaper, unless the setter draws the pixels itself (the X11 root
// window); with no staging path at all the picture's own file, unscaled, is
// handed over. Runs on whichever
// thread calls it; the outcome says whether the desktop took the picture.
ChangeResult RunChangeJob(const ChangeRequest& request, const JobServices& services);

}  // namespace wallpaper
