// Targa files written by ImageMagick and Pillow, or built byte by byte where
// they write no such file (right-to-left rows, grey with alpha, 15-, 16- and
// 32-bit colour maps) and read by them, decode to their pixels, and
// the files we write decode to ours in Pillow and ImageMagick.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codecs/tga.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::PeerFile;
using codec_test::ReadFile;
using codec_test::ToRgb;
using TgaOracle = codec_test::PeerTest;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_TGA_ORACLE);
}

TEST_F(TgaOracle, PeerFilesDecodeToTheirPixels) {
    const std::size_t count = codec_test::ForEachPeerFile(Oracle(), dir, [&](const PeerFile& file) {
        CDibImage picture;
        ASSERT_TRUE(LoadTga(picture, dir / (file.name + ".tga")));
        codec_test::ExpectShape(picture, file);
        EXPECT_EQ(ToRgb(picture), ReadFile(dir / (file.name + ".rgb")));
        // Grey-with-alpha files come with their alpha.
        const std::string alpha = dir / (file.name + ".alpha");
        if (std::filesystem::exists(alpha)) {
            std::vector<std::uint8_t> got;
            for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
                for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
                    got.push_back(picture.GetRow(y)[4 * x + 3]);
            EXPECT_EQ(got, ReadFile(alpha));
        }
    });
    EXPECT_EQ(count, 26u);
}

TEST_F(TgaOracle, OurFilesDecodeToTheSamePixelsInThePeers) {
    for (const unsigned bits : {4u, 8u, 16u, 24u, 32u}) {
        for (const bool runLength : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, run-length " << runLength);
            const CDibImage picture =
                codec_test::PatternPicture(13, 7, bits, [](std::uint32_t x, std::uint32_t y) {
                    return x < 8 ? 0x21 * y : x * 37 + y * 101;
                });
            const std::string stem = dir / ("ours" + std::to_string(bits) + (runLength ? "r" : ""));
            ASSERT_TRUE(SaveTga(picture, stem + ".tga", runLength));
            EXPECT_TRUE(codec_test::PeersSeeOurPixels(
                Oracle(), picture, stem + ".tga", stem + ".rgb",
                std::string(bits == 16 ? "--fields555 " : "") + "pillow magick"));
        }
    }
}

}  // namespace
