// PCX files written by ImageMagick and Pillow (and planar kinds built by
// hand and read by them) decode to their pixels, and the files we write
// decode to ours in Pillow and ImageMagick.

#include <gtest/gtest.h>

#include <string>

#include "codecs/pcx.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::PeerFile;
using codec_test::ReadFile;
using codec_test::ToRgb;
using PcxOracle = codec_test::PeerTest;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_PCX_ORACLE);
}

TEST_F(PcxOracle, PeerFilesDecodeToTheirPixels) {
    const std::size_t count = codec_test::ForEachPeerFile(Oracle(), dir, [&](const PeerFile& file) {
        CDibImage picture;
        ASSERT_TRUE(LoadPcx(picture, dir / (file.name + ".pcx")));
        codec_test::ExpectShape(picture, file);
        EXPECT_EQ(ToRgb(picture), ReadFile(dir / (file.name + ".rgb")));
    });
    EXPECT_EQ(count, 9u);
}

TEST_F(PcxOracle, OurFilesDecodeToTheSamePixelsInThePeers) {
    struct Case {
        unsigned bits;
        // Pillow reads no single-plane 4-bit file; ImageMagick shows every
        // two-colour file with 0 as white, the reverse of the usual reading.
        const char* peers;
    };
    for (const Case c : {Case{1, "pillow"}, Case{4, "magick"}, Case{8, "pillow magick"},
                         Case{24, "pillow magick"}}) {
        SCOPED_TRACE(c.bits);
        // 1-bit pictures keep the black and white of their initial palette:
        // Pillow shows every two-colour file in black and white.
        const CDibImage picture = codec_test::PatternPicture(
            13, 7, c.bits,
            [](std::uint32_t x, std::uint32_t y) { return x < 4 ? 0xC7 : x * 37 + y * 101; },
            c.bits != 1);
        const std::string stem = dir / ("ours" + std::to_string(c.bits));
        ASSERT_TRUE(SavePcx(picture, stem + ".pcx"));
        EXPECT_TRUE(codec_test::PeersSeeOurPixels(Oracle(), picture, stem + ".pcx", stem + ".rgb",
                                                  c.peers));
    }
}

}  // namespace
