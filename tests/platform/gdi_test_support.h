#pragma once

// Small builders shared by the drawing-layer tests.

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/dib_section.h"
#include "platform/gdi/pixel_access.h"

namespace gdi::test {

// A packed BITMAPINFO: a 40-byte header, the masks when given, then the
// colour table.
inline std::vector<std::uint8_t> PackedInfo(std::int32_t width, std::int32_t height,
                                            std::uint16_t bitCount,
                                            std::vector<std::uint32_t> masks = {},
                                            std::vector<RGBQUAD> colours = {}) {
    BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = masks.empty() ? BI_RGB : BI_BITFIELDS;
    h.biClrUsed = std::uint32_t(colours.size());
    std::vector<std::uint8_t> out(sizeof h + masks.size() * 4 + colours.size() * 4);
    std::memcpy(out.data(), &h, sizeof h);
    if (!masks.empty())
        std::memcpy(out.data() + sizeof h, masks.data(), masks.size() * 4);
    if (!colours.empty())
        std::memcpy(out.data() + sizeof h + masks.size() * 4, colours.data(), colours.size() * 4);
    return out;
}

inline BitmapPtr MakeSection(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                             std::vector<std::uint32_t> masks = {},
                             std::vector<RGBQUAD> colours = {}) {
    return CreateDIBSection(
        PackedInfo(width, height, bitCount, std::move(masks), std::move(colours)));
}

inline RGBQUAD Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return RGBQUAD{b, g, r, 0};
}

// Fills a section with distinct-looking values in reading order (a
// multiplicative hash of the position, so that every byte varies), cut to
// the depth.
inline void FillScrambled(DibSection& s, std::uint32_t seed = 0) {
    const std::uint32_t mask =
        s.BitCount() >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << s.BitCount()) - 1;
    std::uint32_t i = seed;
    for (std::int32_t y = 0; y < s.Height(); ++y)
        for (std::int32_t x = 0; x < s.Width(); ++x)
            SetPixelValue(s, x, y, (i++ * 2654435761u) & mask);
}

inline void FillValue(DibSection& s, std::uint32_t value) {
    for (std::int32_t y = 0; y < s.Height(); ++y)
        for (std::int32_t x = 0; x < s.Width(); ++x)
            SetPixelValue(s, x, y, value);
}

// The section's values, row by row from the top.
inline std::vector<std::vector<std::uint32_t>> Values(const DibSection& s) {
    std::vector<std::vector<std::uint32_t>> out(std::size_t(s.Height()));
    for (std::int32_t y = 0; y < s.Height(); ++y)
        for (std::int32_t x = 0; x < s.Width(); ++x)
            out[std::size_t(y)].push_back(GetPixelValue(s, x, y));
    return out;
}

using Grid = std::vector<std::vector<std::uint32_t>>;

}  // namespace gdi::test
