#pragma once

// The child side of the wallpaper-change benchmarks: one change as the
// window's job makes it (method 2, Strech), up to and including the staging
// bitmap, handed to a setter that accepts without drawing, so that no
// display is needed and only our own work is timed.

#include <memory>
#include <string>

#include "wallpaper/change_job.h"

namespace bench {

// Takes what it is given, one picture or the composed layout, as the root
// window would.
class AcceptingSetter : public desktop::WallpaperSetter {
public:
    std::string Name() const override { return "none"; }
    desktop::MonitorHandling Handling() const override {
        return desktop::MonitorHandling::kComposed;
    }
    desktop::Outcome Apply(const std::string&, const desktop::PixelView& pixels,
                           desktop::Placement) override {
        return {!pixels.IsEmpty(), ""};
    }
    desktop::Outcome ApplySpanned(const std::string&, const desktop::PixelView& pixels) override {
        return {!pixels.IsEmpty(), ""};
    }
};

// Runs the change `request` asks for with method 2 and Strech; 0 when the
// staging bitmap was written and taken.
inline int RunStagedChange(wallpaper::ChangeRequest request) {
    request.positionIndex = 2;
    request.method = 2;
    const wallpaper::JobServices services{
        .makeSetter = [](int) { return std::make_unique<AcceptingSetter>(); },
        .recordLaterPaper = nullptr,
        .showMessage = nullptr,
    };
    const wallpaper::ChangeResult result = wallpaper::RunChangeJob(request, services);
    return result.staged && result.outcome.accepted ? 0 : 1;
}

// The same for one picture onto a screen of the given size.
inline int RunStagedChange(const std::string& picture, const std::string& staging,
                           std::uint32_t width, std::uint32_t height) {
    wallpaper::ChangeRequest request;
    request.picturePath = picture;
    request.stagingPath = staging;
    request.screenSize = [width, height] { return wallpaper::Size{width, height}; };
    return RunStagedChange(std::move(request));
}

}  // namespace bench
