// Random mode's shuffled order: every picture once per round, no repeat
// across the seam of two rounds, the rest of a round kept over a restart,
// and pictures joining or leaving without starting the round over.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "rotation/rotation_store.h"
#include "rotation/shuffle.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Pictures(int count, int from = 0) {
    std::vector<std::string> list;
    for (int i = from; i < from + count; ++i)
        list.push_back("/pics/" + std::to_string(i) + ".png");
    return list;
}

TEST(ShuffleTest, AThousandChangesOverThirtySevenPicturesNeverRepeatWithinARound) {
    const std::vector<std::string> list = Pictures(37);
    CShuffleOrder order(2024);
    std::set<std::string> round;
    std::string previous;
    int rounds = 0;
    for (int i = 0; i < 1000; ++i) {
        const auto picture = order.Next(list);
        ASSERT_TRUE(picture);
        EXPECT_NE(*picture, previous) << "change " << i << " repeats across the seam";
        EXPECT_TRUE(round.insert(*picture).second) << "change " << i << " repeats " << *picture;
        if (round.size() == list.size()) {
            round.clear();
            ++rounds;
        }
        previous = *picture;
    }
    EXPECT_EQ(rounds, 1000 / 37);
}

TEST(ShuffleTest, TwoPicturesAlternateAndOneRepeatsAlone) {
    CShuffleOrder order(5);
    const std::vector<std::string> two = Pictures(2);
    std::string previous = *order.Next(two);
    for (int i = 0; i < 50; ++i) {
        const std::string picture = *order.Next(two);
        EXPECT_NE(picture, previous);
        previous = picture;
    }
    const std::vector<std::string> one = Pictures(1);
    EXPECT_EQ(order.Next(one), one[0]);
    EXPECT_EQ(order.Next(one), one[0]);
    EXPECT_FALSE(order.Next({}));
}

TEST(ShuffleTest, TheRestOfTheRoundSurvivesARestartAtARandomPoint) {
    const std::vector<std::string> list = Pictures(37);
    std::string pattern = (fs::temp_directory_path() / "drapewell-shuffle-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    const std::string file = (dir / "Shuffle.txt").string();
    std::mt19937 pick(11);
    for (int trial = 0; trial < 5; ++trial) {
        CShuffleOrder running(100 + trial);
        // A stop at the end of a round leaves nothing of it to compare.
        int stop = std::uniform_int_distribution<int>(1, 200)(pick);
        if (stop % static_cast<int>(list.size()) == 0)
            ++stop;
        std::set<std::string> shownThisRound;
        for (int i = 0; i < stop; ++i) {
            shownThisRound.insert(*running.Next(list));
            if (shownThisRound.size() == list.size())
                shownThisRound.clear();
        }
        ASSERT_TRUE(SaveShuffle(file, running));
        // Another seed: only the file can make the two agree.
        CShuffleOrder restarted(999 + trial);
        ASSERT_TRUE(LoadShuffle(file, restarted));
        const std::size_t left = list.size() - shownThisRound.size();
        for (std::size_t i = 0; i < left; ++i) {
            const std::string expected = *running.Next(list);
            EXPECT_EQ(*restarted.Next(list), expected) << "trial " << trial << " step " << i;
            EXPECT_FALSE(shownThisRound.contains(expected));
        }
    }
    fs::remove_all(dir);
}

TEST(ShuffleTest, PicturesJoiningOrLeavingDoNotStartTheRoundOver) {
    std::vector<std::string> list = Pictures(10);
    CShuffleOrder order(3);
    std::vector<std::string> shown;
    for (int i = 0; i < 4; ++i)
        shown.push_back(*order.Next(list));
    // One shown and one still to come leave; three new ones join.
    const std::string shownLeaver = shown[1];
    const std::vector<std::string> rest(order.Order().begin() + 4, order.Order().end());
    const std::string comingLeaver = rest[2];
    std::erase(list, shownLeaver);
    std::erase(list, comingLeaver);
    const std::vector<std::string> joiners = Pictures(3, 100);
    list.insert(list.end(), joiners.begin(), joiners.end());

    std::set<std::string> restOfRound;
    for (std::size_t i = 0; i < 5 + joiners.size(); ++i)
        restOfRound.insert(*order.Next(list));
    // Exactly what was still to come, less the leaver, plus the joiners.
    std::set<std::string> expected(rest.begin(), rest.end());
    expected.erase(comingLeaver);
    expected.insert(joiners.begin(), joiners.end());
    EXPECT_EQ(restOfRound, expected);
    // The next round has every current picture once.
    std::set<std::string> next;
    for (std::size_t i = 0; i < list.size(); ++i)
        next.insert(*order.Next(list));
    EXPECT_EQ(next, std::set<std::string>(list.begin(), list.end()));
}

TEST(ShuffleTest, AStoredOrderWithDuplicatesOrStrangersIsMendedAgainstTheList) {
    const std::vector<std::string> list = Pictures(4);
    CShuffleOrder order(8);
    order.Restore({list[2], "/gone.png", list[2], list[0]}, 1);
    std::multiset<std::string> round;
    // list[2] was shown; the rest of the round is list[0] and the two that
    // were not in the stored order.
    for (int i = 0; i < 3; ++i)
        round.insert(*order.Next(list));
    EXPECT_EQ(round, (std::multiset<std::string>{list[0], list[1], list[3]}));
}

}  // namespace
