// Feeds arbitrary bytes to the AVIF decoder as if they were a whole file:
// the container parser, the AV1 decoder behind it and the colour conversion.
// Whatever it accepts must cover every row it claims.
#include <cstddef>
#include <cstdint>

#include "codecs/avif.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodeAvifMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes))
        return 0;
    fuzz::TouchEveryRow(picture);
    return 0;
}
