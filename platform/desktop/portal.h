#pragma once

// The desktop portal's Wallpaper interface, which every desktop with a
// portal back end implements: we hand it the picture as an open file and
// wait for its answer on the request object it returns.

#include <memory>

#include "platform/desktop/dbus_call.h"
#include "platform/desktop/desktop.h"

namespace desktop {

struct PortalOptions {
    dbus::Milliseconds callLimit = dbus::kDefaultCallLimit;
    // The portal answers once the back end is done, which may include asking
    // the user whether we may change the background.
    dbus::Milliseconds answerLimit{30000};
};

// Always made: whether a portal is there shows when it is called.
std::unique_ptr<WallpaperSetter> MakePortalSetter(const PortalOptions& options);

}  // namespace desktop
