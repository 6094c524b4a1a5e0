// Several monitors: the pictures a change asks for each monitor, the tray's
// word on what each shows, and a new monitor layout.

#include <QListWidget>

#include "app/main_dialog.h"
#include "app/main_dialog_services.h"
#include "platform/base/product.h"
#include "wallpaper/monitor_compose.h"
#include "wallpaper/monitor_picks.h"

namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void CMainDlg::FillMonitorRequest(wallpaper::ChangeRequest& request) {
    request.monitorMode = settings_.MonitorMode;
    if (settings_.MonitorMode != static_cast<int>(wallpaper::MonitorMode::kEach))
        return;
    const std::vector<desktop::Monitor> monitors = desktop::ListSessionMonitors().monitors;
    if (monitors.size() < 2)
        return;
    std::vector<std::string> list;
    list.reserve(static_cast<std::size_t>(imageList_->count()));
    for (int i = 0; i < imageList_->count(); ++i)
        list.push_back(imageList_->item(i)->text().toStdString());
    // The selected picture leads; the list's own order follows it.
    int first = imageList_->currentRow();
    if (first < 0 || first >= static_cast<int>(list.size()) || list[first] != request.picturePath)
        first = static_cast<int>(std::find(list.begin(), list.end(), request.picturePath) -
                                 list.begin());
    orientations_.Trim(2 * list.size() + 64);
    const wallpaper::MonitorPickRules rules{
        .random = settings_.RandomMode == 1,
        .matchOrientation = settings_.MatchOrientation,
        .randomIndex = [this](int count) { return monitorPicker_.Next(count); },
        .isPortrait = [this](const std::string& path) { return orientations_.IsPortrait(path); },
    };
    for (const int index : wallpaper::PickForMonitors(list, first, monitors, rules))
        request.monitorPictures.push_back(list[static_cast<std::size_t>(index)]);
}

void CMainDlg::ShowMonitorPictures(const std::string& picture,
                                   const std::vector<std::pair<std::string, std::string>>& shown) {
    {
        std::lock_guard lock(latest_->mutex);
        if (picture != latest_->picture)
            return;  // a newer change is on its way
    }
    if (shown.empty() || unreadableShown_)
        return;
    std::string text = GetProductName();
    for (const auto& [monitor, path] : shown)
        text += "\n" + monitor + ": " + FileNameOf(path);
    services_->SetTooltipText(text);
}

void CMainDlg::ReapplyWallpaper() {
    if (runner_)
        runner_->RequestAgain();
}
