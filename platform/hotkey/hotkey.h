#pragma once

// The program's global hotkey: registered in the stored encoding (virtual
// key in the low byte, hotkey-field flags in the high byte) with whatever the
// session offers: the desktop portal's GlobalShortcuts on Wayland, a key grab
// on the root window on X11.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace hotkey {

class X11Grabber;
class PortalShortcut;

enum class Backend { kNone, kX11, kPortal };

// The way this session takes global hotkeys: the portal on a Wayland session
// that offers it, else the X server named by $DISPLAY, else none.
Backend ChooseBackend(std::chrono::milliseconds limit);

class CHotkey {
public:
    // `pressed` runs once per press of the registered hotkey. With a
    // `receiver` it runs on the receiver's thread (queued, and dropped once
    // the receiver is gone); without one on a thread of the hotkey's own.
    // Destroy the CHotkey before the receiver.
    explicit CHotkey(std::function<void()> pressed, QObject* receiver = nullptr);
    ~CHotkey();
    CHotkey(const CHotkey&) = delete;
    CHotkey& operator=(const CHotkey&) = delete;

    // Registers the stored value, replacing an earlier registration. False,
    // with nothing registered, for a value whose key is 0 or unknown, a
    // combination another program holds, a portal that refuses or does not
    // answer, or a session without global hotkeys.
    bool Register(std::uint16_t value);
    void Unregister();

    // The backend chosen at the first Register; kNone before.
    Backend backend() const { return backend_; }

    // How long a Register waits for the portal (which may ask the user).
    void SetPortalLimit(std::chrono::milliseconds limit) { portalLimit_ = limit; }

private:
    void Deliver();

    std::function<void()> pressed_;
    QObject* receiver_;
    Backend backend_ = Backend::kNone;
    bool chosen_ = false;
    std::chrono::milliseconds portalLimit_{5000};
    std::unique_ptr<X11Grabber> x11_;
    std::unique_ptr<PortalShortcut> portal_;
};

}  // namespace hotkey
