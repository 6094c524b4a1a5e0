#include "platform/desktop/xfconf.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/desktop/fresh_path.h"

namespace desktop {

namespace {

constexpr dbus::Target kXfconf{"org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf"};
constexpr const char* kChannel = "xfce4-desktop";
constexpr const char* kPictureKey = "/last-image";
constexpr const char* kStyleKey = "/image-style";

int StyleFor(Placement placement) {
    switch (placement) {
    case Placement::kCentre:
        return 1;
    case Placement::kTile:
        return 2;
    case Placement::kStretch:
    default:
        return 3;
    }
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class XfconfSetter : public WallpaperSetter {
public:
    explicit XfconfSetter(XfconfOptions options) : options_(std::move(options)) {
        if (!options_.monitors)
            options_.monitors = ActiveMonitorNames;
    }

    std::string Name() const override { return "XFCE"; }

    Outcome Apply(const std::string& file, const PixelView&, Placement placement) override {
        if (file.empty())
            return {false, "XFCE: no picture to show"};
        std::string why;
        dbus::ConnectionPtr bus = dbus::ConnectSession(options_.callLimit, &why);
        if (!bus)
            return {false, "XFCE: " + why};

        std::set<std::string> backdrops;
        if (!ExistingBackdrops(bus.get(), &backdrops, &why))
            return {false, "XFCE: " + why};
        const bool created = backdrops.empty();
        if (created) {
            std::vector<std::string> monitors = options_.monitors();
            // Without monitor names the desktop numbers its monitors.
            if (monitors.empty())
                monitors.push_back("0");
            for (const std::string& name : monitors)
                backdrops.insert("/backdrop/screen0/monitor" + name + "/workspace0");
        }

        FreshPath picture = FreshPath::Prepare(file);
        if (!picture.ok())
            return {false, "XFCE: " + picture.error()};

        const int style = StyleFor(placement);
        std::string failure;
        bool anySet = false;
        for (const std::string& base : backdrops) {
            // Each property is typed in xfconf: the picture a string, the
            // style an int.
            dbus::Reply reply =
                Set(bus.get(), base + kPictureKey, g_variant_new_string(picture.path().c_str()));
            anySet = anySet || bool(reply);
            if (reply)
                reply = Set(bus.get(), base + kStyleKey, g_variant_new_int32(style));
            if (!reply && failure.empty())
                failure = "cannot set " + base + ": " + reply.error;
        }
        // A backdrop that took the name shows it, so it must stay.
        if (anySet)
            picture.Keep();
        if (!failure.empty())
            return {false, "XFCE: " + failure};
        return {true, "XFCE: " + picture.path() + " with image-style " + std::to_string(style) +
                          " on " + std::to_string(backdrops.size()) + " backdrop(s)" +
                          (created ? " (created)" : "")};
    }

    MonitorHandling Handling() const override { return MonitorHandling::kPerMonitor; }

    // Each monitor's backdrops (every workspace it has one for, else
    // workspace 0) get its own picture. Backdrops of monitors not in the
    // list get the first monitor's, or, when numbered as older desktops
    // number them, the picture of the monitor with that number.
    Outcome ApplyPerMonitor(std::span<const MonitorPicture> pictures,
                            Placement placement) override {
        if (pictures.empty())
            return {false, "XFCE: no picture to show"};
        std::string why;
        dbus::ConnectionPtr bus = dbus::ConnectSession(options_.callLimit, &why);
        if (!bus)
            return {false, "XFCE: " + why};
        std::set<std::string> backdrops;
        if (!ExistingBackdrops(bus.get(), &backdrops, &why))
            return {false, "XFCE: " + why};

        std::vector<std::vector<std::string>> bases(pictures.size());
        for (const std::string& base : backdrops)
            bases[OwnerOf(base, pictures)].push_back(base);
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const std::string prefix = MonitorPrefix(pictures[i].monitor.name);
            if (std::none_of(bases[i].begin(), bases[i].end(), [&](const std::string& base) {
                    return base.compare(0, prefix.size(), prefix) == 0;
                }))
                bases[i].push_back(prefix + "workspace0");
        }

        const int style = StyleFor(placement);
        std::string failure;
        std::size_t count = 0;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            FreshPath picture = FreshPath::PrepareForMonitor(pictures[i].file, i);
            if (!picture.ok())
                return {false, "XFCE: " + picture.error()};
            if (SetAll(bus.get(), bases[i], picture.path(), style, &failure))
                picture.Keep();
            count += bases[i].size();
        }
        if (!failure.empty())
            return {false, "XFCE: " + failure};
        return {true, "XFCE: a picture each on " + std::to_string(pictures.size()) +
                          " monitor(s), " + std::to_string(count) +
                          " backdrop(s), with image-style " + std::to_string(style)};
    }

private:
    static std::string MonitorPrefix(const std::string& name) {
        return "/backdrop/screen0/monitor" + name + "/";
    }

    // The picture a backdrop belongs to: its monitor's by name, else by
    // number, else the first.
    static std::size_t OwnerOf(const std::string& base, std::span<const MonitorPicture> pictures) {
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const std::string prefix = MonitorPrefix(pictures[i].monitor.name);
            if (base.compare(0, prefix.size(), prefix) == 0)
                return i;
        }
        const std::string numbered = "/backdrop/screen0/monitor";
        if (base.compare(0, numbered.size(), numbered) == 0) {
            const std::size_t end = base.find('/', numbered.size());
            const std::string number = base.substr(numbered.size(), end - numbered.size());
            if (!number.empty() && number.size() < 4 &&
                std::all_of(number.begin(), number.end(),
                            [](char c) { return c >= '0' && c <= '9'; }) &&
                std::stoul(number) < pictures.size())
                return std::stoul(number);
        }
        return 0;
    }

    // Sets picture and style of each base; true when any took the picture.
    bool SetAll(GDBusConnection* bus, const std::vector<std::string>& bases,
                const std::string& path, int style, std::string* failure) {
        bool anySet = false;
        for (const std::string& base : bases) {
            dbus::Reply reply = Set(bus, base + kPictureKey, g_variant_new_string(path.c_str()));
            anySet = anySet || bool(reply);
            if (reply)
                reply = Set(bus, base + kStyleKey, g_variant_new_int32(style));
            if (!reply && failure->empty())
                *failure = "cannot set " + base + ": " + reply.error;
        }
        return anySet;
    }

    // Every monitor and workspace that already has a picture or a style.
    bool ExistingBackdrops(GDBusConnection* bus, std::set<std::string>* bases, std::string* why) {
        dbus::Reply reply =
            dbus::Call(bus, kXfconf, "GetAllProperties",
                       g_variant_new("(ss)", kChannel, "/backdrop"), "(a{sv})", CallOptions());
        if (!reply) {
            // A desktop that never stored a backdrop has no such property.
            if (reply.errorName == "org.xfce.Xfconf.Error.PropertyNotFound" ||
                reply.errorName == "org.xfce.Xfconf.Error.ChannelNotFound")
                return true;
            *why = "cannot read the desktop's settings: " + reply.error;
            return false;
        }
        dbus::VariantPtr properties(g_variant_get_child_value(reply.value.get(), 0));
        GVariantIter iter;
        g_variant_iter_init(&iter, properties.get());
        const gchar* key = nullptr;
        GVariant* value = nullptr;
        while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
            g_variant_unref(value);
            const std::string name = key;
            for (const char* tail : {kPictureKey, kStyleKey})
                if (EndsWith(name, tail))
                    bases->insert(name.substr(0, name.size() - std::string(tail).size()));
        }
        return true;
    }

    dbus::Reply Set(GDBusConnection* bus, const std::string& property, GVariant* value) {
        return dbus::Call(bus, kXfconf, "SetProperty",
                          g_variant_new("(ssv)", kChannel, property.c_str(), value), nullptr,
                          CallOptions());
    }

    // xfconfd is started by the bus on first use.
    dbus::CallOptions CallOptions() const {
        dbus::CallOptions call;
        call.limit = options_.callLimit;
        call.startService = true;
        return call;
    }

    XfconfOptions options_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakeXfconfSetter(XfconfOptions options) {
    return std::make_unique<XfconfSetter>(std::move(options));
}

std::vector<std::string> ActiveMonitorNames() {
    std::vector<std::string> names;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return names;
    Display* dpy = XOpenDisplay(display);
    if (!dpy)
        return names;
    const Window root = DefaultRootWindow(dpy);
    // Screen resources of the current configuration need RandR 1.3; asking
    // an older server would end the program with an X error.
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (XRRQueryExtension(dpy, &eventBase, &errorBase) && XRRQueryVersion(dpy, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 3))) {
        if (XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, root)) {
            for (int i = 0; i < res->noutput; ++i) {
                XRROutputInfo* out = XRRGetOutputInfo(dpy, res, res->outputs[i]);
                if (!out)
                    continue;
                if (out->connection == RR_Connected && out->crtc && out->name)
                    names.emplace_back(out->name, out->nameLen);
                XRRFreeOutputInfo(out);
            }
            XRRFreeScreenResources(res);
        }
    }
    XCloseDisplay(dpy);
    return names;
}

}  // namespace desktop
