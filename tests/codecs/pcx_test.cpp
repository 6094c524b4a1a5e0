#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codecs/dispatch.h"
#include "codecs/pcx.h"
#include "platform/base/resources.h"
#include "platform/gdi/display.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::ToRgb;

Bytes Encode(const Bytes& in) {
    Bytes out(2 * in.size());
    out.resize(PcxRleEncode(in, out));
    return out;
}

TEST(PcxRle, LongRunsSplitAtSixtyThreeAndHighBytesAreAlwaysCounted) {
    EXPECT_EQ(Encode(Bytes(64, 0x05)), (Bytes{0xFF, 0x05, 0x05}));
    EXPECT_EQ(Encode(Bytes(64, 0xC5)), (Bytes{0xFF, 0xC5, 0xC1, 0xC5}));
    EXPECT_EQ(Encode(Bytes{0xC5}), (Bytes{0xC1, 0xC5}));
    EXPECT_EQ(Encode(Bytes{1, 2, 2, 0xC0}), (Bytes{1, 0xC2, 2, 0xC1, 0xC0}));

    Bytes input;
    for (int i = 0; i < 500; ++i)
        input.push_back(static_cast<std::uint8_t>(i % 7 == 0 ? 0xE0 : i / 40));
    const Bytes coded = Encode(input);
    Bytes back(input.size());
    EXPECT_EQ(PcxRleDecode(coded, back), input.size());
    EXPECT_EQ(back, input);
}

TEST(PcxRle, CodersStopAtTheirBuffers) {
    // A run longer than the output is cut; a count byte at the end of the
    // input produces nothing.
    Bytes out(10, 0);
    EXPECT_EQ(PcxRleDecode(Bytes{0xFF, 7}, out), 10u);
    EXPECT_EQ(out, Bytes(10, 7));
    EXPECT_EQ(PcxRleDecode(Bytes{1, 2, 0xC5}, out), 2u);
    // An encoder output too small for the whole input is a failure.
    Bytes small(2);
    EXPECT_EQ(PcxRleEncode(Bytes{0xC5, 1}, small), 0u);
}

// A PCX header of the given shape, followed by `body`.
Bytes PcxFile(std::uint16_t width, std::uint16_t height, std::uint8_t bitsPerPlane,
              std::uint8_t planes, std::uint16_t bytesPerLine, const Bytes& body) {
    Bytes file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = bitsPerPlane;
    file[8] = static_cast<std::uint8_t>(width - 1);
    file[9] = static_cast<std::uint8_t>((width - 1) >> 8);
    file[10] = static_cast<std::uint8_t>(height - 1);
    file[11] = static_cast<std::uint8_t>((height - 1) >> 8);
    file[65] = planes;
    file[66] = static_cast<std::uint8_t>(bytesPerLine);
    file[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

TEST(PcxDecode, ThreePlanesBecomeBlueGreenRedAndRunsMayCrossRows) {
    // 2 x 2, lines of 2 bytes per plane. One run covers the blue plane of
    // the first row and the red plane of the second.
    const Bytes body{10, 11, 20, 21, 0xC4, 30, 40, 41};
    CDibImage picture;
    ASSERT_TRUE(DecodePcxMemory(picture, PcxFile(2, 2, 8, 3, 2, body)));
    ASSERT_EQ(picture.GetBitCount(), 24);
    EXPECT_EQ(0, std::memcmp(picture.GetRow(0), Bytes({30, 20, 10, 30, 21, 11}).data(), 6));
    EXPECT_EQ(0, std::memcmp(picture.GetRow(1), Bytes({0, 40, 30, 0, 41, 30}).data(), 6));
}

TEST(PcxDecode, EightBitPicturesTakeTheLastBytesAsTheirPalette) {
    Bytes body{0, 1, 2, 0, 0xC1, 0xFF, 1, 0};
    body.push_back(12);
    for (int i = 0; i < 256; ++i)
        body.insert(body.end(), {std::uint8_t(i), std::uint8_t(i / 2), std::uint8_t(255 - i)});
    CDibImage picture;
    ASSERT_TRUE(DecodePcxMemory(picture, PcxFile(3, 2, 8, 1, 4, body)));
    ASSERT_EQ(picture.GetBitCount(), 8);
    EXPECT_EQ(picture.GetRow(1)[0], 0xFF);
    gdi::RGBQUAD entry;
    picture.GetPaletteEntry(0xFF, &entry);
    EXPECT_EQ(entry, (gdi::RGBQUAD{0, 127, 255, 0}));
}

TEST(PcxDecode, TwoColourFilesWithoutAUsablePaletteAreBlackAndWhite) {
    Bytes file = PcxFile(8, 1, 1, 1, 2, {0x5A, 0});
    CDibImage picture;
    ASSERT_TRUE(DecodePcxMemory(picture, file));
    gdi::RGBQUAD two[2];
    picture.GetPalette(0, 2, two);
    EXPECT_EQ(two[0], (gdi::RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(two[1], (gdi::RGBQUAD{255, 255, 255, 0}));
    // A real two-colour palette is kept.
    const std::uint8_t colours[6] = {200, 0, 0, 0, 0, 100};
    std::memcpy(file.data() + 16, colours, 6);
    ASSERT_TRUE(DecodePcxMemory(picture, file));
    picture.GetPalette(0, 2, two);
    EXPECT_EQ(two[0], (gdi::RGBQUAD{0, 0, 200, 0}));
    EXPECT_EQ(two[1], (gdi::RGBQUAD{100, 0, 0, 0}));
}

TEST(PcxDecode, StaysWithinRowsWhateverTheLineLengthClaims) {
    // Lines far longer than the picture's rows, then far shorter.
    Bytes body;
    for (int row = 0; row < 3; ++row)
        body.insert(body.end(), {0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9});
    CDibImage picture;
    ASSERT_TRUE(DecodePcxMemory(picture, PcxFile(1, 3, 8, 1, 252, body)));
    EXPECT_EQ(picture.GetRow(2)[0], 9);
    ASSERT_TRUE(DecodePcxMemory(picture, PcxFile(1, 2, 8, 3, 500, body)));
    ASSERT_TRUE(DecodePcxMemory(picture, PcxFile(9, 1, 8, 3, 2, Bytes(6, 7))));
    EXPECT_EQ(picture.GetRow(0)[3], 7);
    EXPECT_EQ(picture.GetRow(0)[8 * 3], 0);
}

TEST(PcxDecode, DataEndingEarlyLeavesTheRestBlack) {
    CDibImage picture;
    ASSERT_TRUE(DecodePcxMemory(picture, PcxFile(4, 3, 8, 1, 4, {0xC6, 3})));
    EXPECT_EQ(picture.GetRow(1)[1], 3);
    EXPECT_EQ(picture.GetRow(1)[2], 0);
    EXPECT_EQ(picture.GetRow(2)[0], 0);
}

TEST(PcxDecode, RefusesWhatItCannotReadAndLeavesThePictureEmpty) {
    const Bytes good = PcxFile(4, 4, 8, 1, 4, Bytes(16, 1));
    CDibImage picture;
    ASSERT_TRUE(DecodePcxMemory(picture, good));
    const auto refused = [&](Bytes file, std::uint64_t cap = gdi::kMaxPixelBytes) {
        picture.Create(2, 2, 24);
        const bool ok = DecodePcxMemory(picture, file, cap);
        return !ok && !picture.IsValid();
    };
    EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + 127)));
    EXPECT_TRUE(refused({}));
    Bytes bad = good;
    bad[0] = 11;  // manufacturer
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[2] = 0;  // not run-length coded
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[4] = 5;  // x min past x max
    EXPECT_TRUE(refused(bad));
    EXPECT_TRUE(refused(PcxFile(4, 4, 8, 1, 0, {})));
    EXPECT_TRUE(refused(PcxFile(4, 4, 16, 1, 8, {})));
    EXPECT_TRUE(refused(PcxFile(4, 4, 4, 3, 2, {})));
    // 65535 x 65535 in three planes would be 12 GiB; 4 x 4 is over a small cap.
    EXPECT_TRUE(refused(PcxFile(65535, 65535, 8, 3, 65535, {})));
    EXPECT_TRUE(refused(good, 15));
}

// A picture whose every pixel byte differs from its neighbours, with a
// palette of distinct colours.
CDibImage Pattern(std::uint32_t width, std::uint32_t height, unsigned bits) {
    return codec_test::PatternPicture(
        width, height, bits, [](std::uint32_t x, std::uint32_t y) { return x * 37 + y * 101 + 3; });
}

TEST(PcxSave, EveryWritableDepthComesBackTheSame) {
    TempDir dir;
    for (const unsigned bits : {1u, 4u, 8u, 24u}) {
        for (const std::uint32_t width : {1u, 2u, 13u, 33u}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
            const CDibImage picture = Pattern(width, 5, bits);
            const std::string path = dir / "x.pcx";
            ASSERT_TRUE(SavePcx(picture, path));
            CDibImage loaded;
            ASSERT_TRUE(LoadPcx(loaded, path));
            EXPECT_EQ(loaded.GetBitCount(), bits);
            EXPECT_EQ(ToRgb(loaded), ToRgb(picture));
        }
    }
}

TEST(PcxSave, HeaderPaletteForFewColoursTrailingPaletteForEightBits) {
    gdi::ForceHeadlessDisplay(true);
    gdi::SetHeadlessDisplaySize(800, 600);
    CDibImage one = Pattern(13, 2, 1);
    Bytes file;
    ASSERT_TRUE(EncodePcx(one, file));
    ASSERT_GT(file.size(), 128u + 769u);
    EXPECT_EQ(file[1], 5);
    EXPECT_EQ(file[3], 1);
    EXPECT_EQ(file[65], 1);
    EXPECT_EQ(file[66], 2);  // 13 pixels in an even number of bytes
    EXPECT_EQ(file[12] | file[13] << 8, 800);
    EXPECT_EQ(file[14] | file[15] << 8, 600);
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 22), (Bytes{1, 255, 0, 8, 254, 3}));
    EXPECT_EQ(file[file.size() - 769], 12);
    EXPECT_EQ(Bytes(file.end() - 768, file.end()), Bytes(768, 0));

    ASSERT_TRUE(EncodePcx(Pattern(3, 2, 8), file));
    EXPECT_EQ(Bytes(file.end() - 6, file.end()), (Bytes{243, 1, 250, 250, 0, 253}));
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 64), Bytes(48, 0));
    gdi::ForceHeadlessDisplay(false);
}

TEST(PcxSave, EachPlaneLineIsCodedOnItsOwn) {
    // A single colour: each plane line is a run of 13 and a zero pad byte,
    // never one run across lines.
    CDibImage picture;
    picture.Create(13, 4, 24);
    for (std::uint32_t y = 0; y < 4; ++y)
        std::memset(picture.GetRow(y), 0x40, 13 * 3);
    Bytes file;
    ASSERT_TRUE(EncodePcx(picture, file));
    ASSERT_EQ(file.size(), 128u + 4 * 3 * 3 + 769);
    EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 134), (Bytes{0xCD, 0x40, 0, 0xCD, 0x40, 0}));
}

TEST(PcxSave, NarrowColourPicturesFitTheirFile) {
    // Three even-length plane lines per row take more than the picture's
    // 4-byte rows: the file must still hold every row.
    CDibImage picture = Pattern(1, 3000, 24);
    Bytes file;
    ASSERT_TRUE(EncodePcx(picture, file));
    CDibImage loaded;
    ASSERT_TRUE(DecodePcxMemory(loaded, file));
    EXPECT_EQ(ToRgb(loaded), ToRgb(picture));
}

TEST(PcxSave, RefusesWhatPcxCannotHoldAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir / "x.pcx";
    codec_test::WriteFile(path, {1, 2, 3});
    for (const unsigned bits : {16u, 32u})
        EXPECT_FALSE(SavePcx(Pattern(4, 4, bits), path)) << bits;
    EXPECT_FALSE(SavePcx(CDibImage(), path));
    // x max is a 16-bit field.
    CDibImage wide;
    ASSERT_TRUE(wide.Create(65537, 1, 1));
    EXPECT_FALSE(SavePcx(wide, path));
    EXPECT_EQ(ReadFile(path), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(PcxFiles, LoadEmptiesThePictureFirstAndDispatchKnowsTheType) {
    TempDir dir;
    CPicture picture;
    picture.Create(3, 3, 24);
    EXPECT_FALSE(LoadPcx(picture, dir / "missing.pcx"));
    EXPECT_FALSE(picture.IsValid());

    CPicture eight;
    static_cast<CDibImage&>(eight) = Pattern(7, 3, 8);
    ASSERT_TRUE(SaveImageFile(eight, dir / "y.PCX"));
    ASSERT_TRUE(LoadImageFile(picture, dir / "y.PCX"));
    EXPECT_EQ(ToRgb(picture), ToRgb(eight));
}

// A 2 x 1 picture of 16 colours: indices 1 and 15, colours from the header.
const std::uint8_t
    kSamplePcx[] =
        {
            10, 5, 1, 4,   0, 0, 0, 0,   1, 0, 0, 0, 0, 0, 0, 0,  // 2 x 1, 4 bits
            0,  0, 0, 255, 0, 0, 0, 0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,
            0,  0, 0, 0,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,
            0,  0, 0, 0,   0, 0, 0, 255, 0, 1, 2, 0, 1, 0,  // reserved, one plane, 2 bytes per line
            0,  0, 0, 0,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,
            0,  0, 0, 0,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,
            0,  0, 0, 0,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0};
const platform::ResourceRegistration kSample("TwoDots", "PCX", kSamplePcx, sizeof kSamplePcx);

TEST(PcxFiles, ResourcesLoadByNameAndType) {
    static_assert(sizeof kSamplePcx == 130);
    CDibImage picture;
    ASSERT_TRUE(LoadPcxResource(picture, "twodots", "pcx"));
    EXPECT_EQ(ToRgb(picture), (Bytes{255, 0, 0, 0, 0, 255}));
    EXPECT_FALSE(LoadPcxResource(picture, "TwoDots", "TGA"));
    EXPECT_FALSE(LoadPcxResource(picture, "Sample", "PNG"));
}

}  // namespace
