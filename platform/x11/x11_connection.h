#pragma once

// A connection of our own to the X server, for the few jobs that talk Xlib
// directly. Include only from sources that link Xlib.

#include <X11/Xlib.h>

namespace x11 {

// Xlib ends the program when a connection is lost unless a per-connection
// exit handler returns instead; this one only notes the loss.
inline void NoteConnectionLost(Display*, void* lost) {
    *static_cast<bool*>(lost) = true;
}

class Connection {
public:
    Connection() : display_(XOpenDisplay(nullptr)) {
        if (display_)
            XSetIOErrorExitHandler(display_, NoteConnectionLost, &lost_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    // Everything not made RetainPermanent is freed by the server on close.
    ~Connection() {
        if (display_)
            XCloseDisplay(display_);
    }
    Display* Get() const { return display_; }
    // True once Xlib has reported the connection lost.
    bool Lost() const { return lost_; }

private:
    Display* display_;
    bool lost_ = false;
};

// Whether the X server `name` (a DISPLAY value) accepts a connection now.
inline bool CanOpenDisplay(const char* name) {
    if (!name || !*name)
        return false;
    Display* display = XOpenDisplay(name);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

}  // namespace x11
