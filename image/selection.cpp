// Building, moving and painting the selection. The selection always lies
// inside the picture and selectionBounds is its box.

#include <cstdint>
#include <span>
#include <utility>

#include "image/editable_image.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"

void CEditableImage::SelectRect(std::int32_t left, std::int32_t top, std::int32_t right,
                                std::int32_t bottom, int mode) {
    CombineSelection(gdi::CreateRectRgn(left, top, right, bottom), mode);
}

void CEditableImage::SelectEllipse(std::int32_t left, std::int32_t top, std::int32_t right,
                                   std::int32_t bottom, int mode) {
    CombineSelection(gdi::CreateEllipticRgn(left, top, Inclusive(right), Inclusive(bottom)), mode);
}

void CEditableImage::SelectRoundRect(std::int32_t left, std::int32_t top, std::int32_t right,
                                     std::int32_t bottom, std::int32_t cornerWidth,
                                     std::int32_t cornerHeight, int mode) {
    CombineSelection(gdi::CreateRoundRectRgn(left, top, Inclusive(right), Inclusive(bottom),
                                             cornerWidth, cornerHeight),
                     mode);
}

void CEditableImage::SelectPolygon(const gdi::POINT* points, std::int32_t count, int fillMode,
                                   int mode) {
    if (!points || count < 0)
        return;
    CombineSelection(
        gdi::CreatePolygonRgn(std::span<const gdi::POINT>(points, std::size_t(count)), fillMode),
        mode);
}

std::int32_t CEditableImage::Inclusive(std::int32_t edge) {
    // The corner is inclusive; the region's edge one past it, unless that
    // would wrap.
    return edge == INT32_MAX ? edge : edge + 1;
}

void CEditableImage::CombineSelection(gdi::Region shape, int mode) {
    if (selection && mode != 0) {
        gdi::CombineRgn(*selection, *selection, shape, mode == 1 ? gdi::RGN_OR : gdi::RGN_DIFF);
        SetSelection(*selection);
    } else {
        SetSelection(shape);
    }
}

void CEditableImage::ClearSelection() {
    selection.reset();
    selectionBounds = gdi::RECT{};
}

void CEditableImage::GetSelectionRect(gdi::RECT* out) const {
    if (!out)
        return;
    if (selection)
        *out = selectionBounds;
    else
        *out = gdi::RECT{0, 0, static_cast<std::int32_t>(GetWidth()),
                         static_cast<std::int32_t>(GetHeight())};
}

void CEditableImage::OffsetSelection(std::int32_t dx, std::int32_t dy) {
    if (!selection)
        return;
    gdi::OffsetRgn(*selection, dx, dy);
    SetSelection(*selection);
}

namespace {

// Paints on the picture's own section through a context made for the call.
template <typename Paint>
void PaintOnPicture(gdi::HBITMAP bitmap, Paint paint) {
    if (!bitmap)
        return;
    gdi::MemoryDC dc;
    const gdi::HBITMAP previous = dc.SelectObject(bitmap);
    paint(dc);
    dc.SelectObject(previous);
}

}  // namespace

void CEditableImage::FillSelection(const gdi::Brush& brush) {
    if (!selection)
        return;
    PaintOnPicture(GetBitmapHandle(), [&](gdi::DC& dc) { gdi::FillRgn(dc, *selection, brush); });
}

void CEditableImage::FrameSelection(const gdi::Brush& brush) {
    if (!selection)
        return;
    PaintOnPicture(GetBitmapHandle(),
                   [&](gdi::DC& dc) { gdi::FrameRgn(dc, *selection, brush, 1, 1); });
}

void CEditableImage::MoveSelection(std::int32_t dx, std::int32_t dy, bool keepSource) {
    if (!HasSelection())
        return;
    gdi::RECT bounds;
    GetSelectionRect(&bounds);
    CDibImage moved;
    // Below 8 bits the area cannot be copied; moving then would only whiten
    // the source and lose its pixels.
    if (!CopyAreaTo(&moved, bounds))
        return;
    if (!keepSource)
        FillSelection(gdi::CreateSolidBrush(gdi::RGB(255, 255, 255)));
    OffsetSelection(dx, dy);
    const std::int64_t x = std::int64_t{bounds.left} + dx;
    const std::int64_t y = std::int64_t{bounds.top} + dy;
    if (HasSelection() && x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX)
        PasteClipped(moved, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}
