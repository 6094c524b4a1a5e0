// Feeds arbitrary bytes to the PCX decoder as if they were a whole file;
// whatever it accepts in a depth the writer knows must come back unchanged
// through our own writer and reader.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/pcx.h"
#include "fuzz/round_trip.h"

namespace {

// Large pictures only make each run slow (every accepted picture is written
// and read again); the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 1u << 20;

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
    if (!fuzz::SamePixels(picture, again) || !fuzz::SamePalette(picture, again))
        __builtin_trap();
    return 0;
}
