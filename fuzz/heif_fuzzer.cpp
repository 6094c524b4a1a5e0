// Feeds arbitrary bytes to the HEIF reader as a whole file. Nothing writes
// HEIF, so a picture it accepts is checked against what the header reader
// says of the same bytes, and every row is read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/heif.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::Input(data, size);
    HeifHeader header;
    const bool described = ReadHeifHeader(input, header);
    CPicture picture;
    if (!DecodeHeifMemory(picture, input, fuzz::kFuzzPixelBytes))
        return 0;
    fuzz::TouchEveryRow(picture);
    if (!described || header.width != picture.GetWidth() || header.height != picture.GetHeight() ||
        header.bits != picture.GetBitCount())
        std::abort();
    return 0;
}
