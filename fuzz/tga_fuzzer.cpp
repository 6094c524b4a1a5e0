// Feeds arbitrary bytes to the Targa decoder as if they were a whole file;
// whatever it accepts must come back unchanged through our own writer and
// reader, raw and run-length coded alike.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/tga.h"

namespace {

// Large pictures only make each run slow; the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 16u << 20;

bool SamePixels(const CDibImage& a, const CDibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitCount() != b.GetBitCount())
        return false;
    const std::size_t rowBytes = std::size_t{a.GetWidth()} * a.GetBitCount() / 8;
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetRow(y), b.GetRow(y), rowBytes) != 0)
            return false;
    gdi::RGBQUAD pa[256], pb[256];
    const unsigned n = a.GetBitCount() == 8 ? 256 : 0;
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
    if (!DecodeTgaMemory(picture, std::span<const std::uint8_t>(data, size), kFuzzPixelBytes))
        return 0;
    std::vector<std::uint8_t> out;
    CDibImage again;
    const bool runLength = size % 2 == 1;
    if (!EncodeTga(picture, runLength, out) || !DecodeTgaMemory(again, out, kFuzzPixelBytes) ||
        !SamePixels(picture, again))
        __builtin_trap();
    return 0;
}
