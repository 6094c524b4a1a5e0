// The next picture: in order with wrapping, at random with every entry
// reachable, and the last wallpaper selected again after a refresh.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/rotation.h"

namespace {

TEST(Rotation, InOrderWrapsAndStartsAtTheFirst) {
    EXPECT_EQ(NextIndexInOrder(0, 3), 1);
    EXPECT_EQ(NextIndexInOrder(2, 3), 0);
    EXPECT_EQ(NextIndexInOrder(-1, 3), 0);  // nothing selected
    EXPECT_EQ(NextIndexInOrder(7, 3), 0);   // a selection the list no longer has
    EXPECT_EQ(NextIndexInOrder(0, 1), 0);
    EXPECT_EQ(NextIndexInOrder(0, 0), -1);
    CRandomPicker picker(1);
    EXPECT_EQ(NextImageIndex(1, 3, 0, picker), 2);
    EXPECT_EQ(NextImageIndex(-1, 0, 1, picker), -1);
    EXPECT_EQ(NextImageIndex(-1, 0, 0, picker), -1);
}

TEST(Rotation, RandomReachesEveryEntryEvenly) {
    CRandomPicker picker(20240601);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(picker.Next(1), 0);
    int first = 0;
    for (int i = 0; i < 10000; ++i)
        first += picker.Next(2) == 0;
    EXPECT_NEAR(first, 5000, 300);
    std::vector<int> seen(37);
    for (int i = 0; i < 5000; ++i) {
        const int drawn = NextImageIndex(3, 37, 1, picker);
        ASSERT_GE(drawn, 0);
        ASSERT_LT(drawn, 37);
        ++seen[drawn];
    }
    for (int count : seen)
        EXPECT_GT(count, 0);
    EXPECT_EQ(picker.Next(0), -1);
}

TEST(Rotation, PicksInQuickSuccessionDiffer) {
    // Two pickers made at once must not repeat each other, nor one picker
    // itself, as generators seeded from the clock do within a second.
    CRandomPicker a, b;
    std::vector<int> fromA, fromB;
    for (int i = 0; i < 16; ++i) {
        fromA.push_back(a.Next(1000000));
        fromB.push_back(b.Next(1000000));
    }
    EXPECT_NE(fromA, fromB);
    EXPECT_NE(fromA, std::vector<int>(16, fromA[0]));
}

TEST(Rotation, LaterPaperIsSelectedAgainOrTheFirstEntry) {
    const std::vector<std::string> list{"/p/A.jpg", "/p/a.jpg", "/p/b.jpg", "/p/b.jpg.png",
                                        "/p/c.png"};
    EXPECT_EQ(IndexAfterRefresh(list, "/p/c.png"), 4);
    EXPECT_EQ(IndexAfterRefresh(list, "/p/a.jpg"), 1);  // the exact one of two case variants
    EXPECT_EQ(IndexAfterRefresh(list, "/p/C.PNG"), 4);  // only a case variant is there
    // A vanished picture selects the first entry, not one that merely
    // begins with its name.
    EXPECT_EQ(IndexAfterRefresh({"/p/a.png", "/p/b.jpg.png"}, "/p/b.jpg"), 0);
    EXPECT_EQ(IndexAfterRefresh(list, "/p/gone.jpg"), 0);
    EXPECT_EQ(IndexAfterRefresh(list, ""), 0);
    EXPECT_EQ(IndexAfterRefresh({}, "/p/c.png"), -1);
}

}  // namespace
