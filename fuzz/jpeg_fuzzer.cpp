// Feeds arbitrary bytes to the JPEG decoder as if they were a whole file,
// and writes what it accepts back out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/jpeg.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!DecodeJpegMemory(picture, fuzz::Input(data, size), fuzz::kFuzzPixelBytes))
        return 0;
    fuzz::TouchEveryRow(picture);
    if (picture.GetBitCount() != 32) {
        std::vector<std::uint8_t> out;
        if (!EncodeJpeg(picture, 75, out))
            __builtin_trap();
    }
    return 0;
}
