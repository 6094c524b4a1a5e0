#pragma once

// The rules of a wallpaper change that need no file and no desktop: the
// position list's index, the fit rule, and what each change method makes of
// the position.

#include <cstdint>
#include <optional>

#include "platform/desktop/desktop.h"

namespace wallpaper {

// The Position list's items, in list order.
enum class Position : int { kCenter = 0, kTile = 1, kStrech = 2 };

// The list index as a position; anything outside 0..2 (no selection) is
// Strech.
Position PositionFromIndex(int index);

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// The fit rule: the targets that make a `picture` as large as fits on
// `screen` without changing its proportions. Empty when the picture is to
// stay as it is (a tile that already fits: tiles only ever shrink). A target
// may come out 0 for a very thin picture; resizing to it changes nothing.
std::optional<Size> FitTargets(Size picture, Size screen, Position position);

// The size a keep-aspect resize of `source` to `targets` produces: one scale
// factor, the smaller of the two, so a side may end a pixel short of its
// target; never less than 1. Lets a picture decoded at a reduced scale end
// exactly where the full-size picture would.
Size KeepAspectSize(Size source, Size targets);

// How one change treats the picture under a given method.
struct ChangePlan {
    bool fit = false;  // apply the fit rule before staging
    desktop::Placement placement = desktop::Placement::kStretch;
};

// Method 1 hands the position to the desktop, so Strech without "Fit to
// screen" is the desktop's own stretch; with it, the fitted picture is
// centred. Methods 2 to 4 know only centred and tiled: they fit a Strech
// picture themselves, always, and centre it. Methods outside 1..4 are
// method 1, as the setter factory takes them.
ChangePlan PlanChange(int method, Position position, bool fitToScreen);

// The change method as the job uses it: 2, 3 or 4, anything else 1.
int NormalizeMethod(int method);

}  // namespace wallpaper
