#include <gtest/gtest.h>

#include "image/dib_image.h"
#include "image_test_util.h"

using namespace image_test;

namespace {

constexpr ColourValue kBlue = ColourFromBgr(255, 0, 0);

CDibImage Filled(std::int64_t width, std::int64_t height, std::uint32_t bits, std::uint32_t value) {
    CDibImage image;
    image.Create(width, height, bits);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x)
            image.SetPixelValue(x, y, value);
    }
    return image;
}

}  // namespace

TEST(ColourCensus, CountsDistinctColoursOnly) {
    CDibImage bgrx = Filled(3, 2, 32, 0x00123456);
    bgrx.SetPixelValue(1, 0, 0xFF123456);
    bgrx.SetPixelValue(2, 1, 0x7F123456);
    EXPECT_EQ(bgrx.CountColours(), 1u);
    bgrx.SetPixelValue(0, 1, 0x00123457);
    EXPECT_EQ(bgrx.CountColours(), 2u);

    CDibImage words = Filled(2, 1, 16, 0x0001);
    words.SetPixelValue(1, 0, 0x8001);  // the unused bit of 5-5-5
    EXPECT_EQ(words.CountColours(), 1u);

    // Every byte value once, then more pixels: the census stops at 256.
    CDibImage eight;
    ASSERT_TRUE(eight.Create(300, 2, 8));
    for (std::int32_t x = 0; x < 300; ++x)
        eight.SetPixelValue(x, 0, static_cast<std::uint32_t>(x % 256));
    EXPECT_EQ(eight.CountColours(), 256u);

    // Two entries of one colour are one colour; unused entries do not count.
    CDibImage mono;
    ASSERT_TRUE(mono.Create(5, 1, 1));
    const gdi::RGBQUAD same[2] = {{1, 2, 3, 0}, {1, 2, 3, 9}};
    mono.SetPalette(0, 2, same);
    mono.SetPixelValue(4, 0, 1);
    EXPECT_EQ(mono.CountColours(), 1u);
    CDibImage four;
    ASSERT_TRUE(four.Create(5, 1, 4));
    four.SetPixelValue(3, 0, 7);
    EXPECT_EQ(four.CountColours(), 2u);
    EXPECT_EQ(CDibImage().CountColours(), 0u);
}

TEST(ColourCensus, FindFreeColourGivesTheSmallestAbsentValue) {
    CDibImage bgr = Filled(4, 4, 24, 0x808080);
    ColourValue free = 0xDEAD;
    ASSERT_TRUE(bgr.FindFreeColour(free));
    EXPECT_EQ(free, 0u);  // black
    bgr.SetPixelValue(0, 0, 0);
    bgr.SetPixelValue(1, 0, 1);
    ASSERT_TRUE(bgr.FindFreeColour(free));
    EXPECT_EQ(free, 2u);

    CDibImage eight = Filled(2, 2, 8, 1);
    EXPECT_FALSE(eight.FindFreeColour(free));

    // A 5-5-5 picture holding every colour has none free, whatever its
    // unused top bits say.
    CDibImage words;
    ASSERT_TRUE(words.Create(256, 129, 16));
    for (std::uint32_t v = 0; v < 0x8000; ++v)
        words.SetPixelValue(static_cast<std::int32_t>(v % 256), static_cast<std::int32_t>(v / 256),
                            v);
    EXPECT_FALSE(words.FindFreeColour(free));
    words.SetPixelValue(5, 0, 0x8000 | 5);  // colour 5 now only as a top-bit variant
    EXPECT_FALSE(words.FindFreeColour(free));
    words.SetPixelValue(7, 0, 0);
    ASSERT_TRUE(words.FindFreeColour(free));
    EXPECT_EQ(free, UnpackFrom555(7));
}

TEST(SolidFills, FillColourByDepthAndRectangle) {
    CDibImage eight = MakePicture(3, 3, 8);
    const CDibImage before(eight);
    EXPECT_FALSE(eight.FillColour(kBlue));
    EXPECT_TRUE(SamePixels(eight, before));

    CDibImage bgrx = MakePicture(3, 2, 32);
    ASSERT_TRUE(bgrx.FillColour(0xAA0000FF));
    EXPECT_EQ(Pixel(bgrx, 2, 1), (std::vector<std::uint8_t>{0xFF, 0, 0, 0xAA}));

    CDibImage rgb565;
    ASSERT_TRUE(rgb565.Create(2, 2, 16, gdi::BI_BITFIELDS, kMasks565, true));
    ASSERT_TRUE(rgb565.FillColour(ColourFromBgr(0, 255, 0)));
    EXPECT_EQ(rgb565.GetPixelValue(1, 1), 0x07E0u);

    // A rectangle reaching past the top-left corner fills exactly the overlap.
    CDibImage bgr = Filled(4, 4, 24, 0);
    const gdi::RECT rect{-2, -1, 2, 1};
    ASSERT_TRUE(bgr.FillColour(kBlue, &rect));
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(bgr.GetPixelValue(x, y), (x < 2 && y < 1) ? kBlue : 0u) << x << "," << y;
    }
    const gdi::RECT outside{10, 10, 12, 12};
    EXPECT_FALSE(bgr.FillColour(kBlue, &outside));
}

TEST(Channels, SplitAndMergeRoundTrip) {
    for (const std::uint32_t bits : {24u, 32u}) {
        SCOPED_TRACE(bits);
        const CDibImage original = MakePicture(5, 3, bits);
        CDibImage red, green, blue, alpha;
        ASSERT_TRUE(original.SplitChannels(&red, &green, &blue, &alpha));
        EXPECT_EQ(red.GetBitCount(), 8);
        EXPECT_TRUE(red.IsGreyPalette());
        EXPECT_EQ(Pixel(red, 4, 2)[0], Pixel(original, 4, 2)[2]);
        EXPECT_EQ(alpha.IsValid(), bits == 32);

        CDibImage merged;
        ASSERT_TRUE(merged.MergeChannels(&red, &green, &blue, bits == 32 ? &alpha : nullptr));
        EXPECT_TRUE(SamePixels(merged, original));
    }
    CDibImage eight = MakePicture(2, 2, 8);
    CDibImage plane;
    EXPECT_FALSE(eight.SplitChannels(&plane, nullptr, nullptr, nullptr));
    CDibImage bgr = MakePicture(2, 2, 24);
    EXPECT_FALSE(bgr.SplitChannels(&bgr, nullptr, nullptr, nullptr));
}

TEST(Channels, MergeChecksItsPlanes) {
    CDibImage bright = Filled(3, 2, 8, 255);
    bright.SetPixelValue(0, 0, 0);
    CDibImage merged;
    ASSERT_TRUE(merged.MergeChannels(nullptr, nullptr, &bright, nullptr));
    EXPECT_EQ(merged.GetBitCount(), 24);
    EXPECT_EQ(merged.GetPixelColour(2, 1), kBlue);
    EXPECT_EQ(merged.GetPixelColour(0, 0), 0u);

    // Planes of different sizes or depths are refused without change.
    const CDibImage small = Filled(2, 2, 8, 1);
    const CDibImage deep = Filled(3, 2, 24, 1);
    EXPECT_FALSE(merged.MergeChannels(&small, nullptr, &bright, nullptr));
    EXPECT_FALSE(merged.MergeChannels(&deep, nullptr, nullptr, nullptr));
    EXPECT_FALSE(merged.MergeChannels(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(merged.GetPixelColour(2, 1), kBlue);

    // The picture itself as a plane.
    ASSERT_TRUE(bright.MergeChannels(&bright, nullptr, nullptr, &bright));
    EXPECT_EQ(bright.GetBitCount(), 32);
    EXPECT_EQ(bright.GetPixelValue(1, 0), 0xFFFF0000u);
}

TEST(Channels, AlphaFromMaskAndInverted) {
    CDibImage bgrx = Filled(3, 2, 32, 0x10203040);
    CDibImage mask = Filled(3, 2, 8, 0);
    mask.SetPixelValue(2, 1, 0x99);
    ASSERT_TRUE(bgrx.SetAlphaChannel(mask));
    EXPECT_EQ(bgrx.GetPixelValue(2, 1), 0x99203040u);
    EXPECT_EQ(bgrx.GetPixelValue(0, 0), 0x00203040u);
    ASSERT_TRUE(bgrx.InvertAlpha());
    EXPECT_EQ(bgrx.GetPixelValue(2, 1), 0x66203040u);
    EXPECT_EQ(bgrx.GetPixelValue(0, 0), 0xFF203040u);

    const CDibImage wrongSize = Filled(2, 2, 8, 0);
    EXPECT_FALSE(bgrx.SetAlphaChannel(wrongSize));
    CDibImage bgr = Filled(3, 2, 24, 0);
    EXPECT_FALSE(bgr.SetAlphaChannel(mask));
    EXPECT_FALSE(bgr.InvertAlpha());
}
