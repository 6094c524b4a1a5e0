// The BMP reader's own rules for run-length data and bit fields: runs are
// clipped to the picture, default mask layouts are kept as they are, and
// sizes are refused before anything is allocated.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codecs/bmp.h"
#include "image/editable_image.h"

namespace {

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, std::size_t n = 4) {
    std::memcpy(b.data() + at, &v, n);
}

// A file of a 40-byte header, `extra` (masks or colour table) and `data`.
std::vector<std::uint8_t> File(std::int32_t width, std::int32_t height, std::uint16_t bits,
                               std::uint32_t compression, const std::vector<std::uint8_t>& extra,
                               const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> b(54);
    b[0] = 'B';
    b[1] = 'M';
    Put(b, 10, static_cast<std::uint32_t>(54 + extra.size()));
    Put(b, 14, 40);
    Put(b, 18, static_cast<std::uint32_t>(width));
    Put(b, 22, static_cast<std::uint32_t>(height));
    Put(b, 26, 1, 2);
    Put(b, 28, bits, 2);
    Put(b, 30, compression);
    if (bits <= 8)
        Put(b, 46, static_cast<std::uint32_t>(extra.size() / 4));  // colours used
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<std::uint8_t> Masks(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    std::vector<std::uint8_t> out(12);
    Put(out, 0, r);
    Put(out, 4, g);
    Put(out, 8, b);
    return out;
}

const std::vector<std::uint8_t> kPalette(16 * 4, 0x40);

TEST(BmpRuns, RunsAreClippedToThePicture) {
    // A 4x2 picture: an encoded run of 9 (bottom row), an absolute run of
    // 5 (top row) and a delta all reach past the right edge; a delta past
    // the top ends the picture and the run after it is never painted.
    const std::vector<std::uint8_t> rle8 = {9, 7, 0,   0, 0, 5, 1, 2, 3, 4, 5, 0,
                                            0, 2, 200, 0, 3, 9, 0, 2, 0, 9, 8, 8};
    CEditableImage picture(false);
    ASSERT_TRUE(DecodeBmpMemory(picture, File(4, 2, 8, gdi::BI_RLE8, kPalette, rle8)));
    ASSERT_EQ(picture.GetBitCount(), 8u);
    const std::uint8_t bottom[4] = {7, 7, 7, 7}, top[4] = {1, 2, 3, 4};
    EXPECT_EQ(0, std::memcmp(picture.GetRow(1), bottom, 4));
    EXPECT_EQ(0, std::memcmp(picture.GetRow(0), top, 4));
}

TEST(BmpRuns, FourBitRunsAlternateAndStopAtTheData) {
    // Row 0: 3 x (1, 2), absolute (3, 4, 5) padded; the data ends inside
    // an absolute run of 8 that names more bytes than are left.
    const std::vector<std::uint8_t> rle4 = {3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 8, 0x67};
    CEditableImage picture(false);
    ASSERT_TRUE(DecodeBmpMemory(picture, File(7, 2, 4, gdi::BI_RLE4, kPalette, rle4)));
    const std::uint8_t bottom[4] = {0x12, 0x13, 0x45, 0x00}, top[4] = {0x67, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(picture.GetRow(1), bottom, 4));
    EXPECT_EQ(0, std::memcmp(picture.GetRow(0), top, 4));
}

TEST(BmpRuns, MismatchedOrTopDownRunLengthFilesAreRefused) {
    const std::vector<std::uint8_t> data = {2, 1, 0, 1};
    for (const auto& bytes :
         {File(2, 2, 4, gdi::BI_RLE8, kPalette, data), File(2, 2, 8, gdi::BI_RLE4, kPalette, data),
          File(2, -2, 8, gdi::BI_RLE8, kPalette, data),
          // 40000 x 40000 bytes is past the pixel cap.
          File(40000, 40000, 8, gdi::BI_RLE8, kPalette, data)}) {
        CEditableImage picture(false);
        EXPECT_FALSE(DecodeBmpMemory(picture, bytes));
        EXPECT_FALSE(picture.IsValid());
    }
}

TEST(BmpFields, DefaultLayoutsAreKeptAndOthersConverted) {
    struct Case {
        std::uint32_t bits, r, g, b, loadedBits;
        bool keptAsFields;
    };
    const std::vector<std::uint8_t> pixels(16, 0xA5);
    for (const Case c :
         {Case{16, 0xF800, 0x07E0, 0x001F, 16, true}, Case{16, 0x7C00, 0x03E0, 0x001F, 16, true},
          Case{32, 0xFF0000, 0xFF00, 0xFF, 32, true}, Case{16, 0x001F, 0x07E0, 0xF800, 24, false},
          Case{32, 0xFF, 0xFF00, 0xFF0000, 24, false},
          Case{32, 0xFFC00000, 0x3FF000, 0xFFC, 24, false}}) {
        SCOPED_TRACE(c.r);
        CEditableImage picture(false);
        ASSERT_TRUE(
            DecodeBmpMemory(picture, File(2, 2, static_cast<std::uint16_t>(c.bits),
                                          gdi::BI_BITFIELDS, Masks(c.r, c.g, c.b), pixels)));
        EXPECT_EQ(picture.GetBitCount(), c.loadedBits);
        EXPECT_EQ(picture.GetCompression() == gdi::BI_BITFIELDS, c.keptAsFields);
    }
}

TEST(BmpFields, FieldsScaleToFullRangeAndEmptyMasksAreRefused) {
    // 2-bit red at the top of a 16-bit pixel: 3 reads 255, 1 reads 85.
    std::vector<std::uint8_t> pixels(8);
    Put(pixels, 0, 0xC000 | 0x0001, 2);
    Put(pixels, 2, 0x4000, 2);
    CEditableImage picture(false);
    ASSERT_TRUE(DecodeBmpMemory(
        picture, File(2, 1, 16, gdi::BI_BITFIELDS, Masks(0xC000, 0x3F00, 0x00FF), pixels)));
    ASSERT_EQ(picture.GetBitCount(), 24u);
    const std::uint8_t want[6] = {1, 0, 255, 0, 0, 85};  // B, G, R
    EXPECT_EQ(0, std::memcmp(picture.GetRow(0), want, 6));

    EXPECT_FALSE(DecodeBmpMemory(
        picture, File(2, 1, 16, gdi::BI_BITFIELDS, Masks(0, 0x3F00, 0x00FF), pixels)));
    // Masks above the 16 bits of a pixel name no bits of it.
    EXPECT_FALSE(DecodeBmpMemory(
        picture, File(2, 1, 16, gdi::BI_BITFIELDS, Masks(0x10000, 0x3F00, 0x00FF), pixels)));
}

}  // namespace
