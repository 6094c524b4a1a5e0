// Changes for several monitors: the layout's box, each mode's composed
// picture pixel by pixel, and what each kind of desktop is handed.

#include "wallpaper/monitor_compose.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "codecs/bmp.h"
#include "tests/wallpaper/wallpaper_test_support.h"
#include "wallpaper/change_job.h"
#include "wallpaper/monitor_job.h"

namespace wallpaper {
namespace {

using desktop::Monitor;
using desktop::MonitorHandling;
using desktop::Placement;
using wallpaper_test::TempDir;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0;

// A landscape monitor beside a portrait one, their tops level.
const std::vector<Monitor> kTwo{{"L", 0, 0, 40, 30, true}, {"P", 40, 0, 20, 40, false}};

CPicture Solid(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
    CPicture picture;
    picture.Create(width, height, 24);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.GetRow(y) + 3 * x;
            p[0] = rgb & 0xFF;
            p[1] = rgb >> 8 & 0xFF;
            p[2] = rgb >> 16 & 0xFF;
        }
    return picture;
}

std::uint32_t At(const CDibImage& image, int x, int y) {
    std::uint32_t value;
    std::memcpy(&value, image.GetRow(static_cast<std::uint32_t>(y)) + 4 * x, 4);
    return value & 0xFFFFFF;
}

class MonitorLayout : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const CPicture& picture) {
        const std::string path = dir / name;
        EXPECT_TRUE(SaveBmp(picture, path));
        return path;
    }
    // Fitted and centred, as methods 2 to 4 lay out a stretched picture.
    static ComposeRules Fitted() {
        return {.plan = {true, Placement::kCentre}, .position = Position::kStrech, .messages = {}};
    }

    TempDir dir;
    std::string red = Write("red.bmp", Solid(60, 40, kRed));        // 3:2 landscape
    std::string green = Write("green.bmp", Solid(10, 20, kGreen));  // 1:2 portrait
};

TEST_F(MonitorLayout, BoxHoldsEveryMonitorAndTheOrigin) {
    EXPECT_EQ(LayoutBounds(kTwo), (LayoutBox{0, 0, 60, 40}));
    const std::vector<Monitor> leftOfOrigin{{"A", -30, 10, 30, 20, false},
                                            {"B", 0, 0, 10, 10, true}};
    EXPECT_EQ(LayoutBounds(leftOfOrigin), (LayoutBox{-30, 0, 40, 30}));
    // Monitors that start away from the origin: the box still starts there,
    // as the root window does.
    const std::vector<Monitor> away{{"A", 100, 50, 10, 10, false}};
    EXPECT_EQ(LayoutBounds(away), (LayoutBox{0, 0, 110, 60}));
    EXPECT_EQ(LayoutBounds({}), LayoutBox{});
    EXPECT_EQ(MonitorModeFromIndex(1), MonitorMode::kEach);
    EXPECT_EQ(MonitorModeFromIndex(2), MonitorMode::kSpan);
    EXPECT_EQ(MonitorModeFromIndex(7), MonitorMode::kSame);
}

TEST_F(MonitorLayout, EachMonitorShowsItsOwnPictureFittedAndBlackElsewhere) {
    CDibImage canvas;
    std::string why;
    const std::string pictures[] = {red, green};
    ASSERT_TRUE(ComposeLayout(canvas, kTwo, pictures, MonitorMode::kEach, Fitted(), &why)) << why;
    ASSERT_EQ(canvas.GetWidth(), 60u);
    ASSERT_EQ(canvas.GetHeight(), 40u);
    // Red 60x40 on L (40x30) is 40x26, rows 2 to 27.
    EXPECT_EQ(At(canvas, 20, 15), kRed);
    EXPECT_EQ(At(canvas, 20, 0), kBlack);
    EXPECT_EQ(At(canvas, 20, 29), kBlack);
    // Green 10x20 fills P (20x40) exactly.
    EXPECT_EQ(At(canvas, 40, 0), kGreen);
    EXPECT_EQ(At(canvas, 59, 39), kGreen);
    // Below L is no monitor.
    EXPECT_EQ(At(canvas, 20, 35), kBlack);

    // The same picture on each: fitted to each monitor's own size.
    ASSERT_TRUE(ComposeLayout(canvas, kTwo, pictures, MonitorMode::kSame, Fitted(), &why)) << why;
    EXPECT_EQ(At(canvas, 20, 15), kRed);
    // On P, red is 20x13 centred: rows 13 to 25.
    EXPECT_EQ(At(canvas, 50, 20), kRed);
    EXPECT_EQ(At(canvas, 50, 5), kBlack);
    EXPECT_EQ(At(canvas, 50, 30), kBlack);
}

TEST_F(MonitorLayout, SpanFitsOnePictureToTheBoxAndEachMonitorShowsItsPart) {
    // Left half blue, right half red, the box's own proportions.
    CPicture halves = Solid(60, 40, kRed);
    for (std::uint32_t y = 0; y < 40; ++y)
        for (std::uint32_t x = 0; x < 30; ++x)
            std::memcpy(halves.GetRow(y) + 3 * x, "\xFF\x00\x00", 3);
    const std::string pictures[] = {Write("halves.bmp", halves)};
    CDibImage canvas;
    std::string why;
    ASSERT_TRUE(ComposeLayout(canvas, kTwo, pictures, MonitorMode::kSpan, Fitted(), &why)) << why;
    EXPECT_EQ(At(canvas, 10, 10), kBlue);
    EXPECT_EQ(At(canvas, 35, 10), kRed);
    EXPECT_EQ(At(canvas, 50, 39), kRed);
    // The picture covers the box, but below L is no monitor.
    EXPECT_EQ(At(canvas, 10, 35), kBlack);

    CDibImage part;
    ASSERT_TRUE(CutMonitor(canvas, LayoutBounds(kTwo), kTwo[1], part));
    EXPECT_EQ(part.GetWidth(), 20u);
    EXPECT_EQ(part.GetHeight(), 40u);
    EXPECT_EQ(At(part, 0, 0), kRed);
    EXPECT_EQ(At(part, 19, 39), kRed);
}

TEST_F(MonitorLayout, ComposingFailsWithTheReason) {
    CDibImage canvas;
    std::string why;
    const std::string missing[] = {red, dir / "missing.bmp"};
    EXPECT_FALSE(ComposeLayout(canvas, kTwo, missing, MonitorMode::kEach, Fitted(), &why));
    EXPECT_NE(why.find("missing.bmp"), std::string::npos) << why;
    EXPECT_FALSE(ComposeLayout(canvas, {}, missing, MonitorMode::kEach, Fitted(), &why));
    EXPECT_FALSE(why.empty());
}

// What each kind of desktop was handed.
struct Handed {
    std::string call;  // "Apply", "ApplySpanned", "ApplyPerMonitor"
    std::vector<std::string> files;
    std::vector<std::string> monitors;
    int width = 0, height = 0;
    Placement placement = Placement::kCentre;
};

class KindOfDesktop : public desktop::WallpaperSetter {
public:
    KindOfDesktop(MonitorHandling handling, std::vector<Handed>& log)
        : handling_(handling), log_(log) {}
    std::string Name() const override { return "kind"; }
    MonitorHandling Handling() const override { return handling_; }
    desktop::Outcome Apply(const std::string& file, const desktop::PixelView& pixels,
                           Placement placement) override {
        log_.push_back({"Apply", {file}, {}, pixels.width, pixels.height, placement});
        return {true, "one"};
    }
    desktop::Outcome ApplySpanned(const std::string& file,
                                  const desktop::PixelView& pixels) override {
        log_.push_back(
            {"ApplySpanned", {file}, {}, pixels.width, pixels.height, Placement::kStretch});
        return {true, "spanned"};
    }
    desktop::Outcome ApplyPerMonitor(std::span<const desktop::MonitorPicture> pictures,
                                     Placement placement) override {
        Handed handed{"ApplyPerMonitor", {}, {}, 0, 0, placement};
        for (const desktop::MonitorPicture& picture : pictures) {
            handed.files.push_back(picture.file);
            handed.monitors.push_back(picture.monitor.name);
        }
        log_.push_back(handed);
        return {true, "each"};
    }

private:
    MonitorHandling handling_;
    std::vector<Handed>& log_;
};

class MonitorChange : public MonitorLayout {
protected:
    ChangeResult Run(MonitorHandling handling, int mode, std::vector<Monitor> monitors,
                     std::vector<std::string> pictures = {}) {
        ChangeRequest request;
        request.picturePath = red;
        request.method = 2;
        request.positionIndex = 2;
        request.stagingPath = staging;
        request.screenSize = [] { return Size{40, 30}; };
        request.monitorMode = mode;
        request.monitorPictures = std::move(pictures);
        request.monitors = [monitors] { return monitors; };
        JobServices services;
        services.makeSetter = [&](int) { return std::make_unique<KindOfDesktop>(handling, log); };
        return RunChangeJob(request, services);
    }
    Size SizeOf(const std::string& path) {
        CPicture picture;
        EXPECT_TRUE(LoadBmp(picture, path)) << path;
        return {picture.GetWidth(), picture.GetHeight()};
    }

    std::string staging = dir / "MyWallPaper.bmp";
    std::vector<Handed> log;
};

TEST_F(MonitorChange, OneMonitorOrTheSamePictureForOneDesktopPictureIsTheSingleChange) {
    for (const auto& [handling, mode, monitors] :
         {std::tuple{MonitorHandling::kComposed, 1, std::vector<Monitor>{kTwo[0]}},
          std::tuple{MonitorHandling::kPerMonitor, 2, std::vector<Monitor>{}},
          std::tuple{MonitorHandling::kOnePicture, 0, kTwo}}) {
        log.clear();
        const ChangeResult result = Run(handling, mode, monitors);
        ASSERT_TRUE(result.outcome.accepted) << result.outcome.detail;
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].call, "Apply");
        EXPECT_EQ(log[0].files[0], staging);
        EXPECT_TRUE(result.shown.empty());
    }
}

TEST_F(MonitorChange, OnePictureDesktopsAndTheRootGetThePictureOfTheWholeLayout) {
    for (const auto& [handling, mode] :
         {std::pair{MonitorHandling::kOnePicture, 1}, std::pair{MonitorHandling::kOnePicture, 2},
          std::pair{MonitorHandling::kComposed, 0}}) {
        log.clear();
        const ChangeResult result = Run(handling, mode, kTwo, {red, green});
        ASSERT_TRUE(result.outcome.accepted) << result.outcome.detail;
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].call, "ApplySpanned");
        EXPECT_EQ(log[0].width, 60);
        EXPECT_EQ(log[0].height, 40);
        // The staging bitmap is the layout's picture, for desktops that read a file.
        EXPECT_EQ(log[0].files[0], staging);
        EXPECT_EQ(SizeOf(staging), (Size{60, 40}));
        ASSERT_EQ(result.shown.size(), 2u);
        EXPECT_EQ(result.shown[1].first, "P");
        EXPECT_EQ(result.shown[1].second, mode == 1 ? green : red);
    }
}

TEST_F(MonitorChange, PerMonitorDesktopsGetAFileForEachMonitor) {
    ChangeResult result = Run(MonitorHandling::kPerMonitor, 1, kTwo, {red, green});
    ASSERT_TRUE(result.outcome.accepted) << result.outcome.detail;
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].call, "ApplyPerMonitor");
    EXPECT_EQ(log[0].monitors, (std::vector<std::string>{"L", "P"}));
    EXPECT_EQ(log[0].files, (std::vector<std::string>{dir / "MyWallPaper-monitor1.bmp",
                                                      dir / "MyWallPaper-monitor2.bmp"}));
    // Each fitted to its own monitor (the fit rule's 40x26, a keep-aspect
    // resize a pixel short).
    EXPECT_EQ(SizeOf(log[0].files[0]), (Size{39, 26}));
    EXPECT_EQ(SizeOf(log[0].files[1]), (Size{20, 40}));

    // Spanned: each monitor's part of the layout, at the monitor's size.
    log.clear();
    result = Run(MonitorHandling::kPerMonitor, 2, kTwo);
    ASSERT_TRUE(result.outcome.accepted) << result.outcome.detail;
    EXPECT_EQ(SizeOf(log[0].files[0]), (Size{40, 30}));
    EXPECT_EQ(SizeOf(log[0].files[1]), (Size{20, 40}));
    EXPECT_EQ(log[0].placement, Placement::kCentre);
}

TEST_F(MonitorChange, MonitorsShowingTheSamePictureShareOneFile) {
    // Two portrait monitors of one size take one load and one file of the
    // same picture; the landscape one has its own.
    std::vector<Monitor> three = kTwo;
    three.push_back({"Q", 60, 0, 20, 40, false});
    ChangeResult result = Run(MonitorHandling::kPerMonitor, 0, three);
    ASSERT_TRUE(result.outcome.accepted) << result.outcome.detail;
    ASSERT_EQ(log.at(0).files.size(), 3u);
    EXPECT_NE(log[0].files[0], log[0].files[1]);
    EXPECT_EQ(log[0].files[1], log[0].files[2]);
    EXPECT_FALSE(std::filesystem::exists(dir / "MyWallPaper-monitor3.bmp"));
    EXPECT_EQ(SizeOf(log[0].files[2]), (Size{19, 13}));  // 60x40 fitted to 20x40
}

TEST_F(MonitorChange, APictureThatDoesNotLoadFailsTheChangeWithItsName) {
    const ChangeResult result = Run(MonitorHandling::kPerMonitor, 1, kTwo, {red, dir / "gone.png"});
    EXPECT_FALSE(result.outcome.accepted);
    EXPECT_NE(result.outcome.detail.find("gone.png"), std::string::npos) << result.outcome.detail;
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(MonitorStagingPath("/d/MyWallPaper.bmp", 2), "/d/MyWallPaper-monitor3.bmp");
    EXPECT_EQ(MonitorStagingPath("", 0), "");
}

}  // namespace
}  // namespace wallpaper
