#include "wallpaper/change_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "codecs/bmp.h"
#include "codecs/jpeg.h"
#include "tests/wallpaper/wallpaper_test_support.h"

namespace wallpaper {
namespace {

using desktop::Placement;
using wallpaper_test::FakeDesktop;
using wallpaper_test::MakePicture;
using wallpaper_test::RecordingServices;
using wallpaper_test::TempDir;

class ChangeJob : public ::testing::Test {
protected:
    ChangeRequest Request(const std::string& picture, int method, int position, bool fit) {
        ChangeRequest request;
        request.picturePath = picture;
        request.method = method;
        request.positionIndex = position;
        request.fitToScreen = fit;
        request.stagingPath = staging;
        request.screenSize = [this] {
            ++screenReads;
            return Size{64, 48};
        };
        return request;
    }
    ChangeResult Run(const ChangeRequest& request) {
        return RunChangeJob(request, RecordingServices(fake, &laterPapers));
    }
    std::string Write(const std::string& name, const CDibImage& picture) {
        const std::string path = dir / name;
        EXPECT_TRUE(SaveBmp(picture, path));
        return path;
    }
    Size StagedSize() {
        CPicture staged;
        EXPECT_TRUE(LoadBmp(staged, staging));
        return {staged.GetWidth(), staged.GetHeight()};
    }

    TempDir dir;
    std::string staging = dir / "MyWallPaper.bmp";
    FakeDesktop fake;
    std::vector<std::string> laterPapers;
    int screenReads = 0;
};

TEST_F(ChangeJob, StagesTheFittedPictureAndHandsItOver) {
    const std::string picture = Write("small.bmp", MakePicture(32, 16, 7));
    const ChangeResult result = Run(Request(picture, 2, 2, false));

    EXPECT_TRUE(result.loaded);
    EXPECT_TRUE(result.staged);
    EXPECT_TRUE(result.outcome.accepted);
    EXPECT_EQ(result.wallpaperPath, staging);
    EXPECT_EQ(result.setterName, "recorder");
    EXPECT_EQ(StagedSize(), (Size{64, 32}));
    EXPECT_EQ(screenReads, 1);

    // The setter sees the staged picture, pixel for pixel, as BGRX.
    ASSERT_EQ(fake.applied.size(), 1u);
    const wallpaper_test::Applied& applied = fake.applied[0];
    EXPECT_EQ(applied.file, staging);
    EXPECT_EQ(applied.placement, Placement::kCentre);
    ASSERT_EQ(applied.width, 64);
    ASSERT_EQ(applied.height, 32);
    CPicture staged;
    ASSERT_TRUE(LoadBmp(staged, staging));
    const std::vector<std::uint8_t> rgb = codec_test::ToRgb(staged);
    for (std::size_t i = 0; i < applied.pixels.size(); ++i) {
        const std::uint32_t expected = rgb[3 * i + 2] | rgb[3 * i + 1] << 8 | rgb[3 * i] << 16;
        ASSERT_EQ(applied.pixels[i] & 0xFFFFFF, expected) << "pixel " << i;
    }
    EXPECT_EQ(laterPapers, std::vector<std::string>{picture});

    // The screen is read anew for the next change.
    Run(Request(picture, 2, 2, false));
    EXPECT_EQ(screenReads, 2);
}

TEST_F(ChangeJob, EachMethodFitsAndPlacesAsItShould) {
    struct Case {
        int method;
        int position;
        bool fit;
        Size staged;
        Placement placement;
    };
    const Size own{32, 16};
    const Size fitted{64, 32};
    const Case cases[] = {
        {1, 0, false, own, Placement::kCentre},
        {1, 1, false, own, Placement::kTile},
        {1, 2, false, own, Placement::kStretch},  // the desktop stretches
        {1, -1, false, own, Placement::kStretch},
        {1, 0, true, fitted, Placement::kCentre},
        {1, 1, true, own, Placement::kTile},  // a tile that fits stays as it is
        {1, 2, true, fitted, Placement::kCentre},
        {2, 0, false, own, Placement::kCentre},
        {2, 2, false, fitted, Placement::kCentre},
        {3, 5, false, fitted, Placement::kCentre},
        {4, 2, false, fitted, Placement::kCentre},
        {4, 1, false, own, Placement::kTile},
        {3, 1, true, own, Placement::kTile},
        {3, 0, true, fitted, Placement::kCentre},
        // Unknown methods are method 1, as the desktop's setters take them.
        {0, 2, false, own, Placement::kStretch},
        {7, 2, true, fitted, Placement::kCentre},
    };
    const std::string picture = Write("small.bmp", MakePicture(32, 16));
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "method " << c.method << " position " << c.position << " fit " << c.fit);
        fake.applied.clear();
        const ChangeResult result = Run(Request(picture, c.method, c.position, c.fit));
        EXPECT_TRUE(result.outcome.accepted);
        EXPECT_EQ(StagedSize(), c.staged);
        ASSERT_EQ(fake.applied.size(), 1u);
        EXPECT_EQ(fake.applied[0].placement, c.placement);
        EXPECT_EQ(fake.methods.back(), NormalizeMethod(c.method));
    }
}

TEST_F(ChangeJob, ATooThinPictureIsStagedAtItsOwnSize) {
    const std::string picture = Write("thin.bmp", MakePicture(500, 2));
    EXPECT_TRUE(Run(Request(picture, 3, 2, true)).staged);
    EXPECT_EQ(StagedSize(), (Size{500, 2}));
}

TEST_F(ChangeJob, EveryFailureStillRecordsLaterPaper) {
    const std::string previous = Write("MyWallPaper.bmp", MakePicture(3, 3));
    std::ofstream(dir / "damaged.bmp") << "BM not really";
    const std::string unloadable[] = {dir / "missing.bmp", dir / "damaged.bmp", dir / "picture.doc",
                                      ""};
    for (const std::string& path : unloadable) {
        SCOPED_TRACE(path);
        const ChangeResult result = Run(Request(path, 2, 2, true));
        EXPECT_FALSE(result.loaded);
        EXPECT_FALSE(result.outcome.accepted);
        EXPECT_FALSE(result.outcome.detail.empty());
        EXPECT_EQ(laterPapers.back(), path);
    }
    EXPECT_TRUE(fake.applied.empty());
    EXPECT_EQ(StagedSize(), (Size{3, 3}));  // the last staging bitmap stays

    // The desktop refusing, and no setter at all.
    const std::string picture = Write("small.bmp", MakePicture(4, 4));
    fake.accept = false;
    EXPECT_FALSE(Run(Request(picture, 1, 0, false)).outcome.accepted);
    EXPECT_EQ(laterPapers.back(), picture);
    JobServices none{
        .makeSetter = nullptr,
        .recordLaterPaper = [&](const std::string& p) { laterPapers.push_back(p + "!"); },
        .showMessage = nullptr,
    };
    const ChangeResult result = RunChangeJob(Request(picture, 4, 0, false), none);
    EXPECT_FALSE(result.loaded);
    EXPECT_FALSE(result.outcome.accepted);
    EXPECT_EQ(laterPapers.back(), picture + "!");
}

TEST_F(ChangeJob, TheOutcomeSaysWhyThePictureDidNotLoad) {
    std::ofstream(dir / "damaged.bmp") << "BM";
    // A JPEG to be fitted goes through the reduced decode first.
    CPicture photo;
    photo.Create(64, 64, 24);
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(photo, 90, jpeg));
    std::ofstream(dir / "cut.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), 300);
    const struct {
        std::string path;
        bool fit;
        const char* reason;
    } cases[] = {
        {dir / "missing.bmp", false, "no such file"},
        {dir / "damaged.bmp", false, "truncated"},
        {dir / "picture.doc", false, "unknown file extension"},
        {dir / "cut.jpg", true, "truncated"},
        {dir / "cut.jpg", false, "truncated"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const ChangeResult result = Run(Request(c.path, 2, 2, c.fit));
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.loadError, c.reason);
        // The window shows the detail beside the picture's name.
        EXPECT_EQ(result.outcome.detail, c.reason);
    }
    // A change that never got to the picture has no reason to give for it.
    JobServices none = RecordingServices(fake, &laterPapers);
    none.makeSetter = nullptr;
    const ChangeResult result = RunChangeJob(Request(dir / "missing.bmp", 2, 2, false), none);
    EXPECT_EQ(result.loadError, "");
    EXPECT_NE(result.outcome.detail.find("no way to set the wallpaper"), std::string::npos);
}

TEST_F(ChangeJob, AReadersMessageReachesTheUser) {
    // A TIFF file without a page: the reader has something to say, and the
    // job passes it on instead of dropping it.
    std::ofstream(dir / "empty.tif", std::ios::binary).write("II*\0\0\0\0\0", 8);
    JobServices services = RecordingServices(fake, &laterPapers);
    std::vector<std::string> shown;
    services.showMessage = [&](std::string_view text, std::string_view caption) {
        shown.push_back(std::string(caption) + ": " + std::string(text));
    };
    const ChangeResult result = RunChangeJob(Request(dir / "empty.tif", 2, 0, false), services);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(shown, std::vector<std::string>{"error!: This TIFF file not include page"});
    EXPECT_EQ(laterPapers.back(), dir / "empty.tif");
}

TEST_F(ChangeJob, AnUnwritableStagingBitmapLeavesTheDesktopAlone) {
    // A desktop that reads the file would get the picture unfitted, perhaps
    // in a format it cannot read: the change is refused with the reason, and
    // the last staging bitmap stays whole.
    const std::string previous = Write("MyWallPaper.bmp", MakePicture(3, 3));
    const std::string picture = Write("small.bmp", MakePicture(32, 16));
    const struct {
        std::string where;
        const char* reason;
    } cases[] = {
        {dir / "no/such/dir/MyWallPaper.bmp", "no such folder"},
        {dir / "small.bmp/MyWallPaper.bmp", "no such folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        ChangeRequest request = Request(picture, 1, 2, true);
        request.stagingPath = c.where;
        const ChangeResult result = Run(request);
        EXPECT_TRUE(result.loaded);
        EXPECT_FALSE(result.staged);
        EXPECT_FALSE(result.outcome.accepted);
        EXPECT_NE(result.outcome.detail.find(c.reason), std::string::npos) << result.outcome.detail;
        EXPECT_EQ(result.wallpaperPath, "");
        EXPECT_EQ(laterPapers.back(), picture);
    }
    EXPECT_TRUE(fake.applied.empty());
    EXPECT_EQ(StagedSize(), (Size{3, 3}));
}

TEST_F(ChangeJob, WithoutAStagingBitmapTheRootWindowAndNoDataDirectoryStillWork) {
    const std::string picture = Write("small.bmp", MakePicture(32, 16));
    // The X11 root window draws the pixels itself: the file does not matter.
    fake.handling = desktop::MonitorHandling::kComposed;
    ChangeRequest request = Request(picture, 2, 2, false);
    request.stagingPath = dir / "no/such/dir/MyWallPaper.bmp";
    ChangeResult result = Run(request);
    EXPECT_TRUE(result.outcome.accepted);
    EXPECT_FALSE(result.staged);
    EXPECT_EQ(fake.applied.back().file, picture);
    // No data directory at all: the picture's own file is handed over.
    fake.handling = desktop::MonitorHandling::kOnePicture;
    request.stagingPath.clear();
    result = Run(request);
    EXPECT_TRUE(result.outcome.accepted);
    EXPECT_EQ(result.wallpaperPath, picture);
    EXPECT_EQ(fake.applied.back().file, picture);
}

TEST_F(ChangeJob, PicturesOfEveryDepthReachTheSetterAsBgrx) {
    for (const std::uint32_t bits : {1u, 4u, 8u, 16u, 32u}) {
        SCOPED_TRACE(bits);
        CPicture source;
        ASSERT_TRUE(source.Create(5, 3, bits));
        for (std::uint32_t y = 0; y < 3; ++y)
            for (std::uint32_t i = 0; i < source.GetStride(); ++i)
                source.GetRow(y)[i] = static_cast<std::uint8_t>(37 * y + 11 * i + 5);
        if (bits <= 8) {
            gdi::RGBQUAD colours[256];
            for (unsigned i = 0; i < 256; ++i)
                colours[i] = {static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                              static_cast<std::uint8_t>(i * 7), 0};
            source.SetPalette(0, 1u << bits, colours);
        }
        const std::string picture = Write("depth.bmp", source);
        ASSERT_TRUE(Run(Request(picture, 1, 0, false)).outcome.accepted);

        CPicture loaded;
        ASSERT_TRUE(LoadBmp(loaded, picture));
        const std::vector<std::uint8_t> rgb = codec_test::ToRgb(loaded);
        const wallpaper_test::Applied& applied = fake.applied.back();
        ASSERT_EQ(applied.pixels.size(), 15u);
        for (std::size_t i = 0; i < 15; ++i)
            EXPECT_EQ(applied.pixels[i] & 0xFFFFFF,
                      rgb[3 * i + 2] | rgb[3 * i + 1] << 8 | std::uint32_t{rgb[3 * i]} << 16)
                << "pixel " << i;
    }
}

}  // namespace
}  // namespace wallpaper
