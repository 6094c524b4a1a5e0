// Feeds arbitrary bytes to the PNG decoder as if they were a whole file;
// whatever it accepts must survive our own writer and reader unchanged.
#include <cstddef>
#include <cstdint>

#include "codecs/png.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodePngMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes))
        return fuzz::Refused();
    const bool interlaced = size % 2 == 1;
    if (!fuzz::SurvivesRoundTrip(
            picture, [&](auto& out) { return EncodePng(picture, interlaced, out); },
            [](CPicture& again, auto bytes) {
                return DecodePngMemory(again, bytes, fuzz::kFuzzPixelBytes);
            },
            false))
        __builtin_trap();
    return 0;
}
