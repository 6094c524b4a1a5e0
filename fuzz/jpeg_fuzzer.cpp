// Feeds arbitrary bytes to the JPEG decoder as if they were a whole file,
// and writes what it accepts back out. Odd-sized inputs go through the
// reduced decode instead, at a scale picked from the input.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "codecs/jpeg.h"
#include "fuzz/round_trip.h"

namespace {

bool Decode(CPicture& picture, const std::uint8_t* data, std::size_t size) {
    if (size % 2 == 0)
        return DecodeJpegMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes);
    const std::uint32_t divisor = 1u << (size / 2 % 4);
    JpegReducedDecode decoded;
    const bool done = DecodeJpegMemoryReduced(
        picture, fuzz::Input(data, size),
        [divisor](std::uint32_t width, std::uint32_t height) {
            return std::pair<std::uint32_t, std::uint32_t>{width / divisor, height / divisor};
        },
        &decoded, fuzz::kFuzzPixelBytes);
    // The scaled picture covers the full size divided by the scale.
    if (done && (picture.GetWidth() * std::uint64_t(decoded.denominator) < decoded.fullWidth ||
                 picture.GetHeight() * std::uint64_t(decoded.denominator) < decoded.fullHeight))
        __builtin_trap();
    return done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!Decode(picture, data, size))
        return fuzz::Refused();
    fuzz::TouchEveryRow(picture);
    if (picture.GetBitCount() != 32) {
        std::vector<std::uint8_t> out;
        if (!EncodeJpeg(picture, 75, out))
            __builtin_trap();
    }
    return 0;
}
