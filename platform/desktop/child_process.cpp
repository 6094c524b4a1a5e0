#include "platform/desktop/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace desktop {

namespace {

using Clock = std::chrono::steady_clock;

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int* Out() { return &fd_; }

private:
    int fd_ = -1;
};

// The spawn attributes and file actions, released however we leave.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawnattr_init(&attr_);
        posix_spawn_file_actions_init(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }

    // The child starts with no blocked signals and default dispositions:
    // we may be called from a thread that blocks some, or a process that
    // ignores SIGPIPE, and neither should leak into a helper program.
    void CleanSignals(short extraFlags, pid_t pgroup = 0) {
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attr_, &none);
        posix_spawnattr_setsigdefault(&attr_, &all);
        posix_spawnattr_setpgroup(&attr_, pgroup);
        posix_spawnattr_setflags(&attr_,
                                 POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags);
    }

    posix_spawnattr_t* Attr() { return &attr_; }
    posix_spawn_file_actions_t* Actions() { return &actions_; }

private:
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    out.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// Appends what `fd` has to offer to `into` (up to the cap); resets `fd` at end
// of file or on an error.
void Drain(Fd& fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n > 0) {
            std::size_t room =
                RunResult::kMaxCaptured - std::min(into.size(), RunResult::kMaxCaptured);
            into.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        fd.Reset();
        return;
    }
}

}  // namespace

std::string DescribeWaitStatus(int status) {
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "wait status " + std::to_string(status);
}

std::string LastLine(const std::string& text) {
    std::size_t end = text.find_last_not_of(" \t\r\n");
    if (end == std::string::npos)
        return {};
    std::size_t start = text.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    start = text.find_first_not_of(" \t\r", start);
    return text.substr(start, end - start + 1);
}

std::string RunResult::Describe(const std::string& program) const {
    switch (end) {
    case End::kNotStarted:
        return program + ": could not start: " + error;
    case End::kTimedOut:
        return program + ": gave no answer in time and was stopped";
    case End::kSignalled:
        return program + ": killed by signal " + std::to_string(signal);
    case End::kExited:
        break;
    }
    std::string line = LastLine(err);
    if (line.empty())
        line = LastLine(out);
    std::string text = program + ": exit status " + std::to_string(exitCode);
    return line.empty() ? text : text + ": " + line;
}

RunResult RunWithTimeLimit(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    RunResult result;
    if (argv.empty()) {
        result.error = "no command";
        return result;
    }
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    Fd outRead(outPipe[0]), outWrite(outPipe[1]);
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    Fd errRead(errPipe[0]), errWrite(errPipe[1]);

    SpawnSetup setup;
    // A process group of its own, so that a time-out ends its children too.
    setup.CleanSignals(POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_addopen(setup.Actions(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(setup.Actions(), outWrite.Get(), 1);
    posix_spawn_file_actions_adddup2(setup.Actions(), errWrite.Get(), 2);
    posix_spawn_file_actions_addclosefrom_np(setup.Actions(), 3);

    std::vector<char*> args = ArgvPointers(argv);
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, args[0], setup.Actions(), setup.Attr(), args.data(), environ);
    if (rc != 0) {
        result.error = std::strerror(rc);
        return result;
    }
    outWrite.Reset();
    errWrite.Reset();
    ::fcntl(outRead.Get(), F_SETFL, O_NONBLOCK);
    ::fcntl(errRead.Get(), F_SETFL, O_NONBLOCK);

    const auto deadline = Clock::now() + limit;
    // Grandchildren may keep the pipes open after the child has gone; their
    // output is not waited for beyond this.
    const auto kDrainAfterExit = std::chrono::milliseconds(100);
    auto drainDeadline = deadline;
    bool reaped = false;
    int status = 0;
    for (;;) {
        if (!reaped) {
            pid_t w = ::waitpid(pid, &status, WNOHANG);
            if (w == pid) {
                reaped = true;
                drainDeadline = std::min(deadline, Clock::now() + kDrainAfterExit);
            }
        }
        if (reaped && outRead.Get() < 0 && errRead.Get() < 0)
            break;
        auto now = Clock::now();
        if (now >= (reaped ? drainDeadline : deadline))
            break;

        pollfd fds[2];
        nfds_t count = 0;
        for (Fd* fd : {&outRead, &errRead})
            if (fd->Get() >= 0)
                fds[count++] = {fd->Get(), POLLIN, 0};
        // Short slices while the child runs: its exit is noticed by waitpid.
        auto slice = std::chrono::duration_cast<std::chrono::milliseconds>(
            (reaped ? drainDeadline : deadline) - now);
        int timeout = static_cast<int>(std::min<long long>(slice.count() + 1, 10));
        if (count == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
            continue;
        }
        if (::poll(fds, count, timeout) > 0) {
            if (outRead.Get() >= 0)
                Drain(outRead, result.out);
            if (errRead.Get() >= 0)
                Drain(errRead, result.err);
        }
    }

    if (!reaped) {
        // Not yet reaped, so the group id cannot have been reused.
        ::kill(-pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.end = RunResult::End::kTimedOut;
        return result;
    }
    if (WIFEXITED(status)) {
        result.end = RunResult::End::kExited;
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.end = RunResult::End::kSignalled;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return result;
}

Started StartDetached(const std::vector<std::string>& argv, const std::string& logFile) {
    Started started;
    if (argv.empty()) {
        started.error = "no command";
        return started;
    }
    SpawnSetup setup;
    // A session of its own: no terminal hang-up or Ctrl-C of ours reaches it.
    setup.CleanSignals(POSIX_SPAWN_SETSID);
    const char* log = logFile.empty() ? "/dev/null" : logFile.c_str();
    posix_spawn_file_actions_addopen(setup.Actions(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(setup.Actions(), 1, log, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(setup.Actions(), 1, 2);
    posix_spawn_file_actions_addclosefrom_np(setup.Actions(), 3);

    std::vector<char*> args = ArgvPointers(argv);
    int rc =
        ::posix_spawnp(&started.pid, args[0], setup.Actions(), setup.Attr(), args.data(), environ);
    if (rc != 0) {
        started.pid = -1;
        started.error = std::strerror(rc);
    }
    return started;
}

ChildState PollChild(pid_t pid, int* status) {
    if (pid <= 0)
        return ChildState::kNotOurs;
    int s = 0;
    pid_t w;
    do {
        w = ::waitpid(pid, &s, WNOHANG);
    } while (w < 0 && errno == EINTR);
    if (w == pid) {
        if (status)
            *status = s;
        return ChildState::kEnded;
    }
    return w == 0 ? ChildState::kRunning : ChildState::kNotOurs;
}

ChildState WaitForExit(pid_t pid, std::chrono::milliseconds limit, int* status) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        ChildState state = PollChild(pid, status);
        if (state != ChildState::kRunning || Clock::now() >= deadline)
            return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace desktop
