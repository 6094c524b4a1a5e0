#pragma once

// Running the desktop's helper programs (hyprctl, swaybg, ...) without a
// shell: short commands under a time limit with their output captured, and
// long-lived ones started in a session of their own so that they outlive us.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace desktop {

struct RunResult {
    enum class End { kNotStarted, kExited, kSignalled, kTimedOut };
    End end = End::kNotStarted;
    int exitCode = -1;  // kExited
    int signal = 0;     // kSignalled
    std::string out;    // standard output, at most kMaxCaptured bytes
    std::string err;    // standard error, likewise
    std::string error;  // kNotStarted: why

    static constexpr std::size_t kMaxCaptured = 64 * 1024;

    bool Succeeded() const { return end == End::kExited && exitCode == 0; }
    // One line for an Outcome: "hyprctl: exit status 1: <last line of stderr>".
    std::string Describe(const std::string& program) const;
};

// Runs argv (argv[0] looked up in PATH) with standard input from /dev/null.
// When `limit` passes first, the child and everything it started in its
// process group are killed and the result is kTimedOut.
RunResult RunWithTimeLimit(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

struct Started {
    pid_t pid = -1;     // -1 when it could not be started
    std::string error;  // why not
};

// Starts argv detached: a new session, standard input from /dev/null, standard
// output and error written to `logFile` (emptied first; /dev/null when no name
// is given), none of our other descriptors. The child is still ours to reap:
// see WaitForExit.
Started StartDetached(const std::vector<std::string>& argv, const std::string& logFile);

enum class ChildState { kRunning, kEnded, kNotOurs };

// Reaps our child `pid` if it has ended (its wait status in *status), without
// waiting. kNotOurs for a process we did not start or have already reaped.
ChildState PollChild(pid_t pid, int* status = nullptr);

// Waits up to `limit` for our child `pid` to end, reaping it: kRunning when
// it is still running at the limit.
ChildState WaitForExit(pid_t pid, std::chrono::milliseconds limit, int* status = nullptr);

// "exit status 3", "killed by signal 9": a wait status in words.
std::string DescribeWaitStatus(int status);

// The last non-empty line of `text`, trimmed; for one-line Outcome details.
std::string LastLine(const std::string& text);

}  // namespace desktop
