// Every refusal of a picture file says why: damaged, cut short, unsupported
// and oversized files of each format, and the failures that lie before any
// reader (missing file, empty file, unknown extension), each with the
// reason a user is shown.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/dispatch.h"
#include "codecs/jpeg.h"
#include "codecs/png.h"
#include "codecs/probe.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320 & (0u - (c & 1)));
    }
    return ~c;
}

// A 24-bit bitmap of w x h with a 40-byte header and no pixel data unless
// `pixels`; the fields the cases change are at fixed offsets.
Bytes Bmp(std::int32_t w, std::int32_t h, unsigned bits, std::uint32_t compression,
          std::size_t pixels = 0) {
    Bytes b(54 + pixels, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(w));
    Put32(b, 22, static_cast<std::uint32_t>(h));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 30, compression);
    return b;
}

Bytes Pcx(unsigned encoding, unsigned bitsPerPlane, unsigned planes, unsigned xMax, unsigned yMax) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = static_cast<std::uint8_t>(encoding);
    b[3] = static_cast<std::uint8_t>(bitsPerPlane);
    Put16(b, 8, xMax);
    Put16(b, 10, yMax);
    b[65] = static_cast<std::uint8_t>(planes);
    Put16(b, 66, std::min((xMax + 2) & ~1u, 0xFFFEu));  // bytes per line, even
    return b;
}

Bytes Tga(unsigned type, unsigned pixelBits, unsigned w, unsigned h, unsigned mapType = 0,
          unsigned entryBits = 0) {
    Bytes b(18, 0);
    b[1] = static_cast<std::uint8_t>(mapType);
    b[2] = static_cast<std::uint8_t>(type);
    Put16(b, 5, mapType ? 2 : 0);
    b[7] = static_cast<std::uint8_t>(entryBits);
    Put16(b, 12, w);
    Put16(b, 14, h);
    b[16] = static_cast<std::uint8_t>(pixelBits);
    if (mapType)
        b.resize(b.size() + 2 * ((entryBits + 7) / 8), 0);
    return b;
}

// A GIF89a screen with no global table, then `rest`.
Bytes Gif(const Bytes& rest) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

CPicture SmallPicture(unsigned bits) {
    CPicture p;
    p.Create(4, 3, bits);
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < p.GetStride(); ++x)
            p.GetRow(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 40);
    return p;
}

Bytes Png() {
    Bytes out;
    EXPECT_TRUE(EncodePng(SmallPicture(24), false, out));
    return out;
}

// The PNG with a new size in its header (and the header's checksum made
// right again).
Bytes PngSized(std::uint32_t w, std::uint32_t h) {
    Bytes b = Png();
    PutBig32(b, 16, w);
    PutBig32(b, 20, h);
    PutBig32(b, 29, Crc32(&b[12], 17));
    return b;
}

Bytes Jpeg() {
    Bytes out;
    EXPECT_TRUE(EncodeJpeg(SmallPicture(24), 90, out));
    return out;
}

// The JPEG with a new size in its frame header.
Bytes JpegSized(unsigned w, unsigned h) {
    Bytes b = Jpeg();
    for (std::size_t i = 2; i + 9 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xC0) {
            b[i + 5] = static_cast<std::uint8_t>(h >> 8);
            b[i + 6] = static_cast<std::uint8_t>(h);
            b[i + 7] = static_cast<std::uint8_t>(w >> 8);
            b[i + 8] = static_cast<std::uint8_t>(w);
            break;
        }
    return b;
}

Bytes Cut(Bytes b, std::size_t keep) {
    b.resize(keep);
    return b;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct Refusal {
    const char* what;
    const char* name;  // the file's name: its extension picks the reader
    Bytes bytes;
    const char* reason;  // what the reason must contain
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.what << " (" << c.name << ")";
}

class LoadRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(LoadRefusals, NameTheirReason) {
    const Refusal& c = GetParam();
    codec_test::TempDir dir;
    const std::string path = dir / c.name;
    codec_test::WriteFile(path, c.bytes);
    CPicture picture;
    ImageFailOverriding("left over from an earlier call");
    EXPECT_FALSE(LoadImageFile(picture, path));
    EXPECT_NE(std::string(LastImageError()).find(c.reason), std::string::npos)
        << c.what << ": \"" << LastImageError() << "\" lacks \"" << c.reason << "\"";
    EXPECT_FALSE(picture.IsValid());
}

const Refusal kRefusals[] = {
    // Bitmaps
    {"cut header", "a.bmp", Cut(Bmp(2, 2, 24, 0), 20), "truncated"},
    {"cut pixels", "a.bmp", Bmp(4, 4, 24, 0, 10), "truncated"},
    {"2-bit", "a.bmp", Bmp(2, 2, 2, 0, 16), "2-bit colour depth not supported"},
    {"bit fields at 24 bits", "a.bmp", Bmp(2, 2, 24, 3, 16), "unsupported compression 3"},
    {"huge", "a.bmp", Bmp(100000, 100000, 24, 0), "picture larger than the 1 GiB limit"},
    // PCX
    {"cut header", "a.pcx", Cut(Pcx(1, 8, 1, 3, 3), 60), "truncated"},
    {"not run-length", "a.pcx", Pcx(0, 8, 1, 3, 3), "unsupported encoding 0"},
    {"3-bit planes", "a.pcx", Pcx(1, 3, 1, 3, 3), "3-bit colour depth not supported"},
    {"huge", "a.pcx", Pcx(1, 8, 4, 65534, 65534), "picture larger than the 1 GiB limit"},
    // GIF
    {"cut screen", "a.gif", Cut(Gif({}), 9), "truncated"},
    {"no trailer", "a.gif", Gif({0x21, 0xFE, 3, 'a', 'b'}), "truncated"},
    {"stray block", "a.gif", Gif({0x99}), "unknown block 0x99"},
    {"no image", "a.gif", Gif({0x3B}), "no image in the file"},
    {"code size 12", "a.gif", Gif({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 12, 1, 0, 0, 0x3B}),
     "LZW code size 12 not supported"},
    // Targa
    {"cut header", "a.tga", Cut(Tga(2, 24, 2, 2), 10), "truncated"},
    {"cut pixels", "a.tga", Tga(2, 24, 2, 2), "truncated"},
    {"8-bit true colour", "a.tga", Tga(2, 8, 2, 2), "8-bit colour depth not supported"},
    {"no image data", "a.tga", Tga(0, 8, 2, 2), "unsupported image type 0"},
    {"8-bit map entries", "a.tga", Tga(1, 8, 2, 2, 1, 8), "8-bit colour map entries"},
    {"huge", "a.tga", Tga(2, 32, 65535, 65535), "picture larger than the 1 GiB limit"},
    // JPEG, with the library's texts
    {"not JPEG", "a.jpg", Text("hello, world"), "not a JPEG file"},
    {"cut", "a.jpg", Cut(Jpeg(), 200), "truncated"},
    {"huge", "a.jpg", JpegSized(60000, 60000), "picture larger than the 1 GiB limit"},
    // PNG, with the library's texts
    {"not PNG", "a.png", Text("hello, world"), "not a PNG file"},
    {"cut", "a.png", Cut(Png(), 40), "truncated"},
    {"bad checksum", "a.png",
     [] {
         Bytes b = Png();
         b[30] ^= 1;
         return b;
     }(),
     "CRC error"},
    {"huge", "a.png", PngSized(60000, 60000), "picture larger than the 1 GiB limit"},
    // TIFF, with the library's texts
    {"not TIFF", "a.tif", Text("hello, world"), "not a TIFF"},
    {"no directory", "a.tif", Bytes{'I', 'I', 42, 0, 0xF0, 0, 0, 0}, "directory"},
    // Before any reader
    {"empty", "a.png", Bytes{}, "empty file"},
    {"unknown extension", "a.webm", Text("GIF89a"), "unknown file extension"},
    // Extensions that lie: the signature's reader has the say.
    {"PNG named .jpg", "a.jpg", Cut(Png(), 40), "a PNG file named .jpg: truncated"},
    {"GIF named .bmp", "a.bmp", Gif({0x3B}), "a GIF file named .bmp: no image in the file"},
};

// "a.bmp" and "cut header" give "bmp_cut_header".
std::string CaseName(const ::testing::TestParamInfo<Refusal>& info) {
    const std::string name = info.param.name;
    std::string out = name.substr(name.rfind('.') + 1) + "_" + info.param.what;
    for (char& c : out)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, LoadRefusals, ::testing::ValuesIn(kRefusals), CaseName);

TEST(LoadReasons, FilesThatCannotBeOpened) {
    codec_test::TempDir dir;
    CPicture picture;
    EXPECT_FALSE(LoadImageFile(picture, dir / "missing.png"));
    EXPECT_EQ(LastImageError(), "no such file");
    EXPECT_FALSE(LoadImageFile(picture, dir / "no/such/folder.bmp"));
    EXPECT_EQ(LastImageError(), "no such file");
    mkdir((dir / "folder.gif").c_str(), 0700);
    EXPECT_FALSE(LoadImageFile(picture, dir / "folder.gif"));
    EXPECT_EQ(LastImageError(), "not a regular file");
    if (geteuid() != 0) {  // root reads anything
        codec_test::WriteFile(dir / "locked.png", Png());
        chmod((dir / "locked.png").c_str(), 0);
        EXPECT_FALSE(LoadImageFile(picture, dir / "locked.png"));
        EXPECT_EQ(LastImageError(), "permission denied");
    }
}

TEST(LoadReasons, SuccessLeavesNoReasonAndEachThreadHasItsOwn) {
    codec_test::TempDir dir;
    codec_test::WriteFile(dir / "good.png", Png());
    CPicture picture;
    EXPECT_FALSE(LoadImageFile(picture, dir / "missing.png"));
    std::string other;
    std::thread([&] {
        CPicture p;
        other = std::string(LastImageError());
        EXPECT_TRUE(LoadImageFile(p, dir / "good.png"));
    }).join();
    EXPECT_EQ(other, "");
    EXPECT_EQ(LastImageError(), "no such file");
    EXPECT_TRUE(LoadImageFile(picture, dir / "good.png"));
    EXPECT_EQ(LastImageError(), "");
    // A PNG named .jpg loads, and the JPEG reader's refusal is forgotten.
    codec_test::WriteFile(dir / "png.jpg", Png());
    EXPECT_TRUE(LoadImageFile(picture, dir / "png.jpg"));
    EXPECT_EQ(LastImageError(), "");
}

TEST(SaveReasons, EachRefusalSaysWhy) {
    codec_test::TempDir dir;
    const CPicture colour = SmallPicture(32);
    EXPECT_FALSE(SaveImageFile(colour, dir / "a.webm"));
    EXPECT_EQ(LastImageError(), "unknown file extension");
    EXPECT_FALSE(SaveImageFile(colour, dir / "a.gif"));
    EXPECT_EQ(LastImageError(), "32-bit pictures cannot be saved as GIF");
    EXPECT_FALSE(SaveImageFile(CPicture(), dir / "a.png"));
    EXPECT_EQ(LastImageError(), "empty picture");
    EXPECT_FALSE(SaveImageFile(CPicture(), dir / "a.bmp"));
    EXPECT_EQ(LastImageError(), "empty picture");
    EXPECT_FALSE(SaveImageFile(colour, dir / "no/such/folder.png"));
    EXPECT_EQ(LastImageError(), "no such folder");
    EXPECT_FALSE(SaveImageFile(colour, dir / "no/such/folder.bmp"));
    EXPECT_EQ(LastImageError(), "no such folder");
    EXPECT_TRUE(SaveImageFile(colour, dir / "a.bmp"));
    EXPECT_EQ(LastImageError(), "");
}

TEST(ProbeReasons, UnrecognisedFilesSayWhy) {
    codec_test::TempDir dir;
    CPicture picture;
    ImageFileInfo info;
    ReadImageFileInfo(picture, dir / "missing.bmp", &info);
    EXPECT_EQ(LastImageError(), "no such file");
    codec_test::WriteFile(dir / "a.txt", Text("hello"));
    ReadImageFileInfo(picture, dir / "a.txt", &info);
    EXPECT_EQ(LastImageError(), "unknown file format");
    codec_test::WriteFile(dir / "a.gif", Gif({0x21}));
    ReadImageFileInfo(picture, dir / "a.gif", &info);
    EXPECT_EQ(LastImageError(), "truncated");
    codec_test::WriteFile(dir / "b.gif", Gif({0x3B}));
    ReadImageFileInfo(picture, dir / "b.gif", &info);
    EXPECT_EQ(info.type, kImageGif);
    EXPECT_EQ(LastImageError(), "");
}

}  // namespace
