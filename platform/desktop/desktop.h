#pragma once

// Handing a picture to the desktop as its wallpaper. One setter per way of
// doing it (the session's own desktop environment, the X11 root window, a
// Wayland compositor's background tool, the cross-desktop portal); the
// wallpaper pipeline picks one and never needs to know how it works.
//
// Every setter returns instead of hanging: each D-Bus call and child process
// it uses has a time limit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/desktop/monitors.h"

namespace desktop {

// How the picture covers the screen; the values are the position index.
enum class Placement : int { kCentre = 0, kTile = 1, kStretch = 2 };

struct Outcome {
    bool accepted = false;  // the desktop took the picture
    std::string detail;     // one line: what was done, or why it was not
};

// The picture to show, 32 bits per pixel (blue, green, red, unused), for
// setters that draw it themselves. rows[y] is row y from the top.
struct PixelView {
    int width = 0;
    int height = 0;
    const std::uint8_t* topRow = nullptr;
    std::ptrdiff_t rowStep = 0;  // bytes from one row to the next one down (may be negative)

    const std::uint8_t* Row(int y) const { return topRow + rowStep * y; }
    bool IsEmpty() const { return width <= 0 || height <= 0 || !topRow; }
};

// How a desktop shows wallpapers on several monitors.
enum class MonitorHandling {
    // One picture for all monitors (GNOME family, pcmanfm, the portal): a
    // picture of the whole layout goes to ApplySpanned.
    kOnePicture,
    // One picture of the whole screen that we draw ourselves (the X11 root
    // window): every layout, even the same picture on each monitor, is
    // composed and goes to ApplySpanned.
    kComposed,
    // A picture per monitor (KDE, XFCE, sway, swaybg, hyprpaper): ApplyPerMonitor.
    kPerMonitor,
};

// One monitor's picture for ApplyPerMonitor.
struct MonitorPicture {
    Monitor monitor;
    std::string file;
    PixelView pixels;
};

class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    // A short name for messages ("GNOME", "X11 root window", ...).
    virtual std::string Name() const = 0;
    // Shows `file` (the same picture as `pixels`) with the given placement.
    virtual Outcome Apply(const std::string& file, const PixelView& pixels,
                          Placement placement) = 0;

    virtual MonitorHandling Handling() const { return MonitorHandling::kOnePicture; }
    // Shows a picture of the whole monitor layout (its top-left corner at the
    // layout's), spread across the monitors. By default the desktop is given
    // it stretched, and the outcome says that it may not span it.
    virtual Outcome ApplySpanned(const std::string& file, const PixelView& pixels);
    // Shows pictures[i] on pictures[i].monitor, each with `placement`. By
    // default refused: only kPerMonitor setters are asked.
    virtual Outcome ApplyPerMonitor(std::span<const MonitorPicture> pictures, Placement placement);
};

// The four change methods, by number (1 to 4); anything else is method 1.
//  1: automatic: the desktop environment's own setting, or the session's
//     way when there is none (Wayland compositor tool, X11 root window);
//  2: the X11 root window;
//  3: Wayland compositors without a desktop environment (swaybg, hyprpaper);
//  4: the desktop portal.
std::unique_ptr<WallpaperSetter> MakeSetter(int method);

// Whether method 1 has anything to work with in this session: false only
// when there is no display at all (neither X11 nor Wayland).
bool HasDesktopSession();

}  // namespace desktop
