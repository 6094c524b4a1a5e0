#pragma once

// Runs a peer program (or this benchmark again, as a child of its own) and
// records what the comparison needs: wall time from spawn to exit and peak
// resident memory (wait4's ru_maxrss).

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace bench {

struct Run {
    double seconds = -1;
    long peakKiB = 0;
};

// Starts argv (looked up on the PATH) with its output discarded and
// `extraEnv` added to this process's environment; -1 when it cannot start.
inline pid_t SpawnQuiet(std::vector<std::string> args,
                        const std::vector<std::string>& extraEnv = {}) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings(extraEnv);
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs argv to its end as SpawnQuiet starts it; a failed or unstartable run
// has negative seconds.
inline Run Measure(std::vector<std::string> args, const std::vector<std::string>& extraEnv = {}) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = SpawnQuiet(std::move(args), extraEnv);
    if (pid < 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return {seconds, usage.ru_maxrss};
}

// The median of the runs' wall times and of their peak memories; 0 for no runs.
inline double MedianSeconds(const std::vector<Run>& runs) {
    std::vector<double> values;
    for (const Run& r : runs)
        values.push_back(r.seconds);
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline double MedianPeakMiB(const std::vector<Run>& runs) {
    std::vector<double> values;
    for (const Run& r : runs)
        values.push_back(static_cast<double>(r.peakKiB) / 1024.0);
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace bench
