// Feeds arbitrary bytes to the PCX decoder as if they were a whole file;
// whatever it accepts in a depth the writer knows must come back unchanged
// through our own writer and reader.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/pcx.h"

namespace {

// Large pictures only make each run slow (every accepted picture is written
// and read again); the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 1u << 20;

bool SamePixels(const CDibImage& a, const CDibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitCount() != b.GetBitCount())
        return false;
    const std::size_t rowBits = std::size_t{a.GetWidth()} * a.GetBitCount();
    const std::size_t whole = rowBits / 8;
    const unsigned spare = static_cast<unsigned>(rowBits % 8);
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y) {
        const std::uint8_t* p = a.GetRow(y);
        const std::uint8_t* q = b.GetRow(y);
        // Bits past the last pixel of a packed row are not pixels.
        if (std::memcmp(p, q, whole) != 0 ||
            (spare && (p[whole] >> (8 - spare)) != (q[whole] >> (8 - spare))))
            return false;
    }
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDibImage picture;
    if (!DecodePcxMemory(picture, std::span<const std::uint8_t>(data, size), kFuzzPixelBytes))
        return 0;
    volatile std::uint8_t sink = 0;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        sink = sink + picture.GetRow(y)[picture.GetStride() - 1];
    if (picture.GetBitCount() == 32)
        return 0;
    std::vector<std::uint8_t> out;
    CDibImage again;
    if (!EncodePcx(picture, out) || !DecodePcxMemory(again, out, kFuzzPixelBytes))
        __builtin_trap();
    if (!SamePixels(picture, again))
        __builtin_trap();
    return 0;
}
