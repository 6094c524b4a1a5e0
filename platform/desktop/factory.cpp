#include <string>
#include <utility>

#include "platform/desktop/setters.h"

namespace desktop {

namespace {

// Stands in when a method has nothing to work with in this session, so that
// the caller still gets a clear reason instead of a null pointer.
class Unavailable : public WallpaperSetter {
public:
    explicit Unavailable(std::string why) : why_(std::move(why)) {}
    std::string Name() const override { return "none"; }
    Outcome Apply(const std::string&, const PixelView&, Placement) override {
        return {false, why_};
    }

private:
    std::string why_;
};

}  // namespace

Outcome WallpaperSetter::ApplySpanned(const std::string& file, const PixelView& pixels) {
    Outcome outcome = Apply(file, pixels, Placement::kStretch);
    if (outcome.accepted)
        outcome.detail += "; the desktop may show one picture per monitor instead of spanning it";
    return outcome;
}

Outcome WallpaperSetter::ApplyPerMonitor(std::span<const MonitorPicture>, Placement) {
    return {false, Name() + ": cannot show a picture per monitor"};
}

std::unique_ptr<WallpaperSetter> MakeSetter(int method) {
    std::unique_ptr<WallpaperSetter> setter;
    const char* missing = nullptr;
    switch (method) {
    case 2:
        setter = MakeRootWindowSetter();
        missing = "no X11 display to set the root window of";
        break;
    case 3:
        setter = MakeCompositorSetter();
        missing = "no sway, wlroots or Hyprland compositor in this session";
        break;
    case 4:
        setter = MakePortalSetter();
        missing = "no session bus for the desktop portal";
        break;
    default:
        setter = MakeAutomaticSetter();
        missing = "no desktop session (neither X11 nor Wayland)";
        break;
    }
    if (!setter)
        setter = std::make_unique<Unavailable>(missing);
    return setter;
}

}  // namespace desktop
