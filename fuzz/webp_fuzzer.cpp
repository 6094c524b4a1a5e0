// Feeds arbitrary bytes to the WebP decoder as if they were a whole file, at
// full size and scaled to a size the input picks. What it accepts with alpha
// goes through our lossless writer and must come back unchanged; any other
// accepted picture must at least be written.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/webp.h"
#include "fuzz/round_trip.h"

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
    if (picture.GetBitCount() == 32 && !FourthByteUnused(picture)) {
        if (!fuzz::SurvivesRoundTrip(
                picture, [&](auto& out) { return EncodeWebp(picture, 85, out); },
                [](CPicture& again, auto bytes) {
                    return DecodeWebpMemory(again, bytes, fuzz::kFuzzPixelBytes);
                },
                false))
            __builtin_trap();
    } else {
        std::vector<std::uint8_t> out;
        if (!EncodeWebp(picture, 85, out))
            __builtin_trap();
    }
    return 0;
}
