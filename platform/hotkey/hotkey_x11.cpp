#include "platform/hotkey/hotkey_x11.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/hotkey/hotkey_keys.h"

namespace hotkey {

namespace {

struct DisplayClose {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayClose>;

struct ModmapFree {
    void operator()(XModifierKeymap* map) const { XFreeModifiermap(map); }
};

// The modifier bit (Mod1Mask...) a key is mapped to; 0 when it is none.
unsigned ModifierMaskOf(const XModifierKeymap* map, KeyCode code) {
    if (!map || code == 0)
        return 0;
    for (int index = 0; index < 8; ++index) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[index * map->max_keypermod + k] == code)
                return 1u << index;
        }
    }
    return 0;
}

// Losing the server must not end the program, which Xlib does unless a
// per-connection exit handler returns instead.
void NoteConnectionLost(Display*, void* lost) {
    static_cast<std::atomic<bool>*>(lost)->store(true);
}

constexpr unsigned kModifierBits =
    ShiftMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

struct KeyGrab {
    xcb_keycode_t keycode;
    std::uint16_t modifiers;
};

}  // namespace

struct X11Grabber::State {
    std::function<void()> pressed;
    DisplayPtr display;
    std::atomic<bool> lost{false};
    std::atomic<bool> stop{false};
    int wake = -1;  // eventfd that interrupts the thread's poll

    // Guards the display (Xlib is not thread-safe unless asked) and the grab.
    std::mutex mutex;
    std::vector<KeyGrab> grabs;
    std::vector<KeyCode> keycodes;
    unsigned modifiers = 0;  // X modifier mask of the current grab
    unsigned ignored = 0;    // lock bits that may be on or off
    std::thread thread;

    void Wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(wake, &one, sizeof one);
    }

    // Reads every queued event; returns how many were presses of our key.
    int DrainLocked() {
        int presses = 0;
        Display* dpy = display.get();
        while (!lost && XPending(dpy) > 0) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type != KeyPress)
                continue;
            const unsigned state = event.xkey.state & kModifierBits & ~ignored;
            for (KeyCode code : keycodes) {
                if (event.xkey.keycode == code && state == modifiers)
                    ++presses;
            }
        }
        return presses;
    }

    void Run() {
        const int xfd = ConnectionNumber(display.get());
        while (!stop && !lost) {
            int presses = 0;
            {
                std::lock_guard<std::mutex> hold(mutex);
                presses = DrainLocked();
            }
            // Outside the lock: the callback may well register again.
            for (int i = 0; i < presses && !stop; ++i)
                pressed();
            pollfd fds[2] = {{xfd, POLLIN, 0}, {wake, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno != EINTR)
                break;
            if (fds[1].revents & POLLIN) {
                std::uint64_t count = 0;
                [[maybe_unused]] ssize_t got = read(wake, &count, sizeof count);
            }
            if (fds[0].revents & (POLLERR | POLLHUP))
                lost = true;
        }
    }

    void UngrabLocked() {
        if (!display || lost) {
            grabs.clear();
            return;
        }
        xcb_connection_t* connection = XGetXCBConnection(display.get());
        const xcb_window_t root = DefaultRootWindow(display.get());
        for (const KeyGrab& grab : grabs)
            xcb_ungrab_key(connection, grab.keycode, root, grab.modifiers);
        xcb_flush(connection);
        grabs.clear();
        keycodes.clear();
        modifiers = 0;
    }
};

X11Grabber::X11Grabber(std::function<void()> pressed) : state_(std::make_unique<State>()) {
    state_->pressed = std::move(pressed);
}

X11Grabber::~X11Grabber() {
    if (state_->thread.joinable()) {
        state_->stop = true;
        state_->Wake();
        state_->thread.join();
    }
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        state_->UngrabLocked();
    }
    state_->display.reset();  // the server drops any grab left with the connection
    if (state_->wake >= 0)
        close(state_->wake);
}

bool X11Grabber::Open(const char* display) {
    if (IsOpen())
        return true;
    if (state_->thread.joinable())
        return false;  // opened once and lost since
    const char* name = display ? display : std::getenv("DISPLAY");
    if (!name || !*name)
        return false;
    DisplayPtr opened(XOpenDisplay(name));
    if (!opened)
        return false;
    XSetIOErrorExitHandler(opened.get(), NoteConnectionLost, &state_->lost);
    state_->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state_->wake < 0)
        return false;
    state_->display = std::move(opened);
    state_->thread = std::thread([state = state_.get()] { state->Run(); });
    return true;
}

bool X11Grabber::IsOpen() const {
    return state_->display && !state_->lost;
}

bool X11Grabber::Grab(std::uint8_t vk, std::uint32_t modifiers) {
    if (!IsOpen())
        return false;
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->UngrabLocked();
    const KeyInfo* key = FindVirtualKey(vk);
    if (!key)
        return false;
    Display* dpy = state_->display.get();
    std::vector<KeyCode> codes;
    for (std::uint32_t keysym : {key->keysym, key->altKeysym}) {
        const KeyCode code = keysym ? XKeysymToKeycode(dpy, keysym) : 0;
        if (code != 0)
            codes.push_back(code);
    }
    if (codes.empty())
        return false;

    // NumLock and Alt sit on whichever modifier bits the keyboard map says.
    std::unique_ptr<XModifierKeymap, ModmapFree> map(XGetModifierMapping(dpy));
    const unsigned numLock = ModifierMaskOf(map.get(), XKeysymToKeycode(dpy, XK_Num_Lock));
    unsigned alt = ModifierMaskOf(map.get(), XKeysymToKeycode(dpy, XK_Alt_L));
    if (alt == 0)
        alt = Mod1Mask;
    unsigned mask = 0;
    if (modifiers & MOD_SHIFT)
        mask |= ShiftMask;
    if (modifiers & MOD_CONTROL)
        mask |= ControlMask;
    if (modifiers & MOD_ALT)
        mask |= alt;
    std::vector<unsigned> variants = {0, LockMask};
    if (numLock != 0 && numLock != LockMask) {
        variants.push_back(numLock);
        variants.push_back(numLock | LockMask);
    }

    // Checked requests report a refusal (BadAccess: another client holds the
    // combination) to us alone, without Xlib's process-wide error handler.
    xcb_connection_t* connection = XGetXCBConnection(dpy);
    const xcb_window_t root = DefaultRootWindow(dpy);
    std::vector<xcb_void_cookie_t> cookies;
    for (KeyCode code : codes) {
        for (unsigned variant : variants) {
            const auto both = static_cast<std::uint16_t>(mask | variant);
            cookies.push_back(xcb_grab_key_checked(connection, 0, root, both, code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            state_->grabs.push_back({code, both});
        }
    }
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            refused = true;
            std::free(error);
        }
    }
    if (refused || xcb_connection_has_error(connection)) {
        state_->UngrabLocked();  // ours only: a refused grab was never made
        return false;
    }
    state_->keycodes = std::move(codes);
    state_->modifiers = mask;
    state_->ignored = LockMask | numLock;
    state_->Wake();  // events read while checking wait in Xlib's queue
    return true;
}

void X11Grabber::Ungrab() {
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->UngrabLocked();
}

}  // namespace hotkey
