#include <gtest/gtest.h>

#include "image/editable_image.h"
#include "image_test_util.h"

using image_test::MakePicture;
using image_test::SamePixels;

namespace {

const gdi::RECT kNone{};

TEST(Selection, ShapesAreClippedToThePicture) {
    CEditableImage image = MakePicture(5, 5, 24);
    image.SelectRect(0, 0, 10, 10, 0);
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{0, 0, 5, 5}));
    image.SelectRect(-3, -3, 2, 2, 0);
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{0, 0, 2, 2}));
    image.SelectRect(7, 7, 9, 9, 0);
    EXPECT_FALSE(image.HasSelection());
    EXPECT_EQ(image.GetSelectionBounds(), kNone);
}

TEST(Selection, EllipseAndRoundRectCornersAreInclusive) {
    CEditableImage image = MakePicture(20, 20, 24);
    image.SelectEllipse(0, 0, 9, 9, 0);
    EXPECT_EQ(*image.GetSelection(), gdi::CreateEllipticRgn(0, 0, 10, 10));
    image.SelectRoundRect(2, 3, 12, 14, 4, 6, 0);
    EXPECT_EQ(*image.GetSelection(), gdi::CreateRoundRectRgn(2, 3, 13, 15, 4, 6));
    // Clipped on the far side.
    image.SelectEllipse(10, 10, 29, 29, 0);
    gdi::Region expected;
    gdi::CombineRgn(expected, gdi::CreateEllipticRgn(10, 10, 30, 30),
                    gdi::CreateRectRgn(0, 0, 20, 20), gdi::RGN_AND);
    EXPECT_EQ(*image.GetSelection(), expected);
}

TEST(Selection, ModesAddRemoveAndReplace) {
    CEditableImage image = MakePicture(10, 10, 24);
    // Removing with no selection simply selects.
    image.SelectRect(1, 1, 3, 3, 2);
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{1, 1, 3, 3}));
    image.SelectRect(5, 5, 7, 7, 1);
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{1, 1, 7, 7}));
    EXPECT_TRUE(image.GetSelection()->Contains(6, 6));
    EXPECT_FALSE(image.GetSelection()->Contains(4, 4));
    image.SelectRect(5, 5, 7, 7, 7);  // any other mode removes
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{1, 1, 3, 3}));
    image.SelectRect(0, 0, 10, 10, 2);
    EXPECT_FALSE(image.HasSelection());
    EXPECT_EQ(image.GetSelectionBounds(), kNone);
    image.SelectRect(4, 4, 6, 6, 0);
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{4, 4, 6, 6}));
}

TEST(Selection, PolygonFillModesAndNullPoints) {
    CEditableImage image = MakePicture(20, 20, 24);
    const gdi::POINT star[] = {{10, 0}, {16, 19}, {1, 7}, {19, 7}, {4, 19}};
    image.SelectPolygon(star, 5, gdi::WINDING, 0);
    EXPECT_TRUE(image.GetSelection()->Contains(10, 10));  // the centre of the star
    image.SelectPolygon(star, 5, gdi::ALTERNATE, 0);
    EXPECT_FALSE(image.GetSelection()->Contains(10, 10));
    const gdi::RECT before = image.GetSelectionBounds();
    image.SelectPolygon(nullptr, 5, gdi::ALTERNATE, 0);
    EXPECT_EQ(image.GetSelectionBounds(), before);
}

TEST(Selection, RectOffsetAndClear) {
    CEditableImage image = MakePicture(8, 6, 24);
    gdi::RECT r;
    image.GetSelectionRect(&r);
    EXPECT_EQ(r, (gdi::RECT{0, 0, 8, 6}));
    image.GetSelectionRect(nullptr);
    image.OffsetSelection(1, 1);  // nothing to move
    EXPECT_EQ(image.GetSelection(), nullptr);

    image.SelectRect(1, 1, 4, 4, 0);
    image.OffsetSelection(6, 3);
    image.GetSelectionRect(&r);
    EXPECT_EQ(r, (gdi::RECT{7, 4, 8, 6}));
    image.ClearSelection();
    EXPECT_FALSE(image.HasSelection());
    image.GetSelectionRect(&r);
    EXPECT_EQ(r, (gdi::RECT{0, 0, 8, 6}));
}

TEST(Selection, FillAndFramePaintOnlyTheRegion) {
    CEditableImage image = MakePicture(10, 10, 24);
    const CEditableImage original(image);
    image.FillSelection(gdi::CreateSolidBrush(gdi::RGB(1, 2, 3)));  // no selection
    EXPECT_TRUE(SamePixels(image, original));

    image.SelectRect(2, 2, 7, 7, 0);
    image.FrameSelection(gdi::CreateSolidBrush(gdi::RGB(255, 0, 0)));
    image.SelectRect(3, 3, 6, 6, 0);
    image.FillSelection(gdi::CreateSolidBrush(gdi::RGB(0, 0, 255)));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inner = x >= 3 && x < 6 && y >= 3 && y < 6;
            const bool frame = !inner && x >= 2 && x < 7 && y >= 2 && y < 7;
            const ColourValue c = image.GetPixelColour(x, y);
            if (inner)
                EXPECT_EQ(c, ColourFromBgr(255, 0, 0)) << x << "," << y;
            else if (frame)
                EXPECT_EQ(c, ColourFromBgr(0, 0, 255)) << x << "," << y;
            else
                EXPECT_EQ(image.GetPixelValue(x, y), original.GetPixelValue(x, y)) << x << "," << y;
        }
    }
}

TEST(Selection, MoveCarriesOnlyTheSelectedPixels) {
    CEditableImage image = MakePicture(12, 12, 24);
    const CEditableImage original(image);
    image.SelectEllipse(1, 1, 5, 5, 0);
    const gdi::Region shape = *image.GetSelection();
    image.MoveSelection(6, 5, false);
    EXPECT_EQ(image.GetSelectionBounds(), (gdi::RECT{7, 6, 12, 11}));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const std::uint32_t got = image.GetPixelValue(x, y);
            if (shape.Contains(x - 6, y - 5))
                EXPECT_EQ(got, original.GetPixelValue(x - 6, y - 5)) << x << "," << y;
            else if (shape.Contains(x, y))
                EXPECT_EQ(got, 0xFFFFFFu) << x << "," << y;
            else
                EXPECT_EQ(got, original.GetPixelValue(x, y)) << x << "," << y;
        }
    }

    // Keeping the source, and moving partly out of the picture.
    CEditableImage kept = MakePicture(12, 12, 24);
    kept.SelectRect(0, 0, 4, 4, 0);
    kept.MoveSelection(10, 0, true);
    EXPECT_EQ(kept.GetSelectionBounds(), (gdi::RECT{10, 0, 12, 4}));
    EXPECT_EQ(kept.GetPixelValue(0, 0), original.GetPixelValue(0, 0));
    EXPECT_EQ(kept.GetPixelValue(11, 3), original.GetPixelValue(1, 3));
}

TEST(Selection, MoveBelowEightBitsKeepsThePicture) {
    CEditableImage image = MakePicture(16, 8, 4);
    const CEditableImage original(image);
    image.SelectRect(0, 0, 4, 4, 0);
    image.MoveSelection(4, 0, false);
    EXPECT_TRUE(SamePixels(image, original));
}

TEST(Selection, UndoRestoresExactlyTheSelectedArea) {
    CEditableImage image = MakePicture(10, 10, 24, true);
    const CEditableImage original(image);
    image.SelectEllipse(2, 2, 7, 7, 0);
    image.SaveUndoState();
    image.FillSelection(gdi::CreateSolidBrush(gdi::RGB(9, 9, 9)));
    EXPECT_FALSE(SamePixels(image, original));
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, original));
    ASSERT_TRUE(image.Redo());
    EXPECT_EQ(image.GetPixelColour(4, 4), ColourFromBgr(9, 9, 9));
    EXPECT_EQ(image.GetPixelValue(2, 2), original.GetPixelValue(2, 2));  // outside the ellipse
}

}  // namespace
