#include <algorithm>

#include "platform/desktop/x11_root.h"

namespace desktop {

namespace {

// Nearest neighbour: destination index j samples source floor((2j+1)*src/(2*dst)),
// the pixel whose centre is nearest to j's centre.
int StretchSource(int j, int source, int destination) {
    return static_cast<int>((2 * static_cast<long long>(j) + 1) * source /
                            (2 * static_cast<long long>(destination)));
}

// Where the picture's first row or column lands when centred; negative when
// the picture is larger than the screen and is cropped on both sides.
int CentredOffset(int screen, int picture) {
    return (screen - picture) / 2;
}

int CountMaskBits(unsigned long mask) {
    return __builtin_popcountl(mask);
}

int MaskShift(unsigned long mask) {
    return mask ? __builtin_ctzl(mask) : 0;
}

}  // namespace

ScreenComposer::ScreenComposer(const PixelView& picture, Placement placement, int screenWidth,
                               int screenHeight, bool atTopLeft)
    : picture_(picture),
      placement_(placement),
      screenWidth_(std::max(screenWidth, 0)),
      screenHeight_(std::max(screenHeight, 0)) {
    if (picture_.IsEmpty())
        return;
    sourceColumn_.resize(screenWidth_);
    const int w = picture_.width;
    const int offsetX = atTopLeft ? 0 : CentredOffset(screenWidth_, w);
    offsetY_ = atTopLeft ? 0 : CentredOffset(screenHeight_, picture_.height);
    for (int x = 0; x < screenWidth_; ++x) {
        int column = -1;
        switch (placement_) {
        case Placement::kTile:
            column = x % w;
            break;
        case Placement::kStretch:
            column = StretchSource(x, w, screenWidth_);
            break;
        case Placement::kCentre:
        default:
            column = x - offsetX;
            if (column < 0 || column >= w)
                column = -1;
            break;
        }
        sourceColumn_[x] = column;
    }
}

int ScreenComposer::SourceRow(int y) const {
    const int h = picture_.height;
    switch (placement_) {
    case Placement::kTile:
        return y % h;
    case Placement::kStretch:
        return StretchSource(y, h, screenHeight_);
    case Placement::kCentre:
    default: {
        int row = y - offsetY_;
        return row >= 0 && row < h ? row : -1;
    }
    }
}

void ScreenComposer::ComposeRow(int y, std::uint32_t* out) const {
    const int row = picture_.IsEmpty() || y < 0 || y >= screenHeight_ ? -1 : SourceRow(y);
    if (row < 0) {
        std::fill(out, out + screenWidth_, 0u);
        return;
    }
    const std::uint8_t* source = picture_.Row(row);
    for (int x = 0; x < screenWidth_; ++x) {
        const int column = sourceColumn_[x];
        if (column < 0) {
            out[x] = 0;
            continue;
        }
        // Stored blue, green, red, unused.
        const std::uint8_t* p = source + 4 * static_cast<std::ptrdiff_t>(column);
        out[x] = std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
}

std::optional<PixelPacking> ChoosePacking(const ScreenFormat& format, std::string* why) {
    auto refuse = [&](std::string text) -> std::optional<PixelPacking> {
        if (why)
            *why = std::move(text);
        return std::nullopt;
    };
    const std::string depth = std::to_string(format.depth) + "-bit";
    if (!format.trueColor)
        return refuse("the screen's visual is " + depth + " and not TrueColor");
    if (format.depth != 24 && format.depth != 32)
        return refuse("the screen is " + depth + "; only 24- and 32-bit TrueColor are supported");
    if (format.bitsPerPixel != 32)
        return refuse("the screen stores " + std::to_string(format.bitsPerPixel) +
                      " bits per pixel; only 32 are supported");
    for (unsigned long mask : {format.redMask, format.greenMask, format.blueMask}) {
        const int shift = MaskShift(mask);
        if (CountMaskBits(mask) != 8 || (mask >> shift) != 0xFF || shift > 24)
            return refuse("the screen's colour channels are not 8 bits each");
    }
    PixelPacking packing;
    packing.redShift = MaskShift(format.redMask);
    packing.greenShift = MaskShift(format.greenMask);
    packing.blueShift = MaskShift(format.blueMask);
    // At depth 32 the bits outside the colour channels are alpha: opaque.
    if (format.depth == 32)
        packing.fill =
            ~static_cast<std::uint32_t>(format.redMask | format.greenMask | format.blueMask);
    return packing;
}

}  // namespace desktop
