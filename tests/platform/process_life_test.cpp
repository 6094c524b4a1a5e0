// The end of the process's life: the quit signals turned into bytes on a
// pipe and answered in the event loop, and the temporaries of atomic writes
// that a killed process left behind.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/base/left_temporaries.h"
#include "platform/base/quit_signals.h"
#include "platform/qt/quit_on_signal.h"

namespace {

namespace fs = std::filesystem;
using platform::CQuitSignalPipe;

void (*HandlerOf(int signal))(int) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

TEST(QuitSignalPipe, EachSignalBecomesAByteAndTheLastOneIsReported) {
    CQuitSignalPipe pipe;
    ASSERT_TRUE(pipe.IsOpen());
    EXPECT_EQ(pipe.Drain(), 0);
    raise(SIGTERM);
    EXPECT_EQ(pipe.Drain(), SIGTERM);
    EXPECT_EQ(pipe.Drain(), 0);  // read once
    raise(SIGHUP);
    raise(SIGINT);
    EXPECT_EQ(pipe.Drain(), SIGINT);
}

TEST(QuitSignalPipe, OnePipeAtATimeAndTheDefaultsComeBack) {
    {
        CQuitSignalPipe first;
        ASSERT_TRUE(first.IsOpen());
        // A second would steal the first one's signals.
        CQuitSignalPipe second;
        EXPECT_FALSE(second.IsOpen());
        EXPECT_NE(HandlerOf(SIGTERM), SIG_DFL);
        first.RestoreDefaults();
        EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
        EXPECT_EQ(HandlerOf(SIGHUP), SIG_DFL);
    }
    CQuitSignalPipe again;
    EXPECT_TRUE(again.IsOpen());
    EXPECT_NE(HandlerOf(SIGINT), SIG_DFL);
}

TEST(QuitSignalPipe, SignalBeforeTheLoopIsAnsweredOnceWhenItRuns) {
    int argc = 1;
    char name[] = "process_life_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    CQuitSignalPipe pipe;
    int quits = 0;
    const platform::QuitOnSignal quitOnSignal(pipe, [&] {
        ++quits;
        QTimer::singleShot(100, &app, &QCoreApplication::quit);  // room for a wrong second call
    });
    raise(SIGTERM);
    QTimer::singleShot(5000, &app, [&] { app.exit(1); });
    EXPECT_EQ(app.exec(), 0);
    EXPECT_EQ(quits, 1);
    // A second SIGTERM would end a program slow to close.
    EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
}

TEST(LeftTemporaries, TargetOfATemporaryName) {
    EXPECT_EQ(platform::TemporaryTarget(".History.txt.a1B2c3"), "History.txt");
    EXPECT_EQ(platform::TemporaryTarget(".Drapewell.ini.ZZZZZZ"), "Drapewell.ini");
    EXPECT_EQ(platform::TemporaryTarget(".x.abcdef"), "x");
    EXPECT_EQ(platform::TemporaryTarget("History.txt"), "");
    EXPECT_EQ(platform::TemporaryTarget(".History.txt"), "");
    EXPECT_EQ(platform::TemporaryTarget(".History.txt.abcde"), "");   // five
    EXPECT_EQ(platform::TemporaryTarget(".History.txt.ab-def"), "");  // not mkstemp's
    EXPECT_EQ(platform::TemporaryTarget("..abcdef"), "");             // no name
}

TEST(LeftTemporaries, OnlyOurFilesAreRemoved) {
    std::string pattern = (fs::temp_directory_path() / "drapewell-left-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    const auto touch = [&](const std::string& name) { std::ofstream(dir / name) << "x"; };
    touch("History.txt");
    touch(".History.txt.AAAAAA");
    touch(".History.txt.BBBBBB");
    touch(".Notes.txt.CCCCCC");  // someone else's
    fs::create_directory(dir / ".History.txt.DDDDDD");
    touch("elsewhere");
    fs::create_symlink(dir / "elsewhere", dir / ".History.txt.EEEEEE");

    EXPECT_EQ(platform::RemoveLeftTemporaries(
                  dir.string(), [](std::string_view target) { return target == "History.txt"; }),
              2u);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left,
              (std::set<std::string>{"History.txt", ".Notes.txt.CCCCCC", ".History.txt.DDDDDD",
                                     "elsewhere", ".History.txt.EEEEEE"}));
    EXPECT_EQ(platform::RemoveLeftTemporaries((dir / "none").string(),
                                              [](std::string_view) { return true; }),
              0u);
    fs::remove_all(dir);
}

}  // namespace
