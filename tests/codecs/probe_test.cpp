// The header probe on BMP, GIF and PCX files and on files it must not
// recognise.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/bmp.h"
#include "codecs/dispatch.h"
#include "codecs/gif.h"
#include "codecs/jpeg.h"
#include "codecs/png.h"
#include "codecs/probe.h"
#include "codecs/tiff.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::WriteFile;
using Bytes = std::vector<std::uint8_t>;

bool IsClear(const ImageFileInfo& info) {
    const ImageFileInfo zero{};
    return std::memcmp(&info, &zero, sizeof info) == 0;
}

ImageFileInfo Probe(const std::string& path) {
    CPicture picture;
    ImageFileInfo info;
    std::memset(&info, 0xAB, sizeof info);  // every field must be written
    ReadImageFileInfo(picture, path, &info);
    return info;
}

CPicture Picture(std::uint32_t width, std::uint32_t height, unsigned bits) {
    CPicture picture;
    picture.Create(width, height, bits);
    return picture;
}

TEST(Probe, Bitmaps) {
    TempDir dir;
    const std::string path = dir / "a.bmp";
    ASSERT_TRUE(SaveBmp(Picture(37, 23, 24), path));
    const ImageFileInfo info = Probe(path);
    EXPECT_EQ(info.type, 1u);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);
    EXPECT_EQ(info.bitsPerPixel, 24);
    EXPECT_EQ(info.imageCount, 1);
    EXPECT_EQ(info.delay, 0);

    Bytes bytes = ReadFile(path);
    // Top-down: a negative height.
    Bytes topDown = bytes;
    const std::int32_t negative = -23;
    std::memcpy(&topDown[22], &negative, 4);
    WriteFile(path, topDown);
    EXPECT_TRUE(IsClear(Probe(path)));
    // A core header, and an info header cut short.
    Bytes core = bytes;
    core[14] = 12;
    WriteFile(path, core);
    EXPECT_TRUE(IsClear(Probe(path)));
    WriteFile(path, Bytes(bytes.begin(), bytes.begin() + 14 + 39));
    EXPECT_TRUE(IsClear(Probe(path)));
}

TEST(Probe, GifStreams) {
    TempDir dir;
    const std::string path = dir / "a.gif";
    ASSERT_TRUE(SaveGif(Picture(40, 30, 8), path, false));
    ASSERT_TRUE(AppendGifFrame(Picture(10, 5, 4), path, false, 250, 3));
    CPicture picture = Picture(3, 3, 24);
    ImageFileInfo info;
    ReadImageFileInfo(picture, path, &info);
    EXPECT_EQ(info.type, 8u);
    // The logical screen, not the last image.
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 30);
    EXPECT_EQ(info.bitsPerPixel, 4);
    EXPECT_EQ(info.imageCount, 2);
    EXPECT_EQ(info.delay, 250);
    EXPECT_EQ(info.interlaced, 0);
    EXPECT_EQ(info.transparent, 1);
    // The stream is the picture's now; its pixels are untouched.
    ASSERT_NE(picture.GetGifInfo(), nullptr);
    EXPECT_EQ(picture.GetBitCount(), 24);
    EXPECT_EQ(DecodeGifFrame(picture), kGifDecoded);

    // The interlace bit of the last image descriptor: set on the first of
    // two images it does not count, on a lone image it does.
    Bytes bytes = ReadFile(path);
    ASSERT_EQ(bytes[21], ',');
    bytes[30] |= 0x40;
    WriteFile(path, bytes);
    EXPECT_EQ(Probe(path).interlaced, 0);
    ASSERT_TRUE(SaveGif(Picture(40, 30, 8), path, false));
    bytes = ReadFile(path);
    bytes[30] |= 0x40;
    WriteFile(path, bytes);
    EXPECT_EQ(Probe(path).interlaced, 0x40);
    bytes.pop_back();  // no trailer: not a whole stream
    WriteFile(path, bytes);
    EXPECT_TRUE(IsClear(Probe(path)));
}

TEST(Probe, PcxHeaders) {
    TempDir dir;
    const std::string path = dir / "a.pcx";
    Bytes header(128, 0);
    header[0] = 10, header[1] = 5, header[2] = 1, header[3] = 8;
    header[8] = 9;   // x max
    header[10] = 4;  // y max
    header[65] = 3;
    WriteFile(path, header);
    const ImageFileInfo info = Probe(path);
    EXPECT_EQ(info.type, 2u);
    EXPECT_EQ(info.width, 10);
    EXPECT_EQ(info.height, 5);
    EXPECT_EQ(info.bitsPerPixel, 24);
    EXPECT_EQ(info.imageCount, 1);

    WriteFile(path, Bytes(header.begin(), header.begin() + 65));
    EXPECT_TRUE(IsClear(Probe(path)));
    Bytes inverted = header;
    inverted[4] = 20;  // x min past x max
    WriteFile(path, inverted);
    EXPECT_TRUE(IsClear(Probe(path)));
    Bytes version = header;
    version[1] = 6;
    WriteFile(path, version);
    EXPECT_TRUE(IsClear(Probe(path)));
}

// The first bytes decide, whatever the extension says.
TEST(Probe, ExtensionsThatLie) {
    TempDir dir;
    CPicture colour = Picture(7, 5, 24);
    CPicture indexed = Picture(6, 4, 8);
    ASSERT_TRUE(SaveBmp(colour, dir / "bmp.jpg"));
    ASSERT_TRUE(SaveGif(indexed, dir / "gif.png", false));
    const ImageFileInfo bmp = Probe(dir / "bmp.jpg");
    EXPECT_EQ(bmp.type, std::uint32_t{kImageBmp});
    EXPECT_EQ(bmp.width, 7);
    EXPECT_EQ(bmp.bitsPerPixel, 24);
    const ImageFileInfo gif = Probe(dir / "gif.png");
    EXPECT_EQ(gif.type, std::uint32_t{kImageGif});
    EXPECT_EQ(gif.height, 4);
    EXPECT_EQ(gif.imageCount, 1);
}

TEST(Probe, OtherFilesMissingFilesAndNoRecord) {
    TempDir dir;
    CPicture colour = Picture(8, 8, 24);
    ASSERT_TRUE(SaveJpeg(colour, dir / "a.jpg", 85));
    ASSERT_TRUE(SavePng(colour, dir / "a.bmp", false));
    ASSERT_TRUE(SaveTiff(colour, dir / "a.gif", kTiffLzw));
    for (const char* name : {"a.jpg", "a.bmp", "a.gif", "missing.bmp"})
        EXPECT_TRUE(IsClear(Probe(dir / name))) << name;
    ReadImageFileInfo(colour, dir / "a.jpg", nullptr);
}

}  // namespace
