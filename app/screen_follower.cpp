#include "app/screen_follower.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/gdi/display.h"

CScreenFollower::CScreenFollower() {
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &CScreenFollower::Follow);
    Follow(QGuiApplication::primaryScreen());

    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (PublishMonitors() && layoutHandler_)
            layoutHandler_();
    });
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        Watch(screen);
        settle_.start();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { settle_.start(); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this] { settle_.start(); });
    for (QScreen* screen : QGuiApplication::screens())
        Watch(screen);
    PublishMonitors();
}

CScreenFollower::~CScreenFollower() {
    gdi::SetKnownDisplaySize(0, 0);
    desktop::SetKnownMonitors({});
}

void CScreenFollower::Follow(QScreen* screen) {
    disconnect(geometry_);
    if (screen)
        geometry_ = connect(screen, &QScreen::geometryChanged, this, &CScreenFollower::Publish);
    Publish();
}

void CScreenFollower::Publish() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        gdi::SetKnownDisplaySize(0, 0);  // no screen: back to asking the server
        return;
    }
    // Qt speaks in device-independent pixels; wallpapers are fitted in the
    // screen's own.
    const qreal ratio = screen->devicePixelRatio();
    const QSize size = screen->geometry().size();
    gdi::SetKnownDisplaySize(qRound(size.width() * ratio), qRound(size.height() * ratio));
}

void CScreenFollower::Watch(QScreen* screen) {
    // A rotation changes the geometry too; the connection ends with the screen.
    connect(screen, &QScreen::geometryChanged, this, [this] { settle_.start(); });
}

bool CScreenFollower::PublishMonitors() {
    std::vector<desktop::Monitor> monitors;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect geometry = screen->geometry();
        if (geometry.isEmpty())
            continue;
        monitors.push_back({.name = screen->name().toStdString(),
                            .x = qRound(geometry.x() * ratio),
                            .y = qRound(geometry.y() * ratio),
                            .width = qRound(geometry.width() * ratio),
                            .height = qRound(geometry.height() * ratio),
                            .primary = screen == primary});
    }
    desktop::SortMonitors(monitors);
    if (monitors == monitors_)
        return false;
    monitors_ = monitors;
    desktop::SetKnownMonitors(std::move(monitors));
    return true;
}
