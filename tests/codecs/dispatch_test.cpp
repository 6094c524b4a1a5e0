#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/dispatch.h"

namespace {

TEST(ImageTypeFromExtension, NameDecidesAndCaseDoesNot) {
    EXPECT_EQ(ImageTypeFromExtension("PHOTO.JPG"), kImageJpeg);
    EXPECT_EQ(ImageTypeFromExtension("photo.Jpeg"), kImageJpeg);
    EXPECT_EQ(ImageTypeFromExtension("a.b.jpg"), kImageJpeg);
    EXPECT_EQ(ImageTypeFromExtension("/x/y/z.bmp"), kImageBmp);
    EXPECT_EQ(ImageTypeFromExtension("z.PCX"), kImagePcx);
    EXPECT_EQ(ImageTypeFromExtension("z.gif"), kImageGif);
    EXPECT_EQ(ImageTypeFromExtension("z.tga"), kImageTga);
    EXPECT_EQ(ImageTypeFromExtension("z.tif"), kImageTiff);
    EXPECT_EQ(ImageTypeFromExtension("z.png"), kImagePng);
    EXPECT_EQ(ImageTypeFromExtension("photo.tiff"), kImageUnknown);
    EXPECT_EQ(ImageTypeFromExtension("photo"), kImageUnknown);
    EXPECT_EQ(ImageTypeFromExtension("photo.jpg.bak"), kImageUnknown);
    // Only the last component counts.
    EXPECT_EQ(ImageTypeFromExtension("pics.old/photo"), kImageUnknown);
    EXPECT_EQ(ImageTypeFromExtension("pics.jpg/"), kImageUnknown);
}

class DispatchFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/drapewell-dispatch-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        picture_.Create(5, 3, 24);
        for (std::uint32_t y = 0; y < 3; ++y)
            for (std::uint32_t x = 0; x < 15; ++x)
                picture_.GetRow(y)[x] = static_cast<std::uint8_t>(x * 16 + y);
    }
    void TearDown() override {
        chmod(dir_.c_str(), 0700);
        std::filesystem::remove_all(dir_);
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string dir_;
    CPicture picture_;
};

TEST_F(DispatchFiles, UnknownExtensionsLoadNothingAndKeepTheOldFile) {
    const std::string doc = dir_ + "/x.doc";
    Write(doc, "precious");
    CPicture loaded;
    EXPECT_FALSE(LoadImageFile(loaded, doc));
    EXPECT_FALSE(loaded.IsValid());
    EXPECT_FALSE(SaveImageFile(picture_, doc));
    EXPECT_EQ(Read(doc), "precious");
}

TEST_F(DispatchFiles, SavesOverAReadOnlyFileAndLoadsItBack) {
    const std::string bmp = dir_ + "/x.bmp";
    Write(bmp, "old");
    ASSERT_EQ(chmod(bmp.c_str(), 0444), 0);
    ASSERT_TRUE(SaveImageFile(picture_, bmp));
    CPicture loaded;
    ASSERT_TRUE(LoadImageFile(loaded, bmp));
    ASSERT_EQ(loaded.GetWidth(), 5u);
    ASSERT_EQ(loaded.GetHeight(), 3u);
    for (std::uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(0, std::memcmp(loaded.GetRow(y), picture_.GetRow(y), 15)) << "row " << y;
}

TEST_F(DispatchFiles, AFailedSaveLeavesTheOldFileWhole) {
    const std::string png = dir_ + "/x.png";
    Write(png, "old bytes");
    CPicture empty;
    EXPECT_FALSE(SaveImageFile(empty, png));
    EXPECT_EQ(Read(png), "old bytes");
    // A directory that cannot take the temporary file fails the save too.
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(dir_.c_str(), 0500), 0);
        EXPECT_FALSE(SaveImageFile(picture_, png));
        EXPECT_EQ(Read(png), "old bytes");
    }
}

// A file whose extension lies is read by the codec its first bytes name once
// the extension's codec refuses it; a format without a signature (Targa) has
// nothing to fall back on.
TEST_F(DispatchFiles, ALyingExtensionFallsBackToTheSignature) {
    struct Case {
        const char* written;
        const char* misnamed;
        ImageType real;
    };
    for (const Case c :
         {Case{"real.png", "png.jpg", kImagePng}, Case{"real.jpg", "jpg.png", kImageJpeg},
          Case{"real.bmp", "bmp.tif", kImageBmp}, Case{"real.tif", "tif.pcx", kImageTiff},
          Case{"real.pcx", "pcx.gif", kImagePcx}, Case{"real.webp", "webp.png", kImageWebp},
          Case{"real.avif", "avif.jpg", kImageAvif}}) {
        SCOPED_TRACE(c.misnamed);
        ASSERT_TRUE(SaveImageFile(picture_, dir_ + "/" + c.written));
        std::filesystem::copy_file(dir_ + "/" + c.written, dir_ + "/" + c.misnamed);
        CPicture right, wrong;
        ASSERT_EQ(LoadImageFileAs(right, dir_ + "/" + c.written), c.real);
        ASSERT_EQ(LoadImageFileAs(wrong, dir_ + "/" + c.misnamed), c.real);
        ASSERT_EQ(wrong.GetWidth(), 5u);
        ASSERT_EQ(wrong.GetBitCount(), right.GetBitCount());
        for (std::uint32_t y = 0; y < 3; ++y)
            EXPECT_EQ(0, std::memcmp(wrong.GetRow(y), right.GetRow(y), 15)) << "row " << y;
    }
    ASSERT_TRUE(SaveImageFile(picture_, dir_ + "/real.tga"));
    std::filesystem::copy_file(dir_ + "/real.tga", dir_ + "/tga.bmp");
    Write(dir_ + "/junk.png", "\xFF\xD8\xFF but no JPEG after all");
    for (const char* name : {"tga.bmp", "junk.png"}) {
        CPicture loaded;
        EXPECT_EQ(LoadImageFileAs(loaded, dir_ + "/" + name), kImageUnknown) << name;
        EXPECT_FALSE(loaded.IsValid()) << name;
    }
}

// Every saver puts the new file in place with the old one's permissions.
TEST_F(DispatchFiles, AReadOnlyTargetStaysReadOnly) {
    for (const char* name : {"x.bmp", "x.png", "x.jpg", "x.tif", "x.pcx", "x.tga"}) {
        SCOPED_TRACE(name);
        const std::string path = dir_ + "/" + name;
        Write(path, "old");
        ASSERT_EQ(chmod(path.c_str(), 0444), 0);
        ASSERT_TRUE(SaveImageFile(picture_, path));
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        EXPECT_NE(Read(path), "old");
    }
}

// Formats without a 16-bit form take a 16-bit picture at 24 bits; BMP and
// Targa keep the 16 bits.
TEST_F(DispatchFiles, SixteenBitPicturesSaveEverywhereButGif) {
    CPicture narrow(picture_);
    ASSERT_TRUE(narrow.To16Bit());
    CPicture expected(narrow);
    ASSERT_TRUE(expected.To24Bit());
    struct Case {
        const char* name;
        unsigned bits;
        bool exact;
    };
    for (const Case c :
         {Case{"s.png", 24, true}, Case{"s.tif", 24, false}, Case{"s.pcx", 24, true},
          Case{"s.jpg", 24, false}, Case{"s.bmp", 16, true}, Case{"s.tga", 16, true}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_ + "/" + c.name;
        ASSERT_TRUE(SaveImageFile(narrow, path));
        CPicture loaded;
        ASSERT_TRUE(LoadImageFile(loaded, path));
        EXPECT_EQ(loaded.GetBitCount(), c.bits);
        if (c.exact) {
            ASSERT_TRUE(loaded.GetBitCount() == 24 || loaded.To24Bit());
            for (std::uint32_t y = 0; y < 3; ++y)
                EXPECT_EQ(0, std::memcmp(loaded.GetRow(y), expected.GetRow(y), 15)) << "row " << y;
        }
    }
    EXPECT_EQ(narrow.GetBitCount(), 16u);  // the caller's picture is left alone
    EXPECT_FALSE(SaveImageFile(narrow, dir_ + "/s.gif"));
}

}  // namespace
