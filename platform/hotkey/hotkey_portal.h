#pragma once

// A global hotkey on Wayland: the desktop portal's GlobalShortcuts interface.
// One session with one shortcut; the portal tells us when it fires.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace hotkey {

class PortalShortcut {
public:
    // `activated` runs on the client's own thread.
    explicit PortalShortcut(std::function<void()> activated);
    ~PortalShortcut();
    PortalShortcut(const PortalShortcut&) = delete;
    PortalShortcut& operator=(const PortalShortcut&) = delete;

    // Whether the session bus has a portal that offers GlobalShortcuts.
    static bool Offered(std::chrono::milliseconds limit);

    // Opens a session and binds the shortcut `id` with the preferred trigger
    // ("SHIFT+F9"), replacing an earlier binding. True once the portal
    // answered that it is bound; false when it refused, failed or did not
    // answer within `limit` (the session is closed again then).
    bool Bind(const std::string& id, const std::string& description, const std::string& trigger,
              std::chrono::milliseconds limit);
    // Closes the session, which ends the binding.
    void Unbind();

    // The session the portal handed out; empty when none is open.
    std::string Session() const;

private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

}  // namespace hotkey
