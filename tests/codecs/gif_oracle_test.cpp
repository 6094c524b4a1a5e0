// GIF files written by Pillow and ImageMagick decode to their colours, image
// by image; the files we write decode to ours in Pillow.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/gif.h"
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
    return std::string("/usr/bin/python3 ") + DRAPEWELL_GIF_ORACLE;
}

TEST(GifOracle, PeerFilesDecodeToTheirColours) {
    if (!HaveOracle())
        GTEST_SKIP() << "Pillow or ImageMagick missing";
    TempDir dir;
    std::string listing;
    ASSERT_EQ(RunCommand(Oracle() + " make " + dir.Path().string(), &listing), 0);
    std::istringstream lines(listing);
    std::string name;
    std::uint32_t width, height;
    int images, files = 0;
    while (lines >> name >> width >> height >> images) {
        SCOPED_TRACE(name);
        ++files;
        CPicture picture;
        ASSERT_TRUE(LoadGif(picture, dir / (name + ".gif")));
        ASSERT_EQ(picture.GetGifInfo()->imageCount, images);
        for (int n = 1; n <= images; ++n) {
            SCOPED_TRACE(n);
            if (n > 1) {
                ASSERT_EQ(DecodeGifFrame(picture), kGifDecoded);
            }
            EXPECT_EQ(picture.GetBitCount(), 8);
            EXPECT_EQ(picture.GetWidth(), width);
            EXPECT_EQ(picture.GetHeight(), height);
            EXPECT_EQ(ToRgb(picture), ReadFile(dir / (name + "." + std::to_string(n) + ".rgb")));
        }
        EXPECT_EQ(DecodeGifFrame(picture), kGifPastLastImage);
    }
    EXPECT_EQ(files, 13);
}

CPicture RandomPicture(std::uint32_t width, std::uint32_t height, unsigned bits, unsigned seed,
                       unsigned levels = 256) {
    CPicture picture;
    picture.Create(width, height, bits);
    std::mt19937 rng(seed);
    const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::size_t i = 0; i < rowBytes; ++i)
            picture.GetRow(y)[i] = static_cast<std::uint8_t>(rng() % levels);
    gdi::RGBQUAD table[256];
    for (auto& q : table)
        q = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
             static_cast<std::uint8_t>(rng()), 0};
    picture.SetPalette(0, 1u << bits, table);
    return picture;
}

TEST(GifOracle, OurFilesDecodeInPillow) {
    if (!HaveOracle())
        GTEST_SKIP() << "Pillow or ImageMagick missing";
    TempDir dir;
    struct Case {
        unsigned bits;
        bool global;
        std::uint32_t width, height;
    };
    // The last one fills the code table several times over.
    for (const Case c : {Case{1, false, 33, 7}, Case{4, true, 19, 11}, Case{8, false, 23, 5},
                         Case{8, true, 640, 480}}) {
        SCOPED_TRACE(c.bits);
        const CPicture picture = RandomPicture(c.width, c.height, c.bits, c.bits + c.width);
        const std::string path = dir / ("ours" + std::to_string(c.bits) + ".gif");
        ASSERT_TRUE(SaveGif(picture, path, c.global));
        // Further images, each with its own colours.
        const CPicture second = RandomPicture(c.width, c.height, c.bits, 77);
        ASSERT_TRUE(AppendGifFrame(second, path, false, 250, -1));
        for (int n = 1; n <= 2; ++n) {
            std::string out;
            ASSERT_EQ(RunCommand(Oracle() + " decode " + path + " " + std::to_string(n), &out), 0);
            EXPECT_EQ(out, std::to_string(c.width) + " " + std::to_string(c.height) + " 2\n");
            EXPECT_EQ(ReadFile(path + "." + std::to_string(n) + ".rgb"),
                      ToRgb(n == 1 ? picture : second));
        }
    }
}

}  // namespace
