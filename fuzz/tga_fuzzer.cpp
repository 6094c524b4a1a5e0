// Feeds arbitrary bytes to the Targa decoder as if they were a whole file;
// whatever it accepts must come back unchanged through our own writer and
// reader, raw and run-length coded alike.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/tga.h"
#include "fuzz/round_trip.h"

namespace {

// Large pictures only make each run slow; the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDibImage picture;
    if (!DecodeTgaMemory(picture, std::span<const std::uint8_t>(data, size), kFuzzPixelBytes))
        return 0;
    std::vector<std::uint8_t> out;
    CDibImage again;
    const bool runLength = size % 2 == 1;
    if (!EncodeTga(picture, runLength, out) || !DecodeTgaMemory(again, out, kFuzzPixelBytes) ||
        !fuzz::SamePixels(picture, again) || !fuzz::SamePalette(picture, again))
        __builtin_trap();
    return 0;
}
