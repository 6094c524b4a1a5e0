// Feeds arbitrary bytes to the Targa decoder as if they were a whole file;
// whatever it accepts must come back unchanged through our own writer and
// reader, raw and run-length coded alike.
#include <cstddef>
#include <cstdint>

#include "codecs/tga.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDibImage picture;
    if (!DecodeTgaMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes))
        return fuzz::Refused();
    const bool runLength = size % 2 == 1;
    if (!fuzz::SurvivesRoundTrip(
            picture, [&](auto& out) { return EncodeTga(picture, runLength, out); },
            [](CDibImage& again, auto bytes) {
                return DecodeTgaMemory(again, bytes, fuzz::kFuzzPixelBytes);
            }))
        __builtin_trap();
    return 0;
}
