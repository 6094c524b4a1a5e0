// Feeds arbitrary bytes to the GIF parser and decoder as a whole file, then
// checks that the first image written again decodes to the same pixels.
#include <algorithm>
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
        return fuzz::Refused();
    // Huge pictures are legal up to the pixel cap but only slow the search.
    // The screen canvas covers the screen and the first image's far corner.
    const GifStreamState& state = *picture.GetGifInfo();
    if (state.imageCount > 0) {
        const std::uint8_t* s = state.stream.data();
        const std::uint8_t* d = s + state.imageOffsets[1];
        const std::uint64_t right = std::uint64_t(d[0] | d[1] << 8) + (d[4] | d[5] << 8);
        const std::uint64_t bottom = std::uint64_t(d[2] | d[3] << 8) + (d[6] | d[7] << 8);
        if (std::max<std::uint64_t>(right, s[6] | s[7] << 8) *
                std::max<std::uint64_t>(bottom, s[8] | s[9] << 8) >
            kMaxPixels)
            return 0;
    }
    CPicture screen;
    if (DecodeGifScreen(screen, fuzz::Input(data, size)) &&
        (screen.GetWidth() < unsigned(data[6] | data[7] << 8) ||
         screen.GetHeight() < unsigned(data[8] | data[9] << 8)))
        std::abort();  // the canvas holds at least the screen
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
