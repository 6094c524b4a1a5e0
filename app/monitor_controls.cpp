#include "app/monitor_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

void CMonitorControls::Create(QWidget* window, const Place& place, int top) {
    auto* label = new QLabel(QStringLiteral("Mo&nitors:"), window);
    place(label, 0, 21, top + 3, 36, 8);
    mode_ = new QComboBox(window);
    for (const char* text : kMonitorModeLabels)
        mode_->addItem(QString::fromUtf8(text));
    place(mode_, IDC_MONITOR_MODE, 60, top, 138, 60);
    // Closed, a drop-down takes the height its style needs.
    mode_->resize(mode_->width(), mode_->sizeHint().height());
    label->setBuddy(mode_);
    match_ = new QCheckBox(QStringLiteral("Mat&ch orientation"), window);
    match_->setToolTip(QStringLiteral(
        "Portrait monitors take portrait pictures, landscape monitors landscape ones"));
    place(match_, IDC_MATCH_ORIENTATION, 213, top + 2, 100, 10);
    QObject::connect(mode_, &QComboBox::currentIndexChanged, match_,
                     [this] { UpdateMatchState(); });
}

void CMonitorControls::Show(const WallpaperSettings& settings) {
    mode_->setCurrentIndex(settings.MonitorMode >= 0 && settings.MonitorMode < mode_->count()
                               ? settings.MonitorMode
                               : 0);
    match_->setChecked(settings.MatchOrientation);
    UpdateMatchState();
}

void CMonitorControls::Read(WallpaperSettings& settings) const {
    settings.MonitorMode = std::max(mode_->currentIndex(), 0);
    settings.MatchOrientation = match_->isChecked();
}

void CMonitorControls::UpdateMatchState() {
    match_->setEnabled(mode_->currentIndex() == 1);
}
