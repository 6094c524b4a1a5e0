#pragma once

// What the hotkey tests, X11 grab and portal shortcut alike, share: a
// counter of the presses a hotkey reports, which a test waits on while the
// press arrives on another thread.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace hotkey_test {

class Presses {
public:
    std::function<void()> Callback() {
        return [this] {
            std::lock_guard<std::mutex> hold(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }
    bool WaitFor(int count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> hold(mutex_);
        return changed_.wait_for(hold, limit, [&] { return count_ >= count; });
    }
    int count() {
        std::lock_guard<std::mutex> hold(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

}  // namespace hotkey_test
