// The history of pictures shown: walking back and forward, what a new
// picture does to the entries ahead, missing files, the length bound, and
// the file that carries it over a restart.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "rotation/history.h"
#include "rotation/rotation_store.h"

namespace {

namespace fs = std::filesystem;

bool Always(const std::string&) {
    return true;
}

std::string Name(int i) {
    return "/pics/" + std::to_string(i) + ".jpg";
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "drapewell-history-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string File(const char* name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

TEST(HistoryTest, NextFiveBackThreeForwardTwoLandsOnTheFourthAcrossARestart) {
    CPictureHistory history;
    for (int i = 1; i <= 5; ++i)
        history.Record(Name(i));
    for (int i = 4; i >= 2; --i)
        EXPECT_EQ(history.Back(Always), Name(i));
    // A walk records the picture it moved to: no new entry.
    history.Record(Name(2));
    EXPECT_EQ(history.Entries().size(), 5u);

    TempDir dir;
    ASSERT_TRUE(SaveHistory(dir.File("History.txt"), history));
    CPictureHistory restored;
    ASSERT_TRUE(LoadHistory(dir.File("History.txt"), restored));
    EXPECT_EQ(restored.Entries(), history.Entries());
    EXPECT_EQ(restored.Current(), Name(2));
    EXPECT_EQ(restored.Forward(Always), Name(3));
    EXPECT_EQ(restored.Forward(Always), Name(4));
    EXPECT_TRUE(restored.CanGoForward());
    EXPECT_EQ(restored.Forward(Always), Name(5));
    EXPECT_FALSE(restored.Forward(Always));
    EXPECT_EQ(restored.Current(), Name(5));
}

TEST(HistoryTest, EndsAndEmptyHistoryGiveNothing) {
    CPictureHistory history;
    EXPECT_FALSE(history.Back(Always));
    EXPECT_FALSE(history.Forward(Always));
    EXPECT_FALSE(history.Current());
    history.Record(Name(1));
    EXPECT_FALSE(history.Back(Always));
    EXPECT_EQ(history.Current(), Name(1));
}

TEST(HistoryTest, ANewPictureAfterGoingBackDropsTheEntriesAhead) {
    CPictureHistory history;
    for (int i = 1; i <= 4; ++i)
        history.Record(Name(i));
    history.Back(Always);
    history.Back(Always);
    history.Record(Name(9));
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{Name(1), Name(2), Name(9)}));
    EXPECT_FALSE(history.CanGoForward());
    EXPECT_EQ(history.Back(Always), Name(2));
}

TEST(HistoryTest, MissingPicturesAreSkippedAndDropped) {
    CPictureHistory history;
    for (int i = 1; i <= 6; ++i)
        history.Record(Name(i));
    const std::set<std::string> gone{Name(5), Name(4), Name(2)};
    const auto exists = [&](const std::string& path) { return !gone.contains(path); };
    EXPECT_EQ(history.Back(exists), Name(3));
    EXPECT_EQ(history.Back(exists), Name(1));
    EXPECT_FALSE(history.Back(exists));
    EXPECT_EQ(history.Current(), Name(1));
    EXPECT_EQ(history.Forward(exists), Name(3));
    EXPECT_EQ(history.Forward(exists), Name(6));
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{Name(1), Name(3), Name(6)}));

    // Every entry ahead gone: nothing to walk to, the cursor stays.
    CPictureHistory ahead;
    for (int i = 1; i <= 3; ++i)
        ahead.Record(Name(i));
    ahead.Back(Always);
    ahead.Back(Always);
    EXPECT_FALSE(ahead.Forward([](const std::string&) { return false; }));
    EXPECT_EQ(ahead.Current(), Name(1));
    EXPECT_EQ(ahead.Entries().size(), 1u);
}

TEST(HistoryTest, ForgettingTheCurrentPictureKeepsTheCursorInRange) {
    CPictureHistory history;
    for (int i = 1; i <= 3; ++i)
        history.Record(Name(i));
    history.Forget(Name(3));
    EXPECT_EQ(history.Current(), Name(2));
    history.Back(Always);
    history.Forget(Name(1));
    EXPECT_EQ(history.Current(), Name(2));
    history.Forget(Name(2));
    EXPECT_FALSE(history.Current());
    history.Record(Name(7));
    EXPECT_EQ(history.Current(), Name(7));
}

TEST(HistoryTest, KeepsTheLastHundred) {
    CPictureHistory history;
    for (int i = 0; i < 250; ++i)
        history.Record(Name(i));
    ASSERT_EQ(history.Entries().size(), kHistoryLength);
    EXPECT_EQ(history.Entries().front(), Name(150));
    EXPECT_EQ(history.Current(), Name(249));

    std::vector<std::string> stored;
    for (int i = 0; i < 120; ++i)
        stored.push_back(Name(i));
    CPictureHistory restored;
    restored.Restore(stored, 50);  // 20 dropped from the old end
    EXPECT_EQ(restored.Entries().size(), kHistoryLength);
    EXPECT_EQ(restored.Current(), Name(50));
}

TEST(HistoryStoreTest, RefusesForeignOrDamagedFilesAndLeavesTheHistoryAlone) {
    TempDir dir;
    CPictureHistory history;
    history.Record(Name(1));
    EXPECT_FALSE(LoadHistory(dir.File("missing.txt"), history));
    std::ofstream(dir.File("foreign.txt")) << "[Setting]\nImagePath=/\n";
    EXPECT_FALSE(LoadHistory(dir.File("foreign.txt"), history));
    std::ofstream(dir.File("cursor.txt")) << "Drapewell history 1\nx3\n/a.jpg\n";
    EXPECT_FALSE(LoadHistory(dir.File("cursor.txt"), history));
    EXPECT_EQ(history.Current(), Name(1));

    // A cursor beyond the entries lands on the newest.
    std::ofstream(dir.File("far.txt")) << "Drapewell history 1\n99\n/a.jpg\n/b.jpg\n";
    ASSERT_TRUE(LoadHistory(dir.File("far.txt"), history));
    EXPECT_EQ(history.Current(), "/b.jpg");
}

TEST(HistoryStoreTest, NamesWithLineBreaksAreLeftOutWithoutShiftingTheCursor) {
    TempDir dir;
    CPictureHistory history;
    history.Record("/a.jpg");
    history.Record("/odd\nname.jpg");
    history.Record("/c.jpg");
    history.Record("/d.jpg");
    history.Back(Always);
    ASSERT_EQ(history.Current(), "/c.jpg");
    ASSERT_TRUE(SaveHistory(dir.File("h.txt"), history));
    CPictureHistory restored;
    ASSERT_TRUE(LoadHistory(dir.File("h.txt"), restored));
    EXPECT_EQ(restored.Entries(), (std::vector<std::string>{"/a.jpg", "/c.jpg", "/d.jpg"}));
    EXPECT_EQ(restored.Current(), "/c.jpg");
    // The save replaced the file whole: no temporary file stays behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(fs::path(dir.File("h.txt")).parent_path()))
        ++files;
    EXPECT_EQ(files, 1);
}

}  // namespace
