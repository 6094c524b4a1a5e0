// Feeds arbitrary bytes to the PCX decoder as if they were a whole file;
// whatever it accepts in a depth the writer knows must come back unchanged
// through our own writer and reader.
#include <cstddef>
#include <cstdint>

#include "codecs/pcx.h"
#include "fuzz/round_trip.h"

namespace {

// Smaller than the other harnesses' cap: every accepted picture is written
// and read again.
constexpr std::uint64_t kPcxPixelBytes = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDibImage picture;
    if (!DecodePcxMemory(picture, fuzz::Input(data, size), kPcxPixelBytes))
        return fuzz::Refused();
    fuzz::TouchEveryRow(picture);
    if (picture.GetBitCount() == 32)
        return 0;
    if (!fuzz::SurvivesRoundTrip(
            picture, [&](auto& out) { return EncodePcx(picture, out); },
            [](CDibImage& again, auto bytes) {
                return DecodePcxMemory(again, bytes, kPcxPixelBytes);
            }))
        __builtin_trap();
    return 0;
}
