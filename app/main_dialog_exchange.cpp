// Exchange between the controls and the settings record: the validated
// read and the show, field by field in the same order.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

#include "app/main_dialog.h"
#include "platform/qt/messages.h"

namespace {

std::string TextOf(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// Parses the interval field as the read expects an integer: optional blanks
// around an optional sign and digits. False for anything else.
bool ParseInteger(const QString& text, int& value) {
    bool ok = false;
    const int parsed = text.trimmed().toInt(&ok, 10);
    if (ok)
        value = parsed;
    return ok;
}

}  // namespace

bool CMainDlg::ReadDialog() {
    WallpaperSettings& s = settings_;
    s.ImagePath = TextOf(imagePath_);
    const QListWidgetItem* selected = imageList_->currentItem();
    s.SelectedImage =
        selected && selected->isSelected() ? selected->text().toStdString() : std::string();
    s.FitToScreen = fitToScreen_->isChecked();
    monitorControls_.Read(s);

    int interval = 0;
    const char* problem = nullptr;
    std::string rangeMessage;
    if (!ParseInteger(timeInterval_->text(), interval)) {
        problem = "Please enter an integer.";
    } else if (interval < kMinTimeInterval || interval > kMaxTimeInterval) {
        rangeMessage = "Please enter an integer between " + std::to_string(kMinTimeInterval) +
                       " and " + std::to_string(kMaxTimeInterval) + ".";
        problem = rangeMessage.c_str();
    }
    if (problem) {
        // The fields after the interval keep their values. While one message
        // is open (its loop still runs the timers) a second read fails
        // without another box, so ticks cannot pile messages up; the reads
        // one action makes after its first box fail without one too.
        const bool asked = actionDepth_ > 0 && actionAsked_;
        if (!validating_ && !actionQuiet_ && !asked) {
            validating_ = true;
            actionAsked_ = actionDepth_ > 0;
            platform::ShowMessage(problem);
            validating_ = false;
        }
        timeInterval_->setFocus();
        timeInterval_->selectAll();
        return false;
    }
    s.TimeInterval = interval;

    s.EnableTimer = enableTimer_->isChecked();
    s.AlwaysOnTop = alwaysOnTop_->isChecked();
    s.StartAtLogin = startAtLogin_->isChecked();
    s.RandomMode = displayRandom_->isChecked() ? 1 : 0;
    s.PlayMusic = playMusic_->isChecked();
    s.MusicPath = TextOf(musicPath_);
    s.PlayMode = playRandom_->isChecked() ? 1 : 0;
    s.Hide2TrayIcon = hideToTray_->isChecked();
    return true;
}

void CMainDlg::ShowSettings() {
    const WallpaperSettings& s = settings_;
    imagePath_->setText(QString::fromStdString(s.ImagePath));
    // The selection follows SelectedImage when an entry begins with it
    // (letter case ignored); otherwise it stays as it is.
    if (!s.SelectedImage.empty()) {
        const QString wanted = QString::fromStdString(s.SelectedImage);
        for (int i = 0; i < imageList_->count(); ++i) {
            if (imageList_->item(i)->text().startsWith(wanted, Qt::CaseInsensitive)) {
                SelectImage(i);
                break;
            }
        }
    }
    fitToScreen_->setChecked(s.FitToScreen);
    monitorControls_.Show(s);
    timeInterval_->setText(QString::number(s.TimeInterval));
    enableTimer_->setChecked(s.EnableTimer);
    alwaysOnTop_->setChecked(s.AlwaysOnTop);
    startAtLogin_->setChecked(s.StartAtLogin);
    (s.RandomMode ? displayRandom_ : displayOrder_)->setChecked(true);
    playMusic_->setChecked(s.PlayMusic);
    musicPath_->setText(QString::fromStdString(s.MusicPath));
    (s.PlayMode ? playRandom_ : playOrder_)->setChecked(true);
    hideToTray_->setChecked(s.Hide2TrayIcon);
}

void CMainDlg::SelectImage(int index) {
    // A selection made by the program is no click: it starts no change.
    const QSignalBlocker blocker(imageList_);
    vanishedCurrent_.clear();
    imageList_->setCurrentRow(index);
    if (QListWidgetItem* item = imageList_->item(index))
        imageList_->scrollToItem(item);
}

CMainDlg::CActionScope::CActionScope(CMainDlg& dialog, bool quiet)
    : dialog_(dialog), wasQuiet_(dialog.actionQuiet_) {
    ++dialog_.actionDepth_;
    dialog_.actionQuiet_ = wasQuiet_ || quiet;
}

CMainDlg::CActionScope::~CActionScope() {
    dialog_.actionQuiet_ = wasQuiet_;
    if (--dialog_.actionDepth_ == 0)
        dialog_.actionAsked_ = false;
}

bool CMainDlg::TickMayAsk() const {
    // The field keeps the focus while the user types in it ("30" is "3"
    // for a moment); a hidden window has nobody to answer; a box open
    // already (its loop runs the timers) must not get company.
    return isVisible() && focusWidget() != timeInterval_ && !validating_ &&
           QApplication::activeModalWidget() == nullptr;
}

bool CMainDlg::HasSelectedPicture() const {
    const QListWidgetItem* current = imageList_->currentItem();
    return current && current->isSelected();
}
