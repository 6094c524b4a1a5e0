#pragma once

// The bitmap pixel layouts that need more than a copy: run-length encoded
// rows and bit fields other than the defaults the picture object keeps.

#include <cstdint>
#include <span>

#include "image/dib_image.h"

namespace bmp {

// Red, green, blue and alpha masks of a bit-field picture.
struct ChannelMasks {
    std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// True when the colour masks are the 5-5-5 or 5-6-5 (16 bits) or 8-8-8
// (32 bits) layout that a BI_BITFIELDS picture stores as it is.
bool IsDefaultLayout(const ChannelMasks& masks, std::uint32_t bits);

// Fills `picture` (already created at 8 or 4 bits, zeroed, bottom-up rows
// of `width` by `height`) from RLE8 (`bits` 8) or RLE4 (`bits` 4) data.
// Runs are clipped to the picture and nothing past `data` is read; data
// that ends early, or jumps past the last row, leaves the rest at index 0.
void DecodeRle(CDibImage& picture, std::span<const std::uint8_t> data, std::uint32_t bits);

// Whether any pixel of 16- or 32-bit `rows` (`count` rows of `stride`
// bytes, `width` pixels each) has a non-zero value under `mask`.
bool AnyFieldSet(std::span<const std::uint8_t> rows, std::uint32_t stride, std::uint32_t width,
                 std::uint32_t count, std::uint32_t bits, std::uint32_t mask);

// Converts one row of 16- or 32-bit pixels under `masks` into `out`, as
// B-G-R (`outBits` 24) or B-G-R-A (`outBits` 32), each field scaled from
// its width to 8 bits.
void ConvertFieldRow(const std::uint8_t* row, std::uint32_t width, std::uint32_t bits,
                     const ChannelMasks& masks, std::uint8_t* out, std::uint32_t outBits);

}  // namespace bmp
