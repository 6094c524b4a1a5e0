#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "image/dib_image.h"
#include "platform/desktop/setters.h"
#include "platform/gdi/display.h"
#include "tests/image/exchange_test_util.h"

namespace {

using exchange_test::NumberedColour;
using exchange_test::Rgb;

constexpr int kTileWidth = 23;
constexpr int kTileHeight = 17;

// The root window of a virtual X server of known size, tiled with the
// numbered picture by the root window setter.
class CaptureX11 : public ::testing::Test {
protected:
    void SetUp() override {
        const char* expected = std::getenv("DRAPEWELL_EXPECT_ROOT");
        if (!expected || !*expected)
            GTEST_SKIP() << "DRAPEWELL_EXPECT_ROOT is not set";
        ASSERT_EQ(std::sscanf(expected, "%dx%d", &width, &height), 2) << expected;
        gdi::ForceHeadlessDisplay(false);

        std::vector<std::uint8_t> tile(4 * kTileWidth * kTileHeight);
        for (int y = 0; y < kTileHeight; ++y)
            for (int x = 0; x < kTileWidth; ++x) {
                const ColourValue c = NumberedColour(x, y);
                std::uint8_t* p = &tile[4 * (y * kTileWidth + x)];
                p[0] = ColourBlue(c);
                p[1] = ColourGreen(c);
                p[2] = ColourRed(c);
            }
        desktop::PixelView view;
        view.width = kTileWidth;
        view.height = kTileHeight;
        view.topRow = tile.data();
        view.rowStep = 4 * kTileWidth;
        const auto setter = desktop::MakeRootWindowSetter();
        ASSERT_TRUE(setter);
        const desktop::Outcome outcome =
            setter->Apply("/unused.bmp", view, desktop::Placement::kTile);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
    }

    // The picture against the tiled screen, its top-left corner at (left, top).
    static void ExpectScreen(const CDibImage& picture, int left, int top) {
        for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
            for (std::uint32_t x = 0; x < picture.GetWidth(); ++x) {
                const int sx = left + static_cast<int>(x), sy = top + static_cast<int>(y);
                ASSERT_EQ(Rgb(picture.GetPixelColour(static_cast<std::int32_t>(x),
                                                     static_cast<std::int32_t>(y))),
                          NumberedColour(sx % kTileWidth, sy % kTileHeight))
                    << x << "," << y;
            }
    }

    int width = 0;
    int height = 0;
};

TEST_F(CaptureX11, CapturesTheWholeScreenAt32Bits) {
    CDibImage picture;
    ASSERT_EQ(picture.CaptureScreen(), 1);
    ASSERT_EQ(picture.GetWidth(), static_cast<std::uint32_t>(width));
    ASSERT_EQ(picture.GetHeight(), static_cast<std::uint32_t>(height));
    EXPECT_EQ(picture.GetBitCount(), 32u);
    ExpectScreen(picture, 0, 0);
}

TEST_F(CaptureX11, CapturesTheRectanglesPartOnTheScreen) {
    CDibImage picture;
    const gdi::RECT inside{30, 20, 71, 45};
    ASSERT_EQ(picture.CaptureScreen(&inside), 1);
    ASSERT_EQ(picture.GetWidth(), 41u);
    ASSERT_EQ(picture.GetHeight(), 25u);
    ExpectScreen(picture, 30, 20);

    const gdi::RECT corner{width - 10, -5, width + 50, 7};
    ASSERT_EQ(picture.CaptureScreen(&corner), 1);
    ASSERT_EQ(picture.GetWidth(), 10u);
    ASSERT_EQ(picture.GetHeight(), 7u);
    ExpectScreen(picture, width - 10, 0);

    // Entirely off the screen: no blank screen-sized picture, no change.
    const gdi::RECT off{width + 1, 0, width + 40, 30};
    EXPECT_EQ(picture.CaptureScreen(&off), 0);
    EXPECT_EQ(picture.GetWidth(), 10u);
    ExpectScreen(picture, width - 10, 0);
}

}  // namespace
