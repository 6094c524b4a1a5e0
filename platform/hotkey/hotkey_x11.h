#pragma once

// A global hotkey on X11: a passive grab of one key on the root window, on a
// connection of our own, watched by a thread of our own.

#include <cstdint>
#include <functional>
#include <memory>

namespace hotkey {

class X11Grabber {
public:
    // `pressed` runs on the grabber's thread, once per key press (auto-repeat
    // included, as with any held key).
    explicit X11Grabber(std::function<void()> pressed);
    ~X11Grabber();
    X11Grabber(const X11Grabber&) = delete;
    X11Grabber& operator=(const X11Grabber&) = delete;

    // Connects to `display` (null: $DISPLAY) and starts the thread. False
    // when there is no X server to talk to.
    bool Open(const char* display = nullptr);
    bool IsOpen() const;

    // Grabs the virtual key `vk` with the MOD_* `modifiers`, in every state
    // of NumLock and CapsLock, replacing the previous grab. False, and
    // nothing grabbed, for an unknown key, a key the keyboard lacks, or a
    // combination another program holds.
    bool Grab(std::uint8_t vk, std::uint32_t modifiers);
    void Ungrab();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace hotkey
