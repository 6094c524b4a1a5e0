#pragma once

// What the HEIF and JPEG XL tests share: the check of a peer-made file
// against its peer's colours, the truncation and damage walks, and the
// orientation rule both formats store.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/dispatch.h"
#include "tests/codecs/codec_test_support.h"

namespace heif_jxl_test {

using Bytes = std::vector<std::uint8_t>;
using Decoder = std::function<bool(CPicture&, std::span<const std::uint8_t>)>;

inline Bytes AlphaOf(const CPicture& picture) {
    Bytes alpha;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
            alpha.push_back(picture.GetRow(y)[x * 4 + 3]);
    return alpha;
}

// Loads `file` (made and listed by an oracle) through the dispatch and
// compares it with the peer's colours and alpha beside it; with `source`,
// also with the colours the encoder was given, within `sourceTolerance`.
inline void ExpectPeerColours(const codec_test::TempDir& dir, const codec_test::PeerFile& file,
                              const std::string& extension, int sourceTolerance) {
    const std::string path = dir / (file.name + extension);
    CPicture picture;
    ClearImageError();
    ASSERT_TRUE(LoadImageFile(picture, path)) << LastImageError();
    codec_test::ExpectShape(picture, file);
    EXPECT_LE(
        codec_test::MaxDifference(codec_test::ToRgb(picture), codec_test::ReadFile(path + ".rgb")),
        file.tolerance);
    if (std::filesystem::exists(path + ".alpha")) {
        ASSERT_EQ(picture.GetBitCount(), 32u);
        EXPECT_LE(
            codec_test::MaxDifference(AlphaOf(picture), codec_test::ReadFile(path + ".alpha")),
            file.tolerance);
    }
    const std::string source = dir / (file.name + ".src");
    if (std::filesystem::exists(source)) {
        EXPECT_LE(
            codec_test::MaxDifference(codec_test::ToRgb(picture), codec_test::ReadFile(source)),
            sourceTolerance);
    }
}

// Every tenth of the file, cut there, is refused with a reason and leaves
// the picture empty.
inline void ExpectTruncationsRefused(const Decoder& decode, const Bytes& file) {
    for (int tenth = 0; tenth < 10; ++tenth) {
        const std::size_t size = file.size() * tenth / 10;
        SCOPED_TRACE(size);
        CPicture picture;
        ASSERT_TRUE(picture.Create(3, 3, 24));
        ClearImageError();
        EXPECT_FALSE(decode(picture, std::span(file).first(size)));
        EXPECT_FALSE(picture.IsValid());
        EXPECT_FALSE(LastImageError().empty());
    }
}

// Damaged bytes anywhere in the file either decode to a picture or are
// refused with a reason, and never crash (the sanitizer builds watch the
// memory).
inline void ExpectDamageHandled(const Decoder& decode, const Bytes& file) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        Bytes damaged = file;
        for (int hit = 0; hit < 1 + round % 4; ++hit)
            damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        SCOPED_TRACE(round);
        CPicture picture;
        ClearImageError();
        if (decode(picture, damaged)) {
            EXPECT_TRUE(picture.IsValid());
        } else {
            EXPECT_FALSE(picture.IsValid());
            EXPECT_FALSE(LastImageError().empty());
        }
    }
}

// The upright red-green-blue of a picture stored as `rgb` (`width` x
// `height`, top row first) under an orientation of 1 to 8, as both formats
// define it (the values of the Exif tag): 6 is stored turned a quarter
// anticlockwise, so it is shown turned clockwise.
inline Bytes Upright(const Bytes& rgb, std::uint32_t width, std::uint32_t height, int orientation) {
    const bool sideways = orientation >= 5;
    const std::uint32_t outWidth = sideways ? height : width;
    const std::uint32_t outHeight = sideways ? width : height;
    Bytes out;
    for (std::uint32_t y = 0; y < outHeight; ++y)
        for (std::uint32_t x = 0; x < outWidth; ++x) {
            std::uint32_t sx = x, sy = y;
            switch (orientation) {
            case 2:
                sx = width - 1 - x;
                break;
            case 3:
                sx = width - 1 - x, sy = height - 1 - y;
                break;
            case 4:
                sy = height - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = height - 1 - x;
                break;
            case 7:
                sx = width - 1 - y, sy = height - 1 - x;
                break;
            case 8:
                sx = width - 1 - y, sy = x;
                break;
            default:
                break;
            }
            const std::size_t at = (std::size_t{sy} * width + sx) * 3;
            out.insert(out.end(), rgb.begin() + at, rgb.begin() + at + 3);
        }
    return out;
}

}  // namespace heif_jxl_test
