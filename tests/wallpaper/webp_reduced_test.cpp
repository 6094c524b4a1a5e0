// The WebP decode scaled while decoding, and the fitted load built on it,
// which must end exactly where decoding at full size and resizing would.

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "codecs/dispatch.h"
#include "codecs/webp.h"
#include "tests/codecs/webp_test_support.h"
#include "tests/wallpaper/wallpaper_test_support.h"
#include "wallpaper/fitted_load.h"

namespace wallpaper {
namespace {

using wallpaper_test::TempDir;

using webp_test::Gradient;

double MeanDifference(const CPicture& a, const CPicture& b) {
    return webp_test::MeanDifference(webp_test::PixelBytes(a), webp_test::PixelBytes(b));
}

TEST(WebpReducedDecode, ScalesOnlyToSmallerSizes) {
    std::vector<std::uint8_t> webp;
    ASSERT_TRUE(EncodeWebp(Gradient(301, 201, 24), 90, webp));
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
    for (const auto& [bits, width, height] : {std::tuple{24u, 1203u, 802u}, {32u, 603u, 401u}}) {
        // 32-bit pictures with alpha are saved lossless, and stay 32-bit.
        const std::string path = dir / ("photo" + std::to_string(bits) + ".webp");
        const CPicture source = Gradient(width, height, bits);
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
                if (auto targets = FitTargets({width, height}, screen, position))
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
    ASSERT_TRUE(SaveImageFile(Gradient(300, 200, 24), dir / "real.png"));
    std::filesystem::copy_file(dir / "real.png", dir / "png.webp");
    CPicture picture;
    ASSERT_TRUE(LoadForChange(picture, dir / "png.webp", true, {150, 100}, Position::kCenter));
    EXPECT_EQ(picture.GetWidth(), 150u);
    EXPECT_FALSE(LoadForChange(picture, dir / "missing.webp", true, {150, 100}, Position::kCenter));
}

}  // namespace
}  // namespace wallpaper
