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

// OS/2 headers, run-length data and bit fields away from the default
// layouts, decoded as a peer decodes them; fields narrower than 8 bits may
// be widened one step apart.
TEST(BmpOracle, OtherHeadersRunsAndFieldLayoutsDecodeLikePeers) {
    if (!codec_test::HavePillowAndMagick())
        GTEST_SKIP() << "Pillow or ImageMagick is not installed";
    TempDir dir;
    const std::size_t count = ForEachPeerFile(
        Oracle() + " more", dir,
        [&](const PeerFile& file) {
            CEditableImage picture(false);
            const auto bytes = ReadFile(dir / (file.name + ".bmp"));
            ASSERT_TRUE(DecodeBmpMemory(picture, bytes));
            codec_test::ExpectShape(picture, file);
            EXPECT_LE(
                codec_test::MaxDifference(ToRgb(picture), ReadFile(dir / (file.name + ".rgb"))),
                file.tolerance);
            // Every cut of a run-length file decodes what it holds or is
            // refused; copies of exact length show any read past the end
            // under the address sanitizer.
            if (file.name.starts_with("rle"))
                for (std::size_t length = 0; length < bytes.size(); ++length) {
                    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + length);
                    CEditableImage part(false);
                    if (DecodeBmpMemory(part, cut))
                        codec_test::ExpectShape(part, file);
                }
        },
        true);
    EXPECT_GE(count, 14u);
}

// A picture stored as R-G-B-A keeps its alpha in the fourth byte.
TEST(BmpOracle, AlphaFieldIsKeptWhenAnyPixelHasIt) {
    if (!codec_test::HavePillowAndMagick())
        GTEST_SKIP() << "Pillow or ImageMagick is not installed";
    TempDir dir;
    std::vector<PeerFile> files;
    ASSERT_TRUE(codec_test::MakePeerFiles(Oracle() + " more", dir, &files, true));
    CEditableImage picture(false);
    ASSERT_TRUE(LoadBmp(picture, dir / "rgba32v4.bmp"));
    ASSERT_EQ(picture.GetBitCount(), 32u);
    // The oracle's alpha is 40 + 15x + y, rows counted from the top.
    for (const auto& [x, y] : {std::pair{0u, 0u}, {12u, 6u}, {5u, 3u}})
        EXPECT_EQ(picture.GetRow(y)[x * 4 + 3], 40 + 15 * x + y) << x << "," << y;
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
