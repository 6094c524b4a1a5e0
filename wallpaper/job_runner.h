#pragma once

// Runs wallpaper changes one at a time on a worker thread of their own. The
// caller never waits: a request made while a change is under way waits in a
// single slot, and a newer request replaces it, so a burst of requests ends
// with the newest one shown and nothing in between that is already stale.

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "wallpaper/change_job.h"

namespace wallpaper {

class ChangeJobRunner {
public:
    // Called on the worker thread after each change; the window passes the
    // result on to its own thread. The services' setter factory is called at
    // the start of each change, their recorder at its end, both on the worker.
    using Completion = std::function<void(const ChangeRequest&, const ChangeResult&)>;

    // How long the destructor lets a running change finish.
    static constexpr std::chrono::milliseconds kDefaultGrace{3000};

    explicit ChangeJobRunner(JobServices services, Completion completion = {});
    ~ChangeJobRunner();
    ChangeJobRunner(const ChangeJobRunner&) = delete;
    ChangeJobRunner& operator=(const ChangeJobRunner&) = delete;

    // Queues a change, replacing one still waiting. Returns at once, also
    // while a change runs. Ignored after Shutdown.
    void Request(ChangeRequest request);

    // Queues the last request made once more (the monitors changed, say, and
    // the pictures shown must be laid out anew). False when there was none
    // or after Shutdown.
    bool RequestAgain();

    // Waits until no change runs or waits, at most `timeout`; true when idle.
    bool WaitIdle(std::chrono::milliseconds timeout);

    // Drops a waiting request and lets a running change finish within
    // `grace`. True when the worker ended in time. Otherwise the worker is
    // left to end on its own (the program is about to exit): from then on it
    // calls neither the completion nor "LaterPaper"'s recorder, so nothing
    // the caller owns is touched once this returns (a callback already
    // running is waited for). Later calls return the first call's answer.
    bool Shutdown(std::chrono::milliseconds grace);

private:
    struct State;
    static void Work(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;  // shared with the worker, which may outlive us
    std::thread worker_;
    bool endedInTime_ = true;
};

}  // namespace wallpaper
