// The TIFF codec on files laid out byte by byte and on its own output: the
// messages, the bounds of the memory layer, bombs, and the writer's rules.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codecs/tiff.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::RandomPicture;
using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::ToRgb;
using codec_test::WriteFile;
using Bytes = std::vector<std::uint8_t>;

struct Said {
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    CodecMessageSink Sink() {
        return [this](std::string_view text, std::string_view caption) {
            texts.emplace_back(text);
            captions.emplace_back(caption);
        };
    }
};

// A little-endian TIFF of one uncompressed strip; each entry is a SHORT or
// LONG value held in the entry itself.
Bytes HandTiff(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
               std::uint16_t photometric, const Bytes& strip) {
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t value;
    };
    const std::uint32_t dataAt = 8 + 2 + 9 * 12 + 4;
    const Entry entries[] = {
        {256, 4, width}, {257, 4, height},      {258, 3, bits},
        {259, 3, 1},     {262, 3, photometric}, {273, 4, dataAt},
        {277, 3, 1},     {278, 4, height},      {279, 4, static_cast<std::uint32_t>(strip.size())}};
    Bytes out = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
    for (const Entry& e : entries) {
        std::uint8_t raw[12];
        std::memcpy(raw, &e.tag, 2);
        std::memcpy(raw + 2, &e.type, 2);
        const std::uint32_t count = 1;
        std::memcpy(raw + 4, &count, 4);
        std::memcpy(raw + 8, &e.value, 4);
        out.insert(out.end(), raw, raw + 12);
    }
    out.insert(out.end(), {0, 0, 0, 0});
    out.insert(out.end(), strip.begin(), strip.end());
    return out;
}

TEST(TiffRead, ReportsAFileWithoutPagesAndUndecodablePixels) {
    Said said;
    CPicture picture;
    const Bytes noPage = {'I', 'I', 42, 0, 0, 0, 0, 0};
    EXPECT_FALSE(DecodeTiffMemory(picture, noPage, said.Sink()));
    ASSERT_EQ(said.texts, std::vector<std::string>{std::string(kTiffNoPageMessage)});
    EXPECT_EQ(said.captions[0], "error!");

    // JPEG strips overwritten with noise.
    CPicture colour = RandomPicture(64, 64, 24, 1);
    Bytes file;
    ASSERT_TRUE(EncodeTiff(colour, kTiffJpeg, file));
    std::mt19937 rng(2);
    for (std::size_t i = 16; i < file.size() / 2; ++i)
        file[i] = static_cast<std::uint8_t>(rng());
    said = {};
    EXPECT_FALSE(DecodeTiffMemory(picture, file, said.Sink()));
    EXPECT_EQ(said.texts, std::vector<std::string>{std::string(kTiffCorruptMessage)});
    EXPECT_FALSE(picture.IsValid());

    // Not a TIFF at all, and 16-bit samples of a kind not read (CIELab):
    // silent.
    said = {};
    EXPECT_FALSE(DecodeTiffMemory(picture, Bytes{'P', 'K', 3, 4}, said.Sink()));
    EXPECT_FALSE(DecodeTiffMemory(picture, HandTiff(2, 2, 16, 8, Bytes(8, 7)), said.Sink()));
    EXPECT_TRUE(said.texts.empty());
}

TEST(TiffRead, SixteenBitGreyKeepsTheHighBytes) {
    // 5 x 3 little-endian samples whose high and low bytes differ.
    Bytes strip;
    std::vector<std::uint8_t> high;
    for (unsigned i = 0; i < 15; ++i) {
        high.push_back(static_cast<std::uint8_t>(i * 17));
        strip.insert(strip.end(), {static_cast<std::uint8_t>(255 - i), high.back()});
    }
    for (const std::uint16_t photometric : {1, 0}) {
        SCOPED_TRACE(photometric);
        CPicture picture;
        ASSERT_TRUE(DecodeTiffMemory(picture, HandTiff(5, 3, 16, photometric, strip)));
        ASSERT_EQ(picture.GetBitCount(), 8u);
        EXPECT_TRUE(picture.IsGreyPalette());
        const Bytes rgb = ToRgb(picture);
        for (unsigned i = 0; i < 15; ++i) {
            // White-is-zero comes out as ordinary grey levels.
            const int want = photometric == 1 ? high[i] : 255 - high[i];
            EXPECT_EQ(rgb[i * 3], want) << i;
        }
    }
    // A strip shorter than its rows is refused, not shown with noise.
    CPicture shortStrip;
    EXPECT_FALSE(DecodeTiffMemory(shortStrip,
                                  HandTiff(5, 3, 16, 1, Bytes(strip.begin(), strip.begin() + 10))));
    EXPECT_FALSE(shortStrip.IsValid());
    // Every cut, in a buffer of its own size: refused or read within it.
    const Bytes file = HandTiff(5, 3, 16, 1, strip);
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
        CPicture piece;
        EXPECT_EQ(DecodeTiffMemory(piece, part), piece.IsValid());
    }
}

TEST(TiffRead, EveryCutFileFailsOrDecodesWithinItsBytes) {
    for (const unsigned bits : {1u, 8u, 24u}) {
        Bytes file;
        ASSERT_TRUE(EncodeTiff(RandomPicture(40, 30, bits, bits), kTiffLzw, file));
        for (std::size_t cut = 0; cut < file.size(); cut += 7) {
            // Held in a buffer of its own size, so a read past it shows.
            const Bytes part(file.begin(), file.begin() + cut);
            CPicture picture;
            if (!DecodeTiffMemory(picture, part)) {
                EXPECT_FALSE(picture.IsValid());
            }
        }
    }
}

TEST(TiffRead, HugePicturesAreRefusedBeforeAllocation) {
    // 100000 x 100000 grey: 10 GB announced in a few hundred bytes.
    CPicture picture;
    EXPECT_FALSE(DecodeTiffMemory(picture, HandTiff(100000, 100000, 8, 1, Bytes(64, 1))));
    EXPECT_FALSE(DecodeTiffMemory(picture, HandTiff(70000, 70000, 1, 1, Bytes(64, 1))));
    EXPECT_FALSE(picture.IsValid());
    // Under a given cap only.
    const Bytes small = HandTiff(64, 64, 8, 1, Bytes(64 * 64, 9));
    EXPECT_FALSE(DecodeTiffMemory(picture, small, {}, 1000));
    EXPECT_TRUE(DecodeTiffMemory(picture, small));
}

TEST(TiffWrite, PicturesComeBackAsTheyWere) {
    for (const unsigned bits : {1u, 4u, 8u, 24u, 32u}) {
        for (const int compression : {kTiffNone, kTiffLzw, kTiffPackBits}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, compression " << compression);
            CPicture picture = RandomPicture(37, 21, bits, bits + compression);
            Bytes file;
            ASSERT_TRUE(EncodeTiff(picture, compression, file));
            CPicture loaded;
            ASSERT_TRUE(DecodeTiffMemory(loaded, file));
            // The bilevel file keeps only black and white.
            if (bits == 1) {
                EXPECT_EQ(loaded.GetBitCount(), 1);
                continue;
            }
            EXPECT_EQ(loaded.GetBitCount(), bits);
            EXPECT_EQ(ToRgb(loaded), ToRgb(picture));
        }
    }
}

TEST(TiffWrite, GreyPicturesAreWrittenAsGreyLevels) {
    // Greys in shuffled order: the levels survive, not the indices.
    CPicture picture = RandomPicture(20, 10, 8, 5);
    gdi::RGBQUAD table[256];
    for (unsigned i = 0; i < 256; ++i) {
        const auto level = static_cast<std::uint8_t>(255 - i);
        table[i] = {level, level, level, 0};
    }
    picture.SetPalette(0, 256, table);
    for (const int compression : {kTiffNone, kTiffJpeg}) {
        Bytes file;
        ASSERT_TRUE(EncodeTiff(picture, compression, file));
        CPicture loaded;
        ASSERT_TRUE(DecodeTiffMemory(loaded, file));
        EXPECT_TRUE(loaded.IsGreyPalette());
        if (compression == kTiffNone) {
            EXPECT_EQ(ToRgb(loaded), ToRgb(picture));
        }
    }
}

TEST(TiffWrite, CompressionRules) {
    TempDir dir;
    const std::string path = dir / "x.tif";
    WriteFile(path, {'o', 'l', 'd'});
    // JPEG is refused for a colour palette, before the file is touched.
    const CPicture palette = RandomPicture(16, 16, 8, 1);
    EXPECT_FALSE(SaveTiff(palette, path, kTiffJpeg));
    EXPECT_EQ(ReadFile(path), (Bytes{'o', 'l', 'd'}));
    CPicture deep;
    deep.Create(4, 4, 16);
    EXPECT_FALSE(SaveTiff(deep, path, kTiffNone));
    EXPECT_FALSE(SaveTiff(CPicture(), path, kTiffNone));
    EXPECT_EQ(ReadFile(path), (Bytes{'o', 'l', 'd'}));

    ASSERT_TRUE(SaveTiff(palette, path, kTiffLzw));
    CPicture loaded;
    ASSERT_TRUE(LoadTiff(loaded, path));
    EXPECT_EQ(ToRgb(loaded), ToRgb(palette));

    // 24 bits through JPEG: the same size and nearly the same colours.
    CPicture smooth;
    smooth.Create(48, 40, 24);
    for (std::uint32_t y = 0; y < 40; ++y)
        for (std::uint32_t x = 0; x < 48; ++x) {
            std::uint8_t* p = smooth.GetRow(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 5), p[1] = static_cast<std::uint8_t>(y * 6),
            p[2] = 90;
        }
    ASSERT_TRUE(SaveTiff(smooth, path, kTiffJpeg));
    ASSERT_TRUE(LoadTiff(loaded, path));
    ASSERT_EQ(loaded.GetWidth(), 48u);
    ASSERT_EQ(loaded.GetHeight(), 40u);
    const Bytes a = ToRgb(loaded), b = ToRgb(smooth);
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 10) << i;

    // An unknown compression code writes an uncompressed file.
    Bytes unknown, none;
    ASSERT_TRUE(EncodeTiff(palette, 12345, unknown));
    ASSERT_TRUE(EncodeTiff(palette, kTiffNone, none));
    EXPECT_EQ(unknown, none);
}

}  // namespace
