#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codecs/dispatch.h"
#include "codecs/tga.h"
#include "platform/base/resources.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::ToRgb;

Bytes EncodeRow(const Bytes& row, unsigned bits) {
    Bytes out(row.size() * 2 + 8);
    const std::size_t n =
        TgaRleEncodeRow(row, bits, static_cast<std::uint32_t>(row.size() * 8 / bits), out);
    out.resize(n);
    return out;
}

TEST(TgaRle, RunsStopAtOneHundredAndTwentyEightAndRawPacketsKeepTheFirstOfAPair) {
    EXPECT_EQ(EncodeRow(Bytes(130, 'x'), 8), (Bytes{0xFF, 'x', 0x81, 'x'}));
    EXPECT_EQ(EncodeRow(Bytes{'A', 'B', 'C', 'C', 'C'}, 8),
              (Bytes{0x02, 'A', 'B', 'C', 0x81, 'C'}));
    // Pixels are compared whole: 16-bit pixels 0x0101 0x0101 are a run,
    // the bytes 01 01 01 02 are two different pixels.
    EXPECT_EQ(EncodeRow(Bytes{1, 1, 1, 1}, 16), (Bytes{0x81, 1, 1}));
    EXPECT_EQ(EncodeRow(Bytes{1, 1, 1, 2}, 16), (Bytes{0x01, 1, 1, 1, 2}));
    // 200 different pixels: raw packets of 128 and 72.
    Bytes distinct(200);
    for (std::size_t i = 0; i < distinct.size(); ++i)
        distinct[i] = static_cast<std::uint8_t>(i);
    const Bytes coded = EncodeRow(distinct, 8);
    ASSERT_EQ(coded.size(), 202u);
    EXPECT_EQ(coded[0], 127);
    EXPECT_EQ(coded[129], 71);
}

TEST(TgaRle, TheRawScanNeverLooksPastTheRowAndSmallOutputFails) {
    // The row is its own allocation, so a look past its last pixel shows
    // under the address sanitiser.
    const Bytes row{1, 2, 3};
    Bytes out(8);
    EXPECT_EQ(TgaRleEncodeRow(row, 8, 3, out), 4u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{2, 1, 2, 3}));
    Bytes small(3);
    EXPECT_EQ(TgaRleEncodeRow(row, 8, 3, small), 0u);
}

TEST(TgaRle, APacketPastTheRowEndCarriesOnIntoTheNextRow) {
    // A run of 5 and a raw packet of 3 across rows of 3 pixels.
    const Bytes input{0x84, 7, 0x02, 1, 2, 3, 0x7F};
    TgaRlePacket carry;
    Bytes row(3);
    std::size_t position = TgaRleDecodeRow(input, 0, 8, 3, row, carry);
    EXPECT_EQ(row, (Bytes{7, 7, 7}));
    position = TgaRleDecodeRow(input, position, 8, 3, row, carry);
    EXPECT_EQ(row, (Bytes{7, 7, 1}));
    position = TgaRleDecodeRow(input, position, 8, 2, row, carry);
    EXPECT_EQ(row, (Bytes{2, 3, 1}));
    EXPECT_EQ(position, 6u);
    // Input that ends inside a packet, or before one, fails.
    EXPECT_EQ(TgaRleDecodeRow(input, position, 8, 1, row, carry), kTgaRleFailed);
    carry = {};
    EXPECT_EQ(TgaRleDecodeRow(Bytes{0x05, 1, 2}, 0, 8, 3, row, carry), kTgaRleFailed);
    carry = {};
    Bytes wide(4);
    EXPECT_EQ(TgaRleDecodeRow(Bytes{0x81, 1}, 0, 16, 2, wide, carry), kTgaRleFailed);
    // A row too short for its pixels is refused, not overrun.
    carry = {};
    EXPECT_EQ(TgaRleDecodeRow(Bytes{0x81, 1, 2}, 0, 16, 2, row, carry), kTgaRleFailed);
}

// An 18-byte header and what follows it.
Bytes TgaFile(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t bits,
              std::uint8_t descriptor, const Bytes& rest, std::uint8_t mapType = 0,
              std::uint16_t firstEntry = 0, std::uint16_t mapLength = 0,
              std::uint8_t entryBits = 0) {
    Bytes file{0,
               mapType,
               type,
               std::uint8_t(firstEntry),
               std::uint8_t(firstEntry >> 8),
               std::uint8_t(mapLength),
               std::uint8_t(mapLength >> 8),
               entryBits,
               0,
               0,
               0,
               0,
               std::uint8_t(width),
               std::uint8_t(width >> 8),
               std::uint8_t(height),
               std::uint8_t(height >> 8),
               bits,
               descriptor};
    file.insert(file.end(), rest.begin(), rest.end());
    return file;
}

TEST(TgaDecode, BottomUpAndTopDownTwinsLoadTheSame) {
    const Bytes top{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const Bytes bottom{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6};
    CDibImage a, b;
    ASSERT_TRUE(DecodeTgaMemory(a, TgaFile(2, 2, 2, 24, 0x20, top)));
    ASSERT_TRUE(DecodeTgaMemory(b, TgaFile(2, 2, 2, 24, 0x00, bottom)));
    EXPECT_EQ(0, std::memcmp(a.GetRow(0), top.data(), 6));
    EXPECT_EQ(0, std::memcmp(b.GetRow(0), top.data(), 6));
    EXPECT_EQ(0, std::memcmp(b.GetRow(1), top.data() + 6, 6));
}

TEST(TgaDecode, RunLengthColourKeepsAlphaAndGreyIsDecodedToo) {
    // Two rows of two pixels in one run packet that crosses the row end.
    CDibImage picture;
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(10, 2, 2, 32, 0x28, {0x83, 1, 2, 3, 0x80})));
    ASSERT_EQ(picture.GetBitCount(), 32);
    EXPECT_EQ(0, std::memcmp(picture.GetRow(1) + 4, Bytes({1, 2, 3, 0x80}).data(), 4));
    // Type 11: run-length grey, 8-bit with a grey ramp.
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(11, 3, 1, 8, 0x20, {0x81, 200, 0, 9})));
    ASSERT_EQ(picture.GetBitCount(), 8);
    EXPECT_EQ(ToRgb(picture), (Bytes{200, 200, 200, 200, 200, 200, 9, 9, 9}));
}

TEST(TgaDecode, ColourMapsStartWhereTheHeaderSaysAndHold15To32BitEntries) {
    // Entries 16 and 17 (blue, green, red), then pixels 16, 17, 3.
    const Bytes rest{10, 20, 30, 40, 50, 60, 16, 17, 3};
    CDibImage picture;
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(1, 3, 1, 8, 0x20, rest, 1, 16, 2, 24)));
    EXPECT_EQ(ToRgb(picture), (Bytes{30, 20, 10, 60, 50, 40, 3, 3, 3}));
    // 32-bit entries: the fourth byte is the entry's reserved byte.
    const Bytes rest32{10, 20, 30, 99, 0};
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(1, 1, 1, 8, 0x20, rest32, 1, 0, 1, 32)));
    gdi::RGBQUAD entry;
    picture.GetPaletteEntry(0, &entry);
    EXPECT_EQ(entry, (gdi::RGBQUAD{10, 20, 30, 99}));
    // A map reaching past entry 255 sets what fits and is skipped whole.
    Bytes big(300 * 3, 5);
    big.push_back(255);
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(1, 1, 1, 8, 0x20, big, 1, 10, 300, 24)));
    EXPECT_EQ(ToRgb(picture), (Bytes{5, 5, 5}));

    // 16-bit entries: x-r-g-b 1-5-5-5, the top bit no colour, each field
    // widened by repeating its top bits. Entry 0 is red 31, green 1, blue
    // 16; entry 1 only the unused bit.
    ASSERT_TRUE(DecodeTgaMemory(
        picture, TgaFile(1, 2, 1, 8, 0x20, {0x30, 0x7C, 0x00, 0x80, 0, 1}, 1, 0, 2, 16)));
    EXPECT_EQ(ToRgb(picture), (Bytes{255, 8, 132, 0, 0, 0}));
    // Other entry sizes are refused, and a 15-bit map takes 2 bytes an entry.
    TempDir dir;
    codec_test::WriteFile(dir / "map8.tga",
                          TgaFile(1, 2, 1, 8, 0x20, {1, 2, 3, 4, 0, 1}, 1, 0, 2, 8));
    picture.Create(2, 2, 24);
    EXPECT_FALSE(LoadTga(picture, dir / "map8.tga"));
    EXPECT_FALSE(picture.IsValid());
    EXPECT_FALSE(DecodeTgaMemory(picture, TgaFile(1, 1, 1, 8, 0x20, {0, 0, 0}, 1, 0, 2, 15)));
}

TEST(TgaDecode, RightToLeftRowsAreMirroredWholePixelsAtATime) {
    // Top-right origin, 16 bits: pixels (1,2) (3,4) (5,6) are stored last first.
    CDibImage picture;
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(2, 3, 1, 16, 0x30, {5, 6, 3, 4, 1, 2})));
    EXPECT_EQ(0, std::memcmp(picture.GetRow(0), Bytes({1, 2, 3, 4, 5, 6}).data(), 6));
    // Bottom-right, run-length 24-bit: a run crossing the row end, then a raw
    // packet; each row is mirrored after it is decoded. The stored rows are
    // (1, 1) at the bottom and (1, 2) at the top.
    const Bytes coded{0x82, 1, 1, 1, 0x00, 2, 2, 2};
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(10, 2, 2, 24, 0x10, coded)));
    EXPECT_EQ(ToRgb(picture), (Bytes{2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    // A single column mirrors onto itself.
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(3, 1, 2, 8, 0x30, {7, 9})));
    EXPECT_EQ(ToRgb(picture), (Bytes{7, 7, 7, 9, 9, 9}));
}

TEST(TgaDecode, SixteenBitGreyIsGreyThenAlphaIntoThirtyTwoBits) {
    CDibImage picture;
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(3, 3, 1, 16, 0x28, {10, 20, 30, 40, 50, 60})));
    ASSERT_EQ(picture.GetBitCount(), 32);
    EXPECT_EQ(0, std::memcmp(picture.GetRow(0),
                             Bytes({10, 10, 10, 20, 30, 30, 30, 40, 50, 50, 50, 60}).data(), 12));
    // Run-length, right to left: a run of two pairs then one raw pair.
    ASSERT_TRUE(DecodeTgaMemory(picture, TgaFile(11, 3, 1, 16, 0x38, {0x81, 5, 6, 0x00, 7, 8})));
    EXPECT_EQ(
        0, std::memcmp(picture.GetRow(0), Bytes({7, 7, 7, 8, 5, 5, 5, 6, 5, 5, 5, 6}).data(), 12));
    // The file must hold 2 bytes a pixel, not the picture's 4.
    EXPECT_FALSE(DecodeTgaMemory(picture, TgaFile(3, 3, 1, 16, 0x28, {10, 20, 30, 40, 50})));
    EXPECT_FALSE(picture.IsValid());
    EXPECT_FALSE(DecodeTgaMemory(picture, TgaFile(11, 3, 1, 16, 0x28, {0x82, 5})));
}

TEST(TgaDecode, RefusesBeforeAllocatingWhatCannotBeRead) {
    const auto refused = [](const Bytes& file, std::uint64_t cap = gdi::kMaxPixelBytes) {
        CDibImage picture;
        picture.Create(2, 2, 24);
        return !DecodeTgaMemory(picture, file, cap) && !picture.IsValid();
    };
    EXPECT_TRUE(refused(Bytes(17, 0)));
    EXPECT_TRUE(refused(TgaFile(2, 0, 1, 24, 0, Bytes(3, 0))));  // no width
    EXPECT_TRUE(refused(TgaFile(2, 1, 1, 7, 0, Bytes(3, 0))));
    EXPECT_TRUE(refused(TgaFile(3, 1, 1, 24, 0, Bytes(3, 0))));  // grey is 8 or 16 bits
    EXPECT_TRUE(refused(TgaFile(2, 1, 1, 8, 0, Bytes(3, 0))));   // true colour is not
    EXPECT_TRUE(refused(TgaFile(32, 1, 1, 8, 0, Bytes(3, 0))));  // Huffman coding
    // 65535 x 65535 at 32 bits is 16 GiB: refused, not attempted.
    EXPECT_TRUE(refused(TgaFile(2, 65535, 65535, 32, 0, Bytes(64, 0))));
    // A file too short for its rows, raw or coded.
    EXPECT_TRUE(refused(TgaFile(2, 4, 4, 24, 0, Bytes(47, 0))));
    EXPECT_TRUE(refused(TgaFile(10, 4000, 4000, 24, 0, Bytes(64, 0))));
    EXPECT_TRUE(refused(TgaFile(10, 2, 2, 24, 0, {0x81, 1, 2, 3})));
    EXPECT_TRUE(refused(TgaFile(2, 4, 4, 24, 0, Bytes(48, 0)), 47));
    // The image ID and colour map must lie within the file.
    Bytes id = TgaFile(2, 1, 1, 24, 0, Bytes(3, 0));
    id[0] = 200;
    EXPECT_TRUE(refused(id));
    EXPECT_TRUE(refused(TgaFile(1, 1, 1, 8, 0, Bytes(4, 0), 1, 0, 2, 24)));
}

// Pixel bytes that differ from their neighbours after a flat run of six,
// with a palette of distinct colours.
CDibImage Pattern(std::uint32_t width, std::uint32_t height, unsigned bits) {
    return codec_test::PatternPicture(width, height, bits, [](std::uint32_t x, std::uint32_t y) {
        return x < 6 ? 0x41 : x * 37 + y * 101 + 3;
    });
}

TEST(TgaSave, EveryDepthComesBackTheSameRawAndCoded) {
    TempDir dir;
    for (const unsigned bits : {8u, 16u, 24u, 32u}) {
        for (const bool runLength : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, run-length " << runLength);
            const CDibImage picture = Pattern(150, 4, bits);
            ASSERT_TRUE(SaveTga(picture, dir / "x.tga", runLength));
            const Bytes file = ReadFile(dir / "x.tga");
            ASSERT_GT(file.size(), 32u);
            EXPECT_EQ(file[2], (bits == 8 ? 1 : 2) + (runLength ? 8 : 0));
            EXPECT_EQ(file[17], 0x20);
            EXPECT_EQ(std::string(file.begin() + 18, file.begin() + 32), "foolish -- TGA");
            CDibImage loaded;
            ASSERT_TRUE(LoadTga(loaded, dir / "x.tga"));
            ASSERT_EQ(loaded.GetBitCount(), bits);
            const std::size_t rowBytes = 150 * bits / 8;
            for (std::uint32_t y = 0; y < 4; ++y)
                EXPECT_EQ(0, std::memcmp(loaded.GetRow(y), picture.GetRow(y), rowBytes));
            EXPECT_EQ(ToRgb(loaded), ToRgb(picture));
        }
    }
}

TEST(TgaSave, FewColourPicturesAreWrittenAt8BitsFromACopy) {
    for (const unsigned bits : {1u, 4u}) {
        SCOPED_TRACE(bits);
        const CDibImage picture = Pattern(13, 3, bits);
        const std::vector<std::uint8_t> colours = ToRgb(picture);
        Bytes file;
        ASSERT_TRUE(EncodeTga(picture, true, file));
        EXPECT_EQ(picture.GetBitCount(), bits);  // the caller's picture is as it was
        EXPECT_EQ(file[1], 1);
        EXPECT_EQ(file[16], 8);
        CDibImage loaded;
        ASSERT_TRUE(DecodeTgaMemory(loaded, file));
        EXPECT_EQ(ToRgb(loaded), colours);
    }
}

TEST(TgaSave, BitFieldPicturesAreWrittenInTheFileLayout) {
    const std::uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    CDibImage picture;
    ASSERT_TRUE(picture.Create(3, 1, 16, gdi::BI_BITFIELDS, masks565, false));
    // Pure red, green and blue.
    const std::uint8_t row[6] = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00};
    std::memcpy(picture.GetRow(0), row, 6);
    Bytes file;
    ASSERT_TRUE(EncodeTga(picture, false, file));
    CDibImage loaded;
    ASSERT_TRUE(DecodeTgaMemory(loaded, file));
    EXPECT_EQ(ToRgb(loaded), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

TEST(TgaSave, RefusesWhatTargaCannotHoldAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir / "x.tga";
    codec_test::WriteFile(path, {1, 2, 3});
    EXPECT_FALSE(SaveTga(CDibImage(), path, true));
    CDibImage wide;
    ASSERT_TRUE(wide.Create(65536, 1, 8));
    EXPECT_FALSE(SaveTga(wide, path, true));
    EXPECT_EQ(ReadFile(path), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(TgaFiles, AFailedLoadLeavesThePictureEmptyAndDispatchKnowsTheType) {
    TempDir dir;
    codec_test::WriteFile(dir / "bad.tga", Bytes(40, 0));
    CPicture picture;
    picture.Create(2, 2, 24);
    EXPECT_FALSE(LoadTga(picture, dir / "bad.tga"));
    EXPECT_FALSE(picture.IsValid());

    CPicture colour;
    static_cast<CDibImage&>(colour) = Pattern(130, 3, 24);
    ASSERT_TRUE(SaveImageFile(colour, dir / "y.tga"));
    EXPECT_EQ(ReadFile(dir / "y.tga")[2], 10);  // saved run-length coded
    ASSERT_TRUE(LoadImageFile(picture, dir / "y.tga"));
    EXPECT_EQ(ToRgb(picture), ToRgb(colour));
}

// A top-down 2 x 1 true-colour picture: blue, then red.
const std::uint8_t kSampleTga[] = {0, 0, 2, 0, 0,  0,    0,   0, 0, 0, 0, 0,
                                   2, 0, 1, 0, 24, 0x20, 255, 0, 0, 0, 0, 255};
const platform::ResourceRegistration kSample("TwoDots", "TGA", kSampleTga, sizeof kSampleTga);

TEST(TgaFiles, ResourcesLoadByNameAndType) {
    CDibImage picture;
    ASSERT_TRUE(LoadTgaResource(picture, "TWODOTS", "tga"));
    EXPECT_EQ(ToRgb(picture), (Bytes{0, 0, 255, 255, 0, 0}));
    EXPECT_FALSE(LoadTgaResource(picture, "Nothing", "TGA"));
}

}  // namespace
