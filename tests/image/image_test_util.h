#pragma once

// Picture builders and comparisons shared by the image tests.

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/editable_image.h"

namespace image_test {

inline constexpr std::uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};

// Bytes of one row that hold pixels (padding excluded).
inline std::size_t RowBytes(const CDibImage& image) {
    return (std::size_t{image.GetWidth()} * image.GetBitCount() + 7) / 8;
}

// Every pixel byte gets a value from its position, so that any misplaced
// byte shows; `seed` tells two pictures apart.
inline void FillPattern(CDibImage& image, unsigned seed = 0) {
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        std::uint8_t* row = image.GetRow(y);
        for (std::size_t x = 0; x < RowBytes(image); ++x)
            row[x] = static_cast<std::uint8_t>(x * 7 + y * 31 + seed * 101 + 1);
    }
}

inline CEditableImage MakePicture(std::int64_t width, std::int64_t height, std::uint32_t bitCount,
                                  bool undo = false, unsigned seed = 0) {
    CEditableImage image(undo);
    image.Create(width, height, bitCount);
    FillPattern(image, seed);
    return image;
}

// The bytes of pixel (x, y) of a picture of 8 bits or more.
inline std::vector<std::uint8_t> Pixel(const CDibImage& image, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = image.GetPixelAddress(x, y);
    return {p, p + image.GetBitCount() / 8};
}

inline std::vector<std::uint8_t> Repeat(std::uint8_t byte, std::size_t count) {
    return std::vector<std::uint8_t>(count, byte);
}

// Same size, depth, format and pixel bytes (row padding ignored).
inline bool SamePixels(const CDibImage& a, const CDibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitCount() != b.GetBitCount() || a.GetCompression() != b.GetCompression())
        return false;
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y) {
        if (std::memcmp(a.GetRow(y), b.GetRow(y), RowBytes(a)) != 0)
            return false;
    }
    return true;
}

}  // namespace image_test
