// Feeds arbitrary bytes to the GIF parser and decoder as a whole file, then
// checks that the first image written again decodes to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/gif.h"
#include "fuzz/round_trip.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1 << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    if (!ParseGifStream(picture, fuzz::Input(data, size)))
        return 0;
    // Huge pictures are legal up to the pixel cap but only slow the search.
    const GifStreamState& state = *picture.GetGifInfo();
    if (state.imageCount > 0) {
        const std::uint8_t* d = state.stream.data() + state.imageOffsets[1];
        if (std::uint64_t(d[4] | d[5] << 8) * std::uint64_t(d[6] | d[7] << 8) > kMaxPixels)
            return 0;
    }
    if (DecodeGifFrame(picture) != kGifDecoded)
        return 0;
    const std::vector<std::uint8_t> file = EncodeGif(picture, size % 2 == 0);
    CPicture again;
    if (file.empty() || !ParseGifStream(again, file) || DecodeGifFrame(again) != kGifDecoded ||
        !fuzz::SamePixels(picture, again))
        std::abort();
    // Every later image, and a step past the last.
    for (int n = 0; n < 16 && DecodeGifFrame(picture) != kGifPastLastImage; ++n) {
    }
    SelectGifFrame(picture, static_cast<int>(size));
    return 0;
}
