#include "platform/hotkey/hotkey.h"

#include <QMetaObject>
#include <QObject>

#include <cstdlib>
#include <string_view>

#include "platform/hotkey/hotkey_keys.h"
#include "platform/hotkey/hotkey_portal.h"
#include "platform/hotkey/hotkey_x11.h"

namespace hotkey {

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool WaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if (type && *type)
        return std::string_view(type) == "wayland";
    return Set("WAYLAND_DISPLAY");
}

constexpr char kDescription[] = "Display next wallpaper";

}  // namespace

Backend ChooseBackend(std::chrono::milliseconds limit) {
    // An X11 grab under Xwayland only sees keys while an X client has the
    // focus, so a Wayland session prefers the portal when there is one.
    if (WaylandSession() && PortalShortcut::Offered(limit))
        return Backend::kPortal;
    if (Set("DISPLAY"))
        return Backend::kX11;
    return Backend::kNone;
}

CHotkey::CHotkey(std::function<void()> pressed, QObject* receiver)
    : pressed_(std::move(pressed)), receiver_(receiver) {}

CHotkey::~CHotkey() {
    // The threads end here, so no delivery outlives the object.
    portal_.reset();
    x11_.reset();
}

void CHotkey::Deliver() {
    if (!pressed_)
        return;
    if (!receiver_)
        return pressed_();
    QMetaObject::invokeMethod(receiver_, pressed_, Qt::QueuedConnection);
}

bool CHotkey::Register(std::uint16_t value) {
    Unregister();
    const std::uint8_t key = KeyOf(value);
    if (key == 0 || !FindVirtualKey(key))
        return false;
    if (!chosen_) {
        backend_ = ChooseBackend(portalLimit_);
        chosen_ = true;
    }
    const std::uint32_t modifiers = ModifiersFromFlags(FlagsOf(value));
    switch (backend_) {
    case Backend::kX11:
        if (!x11_)
            x11_ = std::make_unique<X11Grabber>([this] { Deliver(); });
        return x11_->Open() && x11_->Grab(key, modifiers);
    case Backend::kPortal:
        if (!portal_)
            portal_ = std::make_unique<PortalShortcut>([this] { Deliver(); });
        return portal_->Bind(kHotkeyIdentifier, kDescription, PortalTrigger(value), portalLimit_);
    case Backend::kNone:
        break;
    }
    return false;
}

void CHotkey::Unregister() {
    if (x11_)
        x11_->Ungrab();
    if (portal_)
        portal_->Unbind();
}

}  // namespace hotkey
