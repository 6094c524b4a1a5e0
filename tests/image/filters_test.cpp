#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/editable_image.h"
#include "image_test_util.h"

using namespace image_test;

namespace {

void FillRandom(CDibImage& image, unsigned seed) {
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        std::uint8_t* row = image.GetRow(y);
        for (std::size_t x = 0; x < RowBytes(image); ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = static_cast<std::uint8_t>(state >> 24);
        }
    }
}

// The filter as the steps describe it: enlarge with repeated edges, take
// every window of the enlarged copy, crop the margins again.
CEditableImage ReferenceFilter(const CEditableImage& image, const std::vector<std::int32_t>& kernel,
                               std::int32_t size, std::int32_t divisor) {
    const std::int32_t lead = size / 2;
    const std::int32_t trail = size - 1 - lead;
    CEditableImage big(image);
    EXPECT_TRUE(big.ExpandCanvasWithEdges(lead, lead, trail, trail));
    const CEditableImage source(big);
    for (std::uint32_t i = 0; i + size <= big.GetHeight(); ++i) {
        for (std::uint32_t j = 0; j + size <= big.GetWidth(); ++j) {
            for (int c = 0; c < 3; ++c) {
                long sum = 0;
                for (std::int32_t r = 0; r < size; ++r)
                    for (std::int32_t k = 0; k < size; ++k)
                        sum += kernel[r * size + k] * source.GetPixelAddress(j + k, i + r)[c];
                big.GetPixelAddress(j + lead, i + lead)[c] =
                    static_cast<std::uint8_t>(std::clamp<long>(sum / divisor, 0, 255));
            }
        }
    }
    EXPECT_TRUE(big.CropMargins(lead, lead, trail, trail));
    return big;
}

std::vector<std::uint8_t> Row(const CDibImage& image, std::uint32_t y) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t x = 0; x < image.GetWidth(); ++x)
        out.push_back(image.GetPixelAddress(x, y)[0]);
    return out;
}

CEditableImage GreyRow(const std::vector<std::uint8_t>& values) {
    CEditableImage image(false);
    image.Create(values.size(), 2, 24);
    for (std::size_t x = 0; x < values.size(); ++x)
        std::fill_n(image.GetPixelAddress(x, 0), 3, values[x]);
    return image;
}

}  // namespace

TEST(ApplyKernel, FlatPictureStaysFlatAndUnknownCodesDoNothing) {
    CEditableImage image(false);
    image.Create(9, 7, 24);
    image.FillColour(ColourFromBgr(40, 90, 200));
    const CEditableImage before(image);
    ASSERT_TRUE(image.ApplyNamedFilter(1));
    EXPECT_TRUE(SamePixels(image, before));
    EXPECT_FALSE(image.ApplyNamedFilter(3));
    EXPECT_FALSE(image.ApplyNamedFilter(0));
}

// A kernel of one 1 shows where the window reads: sizes 4 and 5 both reach
// 2 pixels before the centre, and 1 or 2 after it.
TEST(ApplyKernel, MarginsOfEvenAndOddSizes) {
    for (std::int32_t size : {4, 5}) {
        for (bool last : {false, true}) {
            CEditableImage image = MakePicture(11, 9, 24);
            const CEditableImage before(image);
            std::vector<std::int32_t> kernel(size * size, 0);
            kernel[last ? kernel.size() - 1 : 0] = 1;
            ASSERT_TRUE(image.ApplyKernel(kernel, size, 1));
            const std::int32_t shift = last ? size - 1 - size / 2 : -(size / 2);
            for (std::int32_t y = 0; y < 9; ++y) {
                for (std::int32_t x = 0; x < 11; ++x) {
                    ASSERT_EQ(Pixel(image, x, y), Pixel(before, std::clamp(x + shift, 0, 10),
                                                        std::clamp(y + shift, 0, 8)))
                        << size << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(ApplyKernel, MatchesEnlargeConvolveCrop) {
    for (std::uint32_t bits : {24u, 32u}) {
        CEditableImage image(false);
        image.Create(17, 12, bits);
        FillRandom(image, bits);
        const std::vector<std::int32_t> laplace = {0, 1, 0, 1, -4, 1, 0, 1, 0};
        const CEditableImage expected = ReferenceFilter(image, laplace, 3, 1);
        ASSERT_TRUE(image.ApplyNamedFilter(131072));
        EXPECT_TRUE(SamePixels(image, expected));  // fourth bytes kept too
        const std::vector<std::int32_t> weights = {1, 2, 3, -1, 4, 5, 0, 1,  -2, 3, 1, 1, 7,
                                                   1, 1, 2, 0,  0, 1, 2, -3, 1,  1, 2, 2};
        const CEditableImage expected5 = ReferenceFilter(image, weights, 5, 23);
        ASSERT_TRUE(image.ApplyKernel(weights, 5, 23));
        EXPECT_TRUE(SamePixels(image, expected5));
    }
}

TEST(BoxBlur, IsTheMeanOfEveryWindow) {
    for (std::uint32_t bits : {24u, 32u}) {
        for (std::int32_t size : {2, 3, 6, 11}) {
            CEditableImage image(false);
            image.Create(23, 14, bits);
            FillRandom(image, size);
            const CEditableImage expected = ReferenceFilter(
                image, std::vector<std::int32_t>(size * size, 1), size, size * size);
            ASSERT_TRUE(image.BoxBlur(size));
            EXPECT_TRUE(SamePixels(image, expected)) << bits << " " << size;
            EXPECT_EQ(image.GetProgress(), 100);
        }
    }
}

// A selection keeps its place: inside it the result is what the whole
// picture's blur gives there (its real neighbours are read), outside
// nothing changes, and undo restores it.
TEST(BoxBlur, SelectionReadsItsNeighboursInPlace) {
    CEditableImage image(true);
    image.Create(30, 20, 24);
    FillRandom(image, 3);
    const CEditableImage before(image);
    CEditableImage whole(before);
    ASSERT_TRUE(whole.BoxBlur(5));
    const gdi::Region ellipse = gdi::CreateEllipticRgn(4, 3, 25, 17);
    image.SetSelection(ellipse);
    ASSERT_TRUE(image.BoxBlur(5));
    for (std::uint32_t y = 0; y < 20; ++y) {
        for (std::uint32_t x = 0; x < 30; ++x) {
            const CDibImage& expected = ellipse.Contains(x, y) ? whole : before;
            ASSERT_EQ(Pixel(image, x, y), Pixel(expected, x, y)) << x << "," << y;
        }
    }
    ASSERT_TRUE(image.Undo());
    EXPECT_TRUE(SamePixels(image, before));
}

TEST(MotionBlur, RowWalksBothWaysWithTheEdgeColourPastTheEnd) {
    const std::vector<std::uint8_t> values = {10, 20, 30, 40, 50};
    CEditableImage image = GreyRow(values);
    ASSERT_TRUE(image.BlurRow(0, 1, 8));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{15, 22, 31, 41, 50}));
    image = GreyRow(values);
    ASSERT_TRUE(image.BlurRow(0, 1, 16));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{10, 19, 29, 37, 45}));
    image = GreyRow(values);
    ASSERT_TRUE(image.BlurRow(0, 3, 8));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{25, 31, 36, 39, 50}));
    EXPECT_EQ(Row(image, 1), Repeat(0, 5));  // other rows untouched

    image = GreyRow(values);
    ASSERT_TRUE(image.MotionBlur(3, 8, true));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{25, 31, 36, 39, 50}));
    EXPECT_FALSE(image.MotionBlur(4, 8, true));  // more than width - 2
    EXPECT_FALSE(image.MotionBlur(2, 9, true));
    EXPECT_FALSE(image.BlurRow(2, 1, 8));
}

TEST(Mosaic, BlocksTakeTheirMeanAndTheLastOnesTheRest) {
    CEditableImage image = MakePicture(5, 4, 24);
    const CEditableImage before(image);
    ASSERT_TRUE(image.Mosaic(2));
    for (std::uint32_t c = 0; c < 3; ++c) {
        const int mean = (Pixel(before, 2, 0)[c] + Pixel(before, 3, 0)[c] + Pixel(before, 2, 1)[c] +
                          Pixel(before, 3, 1)[c]) /
                         4;
        EXPECT_EQ(Pixel(image, 3, 1)[c], mean);
        const int edge = (Pixel(before, 4, 2)[c] + Pixel(before, 4, 3)[c]) / 2;
        EXPECT_EQ(Pixel(image, 4, 2)[c], edge);
        EXPECT_EQ(Pixel(image, 4, 3)[c], edge);
    }
}

TEST(Diffuse, EachPixelComesFromItsWindow) {
    CEditableImage image(false);
    image.Create(20, 16, 32);
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < 20; ++x)
            image.SetPixelValue(x, y, (y << 8) | x);
    const std::int32_t amount = 5;
    ASSERT_TRUE(image.Diffuse(amount));
    for (std::uint32_t y = 0; y < 16; ++y) {
        for (std::uint32_t x = 0; x < 20; ++x) {
            const std::uint32_t v = image.GetPixelValue(x, y);
            const std::int32_t fromX = v & 0xFF, fromY = v >> 8;
            const std::int32_t j = std::int32_t(x) - amount / 2, i = std::int32_t(y) - amount / 2;
            if (j < 0 || i < 0 || j > 20 - amount || i > 16 - amount) {
                EXPECT_EQ(v, (y << 8) | x);
            } else {
                EXPECT_TRUE(fromX >= j && fromX < j + amount && fromY >= i && fromY < i + amount);
            }
        }
    }
}

TEST(EmbossAndEdgeEnhance, NeighbourDifferences) {
    CEditableImage image = GreyRow({30, 0, 0, 90});
    ASSERT_TRUE(image.Emboss(1));
    // d = 90, e = 30: 158; no difference: 128; d = -270, e = -90: 38; last 128.
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{158, 128, 38, 128}));
    image = GreyRow({30, 0, 0, 90});
    ASSERT_TRUE(image.Emboss(5));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{255, 128, 0, 128}));

    image = GreyRow({100, 90, 90, 95});
    ASSERT_TRUE(image.EdgeEnhance(2));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{120, 90, 80, 95}));
    // A huge amount saturates instead of overflowing.
    image = GreyRow({100, 90, 90, 95});
    ASSERT_TRUE(image.EdgeEnhance(2000000000));
    EXPECT_EQ(Row(image, 0), (std::vector<std::uint8_t>{255, 90, 0, 95}));
}

TEST(Filters, PreconditionsLeaveThePictureAlone) {
    CEditableImage image = MakePicture(6, 5, 24, true);
    const CEditableImage before(image);
    const std::vector<std::int32_t> nine(9, 1);
    EXPECT_FALSE(image.ApplyKernel(nine, 3, 0));
    EXPECT_FALSE(image.ApplyKernel(nine, 2, 1));
    EXPECT_FALSE(image.ApplyKernel(std::vector<std::int32_t>(8, 1), 3, 1));   // too few weights
    EXPECT_FALSE(image.ApplyKernel(std::vector<std::int32_t>(25, 1), 5, 1));  // not < height
    EXPECT_FALSE(image.BoxBlur(1));
    EXPECT_FALSE(image.BoxBlur(5));
    EXPECT_FALSE(image.Mosaic(1));
    EXPECT_FALSE(image.Mosaic(5));
    EXPECT_FALSE(image.Diffuse(3));  // 32 bits only
    EXPECT_FALSE(image.EdgeEnhance(0));
    EXPECT_FALSE(image.MotionBlur(0, 8, true));
    EXPECT_TRUE(SamePixels(image, before));
    EXPECT_EQ(image.GetUndoCount(), 0u);

    CEditableImage indexed = MakePicture(8, 8, 8, true);
    const CEditableImage indexedBefore(indexed);
    EXPECT_FALSE(indexed.ApplyNamedFilter(1));
    EXPECT_FALSE(indexed.BoxBlur(2));
    EXPECT_FALSE(indexed.Emboss(1));
    EXPECT_FALSE(indexed.MotionBlur(2, 8, true));
    EXPECT_TRUE(SamePixels(indexed, indexedBefore));
    EXPECT_EQ(indexed.GetUndoCount(), 0u);

    CEditableImage rgba = MakePicture(8, 8, 32, true);
    EXPECT_FALSE(rgba.Diffuse(1));
    EXPECT_FALSE(rgba.Diffuse(8));
    EXPECT_EQ(rgba.GetUndoCount(), 0u);
}
