#include "image/device_bitmap.h"

#include <algorithm>
#include <limits>

#include "platform/gdi/display.h"
#include "platform/gdi/draw.h"

namespace {

std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Multiplies for factor > 0, divides (toward zero) by -factor otherwise.
std::int32_t Scale(std::int32_t v, std::int32_t factor, bool multiplyWhenPositive) {
    const bool multiply = multiplyWhenPositive ? factor >= 1 : factor <= 0;
    const std::int64_t f = factor >= 1 ? factor : -std::int64_t{factor};
    if (multiply)
        return Saturate(v * f);
    return f == 0 ? v : Saturate(v / f);
}

// A memory context holding `bitmap` for one call; the bitmap is deselected
// on every path.
class BitmapContext {
public:
    explicit BitmapContext(gdi::HBITMAP bitmap) { dc.SelectObject(bitmap); }
    ~BitmapContext() { dc.SelectObject(nullptr); }
    BitmapContext(const BitmapContext&) = delete;
    BitmapContext& operator=(const BitmapContext&) = delete;
    gdi::MemoryDC dc;
};

}  // namespace

std::int32_t CDeviceBitmap::GetWidth() const {
    return bitmap ? bitmap->Width() : 0;
}

std::int32_t CDeviceBitmap::GetHeight() const {
    return bitmap ? bitmap->Height() : 0;
}

void CDeviceBitmap::SetZoom(std::int32_t value) {
    if (value == 0)
        value = -1;
    if (value < 0)
        value = std::max(value, minZoom);
    else
        value = std::max(std::min(value, maxZoom), 1);
    zoom = value;
}

void CDeviceBitmap::SetZoomLimits(std::int32_t minimum, std::int32_t maximum) {
    // Limits that admitted 0 or the wrong sign would let SetZoom produce a
    // zoom the conversions cannot use.
    minZoom = std::min(minimum, -1);
    maxZoom = std::max(maximum, 1);
    SetZoom(zoom);
}

gdi::POINT CDeviceBitmap::ToDevice(gdi::POINT p) const {
    return {Scale(p.x, zoom, true), Scale(p.y, zoom, true)};
}

gdi::RECT CDeviceBitmap::ToDevice(const gdi::RECT& r) const {
    return {Scale(r.left, zoom, true), Scale(r.top, zoom, true), Scale(r.right, zoom, true),
            Scale(r.bottom, zoom, true)};
}

gdi::POINT CDeviceBitmap::ToBitmap(gdi::POINT p) const {
    return {Scale(p.x, zoom, false), Scale(p.y, zoom, false)};
}

gdi::RECT CDeviceBitmap::ToBitmap(const gdi::RECT& r) const {
    return {Scale(r.left, zoom, false), Scale(r.top, zoom, false), Scale(r.right, zoom, false),
            Scale(r.bottom, zoom, false)};
}

void CDeviceBitmap::FillRect(const gdi::Brush& brush, const gdi::RECT* rect) {
    if (!bitmap)
        return;
    BitmapContext memory(bitmap.get());
    const gdi::RECT all{0, 0, GetWidth(), GetHeight()};
    gdi::FillRect(memory.dc, rect ? *rect : all, brush);
}

void CDeviceBitmap::FrameRegion(const gdi::Brush& brush, const gdi::Region& region,
                                std::int32_t width) {
    if (!bitmap)
        return;
    BitmapContext memory(bitmap.get());
    gdi::FrameRgn(memory.dc, region, brush, width, width);
}

void CDeviceBitmap::Draw(gdi::DC* dc, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height) const {
    if (!dc || !bitmap)
        return;
    const std::int32_t w = GetWidth();
    const std::int32_t h = GetHeight();
    gdi::RECT part = ToBitmap(
        gdi::RECT{x, y, Saturate(std::int64_t{x} + width), Saturate(std::int64_t{y} + height)});
    part = gdi::IntersectRect(part, gdi::RECT{0, 0, w, h});
    if (gdi::IsRectEmpty(part))
        return;
    // A magnified pixel only partly inside the rectangle still has to be
    // drawn whole.
    if (part.right < w)
        ++part.right;
    if (part.bottom < h)
        ++part.bottom;
    const gdi::RECT target = ToDevice(part);
    BitmapContext memory(bitmap.get());
    const int pw = part.right - part.left;
    const int ph = part.bottom - part.top;
    if (zoom == 1 || zoom == -1) {
        gdi::BitBlt(*dc, part.left, part.top, pw, ph, memory.dc, part.left, part.top, gdi::SRCCOPY);
    } else {
        dc->SetStretchBltMode(gdi::COLORONCOLOR);
        gdi::StretchBlt(*dc, target.left, target.top, target.right - target.left,
                        target.bottom - target.top, memory.dc, part.left, part.top, pw, ph,
                        gdi::SRCCOPY);
    }
}

void CDeviceBitmap::DrawAt(gdi::DC* dc, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                           std::int32_t sourceY) const {
    if (!dc || !bitmap || sourceX < 0 || sourceY < 0 || sourceX >= GetWidth() ||
        sourceY >= GetHeight())
        return;
    BitmapContext memory(bitmap.get());
    const int width = GetWidth() - sourceX;
    const int height = GetHeight() - sourceY;
    gdi::BitBlt(*dc, x, y, width, height, memory.dc, sourceX, sourceY, gdi::SRCCOPY);
}

gdi::BitmapPtr CDeviceBitmap::CopyBitmap(const gdi::DC* dc) const {
    (void)dc;  // every context draws in the display's format
    if (!bitmap)
        return nullptr;
    gdi::BitmapPtr copy = gdi::CreateDIBSection(GetWidth(), GetHeight(), gdi::kDisplayBitsPerPixel);
    if (!copy)
        return nullptr;
    BitmapContext from(bitmap.get());
    BitmapContext to(copy.get());
    if (!gdi::BitBlt(to.dc, 0, 0, GetWidth(), GetHeight(), from.dc, 0, 0, gdi::SRCCOPY))
        return nullptr;
    return copy;
}

void CDeviceBitmap::AssignFrom(const CDeviceBitmap& other) {
    if (&other == this || !other.bitmap)
        return;
    gdi::BitmapPtr copy = other.CopyBitmap(nullptr);
    if (!copy)
        return;  // keep what we had rather than end up with nothing
    bitmap = std::move(copy);
    tickFactor = other.tickFactor;
    SetZoom(other.zoom);
}
