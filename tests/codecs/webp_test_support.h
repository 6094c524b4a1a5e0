#pragma once

// What the WebP and AVIF tests share: pictures as plain bytes, the peers'
// readings, and the truncation walk.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/codec_error.h"
#include "image/picture.h"
#include "tests/codecs/codec_test_support.h"

namespace webp_test {

using Bytes = std::vector<std::uint8_t>;

// The pixels of a 24- or 32-bit picture, rows top first, padding dropped;
// with `withAlpha` four bytes a pixel, 255 standing in for a missing alpha.
inline Bytes PixelBytes(const CPicture& picture, bool withAlpha = false) {
    Bytes out;
    const unsigned bytes = picture.GetBitCount() / 8;
    const std::size_t rowBytes = std::size_t{picture.GetWidth()} * bytes;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* row = picture.GetRow(y);
        if (bytes == 4 || !withAlpha) {
            out.insert(out.end(), row, row + rowBytes);
            continue;
        }
        for (std::size_t x = 0; x < rowBytes; x += 3) {
            out.insert(out.end(), row + x, row + x + 3);
            out.push_back(255);
        }
    }
    return out;
}

inline double MeanDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size() || a.empty())
        return 256;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int{a[i]} - int{b[i]});
    return sum / static_cast<double>(a.size());
}

// Runs `oracle decode FILE` and returns the peer's reading (FILE.bgra).
inline Bytes PeerReading(const std::string& oracle, const std::string& file) {
    EXPECT_EQ(codec_test::RunCommand(oracle + " decode " + file + " >/dev/null"), 0) << file;
    return codec_test::ReadFile(file + ".bgra");
}

// Smooth colours (and, at 32 bits, a ramp of alpha) that lossy coding keeps
// close.
inline CPicture Gradient(std::uint32_t width, std::uint32_t height, unsigned bits) {
    CPicture picture;
    picture.Create(width, height, bits);
    const unsigned bytes = bits / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.GetRow(y) + bytes * x;
            p[0] = static_cast<std::uint8_t>(255 * x / width);
            p[1] = static_cast<std::uint8_t>(255 * y / height);
            p[2] = static_cast<std::uint8_t>(128 + 100 * x / width - 100 * y / height);
            if (bytes == 4)
                p[3] = static_cast<std::uint8_t>(40 + 200 * y / height);
        }
    return picture;
}

// Cuts `file` at every tenth of its length and after one byte short of the
// end: each cut is refused with a reason and an empty picture, or decoded.
template <typename Decode>
void ExpectCutsRefusedOrDecoded(const Bytes& file, Decode decode) {
    std::vector<std::size_t> cuts;
    for (int tenth = 0; tenth < 10; ++tenth)
        cuts.push_back(file.size() * tenth / 10);
    cuts.push_back(file.size() - 1);
    for (const std::size_t cut : cuts) {
        SCOPED_TRACE(::testing::Message() << "cut at " << cut << " of " << file.size());
        CPicture picture;
        ClearImageError();
        if (decode(picture, std::span<const std::uint8_t>(file.data(), cut))) {
            EXPECT_TRUE(picture.IsValid());
        } else {
            EXPECT_FALSE(picture.IsValid());
            EXPECT_FALSE(LastImageError().empty());
        }
    }
}

}  // namespace webp_test
