#include "wallpaper/fit.h"

#include <gtest/gtest.h>

#include <optional>

#include "image/picture.h"

namespace wallpaper {
namespace {

struct FitCase {
    Size picture;
    Size screen;
    Position position;
    std::optional<Size> targets;
};

TEST(FitRule, TheWorkedExamplesHold) {
    const FitCase cases[] = {
        // Enlarging: the side that reaches the screen's edge first decides.
        {{800, 600}, {1024, 768}, Position::kCenter, Size{1024, 768}},
        {{100, 50}, {1024, 768}, Position::kCenter, Size{1024, 512}},
        {{100, 50}, {1024, 768}, Position::kStrech, Size{1024, 512}},
        // Shrinking by width, then by height.
        {{3000, 1000}, {1280, 1024}, Position::kCenter, Size{1280, 426}},
        {{1000, 3000}, {1280, 1024}, Position::kCenter, Size{341, 1024}},
        // Tiles only shrink, and then like any other picture.
        {{400, 300}, {1280, 1024}, Position::kTile, std::nullopt},
        {{100, 50}, {1024, 768}, Position::kTile, std::nullopt},
        {{2000, 1500}, {1280, 1024}, Position::kTile, Size{1280, 960}},
        {{1500, 500}, {1280, 1024}, Position::kTile, Size{1280, 426}},
        // The screen's own size is still a resize, to itself.
        {{1024, 768}, {1024, 768}, Position::kCenter, Size{1024, 768}},
        {{1024, 768}, {1024, 768}, Position::kTile, std::nullopt},
        // So thin that the other side truncates to 0.
        {{5000, 2}, {1024, 768}, Position::kCenter, Size{1024, 0}},
        {{2, 5000}, {1024, 768}, Position::kStrech, Size{0, 768}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.picture.width << "x" << c.picture.height << " on " << c.screen.width
                     << "x" << c.screen.height << " position " << static_cast<int>(c.position));
        const std::optional<Size> targets = FitTargets(c.picture, c.screen, c.position);
        ASSERT_EQ(targets.has_value(), c.targets.has_value());
        if (targets) {
            EXPECT_EQ(targets->width, c.targets->width);
            EXPECT_EQ(targets->height, c.targets->height);
        }
    }
}

TEST(FitRule, PositionsOutsideTheListAreStrech) {
    EXPECT_EQ(PositionFromIndex(0), Position::kCenter);
    EXPECT_EQ(PositionFromIndex(1), Position::kTile);
    EXPECT_EQ(PositionFromIndex(2), Position::kStrech);
    EXPECT_EQ(PositionFromIndex(-1), Position::kStrech);
    EXPECT_EQ(PositionFromIndex(3), Position::kStrech);
}

// The reduced JPEG decode relies on knowing where a keep-aspect resize ends
// without doing it; this is checked against the resize itself.
TEST(FitRule, KeepAspectSizeIsWhereResizeEnds) {
    const Size sources[] = {{6000, 4000}, {801, 601}, {333, 1000}, {5000, 3}, {7, 7}};
    const Size targets[] = {{1620, 1080}, {99, 75}, {341, 1024}, {1024, 1}, {1024, 768}};
    for (const Size source : sources)
        for (const Size target : targets) {
            CPicture picture;
            ASSERT_TRUE(picture.Create(source.width, source.height, 8));
            ASSERT_TRUE(picture.Resize(target.width, target.height, true));
            EXPECT_EQ(KeepAspectSize(source, target),
                      (Size{picture.GetWidth(), picture.GetHeight()}))
                << source.width << "x" << source.height << " to " << target.width << "x"
                << target.height;
        }
}

}  // namespace
}  // namespace wallpaper
