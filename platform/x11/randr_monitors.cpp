#include "platform/x11/randr_monitors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "platform/x11/x11_error_trap.h"

namespace x11 {

bool ListRandrMonitors(std::vector<RandrMonitor>* monitors, std::string* why) {
    monitors->clear();
    const Connection connection;
    Display* display = connection.Get();
    if (!display) {
        *why = "cannot open the X display";
        return false;
    }
    // Asking a server without RandR 1.5 for monitors would end the program
    // with an X error.
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
        !XRRQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 5)) {
        *why = "the X server has no RandR 1.5 monitors";
        return false;
    }
    ErrorTrap trap(connection);
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    if (!info || trap.Failed()) {
        if (info)
            XRRFreeMonitors(info);
        *why = "the X server did not list its monitors";
        return false;
    }
    for (int i = 0; i < count; ++i) {
        // A monitor's name is an atom; one without a name gets its number.
        std::string name;
        if (info[i].name != None) {
            if (char* text = XGetAtomName(display, info[i].name)) {
                name = text;
                XFree(text);
            }
        }
        if (name.empty())
            name = std::to_string(i);
        if (info[i].width <= 0 || info[i].height <= 0)
            continue;
        monitors->push_back({.name = name,
                             .x = info[i].x,
                             .y = info[i].y,
                             .width = info[i].width,
                             .height = info[i].height,
                             .primary = info[i].primary != 0});
    }
    XRRFreeMonitors(info);
    trap.Sync();
    return true;
}

}  // namespace x11
