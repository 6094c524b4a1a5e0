#include "platform/gdi/dc.h"

#include <algorithm>

namespace gdi {

HBITMAP DC::SelectObject(HBITMAP bitmap) {
    HBITMAP previous = surface_;
    surface_ = bitmap;
    return previous;
}

int DC::SetStretchBltMode(int mode) {
    if (mode < BLACKONWHITE || mode > 4)  // 4 is HALFTONE; we sample for it too
        return 0;
    const int previous = stretchMode_;
    stretchMode_ = mode;
    return previous;
}

int DC::SelectClipRgn(const Region* region) {
    if (!region) {
        clip_.reset();
        return NULLREGION;
    }
    clip_ = *region;
    return clip_->Kind();
}

unsigned GetDIBColorTable(const DC& dc, unsigned first, unsigned count, RGBQUAD* out) {
    const DibSection* s = dc.GetCurrentBitmap();
    if (!s || !out || s->BitCount() > 8 || first >= s->ColourCount())
        return 0;
    const unsigned n = std::min(count, s->ColourCount() - first);
    std::copy_n(s->ColourTable().data() + first, n, out);
    return n;
}

unsigned SetDIBColorTable(DC& dc, unsigned first, unsigned count, const RGBQUAD* in) {
    DibSection* s = dc.GetCurrentBitmap();
    if (!s || !in || s->BitCount() > 8 || first >= s->ColourCount())
        return 0;
    const unsigned n = std::min(count, s->ColourCount() - first);
    std::copy_n(in, n, s->ColourTable().data() + first);
    return n;
}

}  // namespace gdi
