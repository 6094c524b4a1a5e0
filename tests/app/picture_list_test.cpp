// The image and music walks over real trees: what is listed, in what order,
// and that links, locked folders and odd files neither hang nor break them.

#include <gtest/gtest.h>
#include <algorithm>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/picture_list.h"

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

class PictureListTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-walk-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
    }
    void TearDown() override {
        for (const auto& dir : locked_)
            chmod(dir.c_str(), 0755);
        fs::remove_all(root_);
    }

    // Creates the file (and its folders) under the tree; returns its path.
    std::string Touch(const std::string& relative) {
        const fs::path path = root_ + relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        return path.string();
    }
    void Lock(const std::string& relative) {
        locked_.push_back(root_ + relative);
        ASSERT_EQ(chmod(locked_.back().c_str(), 0), 0);
    }

    std::string root_;
    std::vector<std::string> locked_;
};

TEST_F(PictureListTest, ListsPicturesOfTheWholeTreeSortedWithoutCase) {
    const std::string a = Touch("A.JPG"), b = Touch("b.png"), x = Touch("sub/x.GIF");
    Touch("c.txt");
    const std::string jpeg = Touch("photo.jpeg"), tif = Touch("photo.TIF");
    Touch("photo");
    Touch("jpg");  // an extension-less file named like one
    const std::string inHoliday = Touch("Holiday.jpg/inside.Bmp");
    const std::string deep = Touch("sub/deeper/still/z.tga");
    const std::string pcx = Touch("a2.PcX"), hidden = Touch(".hidden.png");

    EXPECT_EQ(ScanImageDirectory(root_), (Paths{hidden, a, pcx, b, inHoliday, jpeg, tif, deep, x}));
}

TEST_F(PictureListTest, ListOrderIgnoresCaseAndKeepsCaseVariantsApart) {
    const std::string upper = Touch("Same.jpg"), lower = Touch("same.jpg");
    const std::string alpha = Touch("alpha.png"), beta = Touch("BETA.png");
    EXPECT_EQ(ScanImageDirectory(root_), (Paths{alpha, beta, upper, lower}));
}

TEST_F(PictureListTest, DirectoryNamesWithoutSlashEmptyOrMissing) {
    const std::string picture = Touch("pics/one.jpg");
    Touch("picsextra.jpg");  // what "pics" + name would wrongly have reached
    EXPECT_EQ(ScanImageDirectory(root_ + "pics"), Paths{picture});
    EXPECT_TRUE(ScanImageDirectory("").empty());
    EXPECT_TRUE(ScanImageDirectory(root_ + "missing/").empty());
    EXPECT_EQ(DirectoryWithSlash("/a/b"), "/a/b/");
    EXPECT_EQ(DirectoryWithSlash("/a/b/"), "/a/b/");
    EXPECT_EQ(DirectoryWithSlash(""), "");
}

// The data directory is the default picture folder and also where every
// wallpaper change writes its bitmaps; those must not join the rotation, but
// a user's file of the same name elsewhere must.
TEST_F(PictureListTest, LeavesOutTheStagingBitmapsOfTheDataDirectoryOnly) {
    const std::string data = root_ + "xdg/Drapewell/";
    const std::string mine = Touch("xdg/Drapewell/holiday.jpg");
    Touch("xdg/Drapewell/MyWallPaper.bmp");
    Touch("xdg/Drapewell/MyWallPaper-1.bmp");
    Touch("xdg/Drapewell/MyWallPaper-2.png");
    const std::string third = Touch("xdg/Drapewell/MyWallPaper-3.bmp");
    const std::string lower = Touch("xdg/Drapewell/mywallpaper.bmp");
    const std::string elsewhere = Touch("pics/MyWallPaper.bmp");
    const std::string elsewhere2 = Touch("pics/MyWallPaper-1.bmp");
    fs::create_directory_symlink(data, root_ + "alias");

    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string savedValue = saved ? saved : "";
    setenv("XDG_DATA_HOME", (root_ + "xdg").c_str(), 1);
    const Paths fromData = ScanImageDirectory(data);
    const Paths fromAlias = ScanImageDirectory(root_ + "alias");
    const Paths whole = ScanImageDirectory(root_);
    if (saved)
        setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");

    EXPECT_EQ(fromData, (Paths{mine, third, lower}));
    EXPECT_EQ(fromAlias, (Paths{root_ + "alias/holiday.jpg", root_ + "alias/MyWallPaper-3.bmp",
                                root_ + "alias/mywallpaper.bmp"}));
    EXPECT_EQ(whole, (Paths{elsewhere2, elsewhere, mine, third, lower}));
    // Without a staging directory nothing is left out.
    EXPECT_EQ(ScanImageDirectory(root_ + "pics", "").size(), 2u);
}

// Each monitor's staging bitmap and its pair of names stay out of the
// rotation too; names that only look alike are pictures.
TEST_F(PictureListTest, LeavesOutEachMonitorsStagingBitmaps) {
    const std::string data = root_ + "xdg/Drapewell/";
    for (const char* name : {"MyWallPaper-monitor1.bmp", "MyWallPaper-monitor12.bmp",
                             "MyWallPaper-screen1-1.bmp", "MyWallPaper-screen2-2.png"})
        Touch(std::string("xdg/Drapewell/") + name);
    Paths kept;
    for (const char* name :
         {"MyWallPaper-monitor.bmp", "MyWallPaper-monitor1.png", "MyWallPaper-screen1-3.bmp",
          "MyWallPaper-screenX-1.bmp", "MyWallPaper-screen1-1.a.bmp"})
        kept.push_back(Touch(std::string("xdg/Drapewell/") + name));
    Paths listed = ScanImageDirectory(data, data);
    std::sort(listed.begin(), listed.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(listed, kept);
    for (const std::string& path : kept)
        EXPECT_FALSE(IsStagingPicture(path, data)) << path;
    EXPECT_TRUE(IsStagingPicture(data + "MyWallPaper-monitor3.bmp", data));
}

TEST_F(PictureListTest, LinksBackIntoTheTreeAreWalkedOnce) {
    const std::string top = Touch("top.jpg"), inner = Touch("sub/inner.png");
    fs::create_directory_symlink("..", root_ + "sub/up");       // a loop through the parent
    fs::create_directory_symlink(".", root_ + "sub/self");      // and through itself
    fs::create_directory_symlink(root_ + "sub", root_ + "zz");  // a second way into sub
    fs::create_symlink("nowhere.jpg", root_ + "dangling.jpg");
    fs::create_symlink("loop.jpg", root_ + "loop.jpg");  // resolves to itself
    const Paths listed = ScanImageDirectory(root_);
    EXPECT_EQ(listed, (Paths{inner, top}));
}

TEST_F(PictureListTest, LinksOutOfTheTreeAndToFilesAreFollowed) {
    const std::string outside = root_.substr(0, root_.size() - 1) + "-out/";
    fs::create_directory(outside);
    std::ofstream(outside + "far.jpg") << "x";
    fs::create_directory_symlink(outside, root_ + "linked");
    fs::create_symlink(outside + "far.jpg", root_ + "alias.PNG");
    const Paths listed = ScanImageDirectory(root_);
    fs::remove_all(outside);
    EXPECT_EQ(listed, (Paths{root_ + "alias.PNG", root_ + "linked/far.jpg"}));
}

TEST_F(PictureListTest, SkipsFilesThatAreNotRegular) {
    ASSERT_EQ(mkfifo((root_ + "pipe.jpg").c_str(), 0600), 0);
    const std::string real = Touch("real.jpg");
    EXPECT_EQ(ScanImageDirectory(root_), Paths{real});
}

// An unreadable folder is skipped and the rest still listed. Root reads
// every folder, so as root the walk runs in a child that gives its rights up.
TEST_F(PictureListTest, SkipsUnreadableFolders) {
    const std::string kept = Touch("open/kept.jpg");
    Touch("locked/hidden.jpg");
    Touch("locked/below/deeper.png");
    chmod(root_.c_str(), 0755);
    Lock("locked");
    const Paths expected{kept};
    if (geteuid() != 0) {
        EXPECT_EQ(ScanImageDirectory(root_), expected);
        return;
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(!dropped ? 2 : ScanImageDirectory(root_) == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong list, 2: could not drop root";
}

TEST_F(PictureListTest, MusicWalkKeepsTheOrderItMeetsFilesIn) {
    const std::string a = Touch("a.mp3"), b = Touch("sub/b.wav"), z = Touch("z.wav");
    const std::string upper = Touch("B.MP3"), deep = Touch("sub/inner/c.Mp3");
    Touch("notes.txt");
    Touch("cover.jpg");
    EXPECT_EQ(ScanMusicDirectory(root_), (Paths{a, upper, b, deep, z}));
    EXPECT_EQ(ScanMusicDirectory(root_ + "sub"), (Paths{b, deep}));
    EXPECT_TRUE(ScanMusicDirectory("").empty());
}

TEST(FileNames, ExtensionsComparedWithoutCase) {
    for (const char* name :
         {"a.jpg", "a.JPG", "b.Gif", "c.bmp", "d.PCX", "e.tga", "f.png", "x.y.png", "a.jpeg",
          "a.JPE", "a.tif", "a.Tiff", "a.webp", "b.WebP", "c.avif", "d.AVIF"})
        EXPECT_TRUE(IsImageFileName(name)) << name;
    for (const char* name :
         {"jpg", "a.jpg.txt", "a.", "a.mp3", "a.tiff.part", "a.webp.part", "avif"})
        EXPECT_FALSE(IsImageFileName(name)) << name;
    EXPECT_TRUE(IsMusicFileName("song.MP3"));
    EXPECT_TRUE(IsMusicFileName("song.wav"));
    EXPECT_FALSE(IsMusicFileName("song.ogg"));
}

TEST(FileNames, HeifAndJpegXlPictures) {
    for (const char* name : {"a.heic", "b.HEIC", "c.heif", "d.Heif", "e.jxl", "f.JXL"})
        EXPECT_TRUE(IsImageFileName(name)) << name;
    for (const char* name : {"a.heics", "a.hei", "a.jx", "a.jxl.tmp"})
        EXPECT_FALSE(IsImageFileName(name)) << name;
}

}  // namespace
