#pragma once

// The desktops configured through GSettings: GNOME (with Budgie and Unity,
// which read GNOME's background schema), Cinnamon and MATE. Each watches its
// keys and repaints when they change, and GNOME also when the file changes,
// so the staging bitmap's own path is handed over.

#include <memory>

#include "platform/desktop/desktop.h"

namespace desktop {

enum class GSettingsDesktop { kGnome, kCinnamon, kMate };

// The setter for `which`. Writes go to the session's GSettings backend and
// are flushed before Apply returns.
std::unique_ptr<WallpaperSetter> MakeGSettingsSetter(GSettingsDesktop which);

}  // namespace desktop
