// What goes beyond the window's first design: the history behind
// "Previous", the shuffled order of random mode, the pause, showing a named
// picture, and the picture list kept current by the folder watcher. The bus
// service and the tray's newer items reach the window through these.

#include <QListWidget>
#include <QSignalBlocker>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/main_dialog.h"
#include "app/main_dialog_services.h"
#include "app/picture_list.h"
#include "platform/base/paths.h"
#include "rotation/rotation_store.h"

namespace {

bool IsExistingFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

// ---- History and shuffle ----

std::string CMainDlg::StateFile(const char* name) const {
    const std::string directory = options_.stateDirectory.empty()
                                      ? GetWindowsDirectoryPath()
                                      : DirectoryWithSlash(options_.stateDirectory);
    return directory.empty() ? std::string() : directory + name;
}

void CMainDlg::LoadRotationState() {
    // Missing or damaged files start afresh; nothing to tell the user.
    LoadHistory(StateFile(kHistoryFileName), history_);
    LoadShuffle(StateFile(kPictureShuffleFileName), shuffle_);
    LoadShuffle(StateFile(kMusicShuffleFileName), musicShuffle_);
    // The wallpaper of the last run is where "Previous" starts from, even
    // when the history file was lost.
    history_.Record(settings_.LaterPaper);
    services_->Player().SetRandomChooser(
        [this](const std::vector<std::string>& playlist) -> std::optional<std::size_t> {
            const std::optional<std::string> song = musicShuffle_.Next(playlist);
            if (!song)
                return std::nullopt;
            SaveShuffle(StateFile(kMusicShuffleFileName), musicShuffle_);
            const auto at = std::find(playlist.begin(), playlist.end(), *song);
            return static_cast<std::size_t>(at - playlist.begin());
        });
}

void CMainDlg::SaveHistoryFile() {
    if (const std::string file = StateFile(kHistoryFileName); !file.empty())
        SaveHistory(file, history_);
}

std::vector<std::string> CMainDlg::ImageEntries() const {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(imageList_->count()));
    for (int i = 0; i < imageList_->count(); ++i)
        entries.push_back(imageList_->item(i)->text().toStdString());
    return entries;
}

int CMainDlg::SortedRow(const std::string& picture) const {
    int low = 0, high = imageList_->count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (ImageListLess(imageList_->item(middle)->text().toStdString(), picture))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

int CMainDlg::RowOf(const std::string& picture) const {
    const QString wanted = QString::fromStdString(picture);
    // The list is sorted: a binary search finds the row of a long list at
    // once; an entry out of order (none should be) is looked for in full.
    const int low = SortedRow(picture);
    if (low < imageList_->count() && imageList_->item(low)->text() == wanted)
        return low;
    for (int i = 0; i < imageList_->count(); ++i) {
        if (imageList_->item(i)->text() == wanted)
            return i;
    }
    return -1;
}

void CMainDlg::ShowPicture(const std::string& picture) {
    const CActionScope action(*this);
    if (const int row = RowOf(picture); row >= 0) {
        SelectImage(row);
        ChangeWallpaperNow();
        return;
    }
    // A picture outside the list (the folder changed, or named from the
    // command line): shown without a selection.
    {
        const QSignalBlocker blocker(imageList_);
        imageList_->clearSelection();
    }
    ReadDialog();
    RequestChange(picture);
}

bool CMainDlg::ShowPreviousImage() {
    const std::optional<std::string> previous = history_.Back(IsExistingFile);
    SaveHistoryFile();
    if (!previous)
        return false;
    ShowPicture(*previous);
    advancing_ = false;
    return true;
}

bool CMainDlg::ShowNextInHistory() {
    if (!history_.CanGoForward())
        return false;
    const std::optional<std::string> next = history_.Forward(IsExistingFile);
    SaveHistoryFile();
    if (!next)
        return false;
    ShowPicture(*next);
    return true;
}

bool CMainDlg::ShowPictureFile(const std::string& path, std::string& why) {
    if (!CheckPictureRequest(path, why))
        return false;
    ShowPicture(path);
    return true;
}

std::vector<std::string> CMainDlg::CurrentPictures() const {
    if (settings_.LaterPaper.empty())
        return {};
    return {settings_.LaterPaper};
}

int CMainDlg::PictureCount() const {
    return imageList_->count();
}

// ---- Pause ----

void CMainDlg::SetPaused(bool paused) {
    if (settings_.Paused == paused)
        return;
    settings_.Paused = paused;
    services_->ShowPaused(paused);
    ApplyTimerSettings();  // stops or restarts the timer, and saves
    emit PausedChanged(paused);
}

// ---- The live list ----

void CMainDlg::WatchImageDirectory() {
    watcher_.SetSettleDelay(options_.folderSettleDelay);
    watcher_.SetHandler(
        [this](const std::vector<std::string>& added, const std::vector<std::string>& removed) {
            OnPicturesChanged(added, removed);
        });
    watcher_.Watch(DirectoryWithSlash(settings_.ImagePath), ImageEntries(),
                   GetWindowsDirectoryPath());
}

void CMainDlg::OnPicturesChanged(const std::vector<std::string>& added,
                                 const std::vector<std::string>& removed) {
    // A program's own edit of the list starts no change.
    const QSignalBlocker blocker(imageList_);
    bool selectionLost = false;
    for (const std::string& picture : removed) {
        const int row = RowOf(picture);
        if (row < 0)
            continue;
        QListWidgetItem* item = imageList_->item(row);
        if (item == imageList_->currentItem() && item->isSelected()) {
            selectionLost = true;
            vanishedCurrent_ = picture;
        }
        delete imageList_->takeItem(row);
    }
    for (const std::string& picture : added) {
        if (RowOf(picture) < 0)
            imageList_->insertItem(SortedRow(picture), QString::fromStdString(picture));
    }
    // The row that took a vanished picture's place stays current but is not
    // the wallpaper; "Next" in order goes to it.
    if (selectionLost)
        imageList_->clearSelection();
    emit PictureCountChanged(imageList_->count());
}
