// Feeds arbitrary bytes to the JPEG decoder as if they were a whole file,
// and writes what it accepts back out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/jpeg.h"

namespace {
// Large pictures only make each run slow; the cap logic itself is the same.
constexpr std::uint64_t kFuzzPixelBytes = 16u << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodeJpegMemory(picture, std::span<const std::uint8_t>(data, size), kFuzzPixelBytes))
        return 0;
    // Touch every row so that a picture claiming more rows than it holds shows.
    volatile std::uint8_t sink = 0;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        sink = sink + picture.GetRow(y)[picture.GetStride() - 1];
    if (picture.GetBitCount() != 32) {
        std::vector<std::uint8_t> out;
        if (!EncodeJpeg(picture, 75, out))
            __builtin_trap();
    }
    return 0;
}
