// Bitmaps written by ImageMagick and Pillow decode to their pixels, and the
// files we write decode to ours in Pillow.

#include <gtest/gtest.h>

#include <string>

#include "codecs/bmp.h"
#include "image/editable_image.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ForEachPeerFile;
using codec_test::PeerFile;
using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::ToRgb;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_BMP_ORACLE);
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
    if (!codec_test::HaveMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const std::size_t count = ForEachPeerFile(Oracle(), dir, [&](const PeerFile& file) {
        CEditableImage picture(false);
        ASSERT_TRUE(LoadBmp(picture, dir / (file.name + ".bmp")));
        codec_test::ExpectShape(picture, file);
        const auto want = ReadFile(dir / (file.name + ".rgb"));
        if (file.bits == 16)
            EXPECT_TRUE(SameFields565(ToRgb(picture), want));
        else
            EXPECT_EQ(ToRgb(picture), want);
    });
    EXPECT_GE(count, 12u);
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
    if (bits <= 8)
        codec_test::SetRampPalette(picture, bits);
    return picture;
}

TEST(BmpOracle, SavedFilesDecodeToTheSamePixelsInPillow) {
    if (!codec_test::HavePillow())
        GTEST_SKIP() << "Pillow is not installed";
    TempDir dir;
    for (const std::uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        const CEditableImage picture = Pattern(bits);
        const std::string stem = dir / ("ours" + std::to_string(bits));
        ASSERT_TRUE(SaveBmp(picture, stem + ".bmp"));
        EXPECT_TRUE(codec_test::PeersSeeOurPixels(Oracle(), picture, stem + ".bmp", stem + ".rgb",
                                                  bits == 16 ? "--fields565" : ""));
    }
}

}  // namespace
