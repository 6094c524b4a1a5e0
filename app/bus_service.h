#pragma once

// The running program on the session bus, named by the application id of
// its metainfo file. A second start asks it to show its window (besides
// saying that a copy is already running), and desktops raise it the usual
// way through org.freedesktop.Application's Activate. Without a session bus
// nothing is registered and the program runs on alone.

#include <QObject>

#include <functional>

inline constexpr char kBusName[] = "invalid.drapewell.Drapewell";
inline constexpr char kBusPath[] = "/invalid/drapewell/Drapewell";
inline constexpr char kBusInterface[] = "invalid.drapewell.Drapewell";

struct BusActions {
    std::function<void()> show;  // restore the window and bring it to the front
};

class CBusService : public QObject {
public:
    explicit CBusService(BusActions actions);
    ~CBusService() override;
    CBusService(const CBusService&) = delete;
    CBusService& operator=(const CBusService&) = delete;

    const BusActions& Actions() const { return actions_; }

private:
    BusActions actions_;
    bool registered_ = false;  // the name and the object are on the bus
};

// Asks the copy running on this session bus to show its window; true when it
// answered within the time limit.
bool AskRunningCopyToShow();
