// Flips, mirror and quarter turns: bytes moved through the row table.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "image/editable_image.h"
#include "image/image_util.h"

using image_detail::StoreProgress;

namespace {

void SwapRows(std::uint8_t* a, std::uint8_t* b, std::uint8_t* buffer, std::size_t bytes) {
    if (!buffer) {
        std::swap_ranges(a, a + bytes, b);
        return;
    }
    std::memcpy(buffer, a, bytes);
    std::memcpy(a, b, bytes);
    std::memcpy(b, buffer, bytes);
}

// Pixels of N bytes swapped end for end. Fixed-size copies compile to plain
// loads and stores.
template <std::size_t N>
void ReversePixels(std::uint8_t* row, std::size_t count) {
    std::uint8_t* a = row;
    std::uint8_t* b = row + (count - 1) * N;
    std::uint8_t t[N];
    while (a < b) {
        std::memcpy(t, a, N);
        std::memcpy(a, b, N);
        std::memcpy(b, t, N);
        a += N;
        b -= N;
    }
}

// Destination row i, column j takes source (i, sh - 1 - j) turning clockwise
// and (sw - 1 - i, j) turning counter-clockwise.
template <std::size_t N>
void RotateQuarter(const CDibImage& src, CDibImage& dst, bool clockwise) {
    const std::uint32_t sw = src.GetWidth();
    const std::uint32_t sh = src.GetHeight();
    for (std::uint32_t i = 0; i < sw; ++i) {
        std::uint8_t* out = dst.GetRow(i);
        const std::size_t column = std::size_t{clockwise ? i : sw - 1 - i} * N;
        for (std::uint32_t j = 0; j < sh; ++j, out += N)
            std::memcpy(out, src.GetRow(clockwise ? sh - 1 - j : j) + column, N);
    }
}

}  // namespace

bool CEditableImage::FlipVertical(ProgressValue* progressTarget) {
    if (!IsValid())
        return false;
    return RunEdit(
        [](CDibImage& image, ProgressValue& progressOut) {
            progressOut.store(0);
            const std::uint32_t height = image.GetHeight();
            const std::size_t stride = image.GetStride();
            std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[stride]);
            for (std::uint32_t i = 0; i < height / 2; ++i) {
                SwapRows(image.GetRow(i), image.GetRow(height - 1 - i), buffer.get(), stride);
                StoreProgress(progressOut, i, height, 200);
            }
            progressOut.store(100);
        },
        progressTarget);
}

bool CEditableImage::MirrorHorizontal(ProgressValue* progressTarget) {
    if (GetBitCount() < 8)
        return false;
    return RunEdit(
        [](CDibImage& image, ProgressValue& progressOut) {
            progressOut.store(0);
            const std::uint32_t width = image.GetWidth();
            const std::uint32_t height = image.GetHeight();
            for (std::uint32_t y = 0; y < height; ++y) {
                if (width >= 2) {
                    std::uint8_t* row = image.GetRow(y);
                    switch (image.GetBitCount()) {
                    case 8:
                        std::reverse(row, row + width);
                        break;
                    case 16:
                        ReversePixels<2>(row, width);
                        break;
                    case 24:
                        ReversePixels<3>(row, width);
                        break;
                    default:
                        ReversePixels<4>(row, width);
                        break;
                    }
                }
                StoreProgress(progressOut, y, height);
            }
            progressOut.store(100);
        },
        progressTarget);
}

namespace {

void RotateQuarterInto(CDibImage& self, const CDibImage& source, bool clockwise) {
    switch (source.GetBitCount()) {
    case 8:
        RotateQuarter<1>(source, self, clockwise);
        break;
    case 16:
        RotateQuarter<2>(source, self, clockwise);
        break;
    case 24:
        RotateQuarter<3>(source, self, clockwise);
        break;
    default:
        RotateQuarter<4>(source, self, clockwise);
        break;
    }
}

}  // namespace

bool CEditableImage::RotateQuarterTurn(bool clockwise) {
    if (GetBitCount() < 8)
        return false;
    std::unique_ptr<CDibImage> scratch;
    const CDibImage* source = DetachSource(scratch);
    if (!CreateLike(*source, source->GetHeight(), source->GetWidth()))
        return false;
    RotateQuarterInto(*this, *source, clockwise);
    return true;
}

bool CEditableImage::Rotate90Clockwise() {
    return RotateQuarterTurn(true);
}

bool CEditableImage::Rotate90CounterClockwise() {
    return RotateQuarterTurn(false);
}
