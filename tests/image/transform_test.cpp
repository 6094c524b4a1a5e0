#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/editable_image.h"
#include "image_test_util.h"

using namespace image_test;

namespace {

const std::vector<std::uint32_t> kAllDepths = {1, 4, 8, 16, 24, 32};
const std::vector<std::uint32_t> kByteDepths = {8, 16, 24, 32};

}  // namespace

TEST(QuarterTurns, MapCornersAndUndoEachOther) {
    for (const std::uint32_t bits : kByteDepths) {
        SCOPED_TRACE(bits);
        CEditableImage image = MakePicture(5, 3, bits);
        const CDibImage original(image);
        ASSERT_TRUE(image.Rotate90Clockwise());
        EXPECT_EQ(image.GetWidth(), 3u);
        EXPECT_EQ(image.GetHeight(), 5u);
        EXPECT_EQ(Pixel(image, 0, 0), Pixel(original, 0, 2));  // bottom-left comes to the top
        EXPECT_EQ(Pixel(image, 2, 0), Pixel(original, 0, 0));
        ASSERT_TRUE(image.Rotate90CounterClockwise());
        EXPECT_TRUE(SamePixels(image, original));

        ASSERT_TRUE(image.Rotate90CounterClockwise());
        EXPECT_EQ(Pixel(image, 0, 0), Pixel(original, 4, 0));  // top-right comes to the corner
    }
    CEditableImage fourBit = MakePicture(5, 3, 4);
    EXPECT_FALSE(fourBit.Rotate90Clockwise());
    EXPECT_EQ(fourBit.GetWidth(), 5u);
}

TEST(Flips, FlipVerticalAtEveryDepth) {
    for (const std::uint32_t bits : kAllDepths) {
        SCOPED_TRACE(bits);
        CEditableImage image = MakePicture(9, 3, bits);
        const CDibImage original(image);
        ProgressValue progress{-1};
        ASSERT_TRUE(image.FlipVertical(&progress));
        EXPECT_EQ(progress.load(), 100);
        EXPECT_EQ(0, std::memcmp(image.GetRow(0), original.GetRow(2), RowBytes(image)));
        EXPECT_EQ(0, std::memcmp(image.GetRow(1), original.GetRow(1), RowBytes(image)));
        image.FlipVertical();
        EXPECT_TRUE(SamePixels(image, original));
    }
    CEditableImage single = MakePicture(4, 1, 24);
    const CDibImage before(single);
    single.FlipVertical();
    EXPECT_TRUE(SamePixels(single, before));
    EXPECT_EQ(single.GetProgress(), 100);
}

TEST(Flips, MirrorHorizontalSwapsWholePixels) {
    for (const std::uint32_t bits : kByteDepths) {
        SCOPED_TRACE(bits);
        CEditableImage image = MakePicture(5, 2, bits);
        const CDibImage original(image);
        ASSERT_TRUE(image.MirrorHorizontal());
        EXPECT_EQ(image.GetProgress(), 100);
        for (std::uint32_t x = 0; x < 5; ++x)
            EXPECT_EQ(Pixel(image, x, 1), Pixel(original, 4 - x, 1));
    }
    CEditableImage narrow = MakePicture(1, 3, 24);
    const CDibImage before(narrow);
    EXPECT_TRUE(narrow.MirrorHorizontal());
    EXPECT_TRUE(SamePixels(narrow, before));
    CEditableImage fourBit = MakePicture(6, 2, 4);
    const CDibImage fourBefore(fourBit);
    EXPECT_FALSE(fourBit.MirrorHorizontal());
    EXPECT_TRUE(SamePixels(fourBit, fourBefore));
}

TEST(RotateByAngle, GrowsToHoldTheTurnedPicture) {
    for (const std::uint32_t bits : kAllDepths) {
        SCOPED_TRACE(bits);
        CEditableImage image(false);
        ASSERT_TRUE(image.Create(100, 100, bits));
        std::memset(image.GetBits(), 0xFF, std::size_t{image.GetStride()} * 100);
        ASSERT_TRUE(image.RotateByAngle(45));
        EXPECT_EQ(image.GetWidth(), 142u);
        EXPECT_EQ(image.GetHeight(), 142u);
        EXPECT_EQ(image.GetBitCount(), bits);
        // The picture's middle is covered, the corner triangles stay 0.
        EXPECT_EQ(image.GetPixelAddress(71, 71)[0], 0xFF);
        EXPECT_EQ(image.GetPixelAddress(0, 0)[0], 0);
    }
    CEditableImage image = MakePicture(10, 6, 24, true);
    const CDibImage before(image);
    EXPECT_FALSE(image.RotateByAngle(0));
    EXPECT_FALSE(image.RotateByAngle(90));
    EXPECT_FALSE(image.RotateByAngle(-30));
    EXPECT_TRUE(SamePixels(image, before));
    EXPECT_EQ(image.GetUndoCount(), 0u);
}

TEST(Resize, KeepAspectFitsInsideTheBox) {
    struct Case {
        std::uint32_t sourceWidth, sourceHeight, boxWidth, boxHeight, width, height;
    };
    for (const Case c :
         {Case{2048, 1024, 1024, 768, 1024, 512}, Case{100, 50, 1024, 768, 1024, 512},
          Case{3000, 2, 300, 300, 300, 1}, Case{2, 3000, 300, 300, 1, 300}}) {
        CEditableImage image = MakePicture(c.sourceWidth, c.sourceHeight, 8);
        ASSERT_TRUE(image.Resize(c.boxWidth, c.boxHeight, true));
        EXPECT_EQ(image.GetWidth(), c.width);
        EXPECT_EQ(image.GetHeight(), c.height);
    }
    for (const std::uint32_t bits : kAllDepths) {
        CEditableImage image = MakePicture(40, 30, bits);
        ASSERT_TRUE(image.Resize(7, 100, false));
        EXPECT_EQ(image.GetWidth(), 7u);
        EXPECT_EQ(image.GetHeight(), 100u);
        EXPECT_EQ(image.GetBitCount(), bits);
    }
    CEditableImage image = MakePicture(40, 30, 24);
    const CDibImage before(image);
    EXPECT_FALSE(image.Resize(0, 768, true));
    EXPECT_FALSE(image.Resize(768, 0, false));
    EXPECT_TRUE(SamePixels(image, before));
    // An absurd size cannot be had: the picture is gone and the call says so.
    EXPECT_FALSE(image.Resize(100000, 100000, false));
    EXPECT_FALSE(image.IsValid());
}

TEST(Resize, SamplesTheNearestPixelAndKeepsTheFormat) {
    CEditableImage image(false);
    ASSERT_TRUE(image.Create(4, 4, 8));
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 4; ++x)
            image.GetRow(y)[x] = static_cast<std::uint8_t>(y * 4 + x);
    const gdi::RGBQUAD red{0, 0, 255, 0};
    image.SetPalette(13, 1, &red);
    ASSERT_TRUE(image.Resize(2, 2, false));  // columns and rows 1 and 3 survive
    EXPECT_EQ(image.GetRow(0)[0], 5);
    EXPECT_EQ(image.GetRow(0)[1], 7);
    EXPECT_EQ(image.GetRow(1)[0], 13);
    EXPECT_EQ(image.GetRow(1)[1], 15);
    gdi::RGBQUAD entry;
    image.GetPaletteEntry(13, &entry);
    EXPECT_EQ(entry, red);
    ASSERT_TRUE(image.Resize(4, 4, false));  // each pixel doubled
    EXPECT_EQ(image.GetRow(0)[1], 5);
    EXPECT_EQ(image.GetRow(1)[2], 7);
    EXPECT_EQ(image.GetRow(3)[3], 15);

    // A 5-6-5 picture stays 5-6-5: each pixel value passes through unchanged.
    CEditableImage bitfields(false);
    bitfields.Create(2, 2, 16, gdi::BI_BITFIELDS, kMasks565, true);
    FillPattern(bitfields);
    const CDibImage before(bitfields);
    ASSERT_TRUE(bitfields.Resize(4, 4, false));
    EXPECT_EQ(bitfields.GetCompression(), gdi::BI_BITFIELDS);
    EXPECT_EQ(Pixel(bitfields, 3, 3), Pixel(before, 1, 1));
}

TEST(StretchTo, SelectionStretchLeavesThePictureAlone) {
    CEditableImage image = MakePicture(20, 20, 24);
    CDibImage target;
    EXPECT_FALSE(image.StretchTo(nullptr, 4, 4));
    EXPECT_FALSE(image.StretchTo(&image, 4, 4));
    const gdi::RECT part{10, 10, 20, 20};
    ASSERT_TRUE(image.StretchTo(&target, 5, 5, &part));
    EXPECT_EQ(Pixel(target, 0, 0), Pixel(image, 11, 11));

    const CDibImage before(image);
    image.SetSelection(gdi::CreateEllipticRgn(4, 4, 16, 16));
    ASSERT_TRUE(image.StretchSelectionTo(&target, 12, 12));
    EXPECT_TRUE(SamePixels(image, before));
    EXPECT_EQ(target.GetWidth(), 12u);
    EXPECT_EQ(Pixel(target, 0, 0), Repeat(0xFF, 3));  // outside the ellipse
    EXPECT_EQ(Pixel(target, 6, 6), Pixel(image, 10, 10));

    CEditableImage indexed = MakePicture(16, 16, 4);
    const CDibImage indexedBefore(indexed);
    indexed.SetSelection(gdi::CreateEllipticRgn(0, 0, 16, 16));
    ASSERT_TRUE(indexed.StretchSelectionTo(&target, 8, 8));
    EXPECT_TRUE(SamePixels(indexed, indexedBefore));
    EXPECT_EQ(target.GetBitCount(), 4);
}
