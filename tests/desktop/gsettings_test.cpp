// GNOME, Cinnamon and MATE through GSettings: the keyfile backend in a
// scratch configuration directory, the real schemas, and the values read
// back by the gsettings tool in a process of its own.

#include "platform/desktop/gsettings_desktops.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "platform/desktop/child_process.h"
#include "setter_test_support.h"

namespace desktop {
namespace {

using namespace std::chrono_literals;
using testing::ScratchDir;
using testing::WriteText;

// GSettings picks its backend and configuration directory once per process,
// so every test of this file shares one scratch directory.
class GSettingsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static ScratchDir config;  // outlives every test
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        setenv("GSETTINGS_BACKEND", "keyfile", 1);
    }

    // The key as another program sees it, in gsettings' own notation
    // ('text' for strings).
    static std::string Get(const char* schema, const char* key) {
        const RunResult run = RunWithTimeLimit({"gsettings", "get", schema, key}, 10s);
        EXPECT_TRUE(run.Succeeded()) << run.Describe("gsettings");
        std::string out = run.out;
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    static void Set(const char* schema, const char* key, const char* value) {
        const RunResult run = RunWithTimeLimit({"gsettings", "set", schema, key, value}, 10s);
        ASSERT_TRUE(run.Succeeded()) << run.Describe("gsettings");
    }

    static std::string Quoted(const std::string& text) { return "'" + text + "'"; }

    static std::string Uri(const std::string& path) {
        gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        std::string result = uri ? uri : "";
        g_free(uri);
        return result;
    }

    ScratchDir pictures_;
};

constexpr std::pair<Placement, const char*> kOptions[] = {
    {Placement::kCentre, "centered"},
    {Placement::kTile, "wallpaper"},
    {Placement::kStretch, "stretched"},
};

TEST_F(GSettingsTest, GnomeGetsLightAndDarkUrisAndEachPosition) {
    const std::string picture = pictures_ / "MyWallPaper.bmp";
    WriteText(picture, "BM");
    auto setter = MakeGSettingsSetter(GSettingsDesktop::kGnome);
    for (const auto& [placement, options] : kOptions) {
        const Outcome outcome = setter->Apply(picture, testing::OnePixel(), placement);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
        const char* schema = "org.gnome.desktop.background";
        EXPECT_EQ(Get(schema, "picture-uri"), Quoted("file://" + picture));
        EXPECT_EQ(Get(schema, "picture-uri-dark"), Quoted("file://" + picture));
        EXPECT_EQ(Get(schema, "picture-options"), Quoted(options));
    }
}

TEST_F(GSettingsTest, GnomeUriEscapesAnyFileName) {
    // Spaces, '#', '%', quotes and non-ASCII must survive the trip through a URI.
    const std::string picture = pictures_ / "Été #1 100% \"it's\".bmp";
    WriteText(picture, "BM");
    const Outcome outcome = MakeGSettingsSetter(GSettingsDesktop::kGnome)
                                ->Apply(picture, testing::OnePixel(), Placement::kCentre);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;

    GSettings* settings = g_settings_new("org.gnome.desktop.background");
    gchar* uri = g_settings_get_string(settings, "picture-uri");
    EXPECT_EQ(std::string(uri), Uri(picture));
    EXPECT_EQ(std::string(uri).find_first_of(" #\""), std::string::npos) << uri;
    gchar* back = g_filename_from_uri(uri, nullptr, nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::string(back), picture);
    g_free(back);
    g_free(uri);
    g_object_unref(settings);
}

TEST_F(GSettingsTest, MateGetsAPlainPathAndDrawsItsBackground) {
    const char* schema = "org.mate.background";
    Set(schema, "draw-background", "false");
    const std::string picture = pictures_ / "mate picture.bmp";
    WriteText(picture, "BM");
    auto setter = MakeGSettingsSetter(GSettingsDesktop::kMate);
    for (const auto& [placement, options] : kOptions) {
        const Outcome outcome = setter->Apply(picture, testing::OnePixel(), placement);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
        EXPECT_EQ(Get(schema, "picture-filename"), Quoted(picture));
        EXPECT_EQ(Get(schema, "picture-options"), Quoted(options));
    }
    EXPECT_EQ(Get(schema, "draw-background"), "true");
}

TEST_F(GSettingsTest, CinnamonGetsAUri) {
    const char* schema = "org.cinnamon.desktop.background";
    const std::string picture = pictures_ / "cinnamon.bmp";
    WriteText(picture, "BM");
    const Outcome outcome = MakeGSettingsSetter(GSettingsDesktop::kCinnamon)
                                ->Apply(picture, testing::OnePixel(), Placement::kTile);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;
    EXPECT_EQ(Get(schema, "picture-uri"), Quoted(Uri(picture)));
    EXPECT_EQ(Get(schema, "picture-options"), "'wallpaper'");
}

TEST_F(GSettingsTest, RelativePathIsMadeAbsolute) {
    const std::string picture = pictures_ / "relative.bmp";
    WriteText(picture, "BM");
    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(pictures_.path().c_str()), 0);
    const Outcome outcome = MakeGSettingsSetter(GSettingsDesktop::kMate)
                                ->Apply("relative.bmp", testing::OnePixel(), Placement::kTile);
    ASSERT_EQ(chdir(cwd), 0);
    free(cwd);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;
    EXPECT_EQ(Get("org.mate.background", "picture-filename"), Quoted(picture));
}

// Run by ctest with XDG_DATA_DIRS pointing nowhere: a desktop whose schema
// is not installed must fail with a reason, not end the program.
TEST(GSettingsWithoutSchemas, MissingSchemaIsAFailureNotACrash) {
    if (!std::getenv("DRAPEWELL_TEST_NO_SCHEMAS"))
        GTEST_SKIP() << "needs an environment without schemas (ctest runs it)";
    setenv("GSETTINGS_BACKEND", "memory", 1);
    for (GSettingsDesktop which :
         {GSettingsDesktop::kGnome, GSettingsDesktop::kCinnamon, GSettingsDesktop::kMate}) {
        const Outcome outcome =
            MakeGSettingsSetter(which)->Apply("/tmp/x.bmp", testing::OnePixel(), Placement::kTile);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_NE(outcome.detail.find("not installed"), std::string::npos) << outcome.detail;
    }
}

// A picture of the whole monitor layout is spread across the monitors with
// the "spanned" option, on each of the three desktops.
TEST_F(GSettingsTest, LayoutPictureIsSpannedOnEveryFlavour) {
    const std::string picture = pictures_ / "MyWallPaper.bmp";
    WriteText(picture, "BM");
    for (const auto& [which, schema, key, asUri] :
         {std::tuple{GSettingsDesktop::kGnome, "org.gnome.desktop.background", "picture-uri", true},
          std::tuple{GSettingsDesktop::kCinnamon, "org.cinnamon.desktop.background", "picture-uri",
                     true},
          std::tuple{GSettingsDesktop::kMate, "org.mate.background", "picture-filename", false}}) {
        auto setter = MakeGSettingsSetter(which);
        EXPECT_EQ(setter->Handling(), MonitorHandling::kOnePicture);
        const Outcome outcome = setter->ApplySpanned(picture, testing::OnePixel());
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
        EXPECT_EQ(Get(schema, "picture-options"), Quoted("spanned")) << schema;
        EXPECT_EQ(Get(schema, key), Quoted(asUri ? Uri(picture) : picture)) << schema;
        // A later single picture puts the option back.
        ASSERT_TRUE(setter->Apply(picture, testing::OnePixel(), Placement::kCentre).accepted);
        EXPECT_EQ(Get(schema, "picture-options"), Quoted("centered")) << schema;
    }
}

}  // namespace
}  // namespace desktop
