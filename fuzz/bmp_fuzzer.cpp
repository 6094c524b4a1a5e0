// Feeds arbitrary bytes to the BMP decoder as if they were a whole file.
#include <cstddef>
#include <cstdint>

#include "codecs/bmp.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CEditableImage picture(false);
    if (!DecodeBmpMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes))
        return fuzz::Refused();
    fuzz::TouchEveryRow(picture);
    return 0;
}
