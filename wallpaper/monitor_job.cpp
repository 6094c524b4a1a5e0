#include "wallpaper/monitor_job.h"

#include <memory>
#include <vector>

#include "codecs/bmp.h"
#include "platform/base/text.h"
#include "wallpaper/device_pixels.h"

namespace wallpaper {

namespace {

using desktop::MonitorHandling;

// The picture each monitor shows, in monitor order.
std::vector<std::string> PicturesFor(const ChangeRequest& request, std::size_t count,
                                     MonitorMode mode) {
    std::vector<std::string> pictures(count, request.picturePath);
    if (mode != MonitorMode::kEach || request.monitorPictures.empty())
        return pictures;
    for (std::size_t i = 0; i < count; ++i)
        pictures[i] = request.monitorPictures[i % request.monitorPictures.size()];
    return pictures;
}

ComposeRules RulesOf(const ChangeRequest& request, const JobServices& services,
                     const ChangePlan& plan) {
    return {.plan = plan,
            .position = PositionFromIndex(request.positionIndex),
            .messages = services.showMessage};
}

// One picture of the whole layout, staged and handed over to be spanned.
void ChangeSpanned(const ChangeRequest& request, const JobServices& services,
                   desktop::WallpaperSetter& setter, std::span<const desktop::Monitor> monitors,
                   std::span<const std::string> pictures, MonitorMode mode, const ChangePlan& plan,
                   ChangeResult& result) {
    CDibImage canvas;
    std::string why;
    if (!ComposeLayout(canvas, monitors, pictures, mode, RulesOf(request, services, plan), &why)) {
        result.outcome = {false, why};
        return;
    }
    result.loaded = true;
    result.staged = !request.stagingPath.empty() && SaveBmp(canvas, request.stagingPath);
    if (result.staged)
        result.wallpaperPath = request.stagingPath;
    else if (setter.Handling() == MonitorHandling::kOnePicture) {
        // The desktop reads a file; there is none of the whole layout.
        result.outcome = {false,
                          "cannot write the picture of all monitors to " +
                              (request.stagingPath.empty() ? std::string("the data directory")
                                                           : request.stagingPath)};
        return;
    }
    result.outcome = setter.ApplySpanned(result.wallpaperPath, ViewOf(canvas));
}

// The first monitor before `index` whose picture is the same as index's:
// the same file, fitted to the same size or not fitted at all. `index`
// itself when there is none.
std::size_t SameAsEarlier(std::span<const desktop::Monitor> monitors,
                          std::span<const std::string> pictures, std::size_t index, bool fit) {
    for (std::size_t j = 0; j < index; ++j)
        if (pictures[j] == pictures[index] &&
            (!fit || (monitors[j].width == monitors[index].width &&
                      monitors[j].height == monitors[index].height)))
            return j;
    return index;
}

// A picture per monitor, each staged under a name of its own.
void ChangePerMonitor(const ChangeRequest& request, const JobServices& services,
                      desktop::WallpaperSetter& setter, std::span<const desktop::Monitor> monitors,
                      std::span<const std::string> pictures, MonitorMode mode,
                      const ChangePlan& plan, ChangeResult& result) {
    const ComposeRules rules = RulesOf(request, services, plan);
    std::string why;
    std::vector<std::unique_ptr<FittedPicture>> fitted;
    std::vector<std::unique_ptr<CDibImage>> parts;
    std::vector<desktop::MonitorPicture> handed;
    std::vector<std::size_t> sharedWith;  // per monitor: the one whose picture it shows
    if (mode == MonitorMode::kSpan) {
        // Each monitor gets its part of the spanned picture, at its own size.
        CDibImage canvas;
        if (!ComposeLayout(canvas, monitors, pictures, mode, rules, &why)) {
            result.outcome = {false, why};
            return;
        }
        const LayoutBox box = LayoutBounds(monitors);
        for (const desktop::Monitor& monitor : monitors) {
            parts.push_back(std::make_unique<CDibImage>());
            if (!CutMonitor(canvas, box, monitor, *parts.back())) {
                result.outcome = {false, "not enough memory for the picture of " + monitor.name};
                return;
            }
            handed.push_back({.monitor = monitor, .file = {}, .pixels = ViewOf(*parts.back())});
        }
    } else {
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            // A monitor whose picture comes out as an earlier one's (the same
            // file at the same size, or unfitted) shares its load and file.
            const std::size_t same = SameAsEarlier(monitors, pictures, i, plan.fit);
            if (same < i) {
                sharedWith.push_back(same);
                handed.push_back(
                    {.monitor = monitors[i], .file = {}, .pixels = handed[same].pixels});
                continue;
            }
            sharedWith.push_back(i);
            fitted.push_back(std::make_unique<FittedPicture>());
            if (!fitted.back()->Load(pictures[i], monitors[i].width, monitors[i].height, rules,
                                     &why)) {
                result.outcome = {false, why};
                return;
            }
            handed.push_back(
                {.monitor = monitors[i], .file = {}, .pixels = ViewOf(fitted.back()->Pixels())});
        }
    }
    result.loaded = true;
    std::size_t loadedIndex = 0;
    for (std::size_t i = 0; i < handed.size(); ++i) {
        if (mode != MonitorMode::kSpan && sharedWith[i] != i) {
            handed[i].file = handed[sharedWith[i]].file;
            continue;
        }
        const std::string path = MonitorStagingPath(request.stagingPath, i);
        const CDibImage& pixels =
            mode == MonitorMode::kSpan ? *parts[i] : fitted[loadedIndex++]->Pixels();
        if (path.empty() || !SaveBmp(pixels, path)) {
            result.staged = false;
            result.outcome = {false, "cannot write the picture of " + handed[i].monitor.name +
                                         (path.empty() ? std::string() : " to " + path)};
            return;
        }
        handed[i].file = path;
    }
    result.staged = true;
    result.wallpaperPath = handed.empty() ? std::string() : handed[0].file;
    // A part of a spanned picture is already the monitor's size.
    const desktop::Placement placement =
        mode == MonitorMode::kSpan ? desktop::Placement::kCentre : plan.placement;
    result.outcome = setter.ApplyPerMonitor(handed, placement);
}

}  // namespace

bool UsesMonitorLayout(std::size_t monitorCount, MonitorMode mode,
                       desktop::MonitorHandling handling) {
    if (monitorCount < 2)
        return false;
    return !(mode == MonitorMode::kSame && handling == MonitorHandling::kOnePicture);
}

std::string MonitorStagingPath(const std::string& stagingPath, std::size_t index) {
    if (stagingPath.empty())
        return {};
    const std::string extension = platform::DottedExtensionOf(stagingPath);
    const std::string stem = stagingPath.substr(0, stagingPath.size() - extension.size());
    return stem + "-monitor" + std::to_string(index + 1) + extension;
}

void ChangeForMonitors(const ChangeRequest& request, const JobServices& services,
                       desktop::WallpaperSetter& setter, std::span<const desktop::Monitor> monitors,
                       const ChangePlan& plan, ChangeResult& result) {
    const MonitorMode mode = MonitorModeFromIndex(request.monitorMode);
    const std::vector<std::string> pictures = PicturesFor(request, monitors.size(), mode);
    for (std::size_t i = 0; i < monitors.size(); ++i)
        result.shown.emplace_back(monitors[i].name, pictures[i]);
    if (setter.Handling() == MonitorHandling::kPerMonitor)
        ChangePerMonitor(request, services, setter, monitors, pictures, mode, plan, result);
    else
        ChangeSpanned(request, services, setter, monitors, pictures, mode, plan, result);
}

}  // namespace wallpaper
