// JPEG files written by Pillow and ImageMagick decode to Pillow's pixels;
// the files we write read back in Pillow and in us; damaged and oversized
// streams fail cleanly.

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/jpeg.h"
#include "image/picture.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ForEachPeerFile;
using codec_test::MaxDifference;
using codec_test::PeerFile;
using codec_test::ReadFile;
using codec_test::TempDir;
using Bytes = std::vector<std::uint8_t>;
using JpegOracle = codec_test::PeerTest;

using codec_test::RunCommand;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_JPEG_ORACLE);
}

// The pixel bytes without row padding.
Bytes PixelBytes(const CPicture& picture) {
    Bytes out;
    const std::size_t rowBytes = std::size_t{picture.GetWidth()} * picture.GetBitCount() / 8;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        out.insert(out.end(), picture.GetRow(y), picture.GetRow(y) + rowBytes);
    return out;
}

double MeanDifference(const Bytes& a, const Bytes& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int{a[i]} - int{b[i]});
    return a.empty() ? 0 : sum / a.size();
}

// Four flat blocks of clearly different red and blue, so that an exchange of
// the two shows through any coding loss; 8-bit pictures get a grey ramp.
CPicture Blocks(std::uint32_t width, std::uint32_t height, unsigned bits) {
    CPicture picture;
    picture.Create(width, height, bits);
    if (bits == 8)
        picture.SetGreyPalette();
    const std::uint8_t colours[4][3] = {{200, 40, 30}, {30, 60, 220}, {40, 180, 60}, {90, 90, 90}};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto& c = colours[(y * 2 / height) * 2 + x * 2 / width];
            std::uint8_t* p = picture.GetRow(y) + x * bits / 8;
            if (bits == 8)
                p[0] = c[0];
            else
                p[0] = c[2], p[1] = c[1], p[2] = c[0];
        }
    }
    return picture;
}

Bytes Encoded(const CPicture& picture) {
    Bytes out;
    EXPECT_TRUE(EncodeJpeg(picture, 90, out));
    return out;
}

TEST_F(JpegOracle, PeerFilesDecodeToPillowsPixels) {
    const std::size_t count = ForEachPeerFile(Oracle(), dir, [&](const PeerFile& file) {
        CPicture picture;
        ASSERT_TRUE(LoadJpeg(picture, dir / (file.name + ".jpg")));
        ASSERT_EQ(picture.GetWidth(), file.width);
        ASSERT_EQ(picture.GetHeight(), file.height);
        ASSERT_EQ(picture.GetBitCount(), file.bits);
        if (file.bits == 8) {
            EXPECT_TRUE(picture.IsGreyPalette());
        }
        EXPECT_LE(MaxDifference(PixelBytes(picture), ReadFile(dir / (file.name + ".expect"))), 2);
    });
    EXPECT_EQ(count, 9u);
}

TEST_F(JpegOracle, OurFilesReadBackInPillowAndInUs) {
    for (const unsigned bits : {8u, 24u}) {
        SCOPED_TRACE(bits);
        const CPicture source = Blocks(48, 32, bits);
        const std::string path = dir / ("out" + std::to_string(bits) + ".jpg");
        ASSERT_TRUE(SaveJpeg(source, path, 90));
        std::string reply;
        ASSERT_EQ(RunCommand(Oracle() + " decode " + path, &reply), 0);
        EXPECT_EQ(reply, std::string(bits == 8 ? "L" : "RGB") + " 48 32\n");

        CPicture back;
        ASSERT_TRUE(LoadJpeg(back, path));
        ASSERT_EQ(back.GetBitCount(), bits);
        EXPECT_LE(MaxDifference(PixelBytes(back), ReadFile(path + ".raw")), 2);
        // Within coding loss of what was saved: red and blue stay apart.
        EXPECT_LT(MeanDifference(PixelBytes(back), PixelBytes(source)), 3.0);
    }
}

TEST_F(JpegOracle, GreyPalettesOtherThanTheRampWriteTheirLevels) {
    // White-is-zero (as a TIFF may load) and a palette of a few dark levels:
    // the file holds what the palette shows, not the indices.
    for (const bool reversed : {true, false}) {
        SCOPED_TRACE(reversed);
        CPicture source;
        ASSERT_TRUE(source.Create(32, 16, 8));
        gdi::RGBQUAD table[256];
        for (unsigned i = 0; i < 256; ++i) {
            const auto level = static_cast<std::uint8_t>(reversed ? 255 - i : i / 4);
            table[i] = {level, level, level, 0};
        }
        ASSERT_EQ(source.SetPalette(0, 256, table), 256u);
        Bytes levels;
        for (std::uint32_t y = 0; y < 16; ++y)
            for (std::uint32_t x = 0; x < 32; ++x) {
                const auto index = static_cast<std::uint8_t>(x * 8);
                source.GetRow(y)[x] = index;
                levels.push_back(table[index].rgbGreen);
            }
        const std::string path = dir / "levels.jpg";
        ASSERT_TRUE(SaveJpeg(source, path, 95));
        std::string reply;
        ASSERT_EQ(RunCommand(Oracle() + " decode " + path, &reply), 0);
        EXPECT_EQ(reply, "L 32 16\n");
        EXPECT_LT(MeanDifference(ReadFile(path + ".raw"), levels), 2.0);
        CPicture back;
        ASSERT_TRUE(LoadJpeg(back, path));
        EXPECT_LT(MeanDifference(PixelBytes(back), levels), 2.0);
    }
}

TEST_F(JpegOracle, CmykReducedDecodesKeepTheBlackComponent) {
    std::string manifest;
    ASSERT_EQ(RunCommand(Oracle() + " make " + dir.Path().string(), &manifest), 0);
    for (const char* name : {"cmyk", "magick_cmyk_dark"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadFile(dir / (std::string(name) + ".jpg"));
        CPicture full, half;
        ASSERT_TRUE(DecodeJpegMemory(full, file));
        JpegReducedDecode decoded;
        ASSERT_TRUE(DecodeJpegMemoryReduced(
            half, file,
            [](std::uint32_t, std::uint32_t) {
                return std::pair{19u, 11u};
            },
            &decoded));
        ASSERT_EQ(decoded.denominator, 2);
        ASSERT_EQ(half.GetBitCount(), 24u);
        // The halved picture is the full one averaged, within coding loss.
        double sum = 0;
        for (std::uint32_t y = 0; y + 1 < full.GetHeight(); y += 2)
            for (std::uint32_t x = 0; x + 1 < full.GetWidth(); x += 2)
                for (unsigned c = 0; c < 3; ++c) {
                    const int mean =
                        (full.GetRow(y)[x * 3 + c] + full.GetRow(y)[x * 3 + 3 + c] +
                         full.GetRow(y + 1)[x * 3 + c] + full.GetRow(y + 1)[x * 3 + 3 + c]) /
                        4;
                    sum += std::abs(mean - half.GetRow(y / 2)[x / 2 * 3 + c]);
                }
        EXPECT_LT(sum / ((full.GetWidth() / 2) * (full.GetHeight() / 2) * 3), 6.0);
    }
}

TEST(Jpeg, RefusesPicturesItCannotWriteWithoutTouchingTheFile) {
    TempDir dir;
    CPicture colourPalette;
    ASSERT_TRUE(colourPalette.Create(8, 8, 8));
    const gdi::RGBQUAD red{0, 0, 255, 0};
    colourPalette.SetPalette(7, 1, &red);
    CPicture four, sixteen, thirtyTwo, empty;
    ASSERT_TRUE(four.Create(8, 8, 4));
    ASSERT_TRUE(sixteen.Create(8, 8, 16));
    ASSERT_TRUE(thirtyTwo.Create(8, 8, 32));
    for (const CPicture* picture : {&colourPalette, &four, &sixteen, &thirtyTwo, &empty}) {
        Bytes out{1};
        EXPECT_FALSE(EncodeJpeg(*picture, 85, out));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(SaveJpeg(*picture, dir / "x.jpg", 85));
    }
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(Jpeg, StreamsThatEndEarlyFailWithoutReadingPastTheirEnd) {
    const Bytes jpeg = Encoded(Blocks(40, 40, 24));
    // Each cut is copied to a block of its own size, so that the sanitizer
    // run sees any read past it.
    int decoded = 0;
    for (std::size_t cut = 0; cut < jpeg.size(); cut += 7) {
        const Bytes part(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
        CPicture picture;
        const bool ok = DecodeJpegMemory(picture, part);
        EXPECT_EQ(ok, picture.IsValid());
        decoded += ok;
        if (cut + 16 < jpeg.size()) {
            EXPECT_FALSE(ok) << cut << " of " << jpeg.size();
        }
    }
    EXPECT_LE(decoded, 3);

    // Only the end-of-image marker missing: the picture is whole.
    CPicture whole, noMarker;
    ASSERT_TRUE(DecodeJpegMemory(whole, jpeg));
    ASSERT_TRUE(DecodeJpegMemory(noMarker, std::span(jpeg).first(jpeg.size() - 2)));
    EXPECT_EQ(PixelBytes(noMarker), PixelBytes(whole));
}

TEST(Jpeg, ProgressiveStreamsCutAnywhereFailCleanly) {
    if (!codec_test::HavePillowAndMagick())
        GTEST_SKIP() << "Pillow or ImageMagick is not installed";
    TempDir dir;
    std::string manifest;
    ASSERT_EQ(RunCommand(Oracle() + " make " + dir.Path().string(), &manifest), 0);
    const Bytes jpeg = ReadFile(dir / "progressive.jpg");
    // Even a cut between two scans fails: the picture would lack detail.
    int decoded = 0, cuts = 0;
    for (std::size_t cut = 0; cut + 16 < jpeg.size(); cut += 7, ++cuts) {
        CPicture picture;
        const Bytes part(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
        decoded += DecodeJpegMemory(picture, part);
    }
    EXPECT_EQ(decoded, 0) << "of " << cuts;

    CPicture whole, noMarker;
    ASSERT_TRUE(DecodeJpegMemory(whole, jpeg));
    ASSERT_TRUE(DecodeJpegMemory(noMarker, std::span(jpeg).first(jpeg.size() - 2)));
    EXPECT_EQ(PixelBytes(noMarker), PixelBytes(whole));
}

TEST(Jpeg, ForeignDataFailsAndLeavesThePictureEmpty) {
    CPicture picture = Blocks(4, 4, 24);
    const Bytes text = {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
    EXPECT_FALSE(DecodeJpegMemory(picture, text));
    EXPECT_FALSE(picture.IsValid());
    picture = Blocks(4, 4, 24);
    EXPECT_FALSE(LoadJpeg(picture, "/nonexistent/picture.jpg"));
    EXPECT_FALSE(picture.IsValid());
}

TEST(Jpeg, PicturesOverThePixelCapAreRefusedBeforeAllocating) {
    Bytes jpeg = Encoded(Blocks(16, 16, 24));
    CPicture picture;
    EXPECT_FALSE(DecodeJpegMemory(picture, jpeg, 16 * 16 * 3 - 1));
    EXPECT_TRUE(DecodeJpegMemory(picture, jpeg, 16 * 16 * 3));
    // The frame header's height and width become 65000 x 65000 (12 GB).
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0xFD;
            jpeg[i + 6] = jpeg[i + 8] = 0xE8;
            break;
        }
    }
    EXPECT_FALSE(DecodeJpegMemory(picture, jpeg));
    EXPECT_FALSE(picture.IsValid());
}

}  // namespace
