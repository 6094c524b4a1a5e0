// TIFF files of many layouts written by ImageMagick and Pillow decode to the
// colours ImageMagick shows, upright; the files we write decode in Pillow.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/tiff.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::RunCommand;
using codec_test::TempDir;
using codec_test::ToRgb;
using Bytes = std::vector<std::uint8_t>;

bool HaveOracle() {
    return RunCommand(
               "/usr/bin/python3 -c 'import PIL' 2>/dev/null && command -v convert >/dev/null") ==
           0;
}

std::string Oracle() {
    return std::string("/usr/bin/python3 ") + DRAPEWELL_TIFF_ORACLE;
}

// The largest difference of any one colour component.
int MaxDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size())
        return 256;
    int most = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        most = std::max(most, std::abs(int{a[i]} - int{b[i]}));
    return most;
}

TEST(TiffOracle, PeerFilesDecodeUpright) {
    if (!HaveOracle())
        GTEST_SKIP() << "Pillow or ImageMagick missing";
    TempDir dir;
    std::string listing;
    ASSERT_EQ(RunCommand(Oracle() + " make " + dir.Path().string(), &listing), 0);
    std::istringstream lines(listing);
    std::string name;
    std::uint32_t width, height, bits;
    int tolerance, files = 0;
    while (lines >> name >> width >> height >> bits >> tolerance) {
        SCOPED_TRACE(name);
        ++files;
        CPicture picture;
        std::vector<std::string> said;
        const bool loaded =
            LoadTiff(picture, dir / (name + ".tif"),
                     [&](std::string_view text, std::string_view) { said.emplace_back(text); });
        EXPECT_TRUE(said.empty());
        if (bits == 0) {
            EXPECT_FALSE(loaded);
            EXPECT_FALSE(picture.IsValid());
            continue;
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(picture.GetBitCount(), bits);
        EXPECT_EQ(picture.GetWidth(), width);
        EXPECT_EQ(picture.GetHeight(), height);
        EXPECT_LE(MaxDifference(ToRgb(picture), ReadFile(dir / (name + ".rgb"))), tolerance);
    }
    EXPECT_EQ(files, 27);
}

CPicture RandomPicture(std::uint32_t width, std::uint32_t height, unsigned bits, unsigned seed) {
    CPicture picture;
    picture.Create(width, height, bits);
    std::mt19937 rng(seed);
    const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::size_t i = 0; i < rowBytes; ++i)
            picture.GetRow(y)[i] = static_cast<std::uint8_t>(rng());
    if (bits <= 8) {
        gdi::RGBQUAD table[256];
        for (auto& q : table)
            q = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                 static_cast<std::uint8_t>(rng()), 0};
        picture.SetPalette(0, 1u << bits, table);
    }
    return picture;
}

TEST(TiffOracle, OurFilesDecodeInPillow) {
    if (!HaveOracle())
        GTEST_SKIP() << "Pillow or ImageMagick missing";
    TempDir dir;
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
