#pragma once

// KDE Plasma: plasmashell takes a script over D-Bus (evaluateScript) that
// sets every desktop's wallpaper plugin to the image plugin and writes its
// picture and fill mode. Plasma keeps decoded pictures by path, so a fresh
// name is handed over each time (see fresh_path.h).

#include <memory>

#include "platform/desktop/dbus_call.h"
#include "platform/desktop/desktop.h"

namespace desktop {

std::unique_ptr<WallpaperSetter> MakeKdeSetter(
    dbus::Milliseconds callLimit = dbus::kDefaultCallLimit);

}  // namespace desktop
