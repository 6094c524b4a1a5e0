// Solid fills of rectangles and regions, and region frames.

#include <algorithm>

#include "platform/gdi/draw.h"
#include "platform/gdi/draw_target.h"
#include "platform/gdi/pixel_access.h"

namespace gdi {
namespace {

// Paints `value` over the part of `area` inside the surface and the
// context's clip region.
void PaintRegion(DC& dc, DibSection& surface, const Region& area, std::uint32_t value) {
    Region target;
    CombineRgn(target, area, CreateRectRgn(0, 0, surface.Width(), surface.Height()), RGN_AND);
    if (const Region* clip = dc.ClipRegion())
        CombineRgn(target, target, *clip, RGN_AND);
    if (target.IsEmpty())
        return;
    for (const RECT& r : target.Rects())
        for (std::int32_t y = r.top; y < r.bottom; ++y)
            detail::FillRowSpan(surface.TopRow(y), r.left, r.right, surface.BitCount(), value);
    dc.Flush(target.Box());
}

// The pixels p of `region` for which p + k * (dx, dy) lies in the region for
// every k in 1..count. Built by doubling: with S(c) = the region shifted
// back by 1..c steps and intersected, S(c + s) = S(c) & shift(S(c), s).
Region Erode(const Region& region, std::int32_t dx, std::int32_t dy, std::int64_t count) {
    Region result(region);
    OffsetRgn(result, -dx, -dy);
    std::int64_t covered = 1;
    while (covered < count) {
        const std::int64_t step = std::min(covered, count - covered);
        Region shifted(result);
        OffsetRgn(shifted, std::int32_t(-dx * step), std::int32_t(-dy * step));
        CombineRgn(result, result, shifted, RGN_AND);
        covered += step;
        if (result.IsEmpty())
            break;
    }
    CombineRgn(result, result, region, RGN_AND);
    return result;
}

}  // namespace

bool FillRect(DC& dc, const RECT& rect, const Brush& brush) {
    DibSection* surface = dc.GetCurrentBitmap();
    if (!surface)
        return false;
    if (!IsRectEmpty(rect))
        PaintRegion(dc, *surface, CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom),
                    ColourToValue(*surface, brush.colour));
    return true;
}

bool FillRgn(DC& dc, const Region& region, const Brush& brush) {
    DibSection* surface = dc.GetCurrentBitmap();
    if (!surface)
        return false;
    PaintRegion(dc, *surface, region, ColourToValue(*surface, brush.colour));
    return true;
}

bool FrameRgn(DC& dc, const Region& region, const Brush& brush, int width, int height) {
    DibSection* surface = dc.GetCurrentBitmap();
    if (!surface || width < 0 || height < 0)
        return false;
    // A pixel is in the frame when one of its width horizontal or height
    // vertical neighbours on either side lies outside. Beyond the region's
    // own size every pixel is a frame pixel, so larger counts change nothing.
    const RECT box = region.Box();
    const std::int64_t w = std::min<std::int64_t>(width, std::int64_t(box.right) - box.left);
    const std::int64_t h = std::min<std::int64_t>(height, std::int64_t(box.bottom) - box.top);
    Region inner(region);
    if (w > 0) {
        CombineRgn(inner, inner, Erode(region, 1, 0, w), RGN_AND);
        CombineRgn(inner, inner, Erode(region, -1, 0, w), RGN_AND);
    }
    if (h > 0) {
        CombineRgn(inner, inner, Erode(region, 0, 1, h), RGN_AND);
        CombineRgn(inner, inner, Erode(region, 0, -1, h), RGN_AND);
    }
    Region frame;
    CombineRgn(frame, region, inner, RGN_DIFF);
    PaintRegion(dc, *surface, frame, ColourToValue(*surface, brush.colour));
    return true;
}

}  // namespace gdi
