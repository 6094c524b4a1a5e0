// Feeds arbitrary bytes to the WebP decoder as if they were a whole file, at
// full size and scaled to a size the input picks. What it accepts with alpha
// goes through our lossless writer and must come back with the same colours
// and alpha (the writer leaves out an alpha that is opaque throughout, which
// then reads back as 24 bits); any other accepted picture must at least be
// written, unless a side is past what a WebP frame holds (an animation's
// canvas may be larger than any of its frames).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/webp.h"
#include "fuzz/round_trip.h"

namespace {

bool SameColoursAndAlpha(const CPicture& picture, const CPicture& again) {
    if (again.GetWidth() != picture.GetWidth() || again.GetHeight() != picture.GetHeight())
        return false;
    if (again.GetBitCount() == 32)
        return fuzz::SamePixels(picture, again);
    if (again.GetBitCount() != 24)
        return false;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* p = picture.GetRow(y);
        const std::uint8_t* q = again.GetRow(y);
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x, p += 4, q += 3)
            if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2] || p[3] != 255)
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodeWebpMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes))
        return 0;
    fuzz::TouchEveryRow(picture);
    CPicture scaled;
    const std::uint32_t divisor = 1 + size % 7;
    if (DecodeWebpMemoryReduced(
            scaled, fuzz::Input(data, size),
            [&](std::uint32_t w, std::uint32_t h) {
                return std::pair{(w + divisor - 1) / divisor, (h + divisor - 1) / divisor};
            },
            nullptr, fuzz::kFuzzPixelBytes))
        fuzz::TouchEveryRow(scaled);
    if (picture.GetWidth() > kWebpMaxSide || picture.GetHeight() > kWebpMaxSide)
        return 0;
    std::vector<std::uint8_t> out;
    if (!EncodeWebp(picture, 85, out))
        __builtin_trap();
    if (picture.GetBitCount() == 32 && !FourthByteUnused(picture)) {
        CPicture again;
        if (!DecodeWebpMemory(again, out, fuzz::kFuzzPixelBytes) ||
            !SameColoursAndAlpha(picture, again))
            __builtin_trap();
    }
    return 0;
}
