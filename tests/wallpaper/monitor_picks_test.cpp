#include "wallpaper/monitor_picks.h"

#include <gtest/gtest.h>

namespace wallpaper {
namespace {

using desktop::Monitor;

// Landscape (l) and portrait (p) pictures, and one whose size is unknown (u).
const std::vector<std::string> kList{"l0", "p1", "l2", "l3", "p4", "u5"};

std::optional<bool> PortraitByName(const std::string& path) {
    if (path[0] == 'u')
        return std::nullopt;
    return path[0] == 'p';
}

const Monitor kLandscape{"A", 0, 0, 1920, 1080, true};
const Monitor kPortrait{"B", 1920, 0, 1080, 1920, false};

MonitorPickRules InOrder(bool match) {
    return {.random = false,
            .matchOrientation = match,
            .randomIndex = {},
            .isPortrait = PortraitByName};
}

TEST(MonitorPicks, InOrderEachMonitorTakesTheNextPictureOfItsOrientation) {
    const Monitor monitors[] = {kLandscape, kPortrait, kPortrait};
    EXPECT_EQ(PickForMonitors(kList, 0, monitors, InOrder(true)), (std::vector<int>{0, 1, 4}));
    // From the third picture: landscape 2, then portrait after it is 4, then
    // round the list to 1.
    EXPECT_EQ(PickForMonitors(kList, 2, monitors, InOrder(true)), (std::vector<int>{2, 4, 1}));
    // The first monitor takes the first fitting picture from the current one on.
    const Monitor portraitFirst[] = {kPortrait, kLandscape};
    EXPECT_EQ(PickForMonitors(kList, 2, portraitFirst, InOrder(true)), (std::vector<int>{4, 0}));
    // Without matching: plain order, round the list.
    EXPECT_EQ(PickForMonitors(kList, 5, monitors, InOrder(false)), (std::vector<int>{5, 0, 1}));
}

TEST(MonitorPicks, ListsWithoutTheOrientationFallBackToPlainOrder) {
    const std::vector<std::string> landscapes{"l0", "l1", "u2"};
    const Monitor monitors[] = {kLandscape, kPortrait};
    EXPECT_EQ(PickForMonitors(landscapes, 0, monitors, InOrder(true)), (std::vector<int>{0, 1}));
    EXPECT_TRUE(PickForMonitors({}, 0, monitors, InOrder(true)).empty());
    // A current index outside the list starts at the first.
    EXPECT_EQ(PickForMonitors(landscapes, 9, monitors, InOrder(false)), (std::vector<int>{0, 1}));
}

TEST(MonitorPicks, AtRandomEachMonitorDrawsFromThePicturesThatFitIt) {
    std::vector<int> counts;
    MonitorPickRules rules{.random = true,
                           .matchOrientation = true,
                           .randomIndex =
                               [&](int count) {
                                   counts.push_back(count);
                                   return count - 1;  // the last candidate
                               },
                           .isPortrait = PortraitByName};
    const Monitor monitors[] = {kLandscape, kPortrait};
    // The first monitor keeps the picture already drawn for it when it fits.
    EXPECT_EQ(PickForMonitors(kList, 0, monitors, rules), (std::vector<int>{0, 4}));
    EXPECT_EQ(counts, (std::vector<int>{2}));  // two portrait
    counts.clear();
    // A portrait picture drawn for a landscape monitor is drawn again.
    EXPECT_EQ(PickForMonitors(kList, 1, monitors, rules), (std::vector<int>{3, 4}));
    EXPECT_EQ(counts, (std::vector<int>{3, 2}));  // three landscape, two portrait
    // A generator answering out of range is kept inside the list.
    rules.randomIndex = [](int) { return 99; };
    rules.matchOrientation = false;
    EXPECT_EQ(PickForMonitors(kList, -1, monitors, rules), (std::vector<int>{0, 0}));
}

}  // namespace
}  // namespace wallpaper
