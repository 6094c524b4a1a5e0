// Feeds arbitrary bytes to the JPEG XL reader as a whole file. Nothing
// writes JPEG XL, so a picture it accepts is checked against what the header
// reader says of the same bytes, and every row is read.
#include <cstddef>
#include <cstdint>

#include "codecs/jxl.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::CheckAgainstHeader<JxlHeader>(fuzz::Input(data, size), ReadJxlHeader,
                                               DecodeJxlMemory);
}
