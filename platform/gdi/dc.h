#pragma once

#include <optional>

#include "platform/gdi/dib_section.h"
#include "platform/gdi/region.h"

namespace gdi {

// A device context: a drawing surface (the selected DIB section), a stretch
// mode and an optional clip region in the surface's coordinates. A memory DC
// starts with no surface; blits into it draw nothing until a bitmap is
// selected. Subclasses that show their surface somewhere (a window) hear of
// every change through Flush.
class DC {
public:
    DC() = default;
    virtual ~DC() = default;
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;

    // Selects a bitmap (or none) and returns the previous one.
    HBITMAP SelectObject(HBITMAP bitmap);
    HBITMAP GetCurrentBitmap() const { return surface_; }

    // Returns the previous mode, 0 for an invalid one (left unchanged).
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const { return stretchMode_; }

    // Copies `region` as the clip region; null removes clipping. Returns the
    // kind of the new clip region (NULLREGION when there is no clip).
    int SelectClipRgn(const Region* region);
    const Region* ClipRegion() const { return clip_ ? &*clip_ : nullptr; }

    // Called after a drawing operation changed `area` of the surface.
    virtual void Flush(const RECT& area) { (void)area; }

private:
    HBITMAP surface_ = nullptr;
    int stretchMode_ = BLACKONWHITE;
    std::optional<Region> clip_;
};

// CreateCompatibleDC: all our contexts draw into memory.
class MemoryDC : public DC {};

// The colour table of the bitmap selected into `dc`. Return the number of
// entries transferred: 0 without a bitmap, above 8 bits, or past the table.
unsigned GetDIBColorTable(const DC& dc, unsigned first, unsigned count, RGBQUAD* out);
unsigned SetDIBColorTable(DC& dc, unsigned first, unsigned count, const RGBQUAD* in);

}  // namespace gdi
