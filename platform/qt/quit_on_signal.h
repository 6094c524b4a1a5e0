#pragma once

// The Qt side of CQuitSignalPipe: a socket notifier on the pipe's read end
// that calls `quit` in the event loop's thread when SIGTERM, SIGINT or
// SIGHUP has arrived. After the first such signal the default actions come
// back, so a second one ends a program that is slow to close at once.

#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {

class CQuitSignalPipe;

class QuitOnSignal {
public:
    // `pipe` outlives this object. Signals that arrived before it was made
    // are waiting in the pipe and are answered once the event loop runs.
    QuitOnSignal(CQuitSignalPipe& pipe, std::function<void()> quit);
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

private:
    CQuitSignalPipe& pipe_;
    std::function<void()> quit_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform
