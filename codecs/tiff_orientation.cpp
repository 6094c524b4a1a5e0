#include <cstring>

#include "codecs/tiff_orientation.h"

namespace {

// Where pixel (x, y) of the upright picture lies in the stored one (w x h).
struct SourceOf {
    unsigned orientation;
    std::uint32_t w;
    std::uint32_t h;

    void operator()(std::uint32_t x, std::uint32_t y, std::uint32_t& sx, std::uint32_t& sy) const {
        switch (orientation) {
        case 2:  // mirrored
            sx = w - 1 - x, sy = y;
            break;
        case 3:  // upside down
            sx = w - 1 - x, sy = h - 1 - y;
            break;
        case 4:  // flipped
            sx = x, sy = h - 1 - y;
            break;
        case 5:  // transposed: stored rows are the columns
            sx = y, sy = x;
            break;
        case 6:  // stored turned a quarter counter-clockwise
            sx = y, sy = h - 1 - x;
            break;
        case 7:  // transverse
            sx = w - 1 - y, sy = h - 1 - x;
            break;
        default:  // 8: stored turned a quarter clockwise
            sx = w - 1 - y, sy = x;
            break;
        }
    }
};

}  // namespace

bool OrientUpright(CDibImage& picture, unsigned orientation) {
    if (orientation < 2 || orientation > 8 || !picture.IsValid())
        return true;
    const std::uint32_t w = picture.GetWidth();
    const std::uint32_t h = picture.GetHeight();
    const bool turned = orientation >= 5;
    const unsigned bits = picture.GetBitCount();
    CDibImage upright;
    if (!upright.Create(turned ? h : w, turned ? w : h, bits))
        return false;
    if (bits <= 8)
        upright.CopyPaletteFrom(picture);
    const SourceOf source{orientation, w, h};
    std::uint32_t sx, sy;
    for (std::uint32_t y = 0; y < upright.GetHeight(); ++y) {
        if (bits >= 8) {
            const std::size_t size = bits / 8;
            std::uint8_t* out = upright.GetRow(y);
            for (std::uint32_t x = 0; x < upright.GetWidth(); ++x, out += size) {
                source(x, y, sx, sy);
                std::memcpy(out, picture.GetRow(sy) + std::size_t{sx} * size, size);
            }
        } else {
            for (std::uint32_t x = 0; x < upright.GetWidth(); ++x) {
                source(x, y, sx, sy);
                upright.SetPixelValue(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                                      picture.GetPixelValue(static_cast<std::int32_t>(sx),
                                                            static_cast<std::int32_t>(sy)));
            }
        }
    }
    picture.SwapPicture(upright);
    return true;
}
