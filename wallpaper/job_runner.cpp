#include "wallpaper/job_runner.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace wallpaper {

struct ChangeJobRunner::State {
    std::mutex mutex;
    std::condition_variable wake;     // to the worker: a request, or stop
    std::condition_variable settled;  // from the worker: a change or the worker ended
    std::optional<ChangeRequest> pending;
    std::optional<ChangeRequest> last;  // the newest request made
    bool busy = false;
    bool stopping = false;
    bool finished = false;

    // Held while a caller's callback runs, so that Shutdown can shut them off
    // for good without cutting one short.
    std::mutex callbackMutex;
    bool abandoned = false;

    JobServices services;
    Completion completion;

    template <class Call>
    void Guarded(Call&& call) {
        std::lock_guard lock(callbackMutex);
        if (!abandoned)
            call();
    }
};

ChangeJobRunner::ChangeJobRunner(JobServices services, Completion completion)
    : state_(std::make_shared<State>()) {
    state_->services = std::move(services);
    state_->completion = std::move(completion);
    worker_ = std::thread(&ChangeJobRunner::Work, state_);
}

ChangeJobRunner::~ChangeJobRunner() {
    Shutdown(kDefaultGrace);
}

void ChangeJobRunner::Request(ChangeRequest request) {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping)
        return;
    state_->last = request;
    state_->pending = std::move(request);
    state_->wake.notify_one();
}

bool ChangeJobRunner::RequestAgain() {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping || !state_->last)
        return false;
    state_->pending = *state_->last;
    state_->wake.notify_one();
    return true;
}

bool ChangeJobRunner::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(state_->mutex);
    return state_->settled.wait_for(
        lock, timeout, [&] { return state_->finished || (!state_->busy && !state_->pending); });
}

bool ChangeJobRunner::Shutdown(std::chrono::milliseconds grace) {
    if (!worker_.joinable())
        return endedInTime_;
    {
        std::unique_lock lock(state_->mutex);
        state_->stopping = true;
        state_->pending.reset();
        state_->wake.notify_one();
        endedInTime_ = state_->settled.wait_for(lock, grace, [&] { return state_->finished; });
    }
    if (endedInTime_) {
        worker_.join();
    } else {
        std::lock_guard lock(state_->callbackMutex);
        state_->abandoned = true;
        worker_.detach();
    }
    return endedInTime_;
}

void ChangeJobRunner::Work(std::shared_ptr<State> state) {
    State& s = *state;
    // The caller's recorder and message sink, shut off with the completion
    // once abandoned.
    const JobServices services{
        .makeSetter = s.services.makeSetter,
        .recordLaterPaper =
            [&s](const std::string& picturePath) {
                if (s.services.recordLaterPaper)
                    s.Guarded([&] { s.services.recordLaterPaper(picturePath); });
            },
        .showMessage =
            [&s](std::string_view text, std::string_view caption) {
                if (s.services.showMessage)
                    s.Guarded([&] { s.services.showMessage(text, caption); });
            },
    };
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.wake.wait(lock, [&] { return s.pending || s.stopping; });
        if (s.stopping)
            break;
        const ChangeRequest request = std::move(*s.pending);
        s.pending.reset();
        s.busy = true;
        lock.unlock();

        const ChangeResult result = RunChangeJob(request, services);
        if (s.completion)
            s.Guarded([&] { s.completion(request, result); });

        lock.lock();
        s.busy = false;
        s.settled.notify_all();
    }
    s.finished = true;
    s.settled.notify_all();
}

}  // namespace wallpaper
