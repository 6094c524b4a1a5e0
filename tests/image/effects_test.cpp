#include <gtest/gtest.h>

#include <cstdint>

#include "image/editable_image.h"
#include "image_test_util.h"

using namespace image_test;

TEST(Spherize, AmountOneKeepsThePictureAndHundredMagnifies) {
    CEditableImage image = MakePicture(31, 21, 24);
    const CEditableImage before(image);
    ASSERT_TRUE(image.Spherize(1));
    EXPECT_TRUE(SamePixels(image, before));
    ASSERT_TRUE(image.Spherize(100));
    EXPECT_FALSE(SamePixels(image, before));
    EXPECT_EQ(Pixel(image, 15, 10), Pixel(before, 15, 10));  // the centre stays
    EXPECT_EQ(Pixel(image, 0, 0), Pixel(before, 0, 0));      // outside the ellipse

    CEditableImage thin = MakePicture(2, 9, 24);
    EXPECT_FALSE(thin.Spherize(50));  // no centre to divide by
}

TEST(ShiftColumnDownAndWave, ColumnsFallWithWhiteAbove) {
    CEditableImage image = MakePicture(4, 6, 24, true);
    const CEditableImage before(image);
    ASSERT_TRUE(image.ShiftColumnDown(2, 2));
    EXPECT_EQ(Pixel(image, 2, 0), Repeat(0xFF, 3));
    EXPECT_EQ(Pixel(image, 2, 1), Repeat(0xFF, 3));
    EXPECT_EQ(Pixel(image, 2, 5), Pixel(before, 2, 3));
    EXPECT_EQ(Pixel(image, 1, 5), Pixel(before, 1, 5));
    EXPECT_FALSE(image.ShiftColumnDown(4, 1));
    EXPECT_FALSE(image.ShiftColumnDown(1, 6));
    EXPECT_FALSE(image.ShiftColumnDown(1, 0));
    // Undo brings the column back even with a selection elsewhere.
    image.SetSelection(gdi::CreateRectRgn(0, 0, 1, 1));
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, before));

    // Amplitude 100 lifts everything by 0.95 of the height; the first
    // column does not fall back (phase 0), the others fall by up to that.
    CEditableImage wave = MakePicture(40, 100, 24);
    const CEditableImage flat(wave);
    ASSERT_TRUE(wave.Wave(100, 10));
    EXPECT_EQ(Pixel(wave, 0, 0), Pixel(flat, 0, 95));
    EXPECT_EQ(Pixel(wave, 0, 5), Repeat(0xFF, 3));
    EXPECT_EQ(Pixel(wave, 39, 99), Repeat(0xFF, 3));
}

TEST(Cylinder, KeepsTheCentreAndCopesWithEvenWidths) {
    for (std::uint32_t width : {9u, 10u}) {
        CEditableImage image(false);
        image.Create(width, 3, 24);
        for (std::uint32_t x = 0; x < width; ++x)
            for (std::uint32_t y = 0; y < 3; ++y)
                image.SetPixelValue(x, y, x * 20);
        ASSERT_TRUE(image.Cylinder());
        // Columns stay in order from left to right.
        for (std::uint32_t x = 1; x < width; ++x)
            EXPECT_GE(image.GetPixelValue(x, 1), image.GetPixelValue(x - 1, 1));
        EXPECT_EQ(image.GetPixelValue(0, 0), 0u);
    }
    CEditableImage narrow = MakePicture(2, 5, 24);
    EXPECT_FALSE(narrow.Cylinder());
}

TEST(Combine, ModesOverTheOverlap) {
    CEditableImage image(false);
    image.Create(4, 3, 24);
    image.FillColour(ColourFromBgr(0xF0, 100, 200));
    CDibImage source;
    source.Create(3, 3, 32);
    source.FillColour(0x550F6496);  // blue 0x96, green 100, red 0x0F
    const CEditableImage before(image);

    ASSERT_TRUE(image.Combine(source, 1, 2, 1));  // covers x 2..3, y 1..2
    EXPECT_EQ(image.GetPixelValue(3, 2), ColourFromBgr(0xF0 & 0x96, 100, 200 & 0x0F));
    EXPECT_EQ(image.GetPixelValue(1, 2), before.GetPixelValue(1, 2));
    EXPECT_EQ(image.GetPixelValue(3, 0), before.GetPixelValue(3, 0));
    image.CopyFrom(before);
    ASSERT_TRUE(image.Combine(source, 8, -1, -1));
    EXPECT_EQ(image.GetPixelValue(0, 0), ColourFromBgr(255, 200, 215));
    EXPECT_EQ(image.GetPixelValue(2, 0), before.GetPixelValue(2, 0));
    image.CopyFrom(before);
    ASSERT_TRUE(image.Combine(source, 16, 0, 0));
    EXPECT_EQ(image.GetPixelValue(0, 0), ColourFromBgr(0, 0, 0));
    image.CopyFrom(before);
    ASSERT_TRUE(image.Combine(source, 32, 0, 0));
    EXPECT_EQ(image.GetPixelValue(1, 1), ColourFromBgr(255, 255, 255));

    EXPECT_FALSE(image.Combine(source, 3, 0, 0));
    EXPECT_FALSE(image.Combine(source, 1, 4, 0));  // apart
}

TEST(Combine, WithItselfGivesBlackAndReadsTheOriginal) {
    CEditableImage image = MakePicture(8, 6, 32);
    const CEditableImage before(image);
    ASSERT_TRUE(image.Combine(image, 16, 0, 0));
    for (std::uint32_t y = 0; y < 6; ++y)
        for (std::uint32_t x = 0; x < 8; ++x)
            ASSERT_EQ(image.GetPixelValue(x, y) & 0xFFFFFF, 0u);
    EXPECT_EQ(Pixel(image, 3, 3)[3], Pixel(before, 3, 3)[3]);  // fourth byte kept

    // Shifted onto itself, every pixel still takes the unchanged neighbour.
    image.CopyFrom(before);
    ASSERT_TRUE(image.Combine(image, 2, 1, 0));
    for (std::uint32_t x = 1; x < 8; ++x) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(Pixel(image, x, 2)[c], Pixel(before, x, 2)[c] | Pixel(before, x - 1, 2)[c]);
    }
}

TEST(BlendAndAlphaBlend, OpacityAndFourthByte) {
    CEditableImage image(true);
    image.Create(4, 4, 24);
    image.FillColour(ColourFromBgr(0, 100, 255));
    CDibImage source;
    source.Create(4, 4, 32);
    source.FillColour(0x80FF0000);  // red 255, fourth byte 128
    const CEditableImage before(image);

    ASSERT_TRUE(image.Blend(source, 255, 0, 0));
    EXPECT_EQ(image.GetPixelValue(1, 1), 0xFF0000u);
    image.CopyFrom(before);
    ASSERT_TRUE(image.Blend(source, 0, 0, 0));
    EXPECT_TRUE(SamePixels(image, before));
    ASSERT_TRUE(image.AlphaBlend(source, 2, 2));
    // green: (0 - 100) * 128 / 255 + 100 = 50; blue stays 0, red 255.
    EXPECT_EQ(image.GetPixelValue(3, 3), ColourFromBgr(0, 50, 255));
    EXPECT_EQ(image.GetPixelValue(1, 1), before.GetPixelValue(1, 1));

    const std::size_t undo = image.GetUndoCount();
    CDibImage rgb;
    rgb.Create(2, 2, 24);
    EXPECT_FALSE(image.AlphaBlend(rgb, 0, 0));
    EXPECT_FALSE(image.Blend(source, 256, 0, 0));
    EXPECT_FALSE(image.Blend(source, 10, -4, 0));
    CDibImage indexed;
    indexed.Create(2, 2, 8);
    EXPECT_FALSE(image.Combine(indexed, 1, 0, 0));
    EXPECT_EQ(image.GetUndoCount(), undo);
}

TEST(Effects, SelectionPlacesTheSourceInPictureCoordinates) {
    CEditableImage image(true);
    image.Create(10, 8, 24);
    const CEditableImage before(image);  // black
    const CEditableImage source = MakePicture(10, 8, 24);
    image.SetSelection(gdi::CreateEllipticRgn(2, 1, 9, 8));
    ASSERT_TRUE(image.Combine(source, 2, 0, 0));
    for (std::uint32_t y = 0; y < 8; ++y) {
        for (std::uint32_t x = 0; x < 10; ++x) {
            const bool inside = image.GetSelection()->Contains(x, y);
            ASSERT_EQ(Pixel(image, x, y), Pixel(inside ? source : before, x, y)) << x << "," << y;
        }
    }
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, before));
}
