#include "platform/desktop/automatic.h"

#include <X11/Xlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/text.h"
#include "platform/desktop/gsettings_desktops.h"
#include "platform/desktop/kde.h"
#include "platform/desktop/pcmanfm.h"
#include "platform/desktop/setters.h"
#include "platform/desktop/xfconf.h"
#include "platform/x11/x11_connection.h"

namespace desktop {

namespace {

DesktopEnvironment FromName(std::string_view name) {
    static constexpr std::pair<const char*, DesktopEnvironment> kKnown[] = {
        {"GNOME", DesktopEnvironment::kGnome},
        {"GNOME-Classic", DesktopEnvironment::kGnome},
        {"GNOME-Flashback", DesktopEnvironment::kGnome},
        {"Budgie", DesktopEnvironment::kGnome},
        {"Unity", DesktopEnvironment::kGnome},
        {"X-Cinnamon", DesktopEnvironment::kCinnamon},
        {"Cinnamon", DesktopEnvironment::kCinnamon},
        {"MATE", DesktopEnvironment::kMate},
        {"KDE", DesktopEnvironment::kKde},
        {"XFCE", DesktopEnvironment::kXfce},
        {"LXQt", DesktopEnvironment::kLxqt},
        {"LXDE", DesktopEnvironment::kLxde},
    };
    for (const auto& [known, environment] : kKnown)
        if (platform::EqualsIgnoreCase(name, known))
            return environment;
    return DesktopEnvironment::kNone;
}

bool HasWaylandDisplay() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name)
        return false;
    std::string socket = name;
    if (socket[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime)
            return false;
        socket = std::string(runtime) + "/" + socket;
    }
    struct stat info {};
    return stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

bool HasX11Display() {
    return x11::CanOpenDisplay(std::getenv("DISPLAY"));
}

// There is a display, but nothing we know how to give a wallpaper to.
class NothingToSet : public WallpaperSetter {
public:
    std::string Name() const override { return "none"; }
    Outcome Apply(const std::string&, const PixelView&, Placement) override {
        return {false,
                "no known desktop environment (XDG_CURRENT_DESKTOP), wlroots or Hyprland "
                "compositor, or X11 display in this session"};
    }
};

}  // namespace

DesktopEnvironment DetectDesktopEnvironment(const char* xdgCurrentDesktop) {
    if (!xdgCurrentDesktop)
        return DesktopEnvironment::kNone;
    std::string_view rest = xdgCurrentDesktop;
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const DesktopEnvironment found = FromName(rest.substr(0, colon));
        if (found != DesktopEnvironment::kNone)
            return found;
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return DesktopEnvironment::kNone;
}

std::unique_ptr<WallpaperSetter> MakeDesktopEnvironmentSetter(DesktopEnvironment environment) {
    switch (environment) {
    case DesktopEnvironment::kGnome:
        return MakeGSettingsSetter(GSettingsDesktop::kGnome);
    case DesktopEnvironment::kCinnamon:
        return MakeGSettingsSetter(GSettingsDesktop::kCinnamon);
    case DesktopEnvironment::kMate:
        return MakeGSettingsSetter(GSettingsDesktop::kMate);
    case DesktopEnvironment::kKde:
        return MakeKdeSetter();
    case DesktopEnvironment::kXfce:
        return MakeXfconfSetter();
    case DesktopEnvironment::kLxqt:
        return MakePcmanfmSetter("pcmanfm-qt");
    case DesktopEnvironment::kLxde:
        return MakePcmanfmSetter("pcmanfm");
    case DesktopEnvironment::kNone:
        break;
    }
    return nullptr;
}

bool HasDesktopSession() {
    return HasWaylandDisplay() || HasX11Display();
}

std::unique_ptr<WallpaperSetter> MakeAutomaticSetter() {
    if (!HasDesktopSession())
        return nullptr;
    if (auto setter = MakeDesktopEnvironmentSetter(
            DetectDesktopEnvironment(std::getenv("XDG_CURRENT_DESKTOP"))))
        return setter;
    // Both of these stretch a Strech picture to the whole screen themselves,
    // without keeping its proportions, as a desktop would.
    if (auto setter = MakeCompositorSetter())
        return setter;
    if (auto setter = MakeRootWindowSetter())
        return setter;
    return std::make_unique<NothingToSet>();
}

}  // namespace desktop
