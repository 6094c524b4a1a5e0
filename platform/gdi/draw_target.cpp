#include "platform/gdi/draw_target.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/gdi/pixel_access.h"

namespace gdi::detail {

RECT MakeRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    static constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    static constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    auto c = [](std::int64_t v) { return std::int32_t(std::clamp(v, lo, hi)); };
    return RECT{c(left), c(top), c(right), c(bottom)};
}

std::vector<RECT> TargetRects(const DC& dc, const DibSection& surface, const RECT& area) {
    std::vector<RECT> out;
    const RECT visible = IntersectRect(area, RECT{0, 0, surface.Width(), surface.Height()});
    if (IsRectEmpty(visible))
        return out;
    const Region* clip = dc.ClipRegion();
    if (!clip) {
        out.push_back(visible);
        return out;
    }
    for (const RECT& r : clip->Rects()) {
        const RECT part = IntersectRect(r, visible);
        if (!IsRectEmpty(part))
            out.push_back(part);
    }
    return out;
}

RECT BoundingBox(std::span<const RECT> rects) {
    if (rects.empty())
        return RECT{};
    RECT box = rects.front();
    for (const RECT& r : rects) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

BitmapPtr CloneSection(const DibSection& s) {
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 3 * sizeof(std::uint32_t) +
                                   s.ColourCount() * sizeof(RGBQUAD));
    BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = s.Width();
    h.biHeight = s.Height();
    h.biPlanes = 1;
    h.biBitCount = s.BitCount();
    h.biCompression = s.Compression();
    std::memcpy(info.data(), &h, sizeof h);
    std::size_t offset = sizeof h;
    if (s.Compression() == BI_BITFIELDS) {
        std::memcpy(info.data() + offset, s.Masks(), 3 * sizeof(std::uint32_t));
        offset += 3 * sizeof(std::uint32_t);
    }
    if (s.ColourCount())
        std::memcpy(info.data() + offset, s.ColourTable().data(),
                    s.ColourCount() * sizeof(RGBQUAD));
    BitmapPtr copy = CreateDIBSection(info);
    if (copy)
        std::memcpy(copy->Bits(), s.Bits(), s.SizeImage());
    return copy;
}

void FillRowSpan(std::uint8_t* row, std::int32_t x0, std::int32_t x1, unsigned bitCount,
                 std::uint32_t value) {
    if (x1 <= x0)
        return;
    if (bitCount < 8) {
        // Whole bytes take the value repeated; the partial bytes at either
        // end are merged under a mask (bits are most significant first).
        const std::uint8_t pattern = bitCount == 1 ? std::uint8_t((value & 1) ? 0xFF : 0x00)
                                                   : std::uint8_t((value & 15) * 0x11);
        ForBitSpan(
            std::size_t(x0) * bitCount, std::size_t(x1) * bitCount,
            [&](std::size_t byte, std::uint8_t mask) {
                row[byte] = std::uint8_t((row[byte] & ~mask) | (pattern & mask));
            },
            [&](std::size_t first, std::size_t count) {
                std::memset(row + first, pattern, count);
            });
        return;
    }
    if (bitCount == 8) {
        std::memset(row + x0, int(value & 0xFF), std::size_t(x1 - x0));
        return;
    }
    // Wider pixels: write one, then keep doubling the written run.
    const std::size_t bytesPerPixel = bitCount / 8;
    std::uint8_t* start = row + std::size_t(x0) * bytesPerPixel;
    const std::size_t total = std::size_t(x1 - x0) * bytesPerPixel;
    WritePixelValue(start, 0, bitCount, value);
    std::size_t done = bytesPerPixel;
    while (done < total) {
        const std::size_t n = std::min(done, total - done);
        std::memcpy(start + done, start, n);
        done += n;
    }
}

}  // namespace gdi::detail
