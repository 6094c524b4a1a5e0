// PNG files of every colour type and depth written by Pillow and
// ImageMagick, interlaced or not, decode to their exact pixels; the files we
// write decode to ours in Pillow; damaged and oversized files fail cleanly.

#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/png.h"
#include "image/picture.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ForEachPeerFile;
using codec_test::PeerFile;
using codec_test::RandomPicture;
using codec_test::ReadFile;
using codec_test::TempDir;
using Bytes = std::vector<std::uint8_t>;
using PngOracle = codec_test::PeerTest;

using codec_test::RunCommand;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_PNG_ORACLE);
}

unsigned Index(const CPicture& picture, std::uint32_t x, std::uint32_t y) {
    const unsigned bits = picture.GetBitCount();
    const std::size_t bit = std::size_t{x} * bits;
    return (picture.GetRow(y)[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

// The picture as the oracle files hold it: one index byte per pixel at 8
// bits or fewer, otherwise the stored pixel bytes without row padding.
Bytes PictureBytes(const CPicture& picture) {
    Bytes out;
    const unsigned bits = picture.GetBitCount();
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x) {
            if (bits <= 8) {
                out.push_back(static_cast<std::uint8_t>(Index(picture, x, y)));
            } else {
                const std::uint8_t* p = picture.GetRow(y) + x * (bits / 8);
                out.insert(out.end(), p, p + bits / 8);
            }
        }
    }
    return out;
}

// Red, green, blue, alpha per pixel; palette and 24-bit pictures are opaque.
Bytes Rgba(const CPicture& picture) {
    Bytes out;
    const unsigned bits = picture.GetBitCount();
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x) {
            if (bits <= 8) {
                gdi::RGBQUAD q;
                picture.GetPaletteEntry(Index(picture, x, y), &q);
                out.insert(out.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue, 255});
            } else {
                const std::uint8_t* p = picture.GetRow(y) + x * (bits / 8);
                out.insert(out.end(), {p[2], p[1], p[0], bits == 32 ? p[3] : std::uint8_t{255}});
            }
        }
    }
    return out;
}

Bytes Palette(const CPicture& picture, unsigned count) {
    Bytes out;
    for (unsigned i = 0; i < count; ++i) {
        gdi::RGBQUAD q;
        picture.GetPaletteEntry(i, &q);
        out.insert(out.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    return out;
}

void PutBigEndian(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// Rewrites the header's size and its checksum, so that only the size is odd.
Bytes WithSize(Bytes png, std::uint32_t width, std::uint32_t height) {
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc32(png.data() + 12, 17));
    return png;
}

TEST_F(PngOracle, PeerFilesOfEveryColourTypeDecodeExactly) {
    const auto check = [&](const PeerFile& file) {
        const std::string& name = file.name;
        CPicture picture;
        const bool loaded = LoadPng(picture, dir / (name + ".png"));
        if (file.bits == 0) {
            EXPECT_FALSE(loaded);
            EXPECT_FALSE(picture.IsValid());
            return;
        }
        ASSERT_TRUE(loaded);
        ASSERT_EQ(picture.GetWidth(), file.width);
        ASSERT_EQ(picture.GetHeight(), file.height);
        ASSERT_EQ(picture.GetBitCount(), file.bits);
        EXPECT_EQ(PictureBytes(picture), ReadFile(dir / (name + ".expect")));
        if (file.bits <= 8) {
            const std::string pal = dir / (name + ".pal");
            if (std::filesystem::exists(pal)) {
                const Bytes expected = ReadFile(pal);
                EXPECT_EQ(Palette(picture, expected.size() / 3), expected);
            } else {
                EXPECT_TRUE(picture.IsGreyPalette());
            }
        }
    };
    EXPECT_EQ(ForEachPeerFile(Oracle(), dir, check), 25u);
}

TEST_F(PngOracle, OurFilesDecodeToOurPixelsInPillowAndInUs) {
    for (const unsigned bits : {1u, 4u, 8u, 24u, 32u}) {
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (interlaced ? " interlaced" : ""));
            const CPicture source = RandomPicture(19, 11, bits, bits);
            const std::string path = dir / ("out" + std::to_string(bits) + ".png");
            ASSERT_TRUE(SavePng(source, path, interlaced));
            std::string reply;
            ASSERT_EQ(RunCommand(Oracle() + " decode " + path, &reply), 0);
            std::istringstream fields(reply);
            std::string mode;
            int width = 0, height = 0, interlace = 0;
            fields >> mode >> width >> height >> interlace;
            EXPECT_EQ(mode, bits <= 8 ? "P" : bits == 24 ? "RGB" : "RGBA");
            EXPECT_EQ(interlace, interlaced ? 1 : 0);
            EXPECT_EQ(ReadFile(path + ".rgba"), Rgba(source));

            CPicture back;
            ASSERT_TRUE(LoadPng(back, path));
            ASSERT_EQ(back.GetBitCount(), bits);
            EXPECT_EQ(PictureBytes(back), PictureBytes(source));
            if (bits <= 8) {
                EXPECT_EQ(Palette(back, 1u << bits), Palette(source, 1u << bits));
            }
        }
    }
}

TEST(Png, IncompressiblePicturesLargerThanTheirPixelsStillWrite) {
    const CPicture noise = RandomPicture(64, 48, 24, 7);
    Bytes out;
    ASSERT_TRUE(EncodePng(noise, false, out));
    EXPECT_GT(out.size(), std::size_t{noise.GetStride()} * noise.GetHeight());
    CPicture back;
    ASSERT_TRUE(DecodePngMemory(back, out));
    EXPECT_EQ(PictureBytes(back), PictureBytes(noise));
}

TEST(Png, AnUnusedFourthByteIsNotWrittenAsTransparency) {
    CPicture picture = RandomPicture(9, 5, 32, 3);
    for (std::uint32_t y = 0; y < 5; ++y)
        for (std::uint32_t x = 0; x < 9; ++x)
            picture.GetRow(y)[4 * x + 3] = 0;
    Bytes out;
    ASSERT_TRUE(EncodePng(picture, false, out));
    CPicture back;
    ASSERT_TRUE(DecodePngMemory(back, out));
    ASSERT_EQ(back.GetBitCount(), 24u);  // opaque colour, not invisible pixels
    for (std::uint32_t y = 0; y < 5; ++y)
        for (std::uint32_t x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(back.GetRow(y)[3 * x + c], picture.GetRow(y)[4 * x + c]);

    // One pixel with any alpha keeps the channel for the whole picture.
    picture.GetRow(2)[4 * 4 + 3] = 1;
    ASSERT_TRUE(EncodePng(picture, false, out));
    ASSERT_TRUE(DecodePngMemory(back, out));
    ASSERT_EQ(back.GetBitCount(), 32u);
    EXPECT_EQ(PictureBytes(back), PictureBytes(picture));
}

TEST(Png, RefusedPicturesLeaveNoFile) {
    TempDir dir;
    CPicture empty;
    CPicture sixteen;
    ASSERT_TRUE(sixteen.Create(4, 4, 16));
    Bytes out{1, 2, 3};
    EXPECT_FALSE(EncodePng(sixteen, false, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(SavePng(sixteen, dir / "a.png", false));
    EXPECT_FALSE(SavePng(empty, dir / "b.png", true));
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(Png, DamagedStreamsFailAndLeaveThePictureEmpty) {
    Bytes png;
    ASSERT_TRUE(EncodePng(RandomPicture(23, 9, 24, 3), true, png));
    for (std::size_t cut = 0; cut < png.size(); cut += 7) {
        CPicture picture = RandomPicture(2, 2, 8, 1);
        EXPECT_FALSE(DecodePngMemory(picture, std::span(png).first(cut))) << cut;
        EXPECT_FALSE(picture.IsValid()) << cut;
    }
    Bytes flipped = png;
    flipped[png.size() / 2] ^= 0x40;  // inside the image data: checksum fails
    CPicture picture;
    EXPECT_FALSE(DecodePngMemory(picture, flipped));
    const Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    EXPECT_FALSE(DecodePngMemory(picture, text));
    EXPECT_FALSE(LoadPng(picture, "/nonexistent/picture.png"));
}

TEST(Png, PicturesOverThePixelCapAreRefusedBeforeAllocating) {
    Bytes png;
    ASSERT_TRUE(EncodePng(RandomPicture(8, 8, 32, 5), false, png));
    CPicture picture;
    // 4 bytes x 20000 x 20000 is 1.6 GB; the real data would fill one row.
    EXPECT_FALSE(DecodePngMemory(picture, WithSize(png, 20000, 20000)));
    EXPECT_FALSE(DecodePngMemory(picture, WithSize(png, 0x7FFFFFFF, 1)));
    // The caller's own cap.
    EXPECT_FALSE(DecodePngMemory(picture, png, 255));
    EXPECT_TRUE(DecodePngMemory(picture, png, 256));
}

}  // namespace
