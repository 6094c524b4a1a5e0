// The sample pictures: the build's files are wallpapers the codecs read, and
// they reach the data directory once without replacing a user's file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/picture_list.h"
#include "app/sample_pictures.h"
#include "codecs/dispatch.h"
#include "image/picture.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SamplePicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-samples-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        source_ = (dir_ / "source/").string();
        data_ = (dir_ / "data/").string();
        fs::create_directories(source_);
        fs::create_directories(data_);
        for (const char* name : {"One.jpg", "Two.jpg", "Three.jpg"})
            std::ofstream(source_ + name) << "sample " << name;
        std::ofstream(source_ + "notes.txt") << "not a picture";
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string source_, data_;
};

TEST_F(SamplePicturesTest, PlacedOnceWithoutReplacingTheUsersFiles) {
    std::ofstream(data_ + "Two.jpg") << "the user's own";
    EXPECT_EQ(InstallSamplePictures(data_, source_), 2);
    EXPECT_EQ(Read(data_ + "One.jpg"), "sample One.jpg");
    EXPECT_EQ(Read(data_ + "Two.jpg"), "the user's own");
    EXPECT_FALSE(fs::exists(data_ + "notes.txt"));
    EXPECT_EQ(
        ScanImageDirectory(data_),
        (std::vector<std::string>{data_ + "One.jpg", data_ + "Three.jpg", data_ + "Two.jpg"}));

    // Samples the user deleted stay deleted.
    fs::remove(data_ + "One.jpg");
    EXPECT_EQ(InstallSamplePictures(data_, source_), 0);
    EXPECT_FALSE(fs::exists(data_ + "One.jpg"));
}

TEST_F(SamplePicturesTest, NothingRecordedWhileThereIsNothingToPlace) {
    EXPECT_EQ(InstallSamplePictures(data_, (dir_ / "missing/").string()), 0);
    EXPECT_EQ(InstallSamplePictures(data_, ""), 0);
    EXPECT_EQ(InstallSamplePictures((dir_ / "no-data/").string(), source_), 0);
    EXPECT_FALSE(fs::exists(data_ + kSamplesInstalledMarker));
    EXPECT_EQ(InstallSamplePictures(data_, source_), 3);  // still placed later
}

TEST_F(SamplePicturesTest, BundledSamplesAreScreenSizedWallpapers) {
    const std::string found = FindSamplePicturesDirectory();
    ASSERT_FALSE(found.empty());
    const auto samples = ScanImageDirectory(found);
    EXPECT_GE(samples.size(), 5u);
    for (const std::string& path : samples) {
        CPicture picture;
        ASSERT_TRUE(LoadImageFile(picture, path)) << path;
        EXPECT_GE(picture.GetWidth(), 1920u) << path;
        EXPECT_GE(picture.GetHeight(), 1080u) << path;
    }

    // A first start: the data directory receives them all.
    setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1);
    EXPECT_EQ(InstallBundledSamplePictures(), static_cast<int>(samples.size()));
    EXPECT_EQ(ScanImageDirectory((dir_ / "xdg/Drapewell/").string()).size(), samples.size());
}

}  // namespace
