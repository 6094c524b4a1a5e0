// KDE Plasma against a stand-in for plasmashell on a private bus
// (scripts/with-dbus) that records the scripts it is sent.

#include "platform/desktop/kde.h"

#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <vector>

#include "bus_standin.h"
#include "setter_test_support.h"

namespace desktop {
namespace {

using namespace std::chrono_literals;
using testing::BusStandIn;
using testing::ReadText;
using testing::WriteText;

constexpr const char* kPlasmaXml = R"(
<node>
  <interface name="org.kde.PlasmaShell">
    <method name="evaluateScript"><arg type="s" direction="in"/></method>
  </interface>
</node>)";

// Records each script; answers as told.
class FakePlasma {
public:
    enum class Mode { kRun, kRefuse, kSilent };

    explicit FakePlasma(Mode mode)
        : mode_(mode),
          bus_("org.kde.plasmashell", "/PlasmaShell", kPlasmaXml,
               [this](GDBusMethodInvocation* call, const std::string&, GVariant* args) {
                   const gchar* script = nullptr;
                   g_variant_get(args, "(&s)", &script);
                   std::lock_guard<std::mutex> lock(mutex_);
                   scripts_.push_back(script);
                   if (mode_ == Mode::kRun)
                       g_dbus_method_invocation_return_value(call, nullptr);
                   else if (mode_ == Mode::kRefuse)
                       g_dbus_method_invocation_return_dbus_error(call, "org.kde.plasmashell.Error",
                                                                  "Widgets are locked");
                   else
                       unanswered_.push_back(
                           static_cast<GDBusMethodInvocation*>(g_object_ref(call)));
               }) {}

    ~FakePlasma() {
        for (GDBusMethodInvocation* call : unanswered_) {
            g_dbus_method_invocation_return_dbus_error(call, "org.test.Late", "too late");
            g_object_unref(call);
        }
    }

    bool ok() const { return bus_.ok(); }
    std::vector<std::string> scripts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return scripts_;
    }

private:
    Mode mode_;
    std::mutex mutex_;
    std::vector<std::string> scripts_;
    std::vector<GDBusMethodInvocation*> unanswered_;
    BusStandIn bus_;  // last: its thread uses the members above
};

// The picture's URI and the fill mode a script writes.
struct Written {
    std::string image;
    int fillMode = -1;
};

Written Parse(const std::string& script) {
    Written written;
    std::smatch match;
    if (std::regex_search(script, match, std::regex(R"re(var image = "([^"\\]*)";)re")))
        written.image = match[1];
    if (std::regex_search(script, match, std::regex(R"re(writeConfig\("FillMode", (\d+)\))re")))
        written.fillMode = std::stoi(match[1]);
    return written;
}

std::string PathOf(const std::string& uri) {
    gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    std::string result = path ? path : "";
    g_free(path);
    return result;
}

class KdeTest : public ::testing::Test {
protected:
    void SetUp() override {
        DRAPEWELL_REQUIRE_PRIVATE_BUS();
        WriteText(picture_, "BMplasma");
    }

    testing::ScratchDir dir_;
    std::string picture_ = dir_ / "MyWallPaper.bmp";
};

TEST_F(KdeTest, ScriptSetsTheImagePluginPictureAndFillMode) {
    FakePlasma plasma(FakePlasma::Mode::kRun);
    ASSERT_TRUE(plasma.ok());
    auto setter = MakeKdeSetter();
    std::string previous;
    for (auto [placement, fillMode] :
         {std::pair{Placement::kCentre, 6}, std::pair{Placement::kTile, 3},
          std::pair{Placement::kStretch, 0}, std::pair{Placement::kStretch, 0}}) {
        const Outcome outcome = setter->Apply(picture_, testing::OnePixel(), placement);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
        const std::string script = plasma.scripts().back();
        EXPECT_NE(script.find("wallpaperPlugin = \"org.kde.image\""), std::string::npos);
        EXPECT_NE(script.find("\"Wallpaper\", \"org.kde.image\", \"General\""), std::string::npos);
        const Written written = Parse(script);
        EXPECT_EQ(written.fillMode, fillMode) << script;
        // A new name every time, even for the same picture, holding it.
        const std::string shown = PathOf(written.image);
        ASSERT_FALSE(shown.empty()) << script;
        EXPECT_NE(shown, previous);
        EXPECT_EQ(ReadText(shown), "BMplasma");
        if (!previous.empty()) {
            EXPECT_FALSE(testing::Exists(previous));
        }
        previous = shown;
    }
}

TEST_F(KdeTest, OddDataDirectoryCannotBreakOutOfTheScript) {
    testing::ScopedEnv data("XDG_DATA_HOME", dir_ / "it's \"odd\" \\ dir\n");
    FakePlasma plasma(FakePlasma::Mode::kRun);
    ASSERT_TRUE(plasma.ok());
    const Outcome outcome = MakeKdeSetter()->Apply(picture_, testing::OnePixel(), Placement::kTile);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;
    const Written written = Parse(plasma.scripts().back());
    EXPECT_EQ(PathOf(written.image), dir_ / "it's \"odd\" \\ dir\n/Drapewell/MyWallPaper-1.bmp");
}

TEST_F(KdeTest, RefusalIsReportedAndTheNewNameRemoved) {
    FakePlasma plasma(FakePlasma::Mode::kRefuse);
    ASSERT_TRUE(plasma.ok());
    const Outcome outcome = MakeKdeSetter()->Apply(picture_, testing::OnePixel(), Placement::kTile);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_NE(outcome.detail.find("Widgets are locked"), std::string::npos) << outcome.detail;
    const std::string handed = PathOf(Parse(plasma.scripts().back()).image);
    EXPECT_FALSE(testing::Exists(handed));
}

TEST_F(KdeTest, MissingOrSilentPlasmaFailsWithinTheTimeLimit) {
    auto start = std::chrono::steady_clock::now();
    Outcome outcome = MakeKdeSetter(2s)->Apply(picture_, testing::OnePixel(), Placement::kTile);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_LT(testing::SecondsSince(start), 1.5);  // nobody there: at once
    EXPECT_FALSE(outcome.detail.empty());

    FakePlasma plasma(FakePlasma::Mode::kSilent);
    ASSERT_TRUE(plasma.ok());
    start = std::chrono::steady_clock::now();
    outcome = MakeKdeSetter(300ms)->Apply(picture_, testing::OnePixel(), Placement::kTile);
    const double seconds = testing::SecondsSince(start);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_GE(seconds, 0.25);
    EXPECT_LT(seconds, 3.0);
    EXPECT_NE(outcome.detail.find("did not answer"), std::string::npos) << outcome.detail;
}

// Each monitor's containment gets a script of its own: it picks the desktop
// on the screen at that monitor's place and gives it that monitor's picture.
TEST_F(KdeTest, EachMonitorsContainmentGetsItsOwnScript) {
    testing::ScopedEnv data("XDG_DATA_HOME", dir_.path());
    FakePlasma plasma(FakePlasma::Mode::kRun);
    ASSERT_TRUE(plasma.ok());
    const std::string second = dir_ / "second.bmp";
    WriteText(second, "BMportrait");
    const MonitorPicture pictures[] = {
        {Monitor{"DP-1", 0, 0, 1920, 1080, true}, picture_, testing::OnePixel()},
        {Monitor{"DP-2", 1920, 0, 1080, 1920, false}, second, testing::OnePixel()},
    };
    auto setter = MakeKdeSetter();
    EXPECT_EQ(setter->Handling(), MonitorHandling::kPerMonitor);
    const Outcome outcome = setter->ApplyPerMonitor(pictures, Placement::kCentre);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;
    const std::vector<std::string> scripts = plasma.scripts();
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_NE(scripts[0].find("g.x == 0 && g.y == 0"), std::string::npos) << scripts[0];
    EXPECT_NE(scripts[0].find("d.screen != 0"), std::string::npos) << scripts[0];
    EXPECT_NE(scripts[1].find("g.x == 1920 && g.y == 0"), std::string::npos) << scripts[1];
    EXPECT_NE(scripts[1].find("d.screen != 1"), std::string::npos) << scripts[1];
    const std::string firstShown = PathOf(Parse(scripts[0]).image);
    const std::string secondShown = PathOf(Parse(scripts[1]).image);
    EXPECT_EQ(ReadText(firstShown), "BMplasma");
    EXPECT_EQ(ReadText(secondShown), "BMportrait");
    EXPECT_EQ(Parse(scripts[1]).fillMode, 6);

    // The next change gives each monitor a new name of its own.
    ASSERT_TRUE(setter->ApplyPerMonitor(pictures, Placement::kCentre).accepted);
    const std::vector<std::string> again = plasma.scripts();
    ASSERT_EQ(again.size(), 4u);
    EXPECT_NE(PathOf(Parse(again[2]).image), firstShown);
    EXPECT_NE(PathOf(Parse(again[3]).image), secondShown);
    EXPECT_EQ(ReadText(PathOf(Parse(again[3]).image)), "BMportrait");
}

}  // namespace
}  // namespace desktop
