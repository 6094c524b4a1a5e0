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

TEST_F(DispatchFiles, ContentDoesNotChooseTheCodec) {
    const std::string png = dir_ + "/real.png";
    ASSERT_TRUE(SaveImageFile(picture_, png));
    const std::string misnamed = dir_ + "/real.jpg";
    std::filesystem::copy_file(png, misnamed);
    CPicture loaded;
    EXPECT_TRUE(LoadImageFile(loaded, png));
    EXPECT_FALSE(LoadImageFile(loaded, misnamed));
}

}  // namespace
