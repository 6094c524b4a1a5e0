#pragma once

// What the harnesses share: the input as a byte view, the pixel cap, a read
// of every row, and the comparisons for the ones that write what a decoder
// accepted and read it back (the second reading must hold the same picture
// as the first).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/codec_error.h"
#include "image/dib_image.h"
#include "image/picture.h"

namespace fuzz {

// The pixel cap the harnesses decode with: large pictures only make each run
// slow, and the cap logic itself is the same at any size.
inline constexpr std::uint64_t kFuzzPixelBytes = 16u << 20;

// The whole input as the decoders take it.
inline std::span<const std::uint8_t> Input(const std::uint8_t* data, std::size_t size) {
    return {data, size};
}

// Every refusal names its reason (codec_error.h); one that does not is a
// find like any crash. Returns 0, for `return fuzz::Refused();`.
inline int Refused() {
    if (LastImageError().empty())
        __builtin_trap();
    return 0;
}

// Reads the last byte of every row, so that a picture claiming more rows
// than it holds shows under the sanitizers.
inline void TouchEveryRow(const CDibImage& picture) {
    volatile std::uint8_t sink = 0;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        sink = sink + picture.GetRow(y)[picture.GetStride() - 1];
}

// Same size, depth and pixels. Bits past the last pixel of a packed row are
// not pixels and may differ.
inline bool SamePixels(const CDibImage& a, const CDibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitCount() != b.GetBitCount())
        return false;
    const std::size_t rowBits = std::size_t{a.GetWidth()} * a.GetBitCount();
    const std::size_t whole = rowBits / 8;
    const unsigned spare = static_cast<unsigned>(rowBits % 8);
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y) {
        const std::uint8_t* p = a.GetRow(y);
        const std::uint8_t* q = b.GetRow(y);
        if (std::memcmp(p, q, whole) != 0 ||
            (spare && (p[whole] >> (8 - spare)) != (q[whole] >> (8 - spare))))
            return false;
    }
    return true;
}

// Same colours in every palette entry of a picture of 8 bits or fewer (the
// reserved byte aside); pictures without a palette always agree.
inline bool SamePalette(const CDibImage& a, const CDibImage& b) {
    gdi::RGBQUAD pa[256], pb[256];
    const unsigned n = a.GetBitCount() <= 8 ? 1u << a.GetBitCount() : 0;
    if (n && (a.GetPalette(0, n, pa) != n || b.GetPalette(0, n, pb) != n))
        return false;
    for (unsigned i = 0; i < n; ++i)
        if (pa[i].rgbRed != pb[i].rgbRed || pa[i].rgbGreen != pb[i].rgbGreen ||
            pa[i].rgbBlue != pb[i].rgbBlue)
            return false;
    return true;
}

// Writes the picture with `encode(bytes)`, reads it back with
// `decode(again, bytes)` into a fresh picture of the same kind, and compares
// pixels and, when `comparePalette`, colours.
template <class Picture, class Encode, class Decode>
bool SurvivesRoundTrip(const Picture& picture, Encode&& encode, Decode&& decode,
                       bool comparePalette = true) {
    std::vector<std::uint8_t> bytes;
    Picture again;
    return encode(bytes) && decode(again, std::span<const std::uint8_t>(bytes)) &&
           SamePixels(picture, again) && (!comparePalette || SamePalette(picture, again));
}

// For a read-only format: a picture the reader accepts must have the size
// and depth its header reader gives for the same bytes, and every row is
// read. `readHeader(input, header)` and `decode(picture, input, cap)` are the
// format's two readers.
template <class Header, class ReadHeader, class Decode>
int CheckAgainstHeader(std::span<const std::uint8_t> input, ReadHeader readHeader, Decode decode) {
    Header header;
    const bool described = readHeader(input, header);
    CPicture picture;
    if (!decode(picture, input, kFuzzPixelBytes))
        return 0;
    TouchEveryRow(picture);
    if (!described || header.width != picture.GetWidth() || header.height != picture.GetHeight() ||
        header.bits != picture.GetBitCount())
        std::abort();
    return 0;
}

}  // namespace fuzz
