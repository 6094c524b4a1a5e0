// The JPEG decode at a reduced DCT scale, and the fitted load built on it,
// which must end exactly where decoding at full size and resizing would.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "codecs/dispatch.h"
#include "codecs/jpeg.h"
#include "tests/wallpaper/wallpaper_test_support.h"
#include "wallpaper/fitted_load.h"

namespace wallpaper {
namespace {

using wallpaper_test::TempDir;

// Smooth colours, so that a picture decoded smaller and one resized from
// full size may be compared pixel by pixel.
CPicture Gradient(std::uint32_t width, std::uint32_t height) {
    CPicture picture;
    picture.Create(width, height, 24);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.GetRow(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(255 * x / width);
            p[1] = static_cast<std::uint8_t>(255 * y / height);
            p[2] = static_cast<std::uint8_t>(128 + 100 * x / width - 100 * y / height);
        }
    return picture;
}

std::vector<std::uint8_t> Encode(const CPicture& picture) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(EncodeJpeg(picture, 95, bytes));
    return bytes;
}

TEST(JpegReducedDecode, PicksTheSmallestScaleThatCoversTheRequest) {
    const std::vector<std::uint8_t> jpeg = Encode(Gradient(801, 601));
    struct Case {
        std::uint32_t needWidth, needHeight;
        int denominator;
        std::uint32_t width, height;
    };
    const Case cases[] = {
        {101, 76, 8, 101, 76},  // 1/8 rounds up: 801 / 8 -> 101
        {102, 76, 4, 201, 151},  {201, 1, 4, 201, 151},  {202, 151, 2, 401, 301},
        {401, 301, 2, 401, 301}, {402, 10, 1, 801, 601}, {2000, 2000, 1, 801, 601},
        {0, 0, 1, 801, 601},  // nothing asked: full size
        {5, 0, 1, 801, 601},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.needWidth << "x" << c.needHeight);
        std::uint32_t askedWidth = 0, askedHeight = 0;
        JpegReducedDecode decoded;
        CPicture picture;
        ASSERT_TRUE(DecodeJpegMemoryReduced(
            picture, jpeg,
            [&](std::uint32_t w, std::uint32_t h) {
                askedWidth = w;
                askedHeight = h;
                return std::pair{c.needWidth, c.needHeight};
            },
            &decoded));
        EXPECT_EQ(askedWidth, 801u);
        EXPECT_EQ(askedHeight, 601u);
        EXPECT_EQ(decoded.fullWidth, 801u);
        EXPECT_EQ(decoded.fullHeight, 601u);
        EXPECT_EQ(decoded.denominator, c.denominator);
        EXPECT_EQ(picture.GetWidth(), c.width);
        EXPECT_EQ(picture.GetHeight(), c.height);
        EXPECT_EQ(picture.GetBitCount(), 24);
    }
}

TEST(JpegReducedDecode, DamagedStreamsFailAndLeaveThePictureEmpty) {
    std::vector<std::uint8_t> jpeg = Encode(Gradient(64, 64));
    jpeg.resize(jpeg.size() / 2);
    CPicture picture = Gradient(4, 4);
    const auto anySize = [](std::uint32_t, std::uint32_t) { return std::pair{8u, 8u}; };
    EXPECT_FALSE(DecodeJpegMemoryReduced(picture, jpeg, anySize));
    EXPECT_FALSE(picture.IsValid());
    const std::vector<std::uint8_t> junk(100, 0x42);
    EXPECT_FALSE(DecodeJpegMemoryReduced(picture, junk, anySize));
    EXPECT_FALSE(picture.IsValid());
}

double MeanDifference(const CPicture& a, const CPicture& b) {
    double sum = 0;
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y)
        for (std::uint32_t i = 0; i < 3 * a.GetWidth(); ++i)
            sum += std::abs(int{a.GetRow(y)[i]} - int{b.GetRow(y)[i]});
    return sum / (3.0 * a.GetWidth() * a.GetHeight());
}

TEST(FittedLoad, AReducedJpegEndsWhereTheFullSizePictureWould) {
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    ASSERT_TRUE(SaveJpeg(Gradient(1203, 802), path, 95));
    CPicture full;
    ASSERT_TRUE(LoadImageFile(full, path));

    const Size screens[] = {{150, 100}, {149, 100}, {300, 300}, {640, 480}, {1920, 1080}};
    for (const Size screen : screens)
        for (const Position position : {Position::kCenter, Position::kTile}) {
            SCOPED_TRACE(::testing::Message() << screen.width << "x" << screen.height << " "
                                              << static_cast<int>(position));
            CPicture expected(full);
            if (auto targets = FitTargets({1203, 802}, screen, position))
                expected.Resize(targets->width, targets->height, true);
            CPicture picture;
            ASSERT_TRUE(LoadForChange(picture, path, true, screen, position));
            ASSERT_EQ(picture.GetWidth(), expected.GetWidth());
            ASSERT_EQ(picture.GetHeight(), expected.GetHeight());
            EXPECT_LT(MeanDifference(picture, expected), 6.0);
        }

    // Without fitting, the picture keeps the file's size.
    CPicture unfitted;
    ASSERT_TRUE(LoadForChange(unfitted, path, false, {150, 100}, Position::kCenter));
    EXPECT_EQ(unfitted.GetWidth(), 1203u);
    EXPECT_FALSE(LoadForChange(unfitted, dir / "missing.jpg", true, {150, 100}, Position::kCenter));
}

// A PNG named .jpg is fitted like any other picture, not refused.
TEST(FittedLoad, APngNamedJpgIsFittedToo) {
    TempDir dir;
    const std::string path = dir / "png.jpg";
    ASSERT_TRUE(SaveImageFile(Gradient(300, 200), dir / "real.png"));
    std::filesystem::copy_file(dir / "real.png", path);
    CPicture picture;
    ASSERT_TRUE(LoadForChange(picture, path, true, {150, 100}, Position::kCenter));
    EXPECT_EQ(picture.GetWidth(), 150u);
    EXPECT_EQ(picture.GetHeight(), 100u);
}

}  // namespace
}  // namespace wallpaper
