// The WebP decode scaled while decoding, and the fitted load built on it,
// which must end exactly where decoding at full size and resizing would.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "codecs/dispatch.h"
#include "codecs/webp.h"
#include "tests/wallpaper/wallpaper_test_support.h"
#include "wallpaper/fitted_load.h"

namespace wallpaper {
namespace {

using wallpaper_test::TempDir;

CPicture Smooth(std::uint32_t width, std::uint32_t height, unsigned bits) {
    CPicture picture;
    picture.Create(width, height, bits);
    const unsigned bytes = bits / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.GetRow(y) + bytes * x;
            p[0] = static_cast<std::uint8_t>(255 * x / width);
            p[1] = static_cast<std::uint8_t>(255 * y / height);
            p[2] = static_cast<std::uint8_t>(128 + 100 * x / width - 100 * y / height);
            if (bytes == 4)
                p[3] = 255;
        }
    return picture;
}

double MeanDifference(const CPicture& a, const CPicture& b) {
    const unsigned bytes = a.GetBitCount() / 8;
    double sum = 0;
    for (std::uint32_t y = 0; y < a.GetHeight(); ++y)
        for (std::uint32_t i = 0; i < bytes * a.GetWidth(); ++i)
            sum += std::abs(int{a.GetRow(y)[i]} - int{b.GetRow(y)[i]});
    return sum / (static_cast<double>(bytes) * a.GetWidth() * a.GetHeight());
}

TEST(WebpReducedDecode, ScalesOnlyToSmallerSizes) {
    std::vector<std::uint8_t> webp;
    ASSERT_TRUE(EncodeWebp(Smooth(301, 201, 24), 90, webp));
    struct Case {
        std::uint32_t width, height;
        bool scaled;
        std::uint32_t outWidth, outHeight;
    };
    const Case cases[] = {
        {150, 100, true, 150, 100},  {301, 200, true, 301, 200}, {301, 201, false, 301, 201},
        {400, 300, false, 301, 201}, {0, 0, false, 301, 201},    {300, 0, false, 301, 201},
        {302, 100, false, 301, 201},  // larger on one side: no scaling
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
        WebpReducedDecode decoded;
        CPicture picture;
        ASSERT_TRUE(DecodeWebpMemoryReduced(
            picture, webp,
            [&](std::uint32_t, std::uint32_t) {
                return std::pair{c.width, c.height};
            },
            &decoded));
        EXPECT_EQ(decoded.fullWidth, 301u);
        EXPECT_EQ(decoded.fullHeight, 201u);
        EXPECT_EQ(decoded.scaled, c.scaled);
        EXPECT_EQ(picture.GetWidth(), c.outWidth);
        EXPECT_EQ(picture.GetHeight(), c.outHeight);
    }
    webp.resize(webp.size() / 2);
    CPicture cut;
    EXPECT_FALSE(DecodeWebpMemoryReduced(cut, webp, [](std::uint32_t, std::uint32_t) {
        return std::pair{10u, 10u};
    }));
    EXPECT_FALSE(cut.IsValid());
}

TEST(FittedLoad, AScaledWebpEndsWhereTheFullSizePictureWould) {
    TempDir dir;
    for (const unsigned bits : {24u, 32u}) {
        // 32-bit pictures with alpha are saved lossless, and stay 32-bit.
        const std::string path = dir / ("photo" + std::to_string(bits) + ".webp");
        CPicture source = Smooth(1203, 802, bits);
        if (bits == 32)
            source.GetRow(0)[3] = 128;
        ASSERT_TRUE(SaveImageFile(source, path));
        CPicture full;
        ASSERT_TRUE(LoadImageFile(full, path));
        const Size screens[] = {{150, 100}, {149, 100}, {640, 480}, {1920, 1080}};
        for (const Size screen : screens)
            for (const Position position : {Position::kCenter, Position::kTile}) {
                SCOPED_TRACE(::testing::Message()
                             << bits << " " << screen.width << "x" << screen.height << " "
                             << static_cast<int>(position));
                CPicture expected(full);
                if (auto targets = FitTargets({1203, 802}, screen, position))
                    expected.Resize(targets->width, targets->height, true);
                CPicture picture;
                ASSERT_TRUE(LoadForChange(picture, path, true, screen, position));
                ASSERT_EQ(picture.GetWidth(), expected.GetWidth());
                ASSERT_EQ(picture.GetHeight(), expected.GetHeight());
                ASSERT_EQ(picture.GetBitCount(), expected.GetBitCount());
                EXPECT_LT(MeanDifference(picture, expected), 6.0);
            }
    }
    // A PNG named .webp is fitted through the dispatch.
    ASSERT_TRUE(SaveImageFile(Smooth(300, 200, 24), dir / "real.png"));
    std::filesystem::copy_file(dir / "real.png", dir / "png.webp");
    CPicture picture;
    ASSERT_TRUE(LoadForChange(picture, dir / "png.webp", true, {150, 100}, Position::kCenter));
    EXPECT_EQ(picture.GetWidth(), 150u);
    EXPECT_FALSE(LoadForChange(picture, dir / "missing.webp", true, {150, 100}, Position::kCenter));
}

}  // namespace
}  // namespace wallpaper
