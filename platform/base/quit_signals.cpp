#include "platform/base/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace platform {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end for the handler; -1 while no pipe is installed.
std::atomic<int> gWriteFd{-1};

extern "C" void OnQuitSignal(int signal) {
    const int saved = errno;  // the interrupted code may be about to read it
    const int fd = gWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        // A full pipe already holds a request to end; the byte is not needed.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved;
}

void SetAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Calls under way resume instead of failing with EINTR.
    action.sa_flags = handler == SIG_DFL ? 0 : SA_RESTART;
    for (const int signal : kQuitSignals)
        sigaction(signal, &action, nullptr);
}

}  // namespace

CQuitSignalPipe::CQuitSignalPipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    int none = -1;
    if (!gWriteFd.compare_exchange_strong(none, fds[1])) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    readFd_ = fds[0];
    SetAction(OnQuitSignal);
    installed_ = true;
}

CQuitSignalPipe::~CQuitSignalPipe() {
    if (readFd_ < 0)
        return;
    RestoreDefaults();
    const int writeFd = gWriteFd.exchange(-1);
    close(writeFd);
    close(readFd_);
}

int CQuitSignalPipe::Drain() {
    int last = 0;
    if (readFd_ < 0)
        return last;
    unsigned char bytes[16];
    for (;;) {
        const ssize_t got = read(readFd_, bytes, sizeof bytes);
        if (got > 0) {
            last = bytes[got - 1];
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return last;
    }
}

void CQuitSignalPipe::RestoreDefaults() {
    if (!installed_)
        return;
    SetAction(SIG_DFL);
    installed_ = false;
}

}  // namespace platform
