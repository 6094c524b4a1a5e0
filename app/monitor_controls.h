#pragma once

// The window's monitor choices: how pictures go to several monitors (the
// "Monitors" list) and whether portrait monitors take portrait pictures. A
// row of their own at the bottom of the window.

#include <functional>

#include "app/settings.h"

class QCheckBox;
class QComboBox;
class QWidget;

// Control identifiers, after the window's own (MainDlgControl).
enum MonitorControlId : int {
    IDC_MONITOR_MODE = 1026,
    IDC_MATCH_ORIENTATION = 1027,
};

// The Monitors list's items, in MonitorMode's order.
inline constexpr const char* kMonitorModeLabels[] = {
    "Same picture on every monitor",
    "A different picture on each monitor",
    "One picture across all monitors",
};

// The row's height in dialog units, added below the window's other controls.
inline constexpr int kMonitorRowHeight = 18;

class CMonitorControls {
public:
    // Places a control in dialog units: (widget, id, x, y, width, height).
    using Place = std::function<void(QWidget*, int, int, int, int, int)>;

    // Creates the row's controls in `window`, their top at `top`.
    void Create(QWidget* window, const Place& place, int top);

    void Show(const WallpaperSettings& settings);
    void Read(WallpaperSettings& settings) const;

    QComboBox* Mode() const { return mode_; }
    QCheckBox* MatchOrientation() const { return match_; }

private:
    // Orientation matching only means something with a picture per monitor.
    void UpdateMatchState();

    QComboBox* mode_ = nullptr;
    QCheckBox* match_ = nullptr;
};
