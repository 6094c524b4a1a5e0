#include "image/editable_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "image_test_util.h"

using namespace image_test;

TEST(AreaCopy, CopyClipsToThePictureAndKeepsFormat) {
    CEditableImage image = MakePicture(6, 5, 24);
    CDibImage part;
    ASSERT_TRUE(image.CopyAreaTo(&part, gdi::RECT{-2, 3, 2, 9}));
    EXPECT_EQ(part.GetWidth(), 2u);
    EXPECT_EQ(part.GetHeight(), 2u);
    EXPECT_EQ(Pixel(part, 1, 1), Pixel(image, 1, 4));

    EXPECT_FALSE(image.CopyAreaTo(&part, gdi::RECT{6, 0, 9, 5}));  // nothing inside
    EXPECT_FALSE(image.CopyAreaTo(nullptr, gdi::RECT{0, 0, 2, 2}));
    EXPECT_FALSE(image.CopyAreaTo(&image, gdi::RECT{0, 0, 2, 2}));
    CEditableImage oneBit = MakePicture(8, 8, 1);
    EXPECT_FALSE(oneBit.CopyAreaTo(&part, gdi::RECT{0, 0, 2, 2}));

    CDibImage indexed;
    indexed.Create(4, 4, 8);
    const gdi::RGBQUAD green{0, 255, 0, 0};
    indexed.SetPalette(3, 1, &green);
    ASSERT_TRUE(indexed.CopyAreaTo(&part, gdi::RECT{1, 1, 3, 3}));
    gdi::RGBQUAD entry;
    part.GetPaletteEntry(3, &entry);
    EXPECT_EQ(entry, green);

    CDibImage bitfields;
    bitfields.Create(4, 4, 16, gdi::BI_BITFIELDS, kMasks565, true);
    ASSERT_TRUE(bitfields.CopyAreaTo(&part, gdi::RECT{0, 0, 2, 2}));
    EXPECT_EQ(part.GetCompression(), gdi::BI_BITFIELDS);
}

TEST(AreaCopy, PasteCopiesOnlyTheOverlap) {
    const CEditableImage patch = MakePicture(3, 3, 32, false, 9);
    for (const auto& [x, y] : {std::pair{-1, -2}, std::pair{4, 3}, std::pair{1, 1}}) {
        CEditableImage image = MakePicture(5, 5, 32);
        const CDibImage before(image);
        ASSERT_TRUE(image.PasteAt(patch, x, y));
        for (int py = 0; py < 5; ++py) {
            for (int px = 0; px < 5; ++px) {
                const bool inside = px >= x && px < x + 3 && py >= y && py < y + 3;
                EXPECT_EQ(Pixel(image, px, py),
                          inside ? Pixel(patch, px - x, py - y) : Pixel(before, px, py));
            }
        }
    }
    CEditableImage image = MakePicture(5, 5, 32);
    EXPECT_FALSE(image.PasteAt(patch, 5, 0));
    EXPECT_FALSE(image.PasteAt(patch, -3, 0));
    EXPECT_FALSE(image.PasteAt(patch, INT32_MAX, INT32_MAX));
    EXPECT_FALSE(image.PasteAt(MakePicture(3, 3, 24), 0, 0));

    // Pasting a picture onto itself reads the rows before overwriting them.
    const CDibImage before(image);
    ASSERT_TRUE(image.PasteAt(image, 0, 1));
    EXPECT_EQ(Pixel(image, 2, 4), Pixel(before, 2, 3));
}

TEST(UndoRedo, AreaSnapshotsRestoreOnlyTheSelectionBounds) {
    CEditableImage image = MakePicture(8, 6, 24, true);
    const CDibImage original(image);
    image.SetSelection(gdi::CreateRectRgn(2, 1, 6, 5));
    ASSERT_TRUE(image.FlipVertical());
    const CDibImage edited(image);
    ASSERT_EQ(image.GetUndoCount(), 1u);

    // A change outside the bounds, made without undo, survives Undo.
    image.GetPixelAddress(0, 0)[0] ^= 0xFF;
    ASSERT_TRUE(image.Undo());
    EXPECT_NE(Pixel(image, 0, 0), Pixel(original, 0, 0));
    image.GetPixelAddress(0, 0)[0] ^= 0xFF;
    EXPECT_TRUE(SamePixels(image, original));
    EXPECT_EQ(image.GetRedoCount(), 1u);

    ASSERT_TRUE(image.Redo());
    EXPECT_TRUE(SamePixels(image, edited));
    ASSERT_TRUE(image.Undo());

    // A new edit after an Undo empties the redo history.
    ASSERT_TRUE(image.MirrorHorizontal());
    EXPECT_EQ(image.GetRedoCount(), 0u);
    EXPECT_FALSE(image.Redo());

    image.ClearHistory();
    EXPECT_FALSE(image.Undo());
}

TEST(UndoRedo, WholeSnapshotsUndoReplacingEdits) {
    CEditableImage image = MakePicture(7, 5, 8, true);
    const CDibImage original(image);
    ASSERT_TRUE(image.Resize(3, 9, false));
    const CDibImage resized(image);
    ASSERT_TRUE(image.Rotate90Clockwise());
    EXPECT_EQ(image.GetUndoCount(), 2u);

    ASSERT_TRUE(image.Undo());
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, original));
    EXPECT_FALSE(image.Undo());
    ASSERT_TRUE(image.Redo());
    EXPECT_TRUE(SamePixels(image, resized));
    EXPECT_EQ(image.GetRedoCount(), 1u);

    // Without undo nothing is recorded.
    CEditableImage plain = MakePicture(4, 4, 24);
    plain.FlipVertical();
    plain.Resize(2, 2, false);
    EXPECT_EQ(plain.GetUndoCount(), 0u);
}

TEST(EditFrame, EllipticSelectionChangesOnlyPixelsInside) {
    // 16-bit 5-6-5 as well: the area copy must keep the masks, or pasting it
    // back would convert its colours.
    for (const bool bitfields : {false, true}) {
        SCOPED_TRACE(bitfields);
        CEditableImage image(true);
        ASSERT_TRUE(bitfields ? image.Create(12, 10, 16, gdi::BI_BITFIELDS, kMasks565, true)
                              : image.Create(12, 10, 24));
        FillPattern(image);
        const CDibImage before(image);
        const gdi::Region ellipse = gdi::CreateEllipticRgn(2, 1, 11, 10);
        image.SetSelection(ellipse);
        ASSERT_TRUE(image.HasSelection());
        const gdi::RECT b = image.GetSelectionBounds();
        ASSERT_TRUE(image.MirrorHorizontal());
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool inside = gdi::PtInRegion(ellipse, x, y);
                EXPECT_EQ(Pixel(image, x, y), inside ? Pixel(before, b.right - 1 - (x - b.left), y)
                                                     : Pixel(before, x, y))
                    << x << "," << y;
            }
        }
        ASSERT_TRUE(image.Undo());
        EXPECT_TRUE(SamePixels(image, before));
    }
}

TEST(EditFrame, SelectionOnAPaletteBelowEightBitsRefusesTheEdit) {
    CEditableImage image = MakePicture(16, 8, 4, true);
    const CDibImage before(image);
    image.SetSelection(gdi::CreateRectRgn(2, 2, 6, 6));
    EXPECT_FALSE(image.FlipVertical());
    EXPECT_FALSE(image.ShiftUp(1));
    EXPECT_TRUE(SamePixels(image, before));
    EXPECT_EQ(image.GetUndoCount(), 0u);
}
