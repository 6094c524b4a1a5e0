// Bitmaps written by ImageMagick and Pillow decode to their pixels, and the
// files we write decode to ours in Pillow.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <sstream>
#include <string>

#include "codecs/bmp.h"
#include "image/editable_image.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::ToRgb;

using codec_test::RunCommand;

// Debian's interpreter first: the peers' Python modules are its packages.
std::string Python() {
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

std::string Oracle() {
    return Python() + " " + DRAPEWELL_BMP_ORACLE;
}

// 16-bit pixels are compared in their 5-6-5 fields, one step apart at
// most: writers narrow 8-bit colours by truncating or by scaling.
::testing::AssertionResult SameFields565(const std::vector<std::uint8_t>& got,
                                         const std::vector<std::uint8_t>& want) {
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << want.size();
    for (std::size_t i = 0; i < got.size(); ++i) {
        const int shift = i % 3 == 1 ? 2 : 3;
        const int a = got[i] >> shift, b = want[i] >> shift;
        if (a - b > 1 || b - a > 1)
            return ::testing::AssertionFailure()
                   << "pixel " << i / 3 << " channel " << i % 3 << ": " << a << " against " << b;
    }
    return ::testing::AssertionSuccess();
}

TEST(BmpOracle, PeerFilesOfEveryDepthDecodeToTheirPixels) {
    if (RunCommand("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick is not installed";
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
        CEditableImage picture(false);
        ASSERT_TRUE(LoadBmp(picture, dir / (name + ".bmp")));
        EXPECT_EQ(picture.GetWidth(), width);
        EXPECT_EQ(picture.GetHeight(), height);
        EXPECT_EQ(picture.GetBitCount(), bits);
        const auto want = ReadFile(dir / (name + ".rgb"));
        if (bits == 16)
            EXPECT_TRUE(SameFields565(ToRgb(picture), want));
        else
            EXPECT_EQ(ToRgb(picture), want);
    }
    EXPECT_GE(cases, 12);
}

// A picture whose every pixel byte differs from its neighbours.
CEditableImage Pattern(std::uint32_t bits) {
    CEditableImage picture(false);
    const std::uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    picture.Create(11, 5, bits, bits == 16 ? gdi::BI_BITFIELDS : gdi::BI_RGB,
                   bits == 16 ? masks565 : nullptr, true);
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetStride(); ++x)
            picture.GetRow(y)[x] = static_cast<std::uint8_t>(x * 37 + y * 101 + 3);
    if (bits <= 8) {
        std::vector<gdi::RGBQUAD> table(1u << bits);
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = {static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                        static_cast<std::uint8_t>(i * 7 + 1), 0};
        picture.SetPalette(0, static_cast<unsigned>(table.size()), table.data());
    }
    return picture;
}

TEST(BmpOracle, SavedFilesDecodeToTheSamePixelsInPillow) {
    if (RunCommand(Python() + " -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "Pillow is not installed";
    TempDir dir;
    for (const std::uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        const CEditableImage picture = Pattern(bits);
        const std::string bmp = dir / ("ours" + std::to_string(bits) + ".bmp");
        const std::string rgb = dir / ("ours" + std::to_string(bits) + ".rgb");
        ASSERT_TRUE(SaveBmp(picture, bmp));
        codec_test::WriteFile(rgb, ToRgb(picture));
        EXPECT_EQ(
            RunCommand(Oracle() + " check " + bmp + " " + rgb + (bits == 16 ? " --fields565" : "")),
            0);
    }
}

}  // namespace
