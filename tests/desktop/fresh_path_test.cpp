// The two names that take turns for desktops that keep pictures by path.

#include "platform/desktop/fresh_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "setter_test_support.h"

namespace desktop {
namespace {

using testing::Exists;
using testing::ReadText;
using testing::ScratchDir;
using testing::WriteText;

class FreshPathTest : public ::testing::Test {
protected:
    // Writes the staging file anew the way the pipeline does: a new file
    // renamed over the old one.
    void Stage(const std::string& text) {
        WriteText(source_ + ".new", text);
        ASSERT_EQ(std::rename((source_ + ".new").c_str(), source_.c_str()), 0);
    }

    ScratchDir dir_;
    std::string source_ = dir_ / "MyWallPaper.bmp";
    std::string names_ = dir_.path() + "/";
};

TEST_F(FreshPathTest, NamesTakeTurnsAndOnlyTheShownOneStays) {
    Stage("first");
    std::string previous;
    for (int turn = 0; turn < 4; ++turn) {
        const std::string content = "picture " + std::to_string(turn);
        Stage(content);
        FreshPath fresh = FreshPath::Prepare(source_, names_);
        ASSERT_TRUE(fresh.ok()) << fresh.error();
        EXPECT_NE(fresh.path(), previous);
        EXPECT_EQ(fresh.path(), names_ + (turn % 2 ? "MyWallPaper-2.bmp" : "MyWallPaper-1.bmp"));
        fresh.Keep();
        EXPECT_EQ(ReadText(fresh.path()), content);
        if (!previous.empty()) {
            EXPECT_FALSE(Exists(previous)) << previous;
        }
        previous = fresh.path();
    }
    // The same staging file, not rewritten, still gets the other name.
    FreshPath again = FreshPath::Prepare(source_, names_);
    ASSERT_TRUE(again.ok());
    EXPECT_NE(again.path(), previous);
    EXPECT_EQ(ReadText(again.path()), "picture 3");
}

TEST_F(FreshPathTest, RefusedHandOverLeavesTheShownNameAlone) {
    Stage("shown");
    std::string shown;
    {
        FreshPath fresh = FreshPath::Prepare(source_, names_);
        fresh.Keep();
        shown = fresh.path();
    }
    Stage("refused");
    std::string refused;
    {
        FreshPath fresh = FreshPath::Prepare(source_, names_);
        ASSERT_TRUE(fresh.ok());
        refused = fresh.path();
    }  // not kept: the desktop did not take it
    EXPECT_FALSE(Exists(refused));
    EXPECT_EQ(ReadText(shown), "shown");

    // Unknown outcome: both stay, and the next turn replaces the older one.
    Stage("maybe");
    std::string maybe;
    {
        FreshPath fresh = FreshPath::Prepare(source_, names_);
        maybe = fresh.path();
        fresh.KeepBoth();
    }
    EXPECT_TRUE(Exists(shown));
    EXPECT_EQ(ReadText(maybe), "maybe");
    Stage("next");
    FreshPath next = FreshPath::Prepare(source_, names_);
    EXPECT_EQ(next.path(), shown);
    EXPECT_EQ(ReadText(next.path()), "next");
}

TEST_F(FreshPathTest, MissingPictureOrDirectoryFailsWithoutLeavingFiles) {
    FreshPath missing = FreshPath::Prepare(dir_ / "absent.bmp", names_);
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error().empty());

    Stage("x");
    FreshPath noDir = FreshPath::Prepare(source_, dir_ / "no/such/dir/");
    EXPECT_FALSE(noDir.ok());
    EXPECT_FALSE(noDir.error().empty());
    EXPECT_FALSE(Exists(names_ + "MyWallPaper-1.bmp"));
    EXPECT_FALSE(Exists(names_ + "MyWallPaper-1.bmp.part"));
}

TEST_F(FreshPathTest, CopiesAcrossFileSystems) {
    // /dev/shm is a file system of its own on most machines; a hard link
    // cannot reach it, so the picture is copied.
    struct stat shm {
    }, tmp{};
    if (stat("/dev/shm", &shm) != 0 || stat(dir_.path().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    char pattern[] = "/dev/shm/drapewell-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string other = std::string(pattern) + "/";
    Stage("across");
    {
        FreshPath fresh = FreshPath::Prepare(source_, other);
        ASSERT_TRUE(fresh.ok()) << fresh.error();
        EXPECT_EQ(ReadText(fresh.path()), "across");
    }
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace desktop
