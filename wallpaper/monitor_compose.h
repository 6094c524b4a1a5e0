#pragma once

// Pictures for several monitors: the three monitor modes, the box a layout
// covers, and the picture of a whole layout composed from each monitor's
// picture fitted to that monitor.

#include <span>
#include <string>
#include <vector>

#include "codecs/codec_messages.h"
#include "image/dib_image.h"
#include "image/picture.h"
#include "platform/desktop/monitors.h"
#include "wallpaper/fit.h"

namespace wallpaper {

// The "MonitorMode" setting's values.
enum class MonitorMode : int {
    kSame = 0,  // the same picture on every monitor, fitted to each
    kEach = 1,  // a different picture on each monitor
    kSpan = 2,  // one picture across all monitors
};

// The setting's value as a mode; anything outside 0..2 is kSame.
MonitorMode MonitorModeFromIndex(int index);

struct LayoutBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const LayoutBox&, const LayoutBox&) = default;
};

// The smallest box holding every monitor and the origin (0, 0): the layout's
// picture starts where the screen does, so a monitor's place in it is its
// own position. Empty (0 x 0) without monitors.
LayoutBox LayoutBounds(std::span<const desktop::Monitor> monitors);

// How each monitor's picture is fitted and placed within its monitor.
struct ComposeRules {
    ChangePlan plan;
    Position position = Position::kStrech;
    CodecMessageSink messages;
};

// One picture loaded fitted to a monitor by the rules, as 32 bits per pixel.
class FittedPicture {
public:
    FittedPicture() = default;
    FittedPicture(const FittedPicture&) = delete;
    FittedPicture& operator=(const FittedPicture&) = delete;

    // False (with *why) when `path` does not load or memory runs out.
    bool Load(const std::string& path, int width, int height, const ComposeRules& rules,
              std::string* why);
    bool IsValid() const { return pixels_ != nullptr; }
    const CDibImage& Pixels() const { return *pixels_; }
    void Reset();

private:
    CPicture loaded_;
    CDibImage converted_;  // when the loaded picture was not 32 bits
    const CDibImage* pixels_ = nullptr;
};

// The picture of the whole layout, 32 bits per pixel, black where no monitor
// is. kSame and kEach: pictures[i] (pictures[0] for every monitor with
// kSame) fitted and placed on monitors[i] by the rules; kSpan: pictures[0]
// fitted to the box of all monitors, each showing its part. False (with
// *why) when a picture does not load or memory runs out.
bool ComposeLayout(CDibImage& canvas, std::span<const desktop::Monitor> monitors,
                   std::span<const std::string> pictures, MonitorMode mode,
                   const ComposeRules& rules, std::string* why);

// Copies monitor's part of `canvas` (a composed layout starting at `box`'s
// corner) into `part`, 32 bits per pixel. False when memory runs out.
bool CutMonitor(const CDibImage& canvas, const LayoutBox& box, const desktop::Monitor& monitor,
                CDibImage& part);

}  // namespace wallpaper
