// Feeds arbitrary bytes to the HEIF reader as a whole file. Nothing writes
// HEIF, so a picture it accepts is checked against what the header reader
// says of the same bytes, and every row is read.
#include <cstddef>
#include <cstdint>

#include "codecs/heif.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::CheckAgainstHeader<HeifHeader>(fuzz::Input(data, size), ReadHeifHeader,
                                                DecodeHeifMemory);
}
