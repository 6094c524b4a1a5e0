#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/base/paths.h"
#include "platform/base/product.h"

namespace {

TEST(ProductStrings, TitleAndAboutTexts) {
    EXPECT_EQ(GetProductName(), "Drapewell");
    EXPECT_EQ(GetProductVersion(), "1.50");
    EXPECT_EQ(GetAboutText(), "Drapewell 1.50 Build 05/09/2009");
}

TEST(ModulePath, NamesThisTestProgramAndItsDirectory) {
    const std::string path = GetModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_tests");
    const std::string dir = GetModuleDirectory();
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(dir + "platform_tests", path);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
}

TEST(FileExtension, TakesTheTextAfterTheLastDot) {
    EXPECT_EQ(GetFileExtension("photo.final.JPG"), "JPG");
    EXPECT_EQ(GetFileExtension("README"), "");
    EXPECT_EQ(GetFileExtension("trailing."), "");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(GetFileExtension("a/b.c/d"), "");
}

TEST(DataDirectory, FollowsTheXdgRules) {
    EXPECT_EQ(DataDirectoryFor("/data", "/home/u"), "/data/Drapewell/");
    EXPECT_EQ(DataDirectoryFor("/data/", "/home/u"), "/data/Drapewell/");
    EXPECT_EQ(DataDirectoryFor(nullptr, "/home/u"), "/home/u/.local/share/Drapewell/");
    EXPECT_EQ(DataDirectoryFor("", "/home/u/"), "/home/u/.local/share/Drapewell/");
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ(DataDirectoryFor("rel/dir", "/home/u"), "/home/u/.local/share/Drapewell/");
    EXPECT_EQ(DataDirectoryFor(nullptr, nullptr), "");
}

class DataDirectoryOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/drapewell-paths-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        const char* old = std::getenv("XDG_DATA_HOME");
        hadOld_ = old != nullptr;
        if (old)
            old_ = old;
    }
    void TearDown() override {
        if (hadOld_)
            setenv("XDG_DATA_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        std::filesystem::remove_all(root_);
    }
    std::string root_, old_;
    bool hadOld_ = false;
};

TEST_F(DataDirectoryOnDisk, IsCreatedWithMissingParentsAndEndsWithSlash) {
    const std::string xdg = root_ + "/deep/share";
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    const std::string dir = GetWindowsDirectoryPath();
    EXPECT_EQ(dir, xdg + "/Drapewell/");
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Asking again finds it in place.
    EXPECT_EQ(GetWindowsDirectoryPath(), dir);
}

TEST_F(DataDirectoryOnDisk, AFileInTheWayIsNotTakenForTheDirectory) {
    const std::string blocker = root_ + "/file";
    FILE* f = fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_FALSE(EnsureDirectory(blocker + "/"));
    EXPECT_FALSE(EnsureDirectory(blocker + "/below/"));
    EXPECT_TRUE(EnsureDirectory(root_ + "/fresh/"));
}

}  // namespace
