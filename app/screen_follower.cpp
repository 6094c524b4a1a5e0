#include "app/screen_follower.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/gdi/display.h"

CScreenFollower::CScreenFollower() {
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &CScreenFollower::Follow);
    Follow(QGuiApplication::primaryScreen());
}

CScreenFollower::~CScreenFollower() {
    gdi::SetKnownDisplaySize(0, 0);
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
