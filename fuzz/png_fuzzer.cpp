// Feeds arbitrary bytes to the PNG decoder as if they were a whole file;
// whatever it accepts must survive our own writer and reader unchanged.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/png.h"
#include "fuzz/round_trip.h"

namespace {

// Large pictures only make each run slow; the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodePngMemory(picture, std::span<const std::uint8_t>(data, size), kFuzzPixelBytes))
        return 0;
    std::vector<std::uint8_t> out;
    CPicture again;
    if (!EncodePng(picture, size % 2 == 1, out) || !DecodePngMemory(again, out, kFuzzPixelBytes) ||
        !fuzz::SamePixels(picture, again))
        __builtin_trap();
    return 0;
}
