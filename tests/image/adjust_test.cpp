#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/editable_image.h"
#include "image_test_util.h"

using namespace image_test;

namespace {

std::uint8_t PlainAdd(std::uint8_t v, int amount) {
    return static_cast<std::uint8_t>(std::clamp(v + amount, 0, 255));
}

// Applies `op` to an ellipse-selected picture: pixels outside the ellipse
// must not change, and Undo must bring back every byte.
template <typename Op>
void CheckSelectionAndUndo(std::uint32_t bitCount, Op op) {
    CEditableImage image = MakePicture(24, 18, bitCount, true);
    const CEditableImage before(image);
    const gdi::Region ellipse = gdi::CreateEllipticRgn(3, 2, 20, 15);
    image.SetSelection(ellipse);
    ASSERT_TRUE(op(image));
    bool changedInside = false;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        for (std::uint32_t x = 0; x < image.GetWidth(); ++x) {
            const bool same = Pixel(image, x, y) == Pixel(before, x, y);
            if (!ellipse.Contains(std::int32_t(x), std::int32_t(y)))
                ASSERT_TRUE(same) << x << "," << y;
            else
                changedInside |= !same;
        }
    }
    EXPECT_TRUE(changedInside);
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, before));
}

}  // namespace

// Every span length up to 100 at every alignment within 16 bytes, amounts
// at and beyond the ends of the range included.
TEST(AddSaturated, MatchesThePlainLoop) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> buffer(160), expected(160);
    const int amounts[] = {-300, -255, -128, -1, 0, 1, 77, 128, 255, 300};
    for (int amount : amounts) {
        for (std::size_t length = 0; length <= 100; ++length) {
            for (std::size_t offset = 0; offset < 16; ++offset) {
                for (auto& b : buffer)
                    b = static_cast<std::uint8_t>(random());
                expected = buffer;
                for (std::size_t i = offset; i < offset + length; ++i)
                    expected[i] = PlainAdd(expected[i], std::clamp(amount, -255, 255));
                AddSaturated(buffer.data() + offset, length, amount);
                ASSERT_EQ(buffer, expected) << amount << " " << length << " " << offset;
            }
        }
    }
}

TEST(Brightness, MultiplicativeHalvesAndDoublesAdditiveReachesEveryByte) {
    CEditableImage image = MakePicture(13, 5, 24);
    const CEditableImage before(image);
    ASSERT_TRUE(image.Brightness(50, false));
    EXPECT_EQ(Pixel(image, 3, 2)[1], Pixel(before, 3, 2)[1] / 2);
    image.CopyFrom(before);
    ASSERT_TRUE(image.Brightness(200, false));
    for (std::uint32_t x = 0; x < 13; ++x) {
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(Pixel(image, x, 4)[c], std::min(255, 2 * Pixel(before, x, 4)[c]));
    }
    // A negative factor gives black rather than wrapped values.
    image.CopyFrom(before);
    ASSERT_TRUE(image.Brightness(-50, false));
    EXPECT_EQ(Pixel(image, 5, 1), Repeat(0, 3));

    CEditableImage rgba = MakePicture(40, 3, 32);
    const CEditableImage rgbaBefore(rgba);
    ASSERT_TRUE(rgba.Brightness(-40, true));
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(Pixel(rgba, 30, 2)[c], PlainAdd(Pixel(rgbaBefore, 30, 2)[c], -40));
}

TEST(Brightness, PalettePicturesChangeTheirPalette) {
    CEditableImage image = MakePicture(8, 8, 8);
    const gdi::RGBQUAD entry{10, 100, 250, 0};
    image.SetPalette(5, 1, &entry);
    const CEditableImage before(image);
    ASSERT_TRUE(image.Brightness(20, true));
    EXPECT_TRUE(SamePixels(image, before));  // the indices stay
    gdi::RGBQUAD changed;
    image.GetPaletteEntry(5, &changed);
    EXPECT_EQ(changed, (gdi::RGBQUAD{30, 120, 255, 20}));
    ASSERT_TRUE(image.Invert());
    image.GetPaletteEntry(5, &changed);
    EXPECT_EQ(changed, (gdi::RGBQUAD{225, 135, 0, 235}));
}

TEST(Contrast, HundredKeepsValuesAndZeroGivesMidGrey) {
    CEditableImage image(false);
    image.Create(256, 1, 24);
    for (int v = 0; v < 256; ++v)
        std::fill_n(image.GetPixelAddress(v, 0), 3, static_cast<std::uint8_t>(v));
    const CEditableImage before(image);
    ASSERT_TRUE(image.Contrast(100));
    EXPECT_TRUE(SamePixels(image, before));
    ASSERT_TRUE(image.Contrast(0));
    for (std::uint32_t x = 0; x < 256; ++x)
        ASSERT_EQ(Pixel(image, x, 0), Repeat(128, 3));
}

TEST(HueSaturationAndBalance, ChannelResults) {
    CEditableImage image(false);
    image.Create(2, 1, 32);
    image.SetPixelValue(0, 0, 0x7FFF0000);  // pure red, fourth byte 0x7F
    image.SetPixelValue(1, 0, 0x00204080);
    const CEditableImage before(image);
    // Unscaled hue and saturation give the colour back.
    ASSERT_TRUE(image.HueSaturation(100, 100));
    EXPECT_EQ(image.GetPixelValue(0, 0), 0x7FFF0000u);
    // No saturation: grey at the lightness, (1 + 0) / 2 * 255 truncated.
    ASSERT_TRUE(image.HueSaturation(100, 0));
    EXPECT_EQ(image.GetPixelValue(0, 0), 0x7F7F7F7Fu);

    image.CopyFrom(before);
    ASSERT_TRUE(image.ColourBalance(-300, 0, 200));
    EXPECT_EQ(image.GetPixelValue(0, 0), 0x7F0000C8u);
    EXPECT_EQ(image.GetPixelValue(1, 0), 0x000040FFu);
    ASSERT_TRUE(image.Invert());
    EXPECT_EQ(image.GetPixelValue(0, 0), 0x7FFFFF37u);
}

TEST(Adjustments, SixteenBitsAndEmptyPicturesAreLeftAlone) {
    CEditableImage image = MakePicture(8, 8, 16, true);
    const CEditableImage before(image);
    EXPECT_FALSE(image.Brightness(10, true));
    EXPECT_FALSE(image.Brightness(10, false));
    EXPECT_FALSE(image.Contrast(50));
    EXPECT_FALSE(image.HueSaturation(50, 50));
    EXPECT_FALSE(image.ColourBalance(1, 2, 3));
    EXPECT_FALSE(image.Invert());
    EXPECT_TRUE(SamePixels(image, before));
    EXPECT_EQ(image.GetUndoCount(), 0u);
    CEditableImage empty(true);
    EXPECT_FALSE(empty.Invert());
}

TEST(Adjustments, SelectionConfinesTheChangeAndUndoRestoresIt) {
    CheckSelectionAndUndo(24, [](CEditableImage& i) { return i.Brightness(60, true); });
    CheckSelectionAndUndo(32, [](CEditableImage& i) { return i.HueSaturation(50, 150); });
    CheckSelectionAndUndo(24, [](CEditableImage& i) { return i.Invert(); });
}
