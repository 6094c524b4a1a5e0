// The first image of a stream placed on its logical screen, the way a viewer
// shows the file before any animation runs.
#include <algorithm>
#include <cstring>

#include "codecs/codec_error.h"
#include "codecs/gif.h"
#include "codecs/gif_scan.h"
#include "platform/gdi/types.h"

namespace {

constexpr std::size_t kScreenWidthAt = 6;
constexpr std::size_t kScreenHeightAt = 8;
constexpr std::size_t kScreenPackedAt = 10;
constexpr std::size_t kBackgroundAt = 11;
constexpr std::size_t kGlobalTableAt = 13;

unsigned Distance(const gdi::RGBQUAD& a, const gdi::RGBQUAD& b) {
    const auto d = [](int x, int y) { return static_cast<unsigned>((x - y) * (x - y)); };
    return d(a.rgbRed, b.rgbRed) + d(a.rgbGreen, b.rgbGreen) + d(a.rgbBlue, b.rgbBlue);
}

// The index the area around the image is filled with. The background index
// names an entry of the global table; an image with its own table gets that
// colour as a further entry when the table has room, else its nearest one.
std::uint8_t BackgroundIndex(CPicture& canvas, std::span<const std::uint8_t> s,
                             std::uint8_t imagePacked) {
    const std::uint8_t screenPacked = s[kScreenPackedAt];
    if (!(screenPacked & 0x80))
        return 0;  // no global table, no background colour: colour 0
    const unsigned globalEntries = 2u << (screenPacked & 7);
    const unsigned index = s[kBackgroundAt];
    if (!(imagePacked & 0x80))
        return static_cast<std::uint8_t>(index < globalEntries ? index : 0);
    if (index >= globalEntries)
        return 0;
    const std::uint8_t* rgb = &s[kGlobalTableAt + 3 * index];
    const gdi::RGBQUAD colour{rgb[2], rgb[1], rgb[0], 0};
    const unsigned localEntries = 2u << (imagePacked & 7);
    gdi::RGBQUAD palette[256];
    canvas.GetPalette(0, localEntries, palette);
    unsigned best = 0;
    for (unsigned i = 1; i < localEntries; ++i)
        if (Distance(palette[i], colour) < Distance(palette[best], colour))
            best = i;
    if (Distance(palette[best], colour) != 0 && localEntries < 256) {
        canvas.SetPalette(localEntries, 1, &colour);
        return static_cast<std::uint8_t>(localEntries);
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace

bool DecodeGifScreen(CPicture& picture, std::span<const std::uint8_t> data) {
    if (!DecodeGifMemory(picture, data))
        return false;
    const GifStreamState& state = *picture.GetGifInfo();
    const std::span<const std::uint8_t> s = state.stream;
    // The scan saw the screen descriptor and the first image's descriptor.
    const std::size_t at = state.imageOffsets[1];
    const std::uint32_t left = Read16(&s[at]);
    const std::uint32_t top = Read16(&s[at + 2]);
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    // A screen that does not hold the whole image (some writers leave it
    // 0x0) grows to hold it, so that no decoded pixel is dropped.
    const std::uint32_t canvasWidth =
        std::max<std::uint32_t>(Read16(&s[kScreenWidthAt]), left + width);
    const std::uint32_t canvasHeight =
        std::max<std::uint32_t>(Read16(&s[kScreenHeightAt]), top + height);
    if (canvasWidth == width && canvasHeight == height)
        return true;
    const std::uint64_t rowBytes = (std::uint64_t{canvasWidth} + 3) & ~std::uint64_t{3};
    CPicture canvas;
    if (rowBytes * canvasHeight > gdi::kMaxPixelBytes) {
        picture.Destroy();
        return ImageFailSize(canvasWidth, canvasHeight, 8, gdi::kMaxPixelBytes);
    }
    if (!canvas.Create(canvasWidth, canvasHeight, 8) || !canvas.CopyPaletteFrom(picture)) {
        picture.Destroy();
        return ImageFail("not enough memory for the screen");
    }
    const std::uint8_t background = BackgroundIndex(canvas, s, s[at + 8]);
    for (std::uint32_t y = 0; y < canvasHeight; ++y)
        std::memset(canvas.GetRow(y), background, canvasWidth);
    if (!canvas.PasteAt(picture, static_cast<std::int32_t>(left), static_cast<std::int32_t>(top))) {
        picture.Destroy();
        return ImageFail("cannot place the image on the screen");
    }
    picture.SwapPicture(canvas);
    return true;
}
