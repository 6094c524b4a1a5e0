#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image/editable_image.h"
#include "image_test_util.h"

using namespace image_test;

TEST(Canvas, ExpandPlacesThePictureInZeroMargins) {
    CEditableImage image = MakePicture(4, 3, 16, true);
    const CDibImage original(image);
    ASSERT_TRUE(image.ExpandCanvas(2, 1, 3, 4));
    EXPECT_EQ(image.GetWidth(), 9u);
    EXPECT_EQ(image.GetHeight(), 8u);
    EXPECT_EQ(Pixel(image, 2, 1), Pixel(original, 0, 0));
    EXPECT_EQ(Pixel(image, 5, 3), Pixel(original, 3, 2));
    EXPECT_EQ(Pixel(image, 1, 1), Repeat(0, 2));
    EXPECT_EQ(Pixel(image, 6, 3), Repeat(0, 2));
    EXPECT_EQ(Pixel(image, 2, 4), Repeat(0, 2));
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, original));

    EXPECT_FALSE(image.ExpandCanvas(-1, 0, 0, 0));
    EXPECT_EQ(image.GetUndoCount(), 0u);
    // A canvas too large to allocate empties the picture; Undo brings it back.
    EXPECT_FALSE(image.ExpandCanvas(0, 0, INT32_MAX, INT32_MAX));
    EXPECT_FALSE(image.IsValid());
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, original));
    CEditableImage fourBit = MakePicture(4, 4, 4);
    EXPECT_FALSE(fourBit.ExpandCanvas(1, 1, 1, 1));
}

TEST(Canvas, ExpandThenCropRestoresAtEveryByteDepth) {
    for (const std::uint32_t bits : {8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        CEditableImage image = MakePicture(5, 3, bits);
        const CDibImage original(image);
        ASSERT_TRUE(image.ExpandCanvas(2, 1, 3, 4));
        EXPECT_EQ(Pixel(image, 1, 1), Repeat(0, bits / 8));
        EXPECT_EQ(Pixel(image, 6, 3), Pixel(original, 4, 2));
        ASSERT_TRUE(image.CropMargins(2, 1, 3, 4));
        EXPECT_TRUE(SamePixels(image, original));
    }
}

TEST(Canvas, CropKeepsTheInnerPart) {
    CEditableImage image = MakePicture(100, 20, 24);
    const CDibImage original(image);
    EXPECT_FALSE(image.CropMargins(10, 0, 90, 0));  // nothing would be left
    EXPECT_FALSE(image.CropMargins(0, 10, 0, 10));
    EXPECT_FALSE(image.CropMargins(-1, 0, 0, 0));
    EXPECT_TRUE(SamePixels(image, original));
    ASSERT_TRUE(image.CropMargins(10, 5, 20, 3));
    EXPECT_EQ(image.GetWidth(), 70u);
    EXPECT_EQ(image.GetHeight(), 12u);
    EXPECT_EQ(Pixel(image, 0, 0), Pixel(original, 10, 5));
    EXPECT_EQ(Pixel(image, 69, 11), Pixel(original, 79, 16));
}

TEST(Canvas, ExpandWithEdgesRepeatsBorderPixels) {
    for (const std::uint32_t bits : {24u, 32u}) {
        SCOPED_TRACE(bits);
        CEditableImage image = MakePicture(3, 2, bits);
        const CDibImage o(image);
        ASSERT_TRUE(image.ExpandCanvasWithEdges(2, 1, 1, 2));
        ASSERT_EQ(image.GetWidth(), 6u);
        ASSERT_EQ(image.GetHeight(), 5u);
        // Expected source pixel for each result pixel: coordinates clamped
        // into the picture.
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const int sx = std::clamp(x - 2, 0, 2);
                const int sy = std::clamp(y - 1, 0, 1);
                EXPECT_EQ(Pixel(image, x, y), Pixel(o, sx, sy)) << x << "," << y;
            }
        }
    }
    CEditableImage indexed = MakePicture(3, 3, 8);
    EXPECT_FALSE(indexed.ExpandCanvasWithEdges(1, 1, 1, 1));
    EXPECT_EQ(indexed.GetWidth(), 3u);
}

TEST(Shift, FreedPixelsBecomeFFAndBoundsAreChecked) {
    for (const std::uint32_t bits : {8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        CEditableImage image = MakePicture(6, 4, bits);
        const CDibImage original(image);
        EXPECT_FALSE(image.ShiftLeft(6));
        EXPECT_FALSE(image.ShiftLeft(0));
        EXPECT_FALSE(image.ShiftUp(4));
        EXPECT_FALSE(image.ShiftDown(-1));
        EXPECT_TRUE(SamePixels(image, original));

        ASSERT_TRUE(image.ShiftLeft(2));
        EXPECT_EQ(Pixel(image, 0, 1), Pixel(original, 2, 1));
        EXPECT_EQ(Pixel(image, 3, 1), Pixel(original, 5, 1));
        EXPECT_EQ(Pixel(image, 4, 1), Repeat(0xFF, bits / 8));
        ASSERT_TRUE(image.ShiftRight(3));
        EXPECT_EQ(Pixel(image, 3, 2), Pixel(original, 2, 2));
        EXPECT_EQ(Pixel(image, 2, 2), Repeat(0xFF, bits / 8));
    }

    // Whole rows move at any depth, palette pictures included.
    CEditableImage oneBit = MakePicture(20, 5, 1);
    const CDibImage bitsBefore(oneBit);
    ASSERT_TRUE(oneBit.ShiftUp(2));
    EXPECT_EQ(0, std::memcmp(oneBit.GetRow(0), bitsBefore.GetRow(2), RowBytes(oneBit)));
    EXPECT_EQ(oneBit.GetRow(4)[0], 0xFF);
    ASSERT_TRUE(oneBit.ShiftDown(3));
    EXPECT_EQ(0, std::memcmp(oneBit.GetRow(3), bitsBefore.GetRow(2), RowBytes(oneBit)));
    EXPECT_EQ(oneBit.GetRow(2)[1], 0xFF);

    // Within a selection narrower than the shift, the area keeps its pixels.
    CEditableImage selected = MakePicture(10, 4, 8);
    const CDibImage selectedBefore(selected);
    selected.SetSelection(gdi::CreateRectRgn(0, 0, 3, 4));
    EXPECT_TRUE(selected.ShiftLeft(5));
    EXPECT_TRUE(SamePixels(selected, selectedBefore));
    ASSERT_TRUE(selected.ShiftLeft(1));
    EXPECT_EQ(Pixel(selected, 1, 0), Pixel(selectedBefore, 2, 0));
    EXPECT_EQ(Pixel(selected, 2, 0), Repeat(0xFF, 1));
    EXPECT_EQ(Pixel(selected, 3, 0), Pixel(selectedBefore, 3, 0));
}
