// Feeds arbitrary bytes to the PNG decoder as if they were a whole file;
// whatever it accepts must survive our own writer and reader unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/png.h"

namespace {

// Large pictures only make each run slow; the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 16u << 20;

bool SamePixels(const CPicture& a, const CPicture& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitCount() != b.GetBitCount())
        return false;
    const std::size_t rowBytes = (std::size_t{a.GetWidth()} * a.GetBitCount() + 7) / 8;
    const unsigned spare =
        static_cast<unsigned>(rowBytes * 8 - std::size_t{a.GetWidth()} * a.GetBitCount());
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y) {
        const std::uint8_t* p = a.GetRow(y);
        const std::uint8_t* q = b.GetRow(y);
        // Bits past the last pixel of a packed row are not pixels.
        if (std::memcmp(p, q, rowBytes - 1) != 0 ||
            (p[rowBytes - 1] >> spare) != (q[rowBytes - 1] >> spare))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodePngMemory(picture, std::span<const std::uint8_t>(data, size), kFuzzPixelBytes))
        return 0;
    std::vector<std::uint8_t> out;
    CPicture again;
    if (!EncodePng(picture, size % 2 == 1, out) || !DecodePngMemory(again, out, kFuzzPixelBytes) ||
        !SamePixels(picture, again))
        __builtin_trap();
    return 0;
}
