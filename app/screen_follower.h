#pragma once

// Keeps the display size that wallpaper changes fit to in step with the
// window system's primary screen: read once at start, then again whenever
// the primary screen changes, is resized or rotated (Qt's screen signals,
// which follow RandR on X11). No change asks the server itself.

#include <QMetaObject>
#include <QObject>

class QScreen;

class CScreenFollower : public QObject {
public:
    CScreenFollower();
    ~CScreenFollower() override;

private:
    void Follow(QScreen* screen);
    void Publish();

    QMetaObject::Connection geometry_;
};
