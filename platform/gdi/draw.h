#pragma once

#include "platform/gdi/dc.h"

namespace gdi {

// Blits between the bitmaps selected into two contexts. Between bitmaps of
// the same depth (and, at 16 bits, the same masks) pixel values are copied as
// they are, palette indices included; otherwise each pixel goes through its
// colour and is written as the destination's nearest value (nearest palette
// entry at 8 bits or fewer). Everything is clipped to both surfaces and to
// the destination's clip region. Only SRCCOPY is supported. Return false when
// a context has no bitmap or the operation is not supported.
bool BitBlt(DC& dst, int x, int y, int width, int height, const DC& src, int srcX, int srcY,
            std::uint32_t rop = SRCCOPY);

// Nearest-neighbour stretch (every stretch mode samples; none blends):
// destination column j of a width w taken from a source width sw samples
// source column floor((2j + 1) * sw / (2w)), rows likewise. A negative
// destination or source extent mirrors along that axis.
bool StretchBlt(DC& dst, int x, int y, int width, int height, const DC& src, int srcX, int srcY,
                int srcWidth, int srcHeight, std::uint32_t rop = SRCCOPY);

// Maps the source rectangle onto the parallelogram whose upper-left,
// upper-right and lower-left corners are points[0..2]; each destination pixel
// inside it samples the nearest source pixel through the inverse transform.
bool PlgBlt(DC& dst, const POINT points[3], const DC& src, int srcX, int srcY, int width,
            int height);

// Solid fills with the brush's colour (nearest palette entry at 8 bits or
// fewer), clipped to the surface and the clip region.
bool FillRect(DC& dc, const RECT& rect, const Brush& brush);
bool FillRgn(DC& dc, const Region& region, const Brush& brush);
// Paints the pixels of the region lying within `width` columns or `height`
// rows of its outside (for 1 x 1: the pixels with a 4-neighbour outside).
bool FrameRgn(DC& dc, const Region& region, const Brush& brush, int width, int height);

}  // namespace gdi
