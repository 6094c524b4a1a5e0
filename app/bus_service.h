#pragma once

// The running program on the session bus, named by the application id of
// its metainfo file, with one interface of its own: Next, Previous, Pause,
// Resume, TogglePause, SetWallpaper(path), Show and Quit; the properties
// CurrentPictures (one path a monitor), Paused and PictureCount; and a
// PictureChanged signal. Desktops raise the window the usual way through
// org.freedesktop.Application's Activate. A second start asks the running
// copy to show its window; `drapewell --next` and its siblings are clients
// of the same interface. Without a session bus nothing is registered and
// the program runs on alone.

#include <QObject>
#include <QStringList>

#include <functional>
#include <string>

inline constexpr char kBusName[] = "invalid.drapewell.Drapewell";
inline constexpr char kBusPath[] = "/invalid/drapewell/Drapewell";
inline constexpr char kBusInterface[] = "invalid.drapewell.Drapewell";
// The error a refused SetWallpaper answers with; its message says why.
inline constexpr char kBusErrorRefused[] = "invalid.drapewell.Drapewell.Error.Refused";

// What the bus can ask of the program; unset members do nothing (or read
// as nothing).
struct BusActions {
    std::function<void()> show;  // restore the window and bring it to the front
    std::function<void()> next;
    std::function<void()> previous;
    std::function<void(bool paused)> setPaused;
    // Makes `path` the wallpaper; false with the reason in `why`.
    std::function<bool(const std::string& path, std::string& why)> setWallpaper;
    std::function<void()> quit;  // called after the caller has its answer
    std::function<QStringList()> currentPictures;
    std::function<bool()> paused;
    std::function<int()> pictureCount;
};

class CBusService : public QObject {
public:
    explicit CBusService(BusActions actions);
    ~CBusService() override;
    CBusService(const CBusService&) = delete;
    CBusService& operator=(const CBusService&) = delete;

    const BusActions& Actions() const { return actions_; }
    // Whether the name and the object are on the bus.
    bool IsRegistered() const { return registered_; }

    // Tell the bus's listeners: PictureChanged and the properties' own
    // change signal (org.freedesktop.DBus.Properties.PropertiesChanged).
    void NotifyPictureChanged();
    void NotifyPausedChanged();
    void NotifyPictureCountChanged();

private:
    void EmitPropertyChanged(const char* name, const QVariant& value);

    BusActions actions_;
    QObject* control_ = nullptr;  // the interface's adaptor, owned by this object
    bool registered_ = false;
};

// Asks the copy running on this session bus to show its window; true when it
// answered within the time limit.
bool AskRunningCopyToShow();
