// Targa files written by ImageMagick and Pillow decode to their pixels, and
// the files we write decode to ours in Pillow and ImageMagick.

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>

#include "codecs/tga.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::RunCommand;
using codec_test::TempDir;
using codec_test::ToRgb;

// Debian's interpreter first: the peers' Python modules are its packages.
std::string Python() {
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

std::string Oracle() {
    return Python() + " " + DRAPEWELL_TGA_ORACLE;
}

class TgaOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (RunCommand("command -v convert >/dev/null 2>&1") != 0 ||
            RunCommand(Python() + " -c 'import PIL' 2>/dev/null") != 0)
            GTEST_SKIP() << "ImageMagick or Pillow is not installed";
    }
};

TEST_F(TgaOracle, PeerFilesDecodeToTheirPixels) {
    TempDir dir;
    std::string manifest;
    ASSERT_EQ(RunCommand(Oracle() + " make " + dir.Path().string(), &manifest), 0);
    std::istringstream lines(manifest);
    std::string name;
    std::uint32_t width, height, bits;
    int cases = 0;
    while (lines >> name >> width >> height >> bits) {
        SCOPED_TRACE(name);
        ++cases;
        CDibImage picture;
        ASSERT_TRUE(LoadTga(picture, dir / (name + ".tga")));
        EXPECT_EQ(picture.GetWidth(), width);
        EXPECT_EQ(picture.GetHeight(), height);
        EXPECT_EQ(picture.GetBitCount(), bits);
        EXPECT_EQ(ToRgb(picture), ReadFile(dir / (name + ".rgb")));
    }
    EXPECT_EQ(cases, 15);
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
            if (bits <= 8) {
                gdi::RGBQUAD table[256];
                for (unsigned i = 0; i < 256; ++i)
                    table[i] = {std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i * 7 + 1),
                                0};
                picture.SetPalette(0, 1u << bits, table);
            }
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
