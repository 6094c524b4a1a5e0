// Scaling and free rotation. The drawing layer samples the nearest source
// pixel; no resampling loop lives here.

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "image/editable_image.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"

namespace {

constexpr double kPi = 3.1415926536;
constexpr double kTooLarge = 2147483648.0;  // first value past a 32-bit dimension

// A computed dimension, truncated toward zero. A result past the 32-bit range
// is passed on as such so that Create refuses it, rather than converting an
// unrepresentable double.
std::int64_t TruncatedDimension(double value) {
    if (!(value < kTooLarge))
        return static_cast<std::int64_t>(kTooLarge);
    return static_cast<std::int64_t>(value);
}

bool Stretch(CDibImage& to, int width, int height, const CDibImage& from, int srcX, int srcY,
             int srcWidth, int srcHeight) {
    gdi::MemoryDC destination;
    gdi::MemoryDC origin;
    destination.SetStretchBltMode(gdi::COLORONCOLOR);
    destination.SelectObject(to.GetBitmapHandle());
    origin.SelectObject(from.GetBitmapHandle());
    const bool done = gdi::StretchBlt(destination, 0, 0, width, height, origin, srcX, srcY,
                                      srcWidth, srcHeight, gdi::SRCCOPY);
    destination.SelectObject(nullptr);
    origin.SelectObject(nullptr);
    return done;
}

bool FitsInt(std::int64_t v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

}  // namespace

bool CEditableImage::Resize(std::uint32_t width, std::uint32_t height, bool keepAspect) {
    if (!IsValid() || width == 0 || height == 0)
        return false;
    std::unique_ptr<CDibImage> scratch;
    const CDibImage* source = DetachSource(scratch);
    const double sourceWidth = source->GetWidth();
    const double sourceHeight = source->GetHeight();

    std::int64_t newWidth = width;
    std::int64_t newHeight = height;
    if (keepAspect) {
        const double byWidth = width / sourceWidth;
        const double byHeight = height / sourceHeight;
        const double ratio = byWidth < byHeight ? byWidth : byHeight;
        // A very thin picture can scale to less than one pixel across; it
        // keeps one row or column instead of taking the screen's size.
        newWidth = std::max<std::int64_t>(TruncatedDimension(sourceWidth * ratio), 1);
        newHeight = std::max<std::int64_t>(TruncatedDimension(ratio * sourceHeight), 1);
    }
    if (!CreateLike(*source, newWidth, newHeight))
        return false;
    return Stretch(*this, static_cast<int>(GetWidth()), static_cast<int>(GetHeight()), *source, 0,
                   0, static_cast<int>(source->GetWidth()), static_cast<int>(source->GetHeight()));
}

int CEditableImage::StretchTo(CDibImage* target, std::uint32_t width, std::uint32_t height,
                              const gdi::RECT* sourceRect) const {
    if (!IsValid() || !target || target == this)
        return 0;
    const gdi::RECT whole{0, 0, static_cast<std::int32_t>(GetWidth()),
                          static_cast<std::int32_t>(GetHeight())};
    const gdi::RECT& from = sourceRect ? *sourceRect : whole;
    const std::int64_t fromWidth = std::int64_t{from.right} - from.left;
    const std::int64_t fromHeight = std::int64_t{from.bottom} - from.top;
    if (!FitsInt(fromWidth) || !FitsInt(fromHeight))
        return 0;
    if (!target->Create(width, height, GetBitCount()))
        return 0;
    if (GetBitCount() <= 8)
        target->CopyPaletteFrom(*this);
    // A zero size was replaced by the screen's; stretch over what was made.
    return Stretch(*target, static_cast<int>(target->GetWidth()),
                   static_cast<int>(target->GetHeight()), *this, from.left, from.top,
                   static_cast<int>(fromWidth), static_cast<int>(fromHeight))
               ? 1
               : 0;
}

int CEditableImage::StretchSelectionTo(CDibImage* target, std::uint32_t width,
                                       std::uint32_t height) const {
    if (!HasSelection())
        return StretchTo(target, width, height, nullptr);
    if (!IsValid() || !target || target == this)
        return 0;
    const gdi::RECT bounds =
        gdi::IntersectRect(selectionBounds, gdi::RECT{0, 0, static_cast<std::int32_t>(GetWidth()),
                                                      static_cast<std::int32_t>(GetHeight())});
    if (gdi::IsRectEmpty(bounds))
        return StretchTo(target, width, height, &selectionBounds);

    // The unselected part is whitened in a copy of the bounding area, so the
    // picture itself is never touched (and any depth works).
    CEditableImage area(false);
    if (!area.CreateLike(*this, bounds.right - bounds.left, bounds.bottom - bounds.top))
        return 0;
    gdi::MemoryDC to;
    gdi::MemoryDC from;
    to.SelectObject(area.GetBitmapHandle());
    from.SelectObject(GetBitmapHandle());
    gdi::BitBlt(to, 0, 0, static_cast<int>(area.GetWidth()), static_cast<int>(area.GetHeight()),
                from, bounds.left, bounds.top, gdi::SRCCOPY);
    gdi::Region outside;
    gdi::CombineRgn(outside,
                    gdi::CreateRectRgn(bounds.left, bounds.top, bounds.right, bounds.bottom),
                    *selection, gdi::RGN_XOR);
    gdi::OffsetRgn(outside, -bounds.left, -bounds.top);
    gdi::FillRgn(to, outside, gdi::CreateSolidBrush(gdi::RGB(255, 255, 255)));
    to.SelectObject(nullptr);
    from.SelectObject(nullptr);
    return area.StretchTo(target, width, height, nullptr);
}

bool CEditableImage::RotateByAngle(std::int32_t degrees) {
    if (!IsValid() || degrees <= 0 || degrees >= 90)
        return false;
    std::unique_ptr<CDibImage> scratch;
    const CDibImage* source = DetachSource(scratch);
    const double theta = degrees * kPi / 180;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double sw = source->GetWidth();
    const double sh = source->GetHeight();
    const std::int64_t newWidth = TruncatedDimension(sh * s + sw * c + 1);
    const std::int64_t newHeight = TruncatedDimension(sw * s + sh * c + 1);
    if (!CreateLike(*source, newWidth, newHeight))
        return false;

    // Where the source's upper-left, upper-right and lower-left corners land.
    const gdi::POINT corners[3] = {
        {static_cast<std::int32_t>(sh * s), 0},
        {static_cast<std::int32_t>(std::min(sw * c + sh * s, double(newWidth - 1))),
         static_cast<std::int32_t>(sw * s)},
        {0, static_cast<std::int32_t>(sh * c)},
    };
    gdi::MemoryDC destination;
    gdi::MemoryDC origin;
    destination.SetStretchBltMode(gdi::COLORONCOLOR);
    destination.SelectObject(GetBitmapHandle());
    origin.SelectObject(source->GetBitmapHandle());
    const bool done =
        gdi::PlgBlt(destination, corners, origin, 0, 0, static_cast<int>(source->GetWidth()),
                    static_cast<int>(source->GetHeight()));
    destination.SelectObject(nullptr);
    origin.SelectObject(nullptr);
    return done;
}
