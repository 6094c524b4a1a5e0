// PCX files written by ImageMagick and Pillow (and planar kinds built by
// hand and read by them) decode to their pixels, and the files we write
// decode to ours in Pillow and ImageMagick.

#include <gtest/gtest.h>

#include <string>

#include "codecs/pcx.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::MakePeerFiles;
using codec_test::PeerFile;
using codec_test::ReadFile;
using codec_test::RunCommand;
using codec_test::TempDir;
using codec_test::ToRgb;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_PCX_ORACLE);
}

class PcxOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!codec_test::HaveMagick() || !codec_test::HavePillow())
            GTEST_SKIP() << "ImageMagick or Pillow is not installed";
    }
};

TEST_F(PcxOracle, PeerFilesDecodeToTheirPixels) {
    TempDir dir;
    std::vector<PeerFile> files;
    ASSERT_TRUE(MakePeerFiles(Oracle(), dir, &files));
    for (const PeerFile& file : files) {
        SCOPED_TRACE(file.name);
        CDibImage picture;
        ASSERT_TRUE(LoadPcx(picture, dir / (file.name + ".pcx")));
        codec_test::ExpectShape(picture, file);
        EXPECT_EQ(ToRgb(picture), ReadFile(dir / (file.name + ".rgb")));
    }
    EXPECT_EQ(files.size(), 9u);
}

TEST_F(PcxOracle, OurFilesDecodeToTheSamePixelsInThePeers) {
    TempDir dir;
    struct Case {
        unsigned bits;
        // Pillow reads no single-plane 4-bit file; ImageMagick shows every
        // two-colour file with 0 as white, the reverse of the usual reading.
        const char* peers;
    };
    for (const Case c : {Case{1, "pillow"}, Case{4, "magick"}, Case{8, "pillow magick"},
                         Case{24, "pillow magick"}}) {
        SCOPED_TRACE(c.bits);
        CDibImage picture;
        picture.Create(13, 7, c.bits);
        for (std::uint32_t y = 0; y < 7; ++y)
            for (std::uint32_t x = 0; x < picture.GetStride(); ++x)
                picture.GetRow(y)[x] = static_cast<std::uint8_t>(x < 4 ? 0xC7 : x * 37 + y * 101);
        if (c.bits == 4 || c.bits == 8)
            codec_test::SetRampPalette(picture, c.bits);
        // 1-bit pictures keep the black and white of their initial palette:
        // Pillow shows every two-colour file in black and white.
        const std::string pcx = dir / ("ours" + std::to_string(c.bits) + ".pcx");
        const std::string rgb = dir / ("ours" + std::to_string(c.bits) + ".rgb");
        ASSERT_TRUE(SavePcx(picture, pcx));
        codec_test::WriteFile(rgb, ToRgb(picture));
        EXPECT_EQ(RunCommand(Oracle() + " check " + pcx + " " + rgb + " " + c.peers), 0);
    }
}

}  // namespace
