// Method 1's choice of a way to set the wallpaper, from the session's
// environment; and whether there is a session at all.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/desktop/automatic.h"
#include "platform/desktop/setters.h"
#include "platform/desktop/xfconf.h"
#include "setter_test_support.h"

namespace desktop {
namespace {

using testing::ScopedEnv;
using testing::ScratchDir;

TEST(DesktopEnvironmentDetection, FirstKnownNameOfTheListWins) {
    struct Case {
        const char* value;
        DesktopEnvironment expected;
    };
    const Case cases[] = {
        {"GNOME", DesktopEnvironment::kGnome},
        {"ubuntu:GNOME", DesktopEnvironment::kGnome},
        {"Budgie:GNOME", DesktopEnvironment::kGnome},
        {"Unity:Unity7:ubuntu", DesktopEnvironment::kGnome},
        {"X-Cinnamon", DesktopEnvironment::kCinnamon},
        {"MATE", DesktopEnvironment::kMate},
        {"KDE", DesktopEnvironment::kKde},
        {"xfce", DesktopEnvironment::kXfce},
        {"LXQt", DesktopEnvironment::kLxqt},
        {"LXDE", DesktopEnvironment::kLxde},
        {"sway:wlroots", DesktopEnvironment::kNone},
        {"Hyprland", DesktopEnvironment::kNone},
        {"GNOMEISH", DesktopEnvironment::kNone},
        {"::", DesktopEnvironment::kNone},
        {"", DesktopEnvironment::kNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectDesktopEnvironment(c.value), c.expected) << c.value;
    EXPECT_EQ(DetectDesktopEnvironment(nullptr), DesktopEnvironment::kNone);
}

// A listening Unix socket, as a Wayland compositor offers in XDG_RUNTIME_DIR.
class FakeWaylandSocket {
public:
    explicit FakeWaylandSocket(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 listen(fd_, 1) == 0;
    }
    ~FakeWaylandSocket() { close(fd_); }
    bool ok() const { return bound_; }

private:
    int fd_ = -1;
    bool bound_ = false;
};

class AutomaticSetter : public ::testing::Test {
protected:
    ScratchDir runtime_;
    ScopedEnv runtimeDir_{"XDG_RUNTIME_DIR", runtime_.path()};
    ScopedEnv display_{"DISPLAY", std::nullopt};
    ScopedEnv wayland_{"WAYLAND_DISPLAY", std::nullopt};
    ScopedEnv swaySocket_{"SWAYSOCK", std::nullopt};
    ScopedEnv hyprland_{"HYPRLAND_INSTANCE_SIGNATURE", std::nullopt};
};

TEST_F(AutomaticSetter, WithoutAnyDisplayThereIsNoSessionAndMethodOneSaysWhy) {
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "GNOME");
    EXPECT_FALSE(HasDesktopSession());
    EXPECT_EQ(MakeAutomaticSetter(), nullptr);

    // A display named but not there is no display either.
    ScopedEnv deadX("DISPLAY", ":987");
    ScopedEnv deadWayland("WAYLAND_DISPLAY", "wayland-gone");
    EXPECT_FALSE(HasDesktopSession());

    const Outcome outcome =
        MakeSetter(1)->Apply("/tmp/x.bmp", testing::OnePixel(), Placement::kStretch);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_NE(outcome.detail.find("no desktop session"), std::string::npos) << outcome.detail;
}

TEST_F(AutomaticSetter, DesktopEnvironmentOfAWaylandSessionIsChosenByName) {
    FakeWaylandSocket socket(runtime_ / "wayland-7");
    ASSERT_TRUE(socket.ok());
    ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-7");
    ASSERT_TRUE(HasDesktopSession());

    const std::pair<const char*, const char*> expected[] = {
        {"ubuntu:GNOME", "GNOME"}, {"X-Cinnamon", "Cinnamon"}, {"MATE", "MATE"},
        {"KDE", "KDE Plasma"},     {"XFCE", "XFCE"},           {"LXQt", "LXQt"},
        {"LXDE", "LXDE"},
    };
    for (const auto& [name, setterName] : expected) {
        ScopedEnv desktop("XDG_CURRENT_DESKTOP", name);
        auto setter = MakeAutomaticSetter();
        ASSERT_NE(setter, nullptr) << name;
        EXPECT_EQ(setter->Name(), setterName) << name;
    }
}

TEST_F(AutomaticSetter, UnknownCompositorWithoutX11FailsWithAReason) {
    FakeWaylandSocket socket(runtime_ / "wayland-8");
    ASSERT_TRUE(socket.ok());
    ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-8");
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "SomethingElse");

    auto setter = MakeAutomaticSetter();
    ASSERT_NE(setter, nullptr);
    const Outcome outcome = setter->Apply("/tmp/x.bmp", testing::OnePixel(), Placement::kCentre);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_NE(outcome.detail.find("XDG_CURRENT_DESKTOP"), std::string::npos) << outcome.detail;
}

// Against a real X server (scripts/with-xvfb, run by ctest).
class AutomaticSetterX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DRAPEWELL_TEST_X11"))
            GTEST_SKIP() << "needs the X server of scripts/with-xvfb (ctest runs it)";
    }
    ScopedEnv wayland_{"WAYLAND_DISPLAY", std::nullopt};
    ScopedEnv swaySocket_{"SWAYSOCK", std::nullopt};
    ScopedEnv hyprland_{"HYPRLAND_INSTANCE_SIGNATURE", std::nullopt};
};

TEST_F(AutomaticSetterX11, PlainX11SessionFallsBackToTheRootWindow) {
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", std::nullopt);
    ASSERT_TRUE(HasDesktopSession());
    auto automatic = MakeAutomaticSetter();
    auto root = MakeRootWindowSetter();
    ASSERT_NE(automatic, nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(automatic->Name(), root->Name());
}

TEST_F(AutomaticSetterX11, MonitorNamesComeFromTheServer) {
    // Xvfb has one output, "screen".
    const std::vector<std::string> names = ActiveMonitorNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_FALSE(names[0].empty());
}

}  // namespace
}  // namespace desktop
