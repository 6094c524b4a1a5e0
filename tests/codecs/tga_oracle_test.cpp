// Targa files written by ImageMagick and Pillow decode to their pixels, and
// the files we write decode to ours in Pillow and ImageMagick.

#include <gtest/gtest.h>

#include <string>

#include "codecs/tga.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::MakePeerFiles;
using codec_test::PeerFile;
using codec_test::ReadFile;
using codec_test::RunCommand;
using codec_test::TempDir;
using codec_test::ToRgb;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_TGA_ORACLE);
}

class TgaOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!codec_test::HaveMagick() || !codec_test::HavePillow())
            GTEST_SKIP() << "ImageMagick or Pillow is not installed";
    }
};

TEST_F(TgaOracle, PeerFilesDecodeToTheirPixels) {
    TempDir dir;
    std::vector<PeerFile> files;
    ASSERT_TRUE(MakePeerFiles(Oracle(), dir, &files));
    for (const PeerFile& file : files) {
        SCOPED_TRACE(file.name);
        CDibImage picture;
        ASSERT_TRUE(LoadTga(picture, dir / (file.name + ".tga")));
        codec_test::ExpectShape(picture, file);
        EXPECT_EQ(ToRgb(picture), ReadFile(dir / (file.name + ".rgb")));
    }
    EXPECT_EQ(files.size(), 15u);
}

TEST_F(TgaOracle, OurFilesDecodeToTheSamePixelsInThePeers) {
    TempDir dir;
    for (const unsigned bits : {4u, 8u, 16u, 24u, 32u}) {
        for (const bool runLength : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, run-length " << runLength);
            CDibImage picture;
            picture.Create(13, 7, bits);
            for (std::uint32_t y = 0; y < 7; ++y)
                for (std::uint32_t x = 0; x < picture.GetStride(); ++x)
                    picture.GetRow(y)[x] =
                        static_cast<std::uint8_t>(x < 8 ? 0x21 * y : x * 37 + y * 101);
            if (bits <= 8)
                codec_test::SetRampPalette(picture, bits);
            const std::string stem = dir / ("ours" + std::to_string(bits) + (runLength ? "r" : ""));
            ASSERT_TRUE(SaveTga(picture, stem + ".tga", runLength));
            codec_test::WriteFile(stem + ".rgb", ToRgb(picture));
            EXPECT_EQ(RunCommand(Oracle() + " check " + stem + ".tga " + stem + ".rgb " +
                                 (bits == 16 ? "--fields555 " : "") + "pillow magick"),
                      0);
        }
    }
}

}  // namespace
