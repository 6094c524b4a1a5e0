// Canvas growth and cropping, edge extension and shifts: one memory copy or
// move per row span.

#include <cstring>
#include <memory>

#include "image/editable_image.h"
#include "image/image_util.h"

using image_detail::SpanBytes;

namespace {

bool AllNonNegative(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    return a >= 0 && b >= 0 && c >= 0 && d >= 0;
}

// `count` copies of one pixel of `size` bytes.
void RepeatPixel(std::uint8_t* out, const std::uint8_t* pixel, std::size_t size,
                 std::int64_t count) {
    for (std::int64_t k = 0; k < count; ++k, out += size)
        std::memcpy(out, pixel, size);
}

}  // namespace

bool CEditableImage::ExpandCanvas(std::int32_t left, std::int32_t top, std::int32_t right,
                                  std::int32_t bottom) {
    if (GetBitCount() < 8 || !AllNonNegative(left, top, right, bottom))
        return false;
    std::unique_ptr<CDibImage> scratch;
    const CDibImage* source = DetachSource(scratch);
    const std::uint32_t sourceHeight = source->GetHeight();
    if (!CreateLike(*source, std::int64_t{source->GetWidth()} + left + right,
                    std::int64_t{sourceHeight} + top + bottom))
        return false;
    const std::size_t bytes = SpanBytes(source->GetWidth(), GetBitCount());
    for (std::uint32_t i = 0; i < sourceHeight; ++i)
        std::memcpy(GetPixelAddress(left, top + i), source->GetRow(i), bytes);
    return true;
}

bool CEditableImage::CropMargins(std::int32_t left, std::int32_t top, std::int32_t right,
                                 std::int32_t bottom) {
    if (GetBitCount() < 8 || !AllNonNegative(left, top, right, bottom) ||
        std::int64_t{left} + right >= GetWidth() || std::int64_t{top} + bottom >= GetHeight())
        return false;
    std::unique_ptr<CDibImage> scratch;
    const CDibImage* source = DetachSource(scratch);
    if (!CreateLike(*source, std::int64_t{source->GetWidth()} - left - right,
                    std::int64_t{source->GetHeight()} - top - bottom))
        return false;
    const std::size_t bytes = SpanBytes(GetWidth(), GetBitCount());
    for (std::uint32_t i = 0; i < GetHeight(); ++i)
        std::memcpy(GetRow(i), source->GetPixelAddress(left, top + i), bytes);
    return true;
}

bool CEditableImage::ExpandCanvasWithEdges(std::int32_t left, std::int32_t top, std::int32_t right,
                                           std::int32_t bottom) {
    if ((GetBitCount() != 24 && GetBitCount() != 32) || !AllNonNegative(left, top, right, bottom))
        return false;
    const std::size_t size = GetBitCount() / 8;
    const std::uint32_t oldWidth = GetWidth();
    const std::uint32_t oldHeight = GetHeight();
    std::uint8_t corner[4][4] = {};
    std::memcpy(corner[0], GetPixelAddress(0, 0), size);
    std::memcpy(corner[1], GetPixelAddress(oldWidth - 1, 0), size);
    std::memcpy(corner[2], GetPixelAddress(0, oldHeight - 1), size);
    std::memcpy(corner[3], GetPixelAddress(oldWidth - 1, oldHeight - 1), size);

    if (!ExpandCanvas(left, top, right, bottom))
        return false;
    const std::uint32_t width = GetWidth();
    const std::uint32_t height = GetHeight();
    const std::uint32_t lastRow = top + oldHeight - 1;
    const std::size_t pictureBytes = SpanBytes(oldWidth, GetBitCount());

    for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(top); ++y) {
        RepeatPixel(GetRow(y), corner[0], size, left);
        std::memcpy(GetPixelAddress(left, y), GetPixelAddress(left, top), pictureBytes);
        RepeatPixel(GetPixelAddress(width - right, y), corner[1], size, right);
    }
    for (std::uint32_t y = lastRow + 1; y < height; ++y) {
        RepeatPixel(GetRow(y), corner[2], size, left);
        std::memcpy(GetPixelAddress(left, y), GetPixelAddress(left, lastRow), pictureBytes);
        RepeatPixel(GetPixelAddress(width - right, y), corner[3], size, right);
    }
    for (std::uint32_t y = top; y <= lastRow; ++y) {
        RepeatPixel(GetRow(y), GetPixelAddress(left, y), size, left);
        RepeatPixel(GetPixelAddress(left + oldWidth, y), GetPixelAddress(left + oldWidth - 1, y),
                    size, right);
    }
    return true;
}

bool CEditableImage::ShiftColumns(std::uint32_t pixels, bool left) {
    if (GetBitCount() < 8 || pixels == 0 || pixels >= GetWidth())
        return false;
    return RunEdit(
        [pixels, left](CDibImage& image, ProgressValue&) {
            // A selected area narrower than the shift keeps its pixels, as
            // the shift's own check would refuse it.
            const std::uint32_t width = image.GetWidth();
            if (pixels >= width)
                return;
            const std::size_t kept = SpanBytes(width - pixels, image.GetBitCount());
            const std::size_t freed = SpanBytes(pixels, image.GetBitCount());
            for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
                std::uint8_t* row = image.GetRow(y);
                if (left) {
                    std::memmove(row, row + freed, kept);
                    std::memset(row + kept, 0xFF, freed);
                } else {
                    std::memmove(row + freed, row, kept);
                    std::memset(row, 0xFF, freed);
                }
            }
        },
        nullptr);
}

bool CEditableImage::ShiftRows(std::int32_t count, bool up) {
    if (!IsValid() || count <= 0 || static_cast<std::uint32_t>(count) >= GetHeight())
        return false;
    return RunEdit(
        [count, up](CDibImage& image, ProgressValue&) {
            const std::uint32_t height = image.GetHeight();
            if (static_cast<std::uint32_t>(count) >= height)
                return;
            // Memory holds the bottom row first, so moving the picture up
            // moves its bytes towards the end of the buffer.
            const std::size_t stride = image.GetStride();
            const std::size_t kept = (height - count) * stride;
            const std::size_t freed = std::size_t(count) * stride;
            std::uint8_t* bits = image.GetBits();
            if (up) {
                std::memmove(bits + freed, bits, kept);
                std::memset(bits, 0xFF, freed);
            } else {
                std::memmove(bits, bits + freed, kept);
                std::memset(bits + kept, 0xFF, freed);
            }
        },
        nullptr);
}

bool CEditableImage::ShiftLeft(std::uint32_t pixels) {
    return ShiftColumns(pixels, true);
}
bool CEditableImage::ShiftRight(std::uint32_t pixels) {
    return ShiftColumns(pixels, false);
}
bool CEditableImage::ShiftUp(std::int32_t rows) {
    return ShiftRows(rows, true);
}
bool CEditableImage::ShiftDown(std::int32_t rows) {
    return ShiftRows(rows, false);
}
