// PCX files written by ImageMagick and Pillow (and planar kinds built by
// hand and read by them) decode to their pixels, and the files we write
// decode to ours in Pillow and ImageMagick.

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>

#include "codecs/pcx.h"
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
    return Python() + " " + DRAPEWELL_PCX_ORACLE;
}

class PcxOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (RunCommand("command -v convert >/dev/null 2>&1") != 0 ||
            RunCommand(Python() + " -c 'import PIL' 2>/dev/null") != 0)
            GTEST_SKIP() << "ImageMagick or Pillow is not installed";
    }
};

TEST_F(PcxOracle, PeerFilesDecodeToTheirPixels) {
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
        ASSERT_TRUE(LoadPcx(picture, dir / (name + ".pcx")));
        EXPECT_EQ(picture.GetWidth(), width);
        EXPECT_EQ(picture.GetHeight(), height);
        EXPECT_EQ(picture.GetBitCount(), bits);
        EXPECT_EQ(ToRgb(picture), ReadFile(dir / (name + ".rgb")));
    }
    EXPECT_EQ(cases, 9);
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
        if (c.bits == 4 || c.bits == 8) {
            gdi::RGBQUAD table[256];
            for (unsigned i = 0; i < 256; ++i)
                table[i] = {std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i * 7 + 1), 0};
            picture.SetPalette(0, 1u << c.bits, table);
        }
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
