#include "platform/desktop/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace desktop {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(RunWithTimeLimit, ReportsExitStatusAndBothStreams) {
    RunResult result = RunWithTimeLimit(
        {"sh", "-c", "echo out; echo first >&2; echo 'last line  ' >&2; exit 3"}, 5s);
    EXPECT_EQ(result.end, RunResult::End::kExited);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(result.out, "out\n");
    EXPECT_EQ(result.err, "first\nlast line  \n");
    EXPECT_EQ(result.Describe("tool"), "tool: exit status 3: last line");

    RunResult ok = RunWithTimeLimit({"true"}, 5s);
    EXPECT_TRUE(ok.Succeeded());
}

TEST(RunWithTimeLimit, KillsAChildThatOverrunsItsLimit) {
    const auto start = Clock::now();
    RunResult result = RunWithTimeLimit({"sleep", "10"}, 300ms);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(result.end, RunResult::End::kTimedOut);
    EXPECT_GE(elapsed, 300ms);
    EXPECT_LT(elapsed, 3s);
    EXPECT_NE(result.Describe("sleep").find("no answer in time"), std::string::npos);
}

TEST(RunWithTimeLimit, ATimeOutAlsoEndsWhatTheChildStarted) {
    auto dir =
        std::filesystem::temp_directory_path() / ("drapewell-child-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string pidFile = (dir / "grandchild").string();
    RunResult result =
        RunWithTimeLimit({"sh", "-c", "sleep 30 & echo $! > " + pidFile + "; wait"}, 300ms);
    EXPECT_EQ(result.end, RunResult::End::kTimedOut);
    const pid_t grandchild = std::atoi(ReadFile(pidFile).c_str());
    ASSERT_GT(grandchild, 0);
    // Killed with its group; reaped by whoever adopted it, so allow a moment.
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        std::string stat = ReadFile("/proc/" + std::to_string(grandchild) + "/stat");
        gone = stat.empty() || stat.find(") Z") != std::string::npos;
        if (!gone)
            usleep(10000);
    }
    EXPECT_TRUE(gone);
    std::filesystem::remove_all(dir);
}

TEST(RunWithTimeLimit, DoesNotWaitForAGrandchildHoldingTheOutput) {
    const auto start = Clock::now();
    RunResult result = RunWithTimeLimit({"sh", "-c", "sleep 5 & echo $!"}, 4s);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_TRUE(result.Succeeded());
    if (pid_t stray = std::atoi(result.out.c_str()); stray > 0)
        kill(stray, SIGKILL);
}

TEST(RunWithTimeLimit, AMissingProgramIsNotStarted) {
    RunResult result = RunWithTimeLimit({"drapewell-no-such-program"}, 1s);
    EXPECT_EQ(result.end, RunResult::End::kNotStarted);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(RunWithTimeLimit({}, 1s).end, RunResult::End::kNotStarted);
}

TEST(RunWithTimeLimit, TheChildGetsNoneOfOurBlockedOrIgnoredSignals) {
    sigset_t term, saved;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, &saved);
    struct sigaction ignore {
    }, savedPipe{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &savedPipe);

    RunResult result = RunWithTimeLimit({"sh", "-c", "kill -TERM $$; sleep 5"}, 3s);
    EXPECT_EQ(result.end, RunResult::End::kSignalled);
    EXPECT_EQ(result.signal, SIGTERM);
    EXPECT_EQ(result.Describe("sh"), "sh: killed by signal 15");

    sigaction(SIGPIPE, &savedPipe, nullptr);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

TEST(RunWithTimeLimit, CapsWhatItKeepsOfALongOutput) {
    RunResult result = RunWithTimeLimit({"head", "-c", "1000000", "/dev/zero"}, 5s);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.out.size(), RunResult::kMaxCaptured);
}

TEST(StartDetached, RunsInASessionOfItsOwnWithOnlyTheStandardDescriptors) {
    int leaked[2];
    ASSERT_EQ(pipe(leaked), 0);  // not close-on-exec: must still not reach the child
    Started started = StartDetached({"sleep", "5"}, "");
    ASSERT_GT(started.pid, 0) << started.error;
    EXPECT_EQ(getsid(started.pid), started.pid);
    // posix_spawn returns once the program runs, but the program may still
    // hold a file of its own open for a moment (sleep reads its locale): a
    // leaked descriptor would stay.
    const auto descriptors = [&] {
        int count = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator("/proc/" + std::to_string(started.pid) + "/fd")) {
            (void)entry;
            ++count;
        }
        return count;
    };
    int count = descriptors();
    for (int tries = 0; count != 3 && tries < 100; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        count = descriptors();
    }
    EXPECT_EQ(count, 3);
    close(leaked[0]);
    close(leaked[1]);

    EXPECT_EQ(PollChild(started.pid), ChildState::kRunning);
    kill(started.pid, SIGTERM);
    int status = 0;
    EXPECT_EQ(WaitForExit(started.pid, 2s, &status), ChildState::kEnded);
    EXPECT_EQ(DescribeWaitStatus(status), "killed by signal 15");
    EXPECT_EQ(PollChild(started.pid), ChildState::kNotOurs);
}

TEST(StartDetached, WritesBothStreamsToAFreshLog) {
    const std::string log = (std::filesystem::temp_directory_path() /
                             ("drapewell-detached-" + std::to_string(getpid()) + ".log"))
                                .string();
    { std::ofstream(log) << "stale text from before\n"; }
    Started started = StartDetached({"sh", "-c", "echo to-out; echo to-err >&2; exit 4"}, log);
    ASSERT_GT(started.pid, 0);
    int status = 0;
    ASSERT_EQ(WaitForExit(started.pid, 5s, &status), ChildState::kEnded);
    EXPECT_EQ(DescribeWaitStatus(status), "exit status 4");
    EXPECT_EQ(ReadFile(log), "to-out\nto-err\n");
    EXPECT_EQ(LastLine(ReadFile(log)), "to-err");
    std::filesystem::remove(log);

    EXPECT_EQ(StartDetached({"drapewell-no-such-program"}, "").pid, -1);
}

}  // namespace
}  // namespace desktop
