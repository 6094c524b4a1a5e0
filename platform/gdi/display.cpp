#include "platform/gdi/display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <atomic>
#include <cstdlib>

namespace gdi {
namespace {

std::atomic<int> headlessWidth{1024};
std::atomic<int> headlessHeight{768};
std::atomic<bool> forceHeadless{false};

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// The primary output's size when RandR names one, else the whole screen's.
ScreenSize QueryX11Screen() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return {};
    Display* dpy = XOpenDisplay(name);
    if (!dpy)
        return {};
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    ScreenSize size{DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};

    // Screen resources of the current configuration need RandR 1.3; an older
    // server would answer with an X error, which ends the program.
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (XRRQueryExtension(dpy, &eventBase, &errorBase) && XRRQueryVersion(dpy, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 3))) {
        if (XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, root)) {
            const RROutput primary = XRRGetOutputPrimary(dpy, root);
            if (primary) {
                if (XRROutputInfo* out = XRRGetOutputInfo(dpy, res, primary)) {
                    if (out->crtc) {
                        if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(dpy, res, out->crtc)) {
                            if (crtc->width && crtc->height)
                                size = {int(crtc->width), int(crtc->height)};
                            XRRFreeCrtcInfo(crtc);
                        }
                    }
                    XRRFreeOutputInfo(out);
                }
            }
            XRRFreeScreenResources(res);
        }
    }
    XCloseDisplay(dpy);
    return size;
}

ScreenSize CurrentScreen() {
    if (!forceHeadless.load()) {
        const ScreenSize real = QueryX11Screen();
        if (real.width > 0 && real.height > 0)
            return real;
    }
    return {headlessWidth.load(), headlessHeight.load()};
}

}  // namespace

int GetDeviceCaps(int index) {
    switch (index) {
    case HORZRES:
        return CurrentScreen().width;
    case VERTRES:
        return CurrentScreen().height;
    case BITSPIXEL:
        return kDisplayBitsPerPixel;
    default:
        return 0;
    }
}

void SetHeadlessDisplaySize(int width, int height) {
    if (width > 0 && height > 0) {
        headlessWidth = width;
        headlessHeight = height;
    }
}

bool CanOpenX11Display(const char* name) {
    if (!name || !*name)
        return false;
    Display* dpy = XOpenDisplay(name);
    if (!dpy)
        return false;
    XCloseDisplay(dpy);
    return true;
}

void ForceHeadlessDisplay(bool force) {
    forceHeadless = force;
}

}  // namespace gdi
