// Feeds arbitrary bytes to the JPEG XL reader as a whole file. Nothing
// writes JPEG XL, so a picture it accepts is checked against what the header
// reader says of the same bytes, and every row is read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/jxl.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::Input(data, size);
    JxlHeader header;
    const bool described = ReadJxlHeader(input, header);
    CPicture picture;
    if (!DecodeJxlMemory(picture, input, fuzz::kFuzzPixelBytes))
        return 0;
    fuzz::TouchEveryRow(picture);
    if (!described || header.width != picture.GetWidth() || header.height != picture.GetHeight() ||
        header.bits != picture.GetBitCount())
        std::abort();
    return 0;
}
