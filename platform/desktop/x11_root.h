#pragma once

// The pieces of the X11 root-window setter that need no X server: laying the
// picture out on the screen one row at a time, and packing its colours into
// the screen's pixel format.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"

namespace desktop {

// Produces the screen image row by row (so that a large screen never needs a
// full-screen buffer): the picture centred on black, tiled from the top-left
// corner, or stretched to the whole screen (nearest neighbour). Pixels come
// out as 0x00RRGGBB. `atTopLeft` puts a centred picture at the top-left
// corner instead (a picture of the monitor layout, which starts there).
class ScreenComposer {
public:
    ScreenComposer(const PixelView& picture, Placement placement, int screenWidth, int screenHeight,
                   bool atTopLeft = false);

    // Writes the screen's row y (0 <= y < screen height) into out[0..width).
    void ComposeRow(int y, std::uint32_t* out) const;

private:
    // The picture row shown on screen row y, or -1 for black.
    int SourceRow(int y) const;

    PixelView picture_;
    Placement placement_;
    int screenWidth_;
    int screenHeight_;
    int offsetY_ = 0;                // centred: the picture's top on screen
    std::vector<int> sourceColumn_;  // per screen column: picture column or -1
};

// What the screen's default visual says about its pixels.
struct ScreenFormat {
    bool trueColor = false;
    int depth = 0;
    int bitsPerPixel = 0;  // of a ZPixmap at that depth
    unsigned long redMask = 0, greenMask = 0, blueMask = 0;
};

// Where the 8-bit channels go in a 32-bit screen pixel.
struct PixelPacking {
    int redShift = 16, greenShift = 8, blueShift = 0;
    std::uint32_t fill = 0;  // bits set in every pixel: opaque alpha at depth 32

    std::uint32_t Pack(std::uint32_t rgb) const {
        return fill | ((rgb >> 16 & 0xFF) << redShift) | ((rgb >> 8 & 0xFF) << greenShift) |
               ((rgb & 0xFF) << blueShift);
    }
    bool IsIdentity() const {
        return redShift == 16 && greenShift == 8 && blueShift == 0 && fill == 0;
    }
};

// The packing for a 24- or 32-bit TrueColor screen with 8-bit channels, or
// nothing (with the reason in *why) for any other kind of screen.
std::optional<PixelPacking> ChoosePacking(const ScreenFormat& format, std::string* why);

}  // namespace desktop
