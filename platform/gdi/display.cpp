#include "platform/gdi/display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/x11/x11_connection.h"

namespace gdi {
namespace {

std::atomic<int> headlessWidth{1024};
std::atomic<int> headlessHeight{768};
std::atomic<bool> forceHeadless{false};
// Width and height in one word, so that a reader never pairs an old width
// with a new height; 0 while unknown.
std::atomic<unsigned long long> knownSize{0};

unsigned long long Pack(int width, int height) {
    return static_cast<unsigned long long>(static_cast<unsigned>(width)) << 32 |
           static_cast<unsigned>(height);
}

DisplaySize Unpack(unsigned long long packed) {
    return {static_cast<int>(packed >> 32), static_cast<int>(packed & 0xFFFFFFFFu)};
}

// The primary output's size when RandR names one, else the whole screen's.
DisplaySize QueryScreen(Display* dpy) {
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    DisplaySize size{DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};

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
    return size;
}

// One connection for every query: opening a connection per call cost tens of
// milliseconds under load, and a failed open would have passed for "no
// display". A lost connection is opened anew on the next call.
DisplaySize QueryX11Screen() {
    static std::mutex lock;
    static std::unique_ptr<x11::Connection> connection;
    static DisplaySize lastGood;
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return {};
    std::lock_guard guard(lock);
    if (connection && connection->Lost())
        connection.reset();
    if (!connection) {
        auto fresh = std::make_unique<x11::Connection>();
        if (fresh->Get())
            connection = std::move(fresh);
    }
    if (connection) {
        const DisplaySize size = QueryScreen(connection->Get());
        if (!connection->Lost() && size.width > 0 && size.height > 0)
            lastGood = size;
    }
    // A server that went away for a moment answers with the size it last had,
    // never with the made-up headless one.
    return lastGood;
}

DisplaySize CurrentScreen() {
    if (!forceHeadless.load()) {
        if (const DisplaySize known = Unpack(knownSize.load()); known.width > 0)
            return known;
        const DisplaySize real = QueryX11Screen();
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

DisplaySize GetDisplaySize() {
    return CurrentScreen();
}

void SetKnownDisplaySize(int width, int height) {
    knownSize = width > 0 && height > 0 ? Pack(width, height) : 0;
}

void SetHeadlessDisplaySize(int width, int height) {
    if (width > 0 && height > 0) {
        headlessWidth = width;
        headlessHeight = height;
    }
}

bool CanOpenX11Display(const char* name) {
    return x11::CanOpenDisplay(name);
}

void ForceHeadlessDisplay(bool force) {
    forceHeadless = force;
}

}  // namespace gdi
