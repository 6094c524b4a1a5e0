// Feeds arbitrary bytes to the TIFF reader as a whole file; a picture that
// decodes is written again with a compression picked from the input and
// read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/tiff.h"
#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    // A smaller cap than the 1 GiB one keeps the search fast.
    if (!DecodeTiffMemory(picture, fuzz::Input(data, size), {}, fuzz::kFuzzPixelBytes))
        return fuzz::Refused();
    static constexpr int kCompressions[] = {kTiffNone, kTiffLzw, kTiffJpeg, kTiffPackBits};
    const int compression = kCompressions[size % 4];
    std::vector<std::uint8_t> file;
    if (!EncodeTiff(picture, compression, file))
        return 0;
    CPicture again;
    if (!DecodeTiffMemory(again, file) || again.GetWidth() != picture.GetWidth() ||
        again.GetHeight() != picture.GetHeight())
        std::abort();
    return 0;
}
