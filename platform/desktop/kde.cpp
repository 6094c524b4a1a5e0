#include "platform/desktop/kde.h"

#include <cstdio>
#include <string>

#include "platform/desktop/fresh_path.h"

namespace desktop {

namespace {

constexpr dbus::Target kPlasma{"org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell"};

// The image plugin's FillMode values.
int FillModeFor(Placement placement) {
    switch (placement) {
    case Placement::kCentre:
        return 6;
    case Placement::kTile:
        return 3;
    case Placement::kStretch:
    default:
        return 0;
    }
}

// A double-quoted script literal for `text`, so that no file name can end
// the string and run as script.
std::string ScriptString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

std::string WallpaperScript(const std::string& uri, int fillMode) {
    return "var image = " + ScriptString(uri) +
           ";\n"
           "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", image);\n"
           "    d.writeConfig(\"FillMode\", " +
           std::to_string(fillMode) +
           ");\n"
           "}\n";
}

// One monitor's desktop: the containment on the screen at (x, y); when no
// screen is there (Plasma counts in scaled pixels), the one on Plasma's
// screen `index`.
std::string MonitorScript(const std::string& uri, int fillMode, const Monitor& monitor,
                          std::size_t index) {
    const std::string x = std::to_string(monitor.x);
    const std::string y = std::to_string(monitor.y);
    return "var image = " + ScriptString(uri) +
           ";\n"
           "var all = desktops();\n"
           "var atPlace = function (d) {\n"
           "    var g = screenGeometry(d.screen);\n"
           "    return g.x == " +
           x + " && g.y == " + y +
           ";\n"
           "};\n"
           "var placed = false;\n"
           "for (var i = 0; i < all.length; i++)\n"
           "    placed = placed || atPlace(all[i]);\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    if (placed ? !atPlace(d) : d.screen != " +
           std::to_string(index) +
           ")\n"
           "        continue;\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", image);\n"
           "    d.writeConfig(\"FillMode\", " +
           std::to_string(fillMode) +
           ");\n"
           "}\n";
}

class KdeSetter : public WallpaperSetter {
public:
    explicit KdeSetter(dbus::Milliseconds limit) : limit_(limit) {}

    std::string Name() const override { return "KDE Plasma"; }

    Outcome Apply(const std::string& file, const PixelView&, Placement placement) override {
        if (file.empty())
            return {false, "KDE Plasma: no picture to show"};
        std::string why;
        dbus::ConnectionPtr bus = dbus::ConnectSession(limit_, &why);
        if (!bus)
            return {false, "KDE Plasma: " + why};
        return Send(bus.get(), FreshPath::Prepare(file), placement, nullptr, 0);
    }

    MonitorHandling Handling() const override { return MonitorHandling::kPerMonitor; }

    // One script per monitor, each setting the desktop containment of that
    // monitor's screen.
    Outcome ApplyPerMonitor(std::span<const MonitorPicture> pictures,
                            Placement placement) override {
        std::string why;
        dbus::ConnectionPtr bus = dbus::ConnectSession(limit_, &why);
        if (!bus)
            return {false, "KDE Plasma: " + why};
        std::string done;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            if (pictures[i].file.empty())
                return {false, "KDE Plasma: no picture to show on " + pictures[i].monitor.name};
            Outcome outcome = Send(bus.get(), FreshPath::PrepareForMonitor(pictures[i].file, i),
                                   placement, &pictures[i].monitor, i);
            if (!outcome.accepted)
                return outcome;
            done += (done.empty() ? "" : ", ") + pictures[i].monitor.name;
        }
        return {true, "KDE Plasma: a picture each on " + done};
    }

private:
    // Hands `picture` to the containment of `monitor` (all of them when null).
    Outcome Send(GDBusConnection* bus, FreshPath picture, Placement placement,
                 const Monitor* monitor, std::size_t index) {
        if (!picture.ok())
            return {false, "KDE Plasma: " + picture.error()};
        GError* error = nullptr;
        gchar* rawUri = g_filename_to_uri(picture.path().c_str(), nullptr, &error);
        if (!rawUri) {
            const std::string message = dbus::DescribeError(error);
            g_clear_error(&error);
            return {false, "KDE Plasma: cannot make a URI of " + picture.path() + ": " + message};
        }
        const std::string uri = rawUri;
        g_free(rawUri);

        const int fillMode = FillModeFor(placement);
        const std::string script = monitor ? MonitorScript(uri, fillMode, *monitor, index)
                                           : WallpaperScript(uri, fillMode);
        // plasmashell is never started for us: without it there is no Plasma
        // desktop to show the picture.
        dbus::Reply reply =
            dbus::Call(bus, kPlasma, "evaluateScript", g_variant_new("(s)", script.c_str()),
                       nullptr, {.limit = limit_});
        if (!reply) {
            // Unanswered is not refused: the script may still run later.
            if (reply.errorName.empty())
                picture.KeepBoth();
            return {false, "KDE Plasma: " + reply.error};
        }
        picture.Keep();
        return {true, "KDE Plasma: " + uri + " with FillMode " + std::to_string(fillMode)};
    }

    dbus::Milliseconds limit_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakeKdeSetter(dbus::Milliseconds callLimit) {
    return std::make_unique<KdeSetter>(callLimit);
}

}  // namespace desktop
