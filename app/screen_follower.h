#pragma once

// Keeps the display size that wallpaper changes fit to in step with the
// window system's primary screen: read once at start, then again whenever
// the primary screen changes, is resized or rotated (Qt's screen signals,
// which follow RandR on X11). No change asks the server itself.
//
// It also keeps the list of monitors that changes lay their pictures out on
// (desktop::SetKnownMonitors) in step with Qt's screens, and tells when that
// layout changed: a monitor plugged in or out, resized, moved or rotated.

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

#include "platform/desktop/monitors.h"

class QScreen;

class CScreenFollower : public QObject {
public:
    CScreenFollower();
    ~CScreenFollower() override;

    // Called on Qt's thread once the monitor layout has settled after a
    // change (a burst of screen signals makes one call). Null stops the calls.
    void SetLayoutHandler(std::function<void()> handler) { layoutHandler_ = std::move(handler); }

    // How long the layout must stay still before the handler is called.
    static constexpr int kSettleMilliseconds = 100;

private:
    void Follow(QScreen* screen);
    void Publish();
    void Watch(QScreen* screen);
    // Publishes Qt's screens as the monitors; true when they differ from
    // those published before.
    bool PublishMonitors();

    QMetaObject::Connection geometry_;
    QTimer settle_;
    std::vector<desktop::Monitor> monitors_;
    std::function<void()> layoutHandler_;
};
