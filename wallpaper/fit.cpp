#include "wallpaper/fit.h"

#include <algorithm>

namespace wallpaper {

namespace {

// Truncation toward zero. The rules keep every value within the screen's or
// the picture's own size; the bounds only keep the conversion defined.
std::uint32_t Trunc(double value) {
    if (!(value > 0))
        return 0;
    if (value >= 4294967295.0)
        return 4294967295u;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

Position PositionFromIndex(int index) {
    if (index < 0 || index > 2)
        return Position::kStrech;
    return static_cast<Position>(index);
}

std::optional<Size> FitTargets(Size picture, Size screen, Position position) {
    std::uint32_t w = picture.width;
    std::uint32_t h = picture.height;
    const std::uint32_t sw = screen.width;
    const std::uint32_t sh = screen.height;
    if (position == Position::kTile && w <= sw && h <= sh)
        return std::nullopt;
    if (w == 0 || h == 0)
        return Size{w, h};

    const double r = static_cast<double>(w) / h;
    if (h > sh) {
        h = sh;
        w = Trunc(sh * r);
    }
    if (w > sw) {
        w = sw;
        h = Trunc(sw / r);
    }
    if (w < sw && h < sh) {
        // Grow along the side that reaches the screen's edge first.
        if (static_cast<double>(h) / sh < static_cast<double>(w) / sw) {
            w = sw;
            h = Trunc(sw / r);
        } else {
            h = sh;
            w = Trunc(sh * r);
        }
    }
    return Size{w, h};
}

Size KeepAspectSize(Size source, Size targets) {
    // The same arithmetic as CEditableImage::Resize with keepAspect.
    const double sourceWidth = source.width;
    const double sourceHeight = source.height;
    const double byWidth = targets.width / sourceWidth;
    const double byHeight = targets.height / sourceHeight;
    const double ratio = byWidth < byHeight ? byWidth : byHeight;
    return {std::max<std::uint32_t>(Trunc(sourceWidth * ratio), 1),
            std::max<std::uint32_t>(Trunc(ratio * sourceHeight), 1)};
}

int NormalizeMethod(int method) {
    return method >= 2 && method <= 4 ? method : 1;
}

ChangePlan PlanChange(int method, Position position, bool fitToScreen) {
    using desktop::Placement;
    if (NormalizeMethod(method) == 1) {
        if (!fitToScreen)
            return {false, static_cast<Placement>(position)};
        // The fitted picture already fills the screen as far as it can.
        return {true, position == Position::kTile ? Placement::kTile : Placement::kCentre};
    }
    return {fitToScreen || position == Position::kStrech,
            position == Position::kTile ? Placement::kTile : Placement::kCentre};
}

}  // namespace wallpaper
