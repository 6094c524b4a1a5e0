#include "wallpaper/change_job.h"

#include "codecs/bmp.h"
#include "codecs/codec_error.h"
#include "image/picture.h"
#include "platform/base/paths.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/display.h"
#include "platform/gdi/draw.h"
#include "wallpaper/device_pixels.h"
#include "wallpaper/fitted_load.h"
#include "wallpaper/monitor_job.h"

namespace wallpaper {

namespace {

constexpr const char* kStagingName = "MyWallPaper.bmp";

ChangeResult Change(const ChangeRequest& request, const JobServices& services) {
    ChangeResult result;
    const int method = NormalizeMethod(request.method);
    const Position position = PositionFromIndex(request.positionIndex);
    const ChangePlan plan = PlanChange(method, position, request.fitToScreen);
    result.placement = plan.placement;

    std::unique_ptr<desktop::WallpaperSetter> setter =
        services.makeSetter ? services.makeSetter(method) : nullptr;
    if (!setter) {
        result.outcome = {false,
                          "no way to set the wallpaper with method " + std::to_string(method)};
        return result;
    }
    result.setterName = setter->Name();
    if (request.picturePath.empty()) {
        result.outcome = {false, "no picture selected"};
        return result;
    }

    // The monitors matter unless the desktop gets one picture as it always did.
    const MonitorMode mode = MonitorModeFromIndex(request.monitorMode);
    std::vector<desktop::Monitor> monitors;
    if (UsesMonitorLayout(2, mode, setter->Handling()))
        monitors = request.monitors ? request.monitors() : desktop::ListSessionMonitors().monitors;
    if (UsesMonitorLayout(monitors.size(), mode, setter->Handling())) {
        ChangeForMonitors(request, services, *setter, monitors, plan, result);
        return result;
    }

    const Size screen = request.screenSize ? request.screenSize() : DisplayScreenSize();
    CPicture picture;
    if (!LoadForChange(picture, request.picturePath, plan.fit, screen, position,
                       services.showMessage)) {
        // The reader's reason alone: the window puts the picture's name
        // beside it.
        const std::string_view why = LastImageError();
        result.loadError = why.empty() ? "cannot read the picture" : std::string(why);
        result.outcome = {false, result.loadError};
        return result;
    }
    result.loaded = true;

    result.staged = !request.stagingPath.empty() && SaveBmp(picture, request.stagingPath);
    if (!result.staged && !request.stagingPath.empty() &&
        setter->Handling() != desktop::MonitorHandling::kComposed) {
        // The desktop reads the file: the picture's own one is unfitted and
        // perhaps in a format it cannot read. The desktop keeps what it
        // shows, and the last staging bitmap is untouched (it is replaced
        // only whole). A setter that draws the pixels itself needs no file.
        // The reason first: the tray's tooltip is short.
        const std::string_view why = LastImageError();
        result.outcome = {
            false, "cannot write the wallpaper file: " +
                       (why.empty() ? std::string("cannot write the file") : std::string(why)) +
                       " (" + request.stagingPath + ")"};
        return result;
    }
    // No data directory at all: the picture's own file is all there is.
    result.wallpaperPath = result.staged ? request.stagingPath : request.picturePath;

    CDibImage converted;
    const CDibImage* pixels = DevicePixels(picture, converted);
    if (!pixels) {
        result.outcome = {false, "not enough memory for the screen's copy of the picture"};
        return result;
    }
    if (pixels != &picture)
        picture.Destroy();  // the setter may take a while; only its copy is needed now
    result.outcome = setter->Apply(result.wallpaperPath, ViewOf(*pixels), plan.placement);
    return result;
}

}  // namespace

std::string StagingBitmapPath() {
    const std::string dir = GetWindowsDirectoryPath();
    return dir.empty() ? std::string() : dir + kStagingName;
}

Size DisplayScreenSize() {
    const gdi::DisplaySize size = gdi::GetDisplaySize();
    return {size.width > 0 ? static_cast<std::uint32_t>(size.width) : 0u,
            size.height > 0 ? static_cast<std::uint32_t>(size.height) : 0u};
}

ChangeResult RunChangeJob(const ChangeRequest& request, const JobServices& services) {
    ChangeResult result = Change(request, services);
    // Successful or not, the picture is the last one a change was made for.
    if (services.recordLaterPaper)
        services.recordLaterPaper(request.picturePath);
    return result;
}

}  // namespace wallpaper
