// Copies of rectangular areas between pictures, one memory copy per row.

#include <algorithm>
#include <cstring>

#include "image/editable_image.h"
#include "image/image_util.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"

using image_detail::SpanBytes;

namespace {

// The overlap of a picture (0, 0, width, height) with a rectangle given in
// 64 bits, so that corners far outside cannot wrap around.
struct Overlap {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

Overlap Intersect(std::int64_t width, std::int64_t height, std::int64_t left, std::int64_t top,
                  std::int64_t right, std::int64_t bottom) {
    return Overlap{std::max<std::int64_t>(left, 0), std::max<std::int64_t>(top, 0),
                   std::min(right, width), std::min(bottom, height)};
}

bool AreaCopyDepth(std::uint32_t bitCount) {
    return bitCount >= 8;
}

}  // namespace

int CDibImage::CopyAreaTo(CDibImage* target, const gdi::RECT& rect) const {
    if (!target || target == this || !IsValid() || !AreaCopyDepth(GetBitCount()))
        return 0;
    const Overlap area =
        Intersect(GetWidth(), GetHeight(), rect.left, rect.top, rect.right, rect.bottom);
    if (area.Empty())
        return 0;
    // The copy keeps this picture's pixel format (masks included) so that its
    // bytes mean the same colours when blitted back.
    const auto masks = image_detail::HeaderMasks(header);
    if (!target->Create(area.right - area.left, area.bottom - area.top, GetBitCount(),
                        GetCompression(), masks.data(), true))
        return 0;
    const std::size_t bytes = SpanBytes(area.right - area.left, GetBitCount());
    for (std::int64_t i = 0; i < area.bottom - area.top; ++i) {
        std::memcpy(target->GetRow(static_cast<std::uint32_t>(i)),
                    GetPixelAddress(static_cast<std::uint32_t>(area.left),
                                    static_cast<std::uint32_t>(area.top + i)),
                    bytes);
    }
    if (GetBitCount() == 8)
        target->CopyPaletteFrom(*this);
    return 1;
}

int CDibImage::PasteAt(const CDibImage& source, std::int32_t x, std::int32_t y) {
    if (!IsValid() || !source.IsValid() || source.GetBitCount() != GetBitCount() ||
        !AreaCopyDepth(GetBitCount()))
        return 0;
    if (&source == this) {
        // Rows of a picture pasted onto itself would overlap; go through a copy.
        const CDibImage copy(source);
        return copy.IsValid() ? PasteAt(copy, x, y) : 0;
    }
    const Overlap area =
        Intersect(GetWidth(), GetHeight(), x, y, std::int64_t{x} + source.GetWidth(),
                  std::int64_t{y} + source.GetHeight());
    if (area.Empty())
        return 0;
    const std::size_t bytes = SpanBytes(area.right - area.left, GetBitCount());
    for (std::int64_t i = 0; i < area.bottom - area.top; ++i) {
        std::memcpy(GetPixelAddress(static_cast<std::uint32_t>(area.left),
                                    static_cast<std::uint32_t>(area.top + i)),
                    source.GetPixelAddress(static_cast<std::uint32_t>(area.left - x),
                                           static_cast<std::uint32_t>(area.top - y + i)),
                    bytes);
    }
    return 1;
}

int CEditableImage::PasteClipped(const CDibImage& source, std::int32_t x, std::int32_t y) {
    if (!IsValid() || !source.IsValid() || source.GetBitCount() != GetBitCount() ||
        !AreaCopyDepth(GetBitCount()))
        return 0;
    if (&source == this) {
        const CDibImage copy(source);
        return copy.IsValid() ? PasteClipped(copy, x, y) : 0;
    }
    const Overlap area =
        Intersect(GetWidth(), GetHeight(), x, y, std::int64_t{x} + source.GetWidth(),
                  std::int64_t{y} + source.GetHeight());
    if (area.Empty())
        return 0;

    gdi::MemoryDC destination;
    gdi::MemoryDC origin;
    destination.SelectObject(GetBitmapHandle());
    origin.SelectObject(source.GetBitmapHandle());
    if (selection)
        destination.SelectClipRgn(&*selection);
    const bool done = gdi::BitBlt(destination, x, y, static_cast<int>(source.GetWidth()),
                                  static_cast<int>(source.GetHeight()), origin, 0, 0, gdi::SRCCOPY);
    destination.SelectClipRgn(nullptr);
    destination.SelectObject(nullptr);
    origin.SelectObject(nullptr);
    return done ? 1 : 0;
}
