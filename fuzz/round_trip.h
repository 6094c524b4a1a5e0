#pragma once

// Comparisons for the harnesses that write what a decoder accepted and read
// it back: the second reading must hold the same picture as the first.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/dib_image.h"

namespace fuzz {

// Same size, depth and pixels. Bits past the last pixel of a packed row are
// not pixels and may differ.
inline bool SamePixels(const CDibImage& a, const CDibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitCount() != b.GetBitCount())
        return false;
    const std::size_t rowBits = std::size_t{a.GetWidth()} * a.GetBitCount();
    const std::size_t whole = rowBits / 8;
    const unsigned spare = static_cast<unsigned>(rowBits % 8);
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y) {
        const std::uint8_t* p = a.GetRow(y);
        const std::uint8_t* q = b.GetRow(y);
        if (std::memcmp(p, q, whole) != 0 ||
            (spare && (p[whole] >> (8 - spare)) != (q[whole] >> (8 - spare))))
            return false;
    }
    return true;
}

// Same colours in every palette entry of a picture of 8 bits or fewer (the
// reserved byte aside); pictures without a palette always agree.
inline bool SamePalette(const CDibImage& a, const CDibImage& b) {
    gdi::RGBQUAD pa[256], pb[256];
    const unsigned n = a.GetBitCount() <= 8 ? 1u << a.GetBitCount() : 0;
    if (n && (a.GetPalette(0, n, pa) != n || b.GetPalette(0, n, pb) != n))
        return false;
    for (unsigned i = 0; i < n; ++i)
        if (pa[i].rgbRed != pb[i].rgbRed || pa[i].rgbGreen != pb[i].rgbGreen ||
            pa[i].rgbBlue != pb[i].rgbBlue)
            return false;
    return true;
}

}  // namespace fuzz
