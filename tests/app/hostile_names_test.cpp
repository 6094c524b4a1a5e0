// Picture folders built to break things: names with line breaks, quotes, a
// leading dash or bytes that are not UTF-8, names of the longest length a
// file system takes, paths near and beyond the system's limit, one folder of
// 100,000 files and a folder chain 1,000 deep. The walk lists what it can
// reach, skips what it cannot, and neither crashes, hangs nor overflows its
// stack; a picture asked for by such a name is refused in one line.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/picture_list.h"

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

class HostileNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-hostile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
    }
    void TearDown() override {
        // A deep chain is taken apart from its bottom up: a recursive remove
        // would hold one descriptor per level.
        for (std::string path = deepest_; path.size() > root_.size();) {
            rmdir(path.c_str());
            path.resize(path.rfind('/', path.size() - 2) + 1);
        }
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // Creates an empty file at the full path; its path back.
    static std::string Make(const std::string& path) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0) << path;
        if (fd >= 0)
            close(fd);
        return path;
    }

    std::string root_;
    std::string deepest_;  // the bottom of a chain made by a test, with '/'
};

TEST_F(HostileNamesTest, OddBytesInNamesAreListedAsTheyAre) {
    const std::string name255 = std::string(251, 'n') + ".jpg";
    ASSERT_EQ(name255.size(), 255u);
    const std::string dashDir = root_ + "-rf \"$(reboot)\"/";
    ASSERT_TRUE(fs::create_directory(dashDir));
    const std::string badUtf8Dir = root_ + "\xff\xfe\xc3(/";
    ASSERT_TRUE(fs::create_directory(badUtf8Dir));
    Paths expected = {
        Make(root_ + "line\nbreak.jpg"),
        Make(root_ + "carriage\rreturn.png"),
        Make(root_ + "it's \"quoted\" `x`.gif"),
        Make(root_ + "-n.bmp"),
        Make(root_ + "--help.png"),
        Make(root_ + "$HOME;*?[a].tga"),
        Make(root_ + "\x80\xff-not-utf8.pcx"),
        Make(root_ + name255),
        Make(dashDir + "-.jpg"),
        Make(badUtf8Dir + "\t.png"),
    };
    Make(root_ + "newline.jpg\n");  // the extension is not the name's end
    std::sort(expected.begin(), expected.end(), ImageListLess);
    EXPECT_EQ(ScanImageDirectory(root_, ""), expected);
}

TEST_F(HostileNamesTest, PathsAtTheLimitAreListedAndLongerOnesSkipped) {
    // Folders of 250-byte names down to a path of about 4,000 bytes, one
    // picture there; one more level passes the system's 4,096-byte limit.
    const std::string level = std::string(249, 'd') + "/";
    std::string dir = root_;
    while (dir.size() + level.size() < 4000) {
        dir += level;
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    }
    const std::string near = Make(dir + std::string(3995 - dir.size(), 'p') + ".png");
    EXPECT_GE(near.size(), 3990u);
    const std::string beyond = dir + level;
    ASSERT_EQ(mkdir(beyond.c_str(), 0755), 0);
    // Beyond the limit by its full path; made relative to its folder.
    const int fd = open(beyond.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    const int deeper = mkdirat(fd, level.c_str(), 0755);
    ASSERT_EQ(deeper, 0);
    const int inner = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(inner, 0);
    const int file = openat(inner, "far.jpg", O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(file, 0);
    close(file);
    close(inner);
    close(fd);
    EXPECT_EQ(ScanImageDirectory(root_, ""), Paths{near});
    // remove_all would need the over-long paths; the last level goes first.
    const int again = open(beyond.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(again, 0);
    const int innerAgain = openat(again, level.c_str(), O_RDONLY | O_DIRECTORY);
    unlinkat(innerAgain, "far.jpg", 0);
    close(innerAgain);
    unlinkat(again, level.c_str(), AT_REMOVEDIR);
    close(again);
}

TEST_F(HostileNamesTest, HundredThousandFilesInOneFolder) {
    constexpr int kFiles = 100000;
    for (int i = 0; i < kFiles; ++i)
        Make(root_ + std::to_string(i) + (i % 10 == 0 ? ".txt" : ".jpg"));
    const auto start = std::chrono::steady_clock::now();
    const Paths listed = ScanImageDirectory(root_, "");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(listed.size(), static_cast<std::size_t>(kFiles - kFiles / 10));
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), ImageListLess));
    // Generous for a sanitizer build on a busy machine; a quadratic walk or
    // sort would take minutes.
    EXPECT_LT(took, std::chrono::seconds(30));
    std::printf("100,000 files listed in %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

TEST_F(HostileNamesTest, ThousandFoldersDeep) {
    std::string dir = root_;
    Paths expected;
    for (int depth = 0; depth < 1000; ++depth) {
        dir += "d/";
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0) << depth;
        deepest_ = dir;
        if (depth % 250 == 249)
            expected.push_back(Make(dir + "level.png"));
    }
    std::sort(expected.begin(), expected.end(), ImageListLess);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ScanImageDirectory(root_, ""), expected);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    for (const std::string& picture : expected)
        unlink(picture.c_str());
}

TEST_F(HostileNamesTest, PictureRequestsByHostileNames) {
    const std::string picture = Make(root_ + "two\nlines \"and\" \\ -dash.jpg");
    std::string why;
    EXPECT_TRUE(CheckPictureRequest(picture, why)) << why;

    // Each refusal is one line that says why, the name's control bytes
    // written out so the line cannot be split or forged.
    EXPECT_FALSE(CheckPictureRequest("-rf\n.jpg", why));
    EXPECT_EQ(why, "not a full path: -rf\\x0a.jpg");
    EXPECT_FALSE(CheckPictureRequest(root_ + "missing\r\n.jpg", why));
    EXPECT_EQ(why, "no such file: " + root_ + "missing\\x0d\\x0a.jpg");
    EXPECT_FALSE(CheckPictureRequest(root_ + "a\\x0a.jpg", why));
    EXPECT_EQ(why, "no such file: " + root_ + "a\\\\x0a.jpg");
    const std::string text = Make(root_ + "notes\x1b[2J.txt");
    EXPECT_FALSE(CheckPictureRequest(text, why));
    EXPECT_EQ(why, "not a picture file Drapewell reads: " + root_ + "notes\\x1b[2J.txt");
    // A folder named like a picture is not a file.
    ASSERT_TRUE(fs::create_directory(root_ + "folder.jpg"));
    EXPECT_FALSE(CheckPictureRequest(root_ + "folder.jpg", why));
    EXPECT_EQ(why, "no such file: " + root_ + "folder.jpg");
    EXPECT_FALSE(CheckPictureRequest("", why));
    EXPECT_EQ(why, "not a full path: ");
}

}  // namespace
