// XFCE against the real xfconfd on a private bus (scripts/with-dbus),
// properties read back with xfconf-query.

#include "platform/desktop/xfconf.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "bus_standin.h"
#include "platform/desktop/child_process.h"
#include "setter_test_support.h"

namespace desktop {
namespace {

using namespace std::chrono_literals;
using testing::ReadText;
using testing::WriteText;

class XfconfTest : public ::testing::Test {
protected:
    void SetUp() override {
        DRAPEWELL_REQUIRE_PRIVATE_BUS();
        // Each test starts from a desktop without backdrops; fails harmlessly
        // when there are none.
        Query({"-p", "/backdrop", "-r", "-R"});
        WriteText(picture_, "BMxfce picture");
    }

    static RunResult Query(std::vector<std::string> args) {
        args.insert(args.begin(), {"xfconf-query", "-c", "xfce4-desktop"});
        return RunWithTimeLimit(args, 10s);
    }

    static void Create(const std::string& property, const char* type, const std::string& value) {
        const RunResult run = Query({"-p", property, "-n", "-t", type, "-s", value});
        ASSERT_TRUE(run.Succeeded()) << run.Describe("xfconf-query");
    }

    // Every property of the channel with its value, as xfconf-query lists them.
    static std::map<std::string, std::string> Properties() {
        std::map<std::string, std::string> properties;
        const RunResult run = Query({"-l", "-v"});
        std::istringstream lines(run.out);
        std::string line;
        while (std::getline(lines, line)) {
            const auto gap = line.find(' ');
            const auto value = line.find_first_not_of(' ', gap);
            if (gap != std::string::npos && value != std::string::npos)
                properties[line.substr(0, gap)] = line.substr(value);
        }
        return properties;
    }

    static std::unique_ptr<WallpaperSetter> Setter(std::vector<std::string> monitors) {
        XfconfOptions options;
        options.monitors = [monitors] { return monitors; };
        return MakeXfconfSetter(options);
    }

    testing::ScratchDir dir_;
    std::string picture_ = dir_ / "MyWallPaper.bmp";
};

TEST_F(XfconfTest, DesktopWithoutBackdropsGetsOneForEachMonitor) {
    const Outcome outcome =
        Setter({"HDMI-1", "eDP-1"})->Apply(picture_, testing::OnePixel(), Placement::kCentre);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;

    const auto properties = Properties();
    ASSERT_EQ(properties.size(), 4u);
    for (const char* monitor : {"HDMI-1", "eDP-1"}) {
        const std::string base = std::string("/backdrop/screen0/monitor") + monitor + "/workspace0";
        ASSERT_EQ(properties.count(base + "/last-image"), 1u) << base;
        const std::string shown = properties.at(base + "/last-image");
        EXPECT_EQ(ReadText(shown), "BMxfce picture");
        EXPECT_EQ(properties.at(base + "/image-style"), "1");
    }
}

TEST_F(XfconfTest, EveryExistingBackdropIsUpdatedAndShowsAPicture) {
    // Style 0 is "none": the desktop would show no picture at all.
    for (const char* base :
         {"/backdrop/screen0/monitorDP-1/workspace0", "/backdrop/screen0/monitorDP-1/workspace1"}) {
        Create(std::string(base) + "/last-image", "string", "/old/picture.png");
        Create(std::string(base) + "/image-style", "int", "0");
    }
    Create("/backdrop/screen0/monitorVGA-1/workspace3/image-style", "int", "5");

    const Outcome outcome =
        Setter({"NOT-USED"})->Apply(picture_, testing::OnePixel(), Placement::kTile);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;

    const auto properties = Properties();
    EXPECT_EQ(properties.size(), 6u);
    std::string shown;
    for (const auto& [property, value] : properties) {
        EXPECT_EQ(property.find("NOT-USED"), std::string::npos) << property;
        if (property.ends_with("/image-style")) {
            EXPECT_EQ(value, "2") << property;
        } else {
            EXPECT_TRUE(property.ends_with("/last-image")) << property;
            shown = shown.empty() ? value : shown;
            EXPECT_EQ(value, shown) << property;
        }
    }
    EXPECT_EQ(ReadText(shown), "BMxfce picture");
}

// xfconfd tells the desktop of a property only when its value changes, so the
// same staging file handed over twice must still arrive as a change.
TEST_F(XfconfTest, SamePictureTwiceIsSeenAsAChange) {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    std::string why;
    dbus::ConnectionPtr watcher = dbus::ConnectSession(5s, &why);
    ASSERT_NE(watcher, nullptr) << why;
    const std::string property = "/backdrop/screen0/monitorHDMI-1/workspace0/last-image";
    struct Seen {
        std::string property;
        std::vector<std::string> values;
    } seen{property, {}};
    const guint id = g_dbus_connection_signal_subscribe(
        watcher.get(), nullptr, "org.xfce.Xfconf", "PropertyChanged", "/org/xfce/Xfconf", nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* args,
           gpointer data) {
            auto* seen = static_cast<Seen*>(data);
            const gchar* changed = nullptr;
            GVariant* value = nullptr;
            g_variant_get(args, "(&s&sv)", nullptr, &changed, &value);
            if (seen->property == changed && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
                seen->values.push_back(g_variant_get_string(value, nullptr));
            g_variant_unref(value);
        },
        &seen, nullptr);
    // The subscription is in force once the bus has our match rule.
    dbus::Call(watcher.get(),
               {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus"}, "GetId",
               nullptr, "(s)");

    auto setter = Setter({"HDMI-1"});
    for (int i = 0; i < 2; ++i) {
        const Outcome outcome = setter->Apply(picture_, testing::OnePixel(), Placement::kStretch);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
    }
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (seen.values.size() < 2 && std::chrono::steady_clock::now() < deadline)
        if (!g_main_context_iteration(context, FALSE))
            g_usleep(10000);

    ASSERT_EQ(seen.values.size(), 2u);
    EXPECT_NE(seen.values[0], seen.values[1]);
    EXPECT_FALSE(testing::Exists(seen.values[0]));  // no longer shown, so removed
    EXPECT_EQ(ReadText(seen.values[1]), "BMxfce picture");
    EXPECT_EQ(Properties().at("/backdrop/screen0/monitorHDMI-1/workspace0/image-style"), "3");

    g_dbus_connection_signal_unsubscribe(watcher.get(), id);
    watcher.reset();
    while (g_main_context_iteration(context, FALSE)) {
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
}

// Each monitor's backdrops get that monitor's picture: every workspace the
// desktop has one for, workspace 0 for a monitor it has none of yet, and a
// numbered backdrop the picture of the monitor with that number.
TEST_F(XfconfTest, EachMonitorsBackdropsGetItsOwnPicture) {
    testing::ScopedEnv data("XDG_DATA_HOME", dir_.path());
    Create("/backdrop/screen0/monitorDP-1/workspace0/last-image", "string", "/old.png");
    Create("/backdrop/screen0/monitorDP-1/workspace2/last-image", "string", "/old.png");
    Create("/backdrop/screen0/monitor1/workspace0/last-image", "string", "/old.png");
    const std::string second = dir_ / "second.bmp";
    WriteText(second, "BMsecond monitor");
    const MonitorPicture pictures[] = {
        {Monitor{"DP-1", 0, 0, 1920, 1080, true}, picture_, testing::OnePixel()},
        {Monitor{"HDMI-2", 1920, 0, 1080, 1920, false}, second, testing::OnePixel()},
    };
    auto setter = Setter({});
    EXPECT_EQ(setter->Handling(), MonitorHandling::kPerMonitor);
    const Outcome outcome = setter->ApplyPerMonitor(pictures, Placement::kStretch);
    ASSERT_TRUE(outcome.accepted) << outcome.detail;

    const auto properties = Properties();
    const auto shown = [&](const std::string& base) {
        const auto found = properties.find("/backdrop/screen0/" + base + "/last-image");
        return found == properties.end() ? std::string("(none)") : ReadText(found->second);
    };
    EXPECT_EQ(shown("monitorDP-1/workspace0"), "BMxfce picture");
    EXPECT_EQ(shown("monitorDP-1/workspace2"), "BMxfce picture");
    EXPECT_EQ(shown("monitorHDMI-2/workspace0"), "BMsecond monitor");
    EXPECT_EQ(shown("monitor1/workspace0"), "BMsecond monitor");
    EXPECT_EQ(properties.at("/backdrop/screen0/monitorHDMI-2/workspace0/image-style"), "3");
    // The two monitors' files are different names, so neither desktop
    // keeps showing a picture it cached under the other's.
    EXPECT_NE(properties.at("/backdrop/screen0/monitorDP-1/workspace0/last-image"),
              properties.at("/backdrop/screen0/monitorHDMI-2/workspace0/last-image"));
}

}  // namespace
}  // namespace desktop
