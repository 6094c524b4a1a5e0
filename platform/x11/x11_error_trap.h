#pragma once

// Xlib's error handler is one per process. While a trap lives, errors on its
// own connection are recorded instead of ending the program; errors on any
// other connection (Qt's, say) go on to the handler that was there before.
// Every trap holds one process-wide lock for its lifetime, so two jobs on
// different threads can never restore each other's handler out of order.

#include <X11/Xlib.h>

#include <mutex>
#include <string>

#include "platform/x11/x11_connection.h"

namespace x11 {

class ErrorTrap {
public:
    explicit ErrorTrap(const Connection& connection);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // True once an error arrived on the trapped connection (or it was lost)
    // since the last Sync; does not wait for the server.
    bool Failed() const;

    // Waits for the server to process everything sent so far; returns the
    // first error since the last call ("" when there was none) and clears it.
    std::string Sync();

private:
    std::unique_lock<std::mutex> lock_;
    const Connection& connection_;
    XErrorHandler previous_;
};

}  // namespace x11
