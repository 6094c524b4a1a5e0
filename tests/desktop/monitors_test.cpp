// The monitor lists of sway and Hyprland as their tools print them, and the
// pair of names each monitor's picture takes turns under.

#include "platform/desktop/monitors.h"

#include <gtest/gtest.h>

#include "platform/desktop/fresh_path.h"
#include "setter_test_support.h"

namespace desktop {
namespace {

// Shortened from `swaymsg -r -t get_outputs`: a scaled output rotated a
// quarter, an unrotated focused one, and a disabled one.
constexpr const char* kSwayOutputs = R"([
  {"name": "DP-2", "active": true, "focused": false, "transform": "90", "scale": 2.0,
   "rect": {"x": 0, "y": 0, "width": 540, "height": 960},
   "current_mode": {"width": 1920, "height": 1080, "refresh": 60000}},
  {"name": "HDMI-A-1", "active": true, "focused": true, "transform": "normal", "scale": 1.0,
   "rect": {"x": -2560, "y": 100, "width": 2560, "height": 1440},
   "current_mode": {"width": 2560, "height": 1440, "refresh": 59951}},
  {"name": "eDP-1", "active": false, "rect": {"x": 0, "y": 0, "width": 0, "height": 0}}
])";

constexpr const char* kHyprlandMonitors = R"([
  {"id": 0, "name": "eDP-1", "x": 0, "y": 0, "width": 2880, "height": 1800,
   "scale": 1.5, "transform": 0, "focused": true, "disabled": false},
  {"id": 1, "name": "DP-3", "x": 1920, "y": 0, "width": 2560, "height": 1440,
   "transform": 3, "focused": false, "disabled": false},
  {"id": 2, "name": "DP-4", "x": 0, "y": 0, "width": 1920, "height": 1080, "disabled": true}
])";

TEST(SessionMonitors, SwayOutputsInDevicePixelsAfterRotationLeftToRight) {
    const std::vector<Monitor> monitors = ParseSwayOutputs(kSwayOutputs);
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_EQ(monitors[0], (Monitor{"HDMI-A-1", -2560, 100, 2560, 1440, true}));
    // The panel's own mode, turned: not the scaled logical rectangle.
    EXPECT_EQ(monitors[1], (Monitor{"DP-2", 0, 0, 1080, 1920, false}));
    EXPECT_TRUE(monitors[1].IsPortrait());
    EXPECT_EQ(DescribeMonitor(monitors[0]), "HDMI-A-1 2560x1440-2560+100 primary landscape");
    EXPECT_EQ(DescribeMonitor(monitors[1]), "DP-2 1080x1920+0+0 portrait");
}

TEST(SessionMonitors, HyprlandMonitorsSkipDisabledAndTurnOddTransforms) {
    const std::vector<Monitor> monitors = ParseHyprlandMonitors(kHyprlandMonitors);
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_EQ(monitors[0], (Monitor{"eDP-1", 0, 0, 2880, 1800, true}));
    EXPECT_EQ(monitors[1], (Monitor{"DP-3", 1920, 0, 1440, 2560, false}));
}

TEST(SessionMonitors, AnythingButAListOfOutputsIsNoMonitors) {
    for (const char* text : {"", "{}", "[1, 2]", "not json", "[{\"name\": \"X\"}]",
                             R"([{"name": "", "x": 0, "y": 0, "width": 5, "height": 5}])",
                             R"([{"name": "A", "x": 0, "y": 0, "width": 0, "height": 5}])"}) {
        EXPECT_TRUE(ParseSwayOutputs(text).empty()) << text;
        EXPECT_TRUE(ParseHyprlandMonitors(text).empty()) << text;
    }
}

TEST(SessionMonitors, SortingIsLeftToRightThenTopToBottom) {
    std::vector<Monitor> monitors{
        {"C", 100, 0, 10, 10, false}, {"B", 0, 50, 10, 10, false}, {"A", 0, 0, 10, 10, true}};
    SortMonitors(monitors);
    EXPECT_EQ(monitors[0].name, "A");
    EXPECT_EQ(monitors[1].name, "B");
    EXPECT_EQ(monitors[2].name, "C");
}

TEST(FreshPathForMonitors, EachMonitorTakesTurnsApartFromTheOthers) {
    testing::ScratchDir dir;
    testing::ScopedEnv data("XDG_DATA_HOME", dir.path());
    const std::string picture = dir / "picture.bmp";
    testing::WriteText(picture, "BM");
    FreshPath first = FreshPath::PrepareForMonitor(picture, 0);
    FreshPath second = FreshPath::PrepareForMonitor(picture, 1);
    ASSERT_TRUE(first.ok() && second.ok()) << first.error() << second.error();
    EXPECT_NE(first.path(), second.path());
    EXPECT_NE(first.path().find("MyWallPaper-screen1-"), std::string::npos) << first.path();
    EXPECT_NE(second.path().find("MyWallPaper-screen2-"), std::string::npos) << second.path();
    first.Keep();
    second.Keep();
    // The next change of the first monitor takes its other name and leaves
    // the second monitor's alone.
    FreshPath again = FreshPath::PrepareForMonitor(picture, 0);
    ASSERT_TRUE(again.ok());
    EXPECT_NE(again.path(), first.path());
    again.Keep();
    EXPECT_FALSE(testing::Exists(first.path()));
    EXPECT_TRUE(testing::Exists(second.path()));
}

}  // namespace
}  // namespace desktop
