// Handlers of the window's buttons and lists, the image list and its
// rotation, and the start of a wallpaper change.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include <cstdio>

#include "app/main_dialog.h"
#include "app/main_dialog_services.h"
#include "app/picture_list.h"
#include "platform/base/product.h"
#include "platform/qt/messages.h"
#include "rotation/rotation_store.h"
#include "shell/open_target.h"
#include "wallpaper/change_job.h"

// ---- The image list and its rotation ----

void CMainDlg::ScanImageDirectory(const std::string& directory) {
    const std::vector<std::string> pictures = ::ScanImageDirectory(directory);
    const QSignalBlocker blocker(imageList_);
    imageList_->setUpdatesEnabled(false);
    for (const std::string& picture : pictures)
        imageList_->addItem(QString::fromStdString(picture));
    imageList_->setUpdatesEnabled(true);
}

void CMainDlg::RefreshImageList() {
    ReadDialog();
    {
        const QSignalBlocker blocker(imageList_);
        imageList_->clear();
    }
    ScanImageDirectory(settings_.ImagePath);
    imageList_->setFocus();
    // Watched from now on, empty or not: pictures copied in later join.
    WatchImageDirectory();
    emit PictureCountChanged(imageList_->count());
    if (imageList_->count() == 0) {
        platform::ShowMessage(kNoImageFilesMessage);
        return;
    }
    SelectImage(IndexAfterRefresh(ImageEntries(), settings_.LaterPaper));
}

void CMainDlg::ScanMusicDirectory(const std::string& directory) {
    musicList_ = ::ScanMusicDirectory(directory);
}

void CMainDlg::OnAutoChangeTimer() {
    const CActionScope tick(*this, /*quiet=*/!TickMayAsk());
    ShowNextImage();
}

void CMainDlg::ShowNextImage() {
    // After "Previous": forward through the history first.
    if (ShowNextInHistory()) {
        advancing_ = true;
        return;
    }
    const int count = imageList_->count();
    if (count == 0)
        return;
    // The mode the record holds: the dialog is not read first.
    int next = -1;
    if (settings_.RandomMode == 1) {
        if (const std::optional<std::string> picture = shuffle_.Next(ImageEntries())) {
            next = RowOf(*picture);
            SaveShuffle(StateFile(kPictureShuffleFileName), shuffle_);
        }
    } else if (!vanishedCurrent_.empty()) {
        // Past the end of the list: round to its start.
        next = SortedRow(vanishedCurrent_) % count;
    } else {
        next = NextIndexInOrder(imageList_->currentRow(), count);
    }
    if (next < 0)
        return;
    SelectImage(next);
    ChangeWallpaperNow();
    advancing_ = true;
}

bool CMainDlg::SelectDirectory(std::string& path, const std::string& initial) {
    std::string chosen;
    bool ok = false;
    if (chooseFolder_) {
        ok = chooseFolder_(chosen, initial, kBrowseImageDirectoryTitle);
    } else {
        QString start = QString::fromStdString(initial).trimmed();
        if (start.size() > 1 && start.endsWith(QLatin1Char('/')))
            start.chop(1);
        const QString dir = QFileDialog::getExistingDirectory(
            this, QString::fromUtf8(kBrowseImageDirectoryTitle), start);
        ok = !dir.isEmpty();
        chosen = dir.toStdString();
    }
    if (ok && !chosen.empty())
        path = chosen;
    return ok && !chosen.empty();
}

void CMainDlg::BrowseImageDirectory() {
    const CActionScope action(*this);
    std::string chosen;
    if (!SelectDirectory(chosen, settings_.ImagePath))
        return;
    settings_.ImagePath = DirectoryWithSlash(chosen);
    ShowSettings();
    RefreshImageList();
    SaveSettings();
}

// ---- The wallpaper change ----

void CMainDlg::CreateChangeRunner() {
    wallpaper::JobServices services;
    services.makeSetter = options_.makeSetter ? options_.makeSetter : wallpaper::DesktopSetters();
    // Runs on the worker. The runner's Shutdown waits for a call under way
    // and stops further ones, so the store is not reached after the window.
    services.recordLaterPaper = [latest = latest_, ini = &ini_](const std::string& picture) {
        std::lock_guard lock(latest->mutex);
        if (picture == latest->picture)
            SaveLaterPaper(*ini, picture);
    };
    // A picture reader's messages (a damaged TIFF file) are shown without
    // holding up the worker: ShowMessage carries them to this thread.
    services.showMessage = [latest = latest_](std::string_view text, std::string_view caption) {
        {
            std::lock_guard lock(latest->mutex);
            std::string message = std::string(caption) + '\n' + std::string(text);
            if (message == latest->messageShown)
                return;
            latest->messageShown = std::move(message);
        }
        platform::ShowMessage(std::string(text), std::string(caption));
    };
    runner_ = std::make_unique<wallpaper::ChangeJobRunner>(
        std::move(services),
        [this](const wallpaper::ChangeRequest& request, const wallpaper::ChangeResult& result) {
            QMetaObject::invokeMethod(
                this,
                [this, picture = request.picturePath, loaded = result.loaded,
                 accepted = result.outcome.accepted, why = result.outcome.detail,
                 shown = result.shown] {
                    OnChangeFinished(picture, loaded, accepted, why);
                    ShowMonitorPictures(picture, shown);
                },
                Qt::QueuedConnection);
        });
}

void CMainDlg::ChangeWallpaperNow() {
    const CActionScope action(*this);
    ReadDialog();
    RequestChange(settings_.SelectedImage);
}

void CMainDlg::RequestChange(const std::string& picture) {
    // Nothing selected is nothing to show; a job for no picture would only
    // erase the last wallpaper's name.
    vanishedCurrent_.clear();
    if (!picture.empty()) {
        wallpaper::ChangeRequest request;
        request.picturePath = picture;
        request.positionIndex = PositionIndex();
        request.method = settings_.ChangeMethod;
        request.fitToScreen = settings_.FitToScreen;
        request.stagingPath = wallpaper::StagingBitmapPath();
        request.screenSize = options_.screenSize;
        FillMonitorRequest(request);
        {
            // The record names the picture at once, so the save below writes
            // the newest request; a job asked for earlier no longer writes.
            std::lock_guard lock(latest_->mutex);
            latest_->picture = request.picturePath;
        }
        settings_.LaterPaper = request.picturePath;
        runner_->Request(std::move(request));
        history_.Record(picture);
        SaveHistoryFile();
        emit PictureChanged(QString::fromStdString(picture));
    }
    // A change of any other kind (a click, a setting) ends a run of skips;
    // ShowNextImage sets it again after this call.
    advancing_ = false;
    SaveSettings();
}

void CMainDlg::OnChangeFinished(const std::string& picture, bool loaded, bool accepted,
                                const std::string& why) {
    {
        std::lock_guard lock(latest_->mutex);
        if (picture != latest_->picture)
            return;  // a newer change is on its way
        settings_.LaterPaper = picture;
        if (loaded && accepted)
            latest_->messageShown.clear();
    }
    if (loaded) {
        skippedUnreadable_ = 0;
        if (accepted) {
            ReportChangeFailure(picture, {});
            ShowUnreadablePicture({});
            return;
        }
        // Read, but the desktop did not get it (the staging bitmap could not
        // be written): the reason first, as the tooltip is short.
        ReportChangeFailure(picture, why);
        ShowUnreadablePicture(why.empty() ? "the desktop did not take " + picture : why);
        return;
    }
    ReportChangeFailure(picture, why);
    ShowUnreadablePicture("cannot read " + picture + (why.empty() ? "" : " (" + why + ")"));
    // "Previous" should not lead back to it.
    history_.Forget(picture);
    SaveHistoryFile();
    // The timer, the hotkey and "Next" must change the wallpaper: a picture
    // that cannot be read passes the turn to the following one, once round
    // the list at most.
    if (advancing_ && ++skippedUnreadable_ < imageList_->count()) {
        ShowNextImage();
        return;
    }
    skippedUnreadable_ = 0;
}

void CMainDlg::ReportChangeFailure(const std::string& picture, const std::string& why) {
    // The timer may fail every few seconds for the same reason (a full
    // disk): one line per run of it, not one per tick.
    if (why == failureTold_)
        return;
    failureTold_ = why;
    if (!why.empty())
        std::fprintf(stderr, "drapewell: cannot show %s: %s\n", picture.c_str(), why.c_str());
}

void CMainDlg::ShowUnreadablePicture(const std::string& given) {
    // A settings file that still cannot be saved outlasts a change that
    // worked.
    const std::string note = given.empty() && !saveFailureTold_.empty()
                                 ? "cannot save the settings (" + saveFailureTold_ + ")"
                                 : given;
    if (note.empty() && !unreadableShown_)
        return;
    unreadableShown_ = !note.empty();
    services_->SetTooltipText(note.empty() ? GetProductName() : GetProductName() + ": " + note);
}

bool CMainDlg::WaitForChanges(std::chrono::milliseconds timeout) {
    return runner_->WaitIdle(timeout);
}

// ---- Buttons and lists ----

void CMainDlg::OnSelchangeImageList() {
    // A mouse press makes its item current before it selects it, and the
    // read takes only a selected picture: select it now, or a click would
    // change nothing. (The press's own selection of the item follows.)
    if (QListWidgetItem* current = imageList_->currentItem(); current && !current->isSelected()) {
        const QSignalBlocker blocker(imageList_);
        imageList_->setCurrentItem(current, QItemSelectionModel::ClearAndSelect);
    }
    ChangeWallpaperNow();
}

void CMainDlg::OnSelchangePosition() {
    ChangeWallpaperNow();
}

void CMainDlg::OnFitToScreen() {
    // The box acts on the selected picture; without one nothing is saved.
    if (HasSelectedPicture())
        ChangeWallpaperNow();
}

void CMainDlg::OnSave() {
    const CActionScope action(*this);
    ReadDialog();
    SaveSettings();
    ApplyTimerSettings();
}

void CMainDlg::OnDisplayOrder() {
    const CActionScope action(*this);
    ReadDialog();
    SaveSettings();
}

void CMainDlg::OnPlayOrder() {
    const CActionScope action(*this);
    ReadDialog();
    services_->Player().SetPlayMode(settings_.PlayMode);
    SaveSettings();
}

void CMainDlg::OnSelchangeChangeMethod() {
    settings_.ChangeMethod = changeMethod_->currentIndex() + 1;
    SaveSettings();
}

void CMainDlg::OnAbout() {
    services_->RunAboutBox();
}

void CMainDlg::OpenDonationPage() {
    ::OpenDonationPage();  // says so itself when the page cannot be opened
}

void CMainDlg::OnOK() {
    // Enter away from a push button: the window ends when its fields are
    // valid, without saving.
    if (ReadDialog())
        accept();
}

// ---- Music ----

void CMainDlg::StartMusic() {
    services_->Music().StartMusic();
}

void CMainDlg::StopMusic() {
    services_->Music().StopMusic();
}

void CMainDlg::OnPlayMusicClicked() {
    const CActionScope action(*this);
    ReadDialog();
    services_->Music().OnPlayMusicClicked(settings_.PlayMusic, !musicList_.empty());
    SaveSettings();
}

void CMainDlg::BrowseMusicDirectory() {
    const CActionScope action(*this);
    std::string chosen;
    if (!SelectDirectory(chosen, settings_.MusicPath))
        return;
    settings_.MusicPath = DirectoryWithSlash(chosen);
    ShowSettings();
    ScanMusicDirectory(settings_.MusicPath);
    SaveSettings();
    // An empty list leaves the player its old one, and says so.
    services_->Music().OnMusicDirectoryScanned(musicList_, settings_.PlayMusic);
}
