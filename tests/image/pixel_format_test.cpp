#include <gtest/gtest.h>

#include <array>
#include <set>

#include "image/dib_image.h"
#include "image/fixed_palettes.h"
#include "image_test_util.h"

using namespace image_test;

namespace {

constexpr ColourValue kRed = ColourFromBgr(0, 0, 255);
constexpr ColourValue kGreen = ColourFromBgr(0, 255, 0);
constexpr ColourValue kBlue = ColourFromBgr(255, 0, 0);
constexpr ColourValue kWhite = 0xFFFFFF;

CDibImage Make565(std::int64_t width, std::int64_t height) {
    CDibImage image;
    image.Create(width, height, 16, gdi::BI_BITFIELDS, kMasks565, true);
    return image;
}

void SetEntries(CDibImage& image, std::initializer_list<gdi::RGBQUAD> entries) {
    image.SetPalette(0, static_cast<unsigned>(entries.size()), entries.begin());
}

}  // namespace

TEST(PixelFormats, PackingRulesAndGreyLevels) {
    EXPECT_EQ(PackTo555(ColourFromBgr(0x18, 0x28, 0x38)), (7 << 10) | (5 << 5) | 3);
    EXPECT_EQ(PackTo565(ColourFromBgr(0x18, 0x2C, 0x38)), (7 << 11) | (11 << 5) | 3);
    // No bit replication: the low bits of each channel come back zero.
    EXPECT_EQ(UnpackFrom555(0x7FFF), ColourFromBgr(248, 248, 248));
    EXPECT_EQ(UnpackFrom565(0xFFFF), ColourFromBgr(248, 252, 248));
    EXPECT_EQ(UnpackFrom555(0x7C00), ColourFromBgr(0, 0, 248));
    EXPECT_EQ(UnpackFrom565(0x07E0), ColourFromBgr(0, 252, 0));
    for (std::uint32_t v = 0; v < 0x10000; ++v) {
        ASSERT_EQ(PackTo565(UnpackFrom565(v)), v);
        if (v < 0x8000) {
            ASSERT_EQ(PackTo555(UnpackFrom555(v)), v);
        }
    }

    EXPECT_EQ(GreyLevelOf(kRed), 76);
    EXPECT_EQ(GreyLevelOf(kGreen), 150);
    EXPECT_EQ(GreyLevelOf(kBlue), 28);
    EXPECT_EQ(GreyLevelOf(kWhite), 255);
    EXPECT_EQ(GreyLevel(0, 0, 0), 0);
}

TEST(PixelFormats, ValuesLieWhereTheirDepthPutsThem) {
    CDibImage mono;
    ASSERT_TRUE(mono.Create(10, 2, 1));
    mono.SetPixelValue(0, 1, 1);
    mono.SetPixelValue(9, 1, 1);
    EXPECT_EQ(mono.GetRow(1)[0], 0x80);
    EXPECT_EQ(mono.GetRow(1)[1], 0x40);
    mono.SetPixelValue(0, 1, 0);
    EXPECT_EQ(mono.GetRow(1)[0], 0x00);
    EXPECT_EQ(mono.GetPixelValue(9, 1), 1u);

    CDibImage nibbles;
    ASSERT_TRUE(nibbles.Create(3, 1, 4));
    nibbles.SetPixelValue(0, 0, 0xA);
    nibbles.SetPixelValue(1, 0, 0x5);
    nibbles.SetPixelValue(2, 0, 0xF);
    EXPECT_EQ(nibbles.GetRow(0)[0], 0xA5);
    EXPECT_EQ(nibbles.GetRow(0)[1], 0xF0);
    EXPECT_EQ(nibbles.GetPixelValue(1, 0), 5u);

    CDibImage words = MakePicture(3, 2, 16);
    words.SetPixelValue(1, 0, 0x1234);
    EXPECT_EQ(Pixel(words, 1, 0), (std::vector<std::uint8_t>{0x34, 0x12}));
    CDibImage bgr = MakePicture(3, 2, 24);
    bgr.SetPixelValue(2, 1, 0xAA112233);
    EXPECT_EQ(Pixel(bgr, 2, 1), (std::vector<std::uint8_t>{0x33, 0x22, 0x11}));
    EXPECT_EQ(bgr.GetPixelValue(2, 1), 0x112233u);
    EXPECT_EQ(bgr.PixelValueAt(bgr.GetPixelAddress(2, 1)), 0x112233u);
    CDibImage bgrx = MakePicture(3, 2, 32);
    bgrx.SetPixelValue(0, 0, 0xAA112233);
    EXPECT_EQ(bgrx.GetPixelValue(0, 0), 0xAA112233u);

    // Outside the picture, and in an empty one, nothing is read or written.
    const CDibImage before(bgr);
    bgr.SetPixelValue(3, 0, 0);
    bgr.SetPixelValue(-1, 0, 0);
    bgr.SetPixelColour(0, 2, 0);
    EXPECT_TRUE(SamePixels(bgr, before));
    EXPECT_EQ(bgr.GetPixelValue(0, -1), 0u);
    CDibImage empty;
    empty.SetPixelValue(0, 0, 1);
    EXPECT_EQ(empty.GetPixelColour(0, 0), 0u);
}

TEST(PixelFormats, ColoursFollowEachDepthsRule) {
    CDibImage palette;
    ASSERT_TRUE(palette.Create(2, 2, 8));
    SetEntries(palette, {{1, 2, 3, 0}, {10, 20, 30, 0}});
    palette.SetPixelValue(1, 1, 1);
    EXPECT_EQ(palette.GetPixelColour(1, 1), ColourFromBgr(10, 20, 30));
    palette.SetPixelColour(0, 0, kWhite);  // a palette picture is not written
    EXPECT_EQ(palette.GetPixelValue(0, 0), 0u);

    CDibImage rgb555 = MakePicture(2, 1, 16);
    rgb555.SetPixelValue(0, 0, 0x7FFF);
    EXPECT_EQ(rgb555.GetPixelColour(0, 0), ColourFromBgr(248, 248, 248));
    rgb555.SetPixelColour(1, 0, kGreen);
    EXPECT_EQ(rgb555.GetPixelValue(1, 0), 0x03E0u);
    EXPECT_FALSE(rgb555.Is565());

    CDibImage rgb565 = Make565(2, 1);
    ASSERT_TRUE(rgb565.Is565());
    rgb565.SetPixelColour(1, 0, kGreen);
    EXPECT_EQ(rgb565.GetPixelValue(1, 0), 0x07E0u);
    EXPECT_EQ(rgb565.GetPixelColour(1, 0), ColourFromBgr(0, 252, 0));
    // Bit fields that describe 5-5-5 pack as 5-5-5.
    const std::uint32_t masks555[3] = {0x7C00, 0x03E0, 0x001F};
    CDibImage fields555;
    fields555.Create(1, 1, 16, gdi::BI_BITFIELDS, masks555, true);
    EXPECT_FALSE(fields555.Is565());

    CDibImage bgrx = MakePicture(1, 1, 32);
    bgrx.SetPixelColour(0, 0, kRed);
    EXPECT_EQ(Pixel(bgrx, 0, 0), (std::vector<std::uint8_t>{0, 0, 255, 0}));
}

TEST(PixelFormats, ToGreyAtEveryKindOfDepth) {
    CDibImage eight;
    ASSERT_TRUE(eight.Create(3, 1, 8));
    SetEntries(eight, {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}});
    for (std::int32_t x = 0; x < 3; ++x)
        eight.SetPixelValue(x, 0, static_cast<std::uint32_t>(x));
    ASSERT_TRUE(eight.ToGrey());
    EXPECT_EQ(eight.GetBitCount(), 8);
    EXPECT_EQ(Pixel(eight, 0, 0)[0], 76);
    EXPECT_EQ(Pixel(eight, 1, 0)[0], 150);
    EXPECT_EQ(Pixel(eight, 2, 0)[0], 28);
    EXPECT_EQ(eight.GetPixelColour(1, 0), ColourFromBgr(150, 150, 150));
    EXPECT_FALSE(eight.ToGrey());  // already grey

    CDibImage mono;
    ASSERT_TRUE(mono.Create(9, 1, 1));
    SetEntries(mono, {{0, 0, 255, 0}, {255, 0, 0, 0}});
    mono.SetPixelValue(8, 0, 1);
    ASSERT_TRUE(mono.ToGrey());
    EXPECT_EQ(mono.GetBitCount(), 1);
    EXPECT_EQ(mono.GetPixelValue(8, 0), 1u);
    EXPECT_EQ(mono.ValueToColour(0), ColourFromBgr(76, 76, 76));
    EXPECT_EQ(mono.ValueToColour(1), ColourFromBgr(28, 28, 28));

    for (const std::uint32_t bits : {16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        CDibImage deep = MakePicture(4, 2, bits);
        deep.SetPixelColour(3, 1, kRed);
        const ColourValue other = deep.GetPixelColour(1, 0);
        ASSERT_TRUE(deep.ToGrey());
        EXPECT_EQ(deep.GetBitCount(), 8);
        EXPECT_TRUE(deep.IsGreyPalette());
        EXPECT_EQ(deep.GetPixelValue(3, 1), bits == 16 ? 74u : 76u);  // 248 red at 16 bits
        EXPECT_EQ(deep.GetPixelValue(1, 0), GreyLevelOf(other));
    }
    CDibImage empty;
    EXPECT_FALSE(empty.ToGrey());
}

TEST(PixelFormats, To16BitPacksEveryDepthAs555) {
    CDibImage four;
    ASSERT_TRUE(four.Create(3, 1, 4));
    SetEntries(four, {{0, 0, 0, 0}, {0, 0, 255, 0}});
    four.SetPixelValue(2, 0, 1);
    ASSERT_TRUE(four.To16Bit());
    EXPECT_EQ(four.GetBitCount(), 16);
    EXPECT_EQ(four.GetPixelValue(0, 0), 0u);
    EXPECT_EQ(four.GetPixelValue(2, 0), 0x7C00u);
    EXPECT_FALSE(four.To16Bit());

    CDibImage bgrx = MakePicture(2, 2, 32);
    bgrx.SetPixelValue(1, 1, 0xFF00FF00);  // green, fourth byte set
    ASSERT_TRUE(bgrx.To16Bit());
    EXPECT_EQ(bgrx.GetPixelValue(1, 1), 0x03E0u);
}

TEST(PixelFormats, ConvertToTrueColourFromEachDepth) {
    CDibImage eight;
    ASSERT_TRUE(eight.Create(2, 1, 8));
    SetEntries(eight, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    eight.SetPixelValue(1, 0, 1);
    CDibImage eight24(eight);
    ASSERT_TRUE(eight.ConvertToTrueColour(32));
    EXPECT_EQ(Pixel(eight, 1, 0), (std::vector<std::uint8_t>{5, 6, 7, 8}));
    ASSERT_TRUE(eight24.To24Bit());
    EXPECT_EQ(Pixel(eight24, 0, 0), (std::vector<std::uint8_t>{1, 2, 3}));

    CDibImage words = Make565(1, 1);
    words.SetPixelValue(0, 0, 0xFFFF);
    ASSERT_TRUE(words.ConvertToTrueColour(32));
    EXPECT_EQ(Pixel(words, 0, 0), (std::vector<std::uint8_t>{248, 252, 248, 0}));

    CDibImage bgrx = MakePicture(2, 1, 32);
    bgrx.SetPixelValue(0, 0, 0xAA112233);
    ASSERT_TRUE(bgrx.To24Bit());
    ASSERT_TRUE(bgrx.ConvertToTrueColour(32));
    EXPECT_EQ(bgrx.GetPixelValue(0, 0), 0x00112233u);

    const CDibImage before(bgrx);
    EXPECT_FALSE(bgrx.ConvertToTrueColour(32));
    EXPECT_FALSE(bgrx.ConvertToTrueColour(16));
    EXPECT_TRUE(SamePixels(bgrx, before));
}

TEST(PixelFormats, FixedPalettesHaveDistinctEntries) {
    EXPECT_EQ(FixedPalette(1).size(), 2u);
    EXPECT_EQ(FixedPalette(4).size(), 16u);
    EXPECT_TRUE(FixedPalette(16).empty());
    const auto cube = FixedPalette(8);
    ASSERT_EQ(cube.size(), 256u);
    std::set<ColourValue> colours;
    for (const gdi::RGBQUAD& q : cube)
        colours.insert(ColourFromQuad(q));
    EXPECT_EQ(colours.size(), 256u);
    EXPECT_EQ(ColourFromQuad(cube[0]), 0u);
    EXPECT_EQ(ColourFromQuad(FixedPalette(4)[15]), kWhite);
}

TEST(DeviceBitmaps, ConvertBitCountRendersThroughTheDisplayFormat) {
    CDibImage image;
    ASSERT_TRUE(image.Create(4, 1, 24));
    image.SetPixelColour(0, 0, ColourFromBgr(10, 20, 30));  // dark: black
    image.SetPixelColour(1, 0, ColourFromBgr(250, 240, 230));
    image.SetPixelColour(2, 0, ColourFromBgr(0, 170, 0));    // exactly VGA green
    image.SetPixelColour(3, 0, ColourFromBgr(204, 0, 255));  // a cube colour

    CDibImage mono(image);
    ASSERT_TRUE(mono.ConvertBitCount(1));
    EXPECT_EQ(mono.GetBitCount(), 1);
    EXPECT_EQ(mono.GetPixelColour(0, 0), 0u);
    EXPECT_EQ(mono.GetPixelColour(1, 0), kWhite);

    CDibImage vga(image);
    ASSERT_TRUE(vga.ConvertBitCount(4));
    EXPECT_EQ(vga.GetPixelColour(2, 0), ColourFromBgr(0, 170, 0));

    CDibImage cube(image);
    ASSERT_TRUE(cube.ConvertBitCount(8));
    EXPECT_EQ(cube.GetPixelColour(3, 0), ColourFromBgr(204, 0, 255));
    EXPECT_EQ(cube.CountColours(), 4u);

    // The device format widens 5-bit channels fully, unlike ConvertToTrueColour.
    CDibImage words = MakePicture(1, 1, 16);
    words.SetPixelValue(0, 0, 0x7FFF);
    ASSERT_TRUE(words.ConvertBitCount(32));
    EXPECT_EQ(words.GetPixelValue(0, 0) & 0xFFFFFF, kWhite);

    const CDibImage before(image);
    EXPECT_FALSE(image.ConvertBitCount(24));
    EXPECT_FALSE(image.ConvertBitCount(3));
    EXPECT_TRUE(SamePixels(image, before));
}

TEST(DeviceBitmaps, CopyFromBitmapKeepsColours) {
    CDibImage image;
    ASSERT_TRUE(image.Create(3, 2, 8));
    SetEntries(image, {{9, 8, 7, 0}, {1, 2, 3, 0}, {200, 100, 50, 0}});
    image.SetPixelValue(2, 1, 2);
    image.SetPixelValue(1, 0, 1);

    const gdi::BitmapPtr device = image.CreateDeviceBitmap();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->BitCount(), 32);
    CDibImage copy;
    ASSERT_TRUE(copy.CopyFromBitmap(device.get(), 24));
    EXPECT_EQ(copy.GetPixelColour(2, 1), ColourFromBgr(200, 100, 50));
    EXPECT_EQ(copy.GetPixelColour(1, 0), ColourFromBgr(1, 2, 3));

    // From a bitmap of the same palette depth, indices and table both carry over.
    CDibImage same;
    ASSERT_TRUE(same.CopyFromBitmap(image.GetBitmapHandle(), 8));
    EXPECT_EQ(same.GetPixelValue(2, 1), 2u);
    EXPECT_EQ(same.GetPixelColour(2, 1), ColourFromBgr(200, 100, 50));

    // Its own bitmap as the source.
    ASSERT_TRUE(image.CopyFromBitmap(image.GetBitmapHandle(), 32));
    EXPECT_EQ(image.GetPixelColour(2, 1) & 0xFFFFFF, ColourFromBgr(200, 100, 50));
    EXPECT_FALSE(image.CopyFromBitmap(nullptr, 8));
    EXPECT_FALSE(CDibImage().CreateDeviceBitmap());
}
