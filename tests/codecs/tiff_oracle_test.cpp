// TIFF files of many layouts written by ImageMagick and Pillow decode to the
// colours ImageMagick shows, upright; the files we write decode in Pillow.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codecs/tiff.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ForEachPeerFile;
using codec_test::MaxDifference;
using codec_test::PeerFile;
using codec_test::RandomPicture;
using codec_test::ReadFile;
using codec_test::RunCommand;
using codec_test::ToRgb;
using TiffOracle = codec_test::PeerTest;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_TIFF_ORACLE);
}

TEST_F(TiffOracle, PeerFilesDecodeUpright) {
    const auto check = [&](const PeerFile& file) {
        CPicture picture;
        std::vector<std::string> said;
        const bool loaded =
            LoadTiff(picture, dir / (file.name + ".tif"),
                     [&](std::string_view text, std::string_view) { said.emplace_back(text); });
        EXPECT_TRUE(said.empty());
        if (file.bits == 0) {
            EXPECT_FALSE(loaded);
            EXPECT_FALSE(picture.IsValid());
            return;
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(picture.GetBitCount(), file.bits);
        EXPECT_EQ(picture.GetWidth(), file.width);
        EXPECT_EQ(picture.GetHeight(), file.height);
        EXPECT_LE(MaxDifference(ToRgb(picture), ReadFile(dir / (file.name + ".rgb"))),
                  file.tolerance);
        const auto alphaFile = dir / (file.name + ".alpha");
        if (std::filesystem::exists(alphaFile)) {
            std::vector<std::uint8_t> alpha;
            for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
                for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
                    alpha.push_back(picture.GetRow(y)[x * 4 + 3]);
            EXPECT_LE(MaxDifference(alpha, ReadFile(alphaFile)), file.tolerance);
        }
    };
    EXPECT_EQ(ForEachPeerFile(Oracle(), dir, check, true), 47u);
}

TEST_F(TiffOracle, OurFilesDecodeInPillow) {
    struct Case {
        unsigned bits;
        int compression;
        const char* expected;  // Pillow's compression and photometric
    };
    // Smooth, so that JPEG keeps it close.
    CPicture grey;
    grey.Create(31, 17, 8);
    for (std::uint32_t y = 0; y < 17; ++y)
        for (std::uint32_t x = 0; x < 31; ++x)
            grey.GetRow(y)[x] = static_cast<std::uint8_t>(x * 6 + y * 3);
    for (const Case c :
         {Case{1, kTiffLzw, "3 0"}, Case{4, kTiffPackBits, "32773 3"}, Case{8, kTiffLzw, "5 3"},
          Case{24, kTiffNone, "1 2"}, Case{32, kTiffLzw, "5 2"}, Case{8, kTiffJpeg, "7 1"}}) {
        SCOPED_TRACE(c.bits);
        CPicture picture = RandomPicture(31, 17, c.bits, c.bits);
        if (c.compression == kTiffJpeg)
            picture = grey;
        if (c.bits == 1) {
            const gdi::RGBQUAD bw[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
            picture.SetPalette(0, 2, bw);
        }
        const std::string path = dir / ("ours" + std::to_string(c.bits) + ".tif");
        ASSERT_TRUE(SaveTiff(picture, path, c.compression));
        std::string out;
        ASSERT_EQ(RunCommand(Oracle() + " decode " + path, &out), 0);
        EXPECT_EQ(out, std::string("31 17 ") + c.expected + "\n");
        const int tolerance = c.compression == kTiffJpeg ? 8 : 0;
        EXPECT_LE(MaxDifference(ReadFile(path + ".rgb"), ToRgb(picture)), tolerance);
    }
}

}  // namespace
