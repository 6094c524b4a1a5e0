// The orientation of each listed picture, as the per-monitor choice sees it:
// read from the header, remembered while the file stays as it was, read
// again once it changes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "app/orientation_cache.h"

namespace {

namespace fs = std::filesystem;

class OrientationCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-orient-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Picture(const std::string& name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const std::string path = root_ + name;
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    }
    // Moves the file's modification time, as a copy over it would.
    static void Touch(const std::string& path, long seconds) {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    std::string root_;
};

TEST_F(OrientationCacheTest, ReadsEachFormatsHeaderAndRefusesWhatItCannotTell) {
    COrientationCache cache;
    EXPECT_EQ(cache.IsPortrait(Picture("tall.png", 30, 40)), true);
    EXPECT_EQ(cache.IsPortrait(Picture("wide.bmp", 40, 30)), false);
    EXPECT_EQ(cache.IsPortrait(Picture("square.jpg", 32, 32)), false);
    std::ofstream(root_ + "junk.png") << "not a picture";
    EXPECT_EQ(cache.IsPortrait(root_ + "junk.png"), std::nullopt);
    EXPECT_EQ(cache.IsPortrait(root_ + "missing.png"), std::nullopt);
    fs::create_directory(root_ + "folder.png");
    EXPECT_EQ(cache.IsPortrait(root_ + "folder.png"), std::nullopt);
}

TEST_F(OrientationCacheTest, ReadsAgainOnlyWhenTheFileChanges) {
    int reads = 0;
    COrientationCache cache([&reads](const std::string& path) {
        ++reads;
        return ReadPictureOrientation(path);
    });
    const std::string path = Picture("p.png", 30, 40);
    Touch(path, 1'000'000);
    EXPECT_EQ(cache.IsPortrait(path), true);
    EXPECT_EQ(cache.IsPortrait(path), true);
    EXPECT_EQ(reads, 1);

    // Replaced by a landscape picture under the same name, whatever its
    // size and even with the old time stamp restored.
    Picture("p.png", 40, 30);
    Touch(path, 1'000'000);
    EXPECT_EQ(cache.IsPortrait(path), false);
    EXPECT_EQ(reads, 2);
    Touch(path, 2'000'000);
    EXPECT_EQ(cache.IsPortrait(path), false);
    EXPECT_EQ(reads, 3);

    // A file that is gone is forgotten, not answered from memory.
    fs::remove(path);
    EXPECT_EQ(cache.IsPortrait(path), std::nullopt);
    EXPECT_EQ(cache.Size(), 0u);
}

TEST_F(OrientationCacheTest, StaysBoundedWhenTheListMovesOn) {
    COrientationCache cache([](const std::string&) { return std::optional<bool>(false); });
    for (int i = 0; i < 10; ++i)
        cache.IsPortrait(Picture("p" + std::to_string(i) + ".bmp", 4, 3));
    EXPECT_EQ(cache.Size(), 10u);
    cache.Trim(20);
    EXPECT_EQ(cache.Size(), 10u);
    cache.Trim(5);
    EXPECT_LE(cache.Size(), 5u);
}

}  // namespace
