#include "wallpaper/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "codecs/bmp.h"
#include "tests/wallpaper/wallpaper_test_support.h"

namespace wallpaper {
namespace {

using namespace std::chrono_literals;
using wallpaper_test::FakeDesktop;
using wallpaper_test::MakePicture;
using wallpaper_test::RecordingServices;
using wallpaper_test::TempDir;

class JobRunner : public ::testing::Test {
protected:
    // Picture i is 4 x 4 with red i, so the setter's pixels tell which it got.
    ChangeRequest RequestFor(int i) {
        ChangeRequest request;
        request.picturePath = dir / ("picture" + std::to_string(i) + ".bmp");
        EXPECT_TRUE(SaveBmp(MakePicture(4, 4, static_cast<std::uint8_t>(i)), request.picturePath));
        request.method = 2;
        request.positionIndex = 0;
        request.stagingPath = dir / "MyWallPaper.bmp";
        request.screenSize = [] { return Size{64, 48}; };
        return request;
    }
    static int RedOf(const wallpaper_test::Applied& applied) {
        return static_cast<int>(applied.pixels.at(0) >> 16 & 0xFF);
    }
    template <class Done>
    static bool WaitFor(Done done) {
        for (int i = 0; i < 500 && !done(); ++i)
            std::this_thread::sleep_for(10ms);
        return done();
    }

    TempDir dir;
    FakeDesktop fake;
    std::vector<std::string> laterPapers;
};

TEST_F(JobRunner, TheCompletionCarriesTheReasonFromTheWorker) {
    // The reason is recorded per thread: it must be taken on the worker,
    // where the picture was read, not looked up by the caller afterwards.
    ChangeRequest request = RequestFor(1);
    std::ofstream(request.picturePath, std::ios::trunc) << "BM";
    std::promise<std::string> why;
    ChangeJobRunner runner(RecordingServices(fake, &laterPapers),
                           [&](const ChangeRequest&, const ChangeResult& result) {
                               why.set_value(result.loaded ? "loaded" : result.outcome.detail);
                           });
    runner.Request(request);
    auto answer = why.get_future();
    ASSERT_EQ(answer.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(answer.get(), "truncated");
}

TEST_F(JobRunner, ABurstEndsWithTheLatestRequestAndChangesNeverOverlap) {
    std::vector<ChangeRequest> requests;
    for (int i = 0; i < 100; ++i)
        requests.push_back(RequestFor(i));
    // The first change to start is held up until the burst is over.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    fake.duringApply = [released] { released.wait(); };
    std::vector<std::string> completed;
    ChangeJobRunner runner(RecordingServices(fake, &laterPapers),
                           [&](const ChangeRequest& request, const ChangeResult& result) {
                               EXPECT_TRUE(result.outcome.accepted);
                               completed.push_back(request.picturePath);
                           });
    for (const ChangeRequest& request : requests)
        runner.Request(request);
    std::this_thread::sleep_for(20ms);  // room for changes that should not start
    release.set_value();
    ASSERT_TRUE(runner.WaitIdle(10s));

    EXPECT_EQ(fake.mostAtOnce.load(), 1);
    // The change under way, then the newest: every other request was replaced.
    ASSERT_FALSE(fake.applied.empty());
    EXPECT_LE(fake.applied.size(), 2u);
    EXPECT_EQ(RedOf(fake.applied.back()), 99);
    for (std::size_t i = 1; i < fake.applied.size(); ++i)
        EXPECT_LT(RedOf(fake.applied[i - 1]), RedOf(fake.applied[i]));
    EXPECT_EQ(laterPapers.back(), requests.back().picturePath);
    EXPECT_EQ(completed.back(), requests.back().picturePath);
    EXPECT_EQ(completed.size(), fake.applied.size());

    CPicture staged;
    ASSERT_TRUE(LoadBmp(staged, dir / "MyWallPaper.bmp"));
    EXPECT_EQ(staged.GetRow(0)[2], 99);
}

TEST_F(JobRunner, AReadersMessageReachesTheUserThroughTheRunner) {
    // The runner hands the job its own copies of the services; the message
    // sink must be among them, or "This TIFF file not include page" and the
    // like never reach the window.
    ChangeRequest request = RequestFor(1);
    request.picturePath = dir / "empty.tif";
    std::ofstream(request.picturePath, std::ios::binary).write("II*\0\0\0\0\0", 8);
    JobServices services = RecordingServices(fake, &laterPapers);
    std::vector<std::string> shown;
    services.showMessage = [&](std::string_view text, std::string_view caption) {
        shown.push_back(std::string(caption) + ": " + std::string(text));
    };
    ChangeJobRunner runner(std::move(services));
    runner.Request(request);
    ASSERT_TRUE(runner.WaitIdle(5s));
    EXPECT_EQ(shown, std::vector<std::string>{"error!: This TIFF file not include page"});
}

TEST_F(JobRunner, RequestsNeverWaitForARunningChange) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    fake.duringApply = [released] { released.wait(); };
    ChangeJobRunner runner(RecordingServices(fake, &laterPapers));
    runner.Request(RequestFor(1));
    ASSERT_TRUE(WaitFor([&] { return fake.running.load() == 1; }));

    // The request is taken, and a copy of it: changing ours afterwards
    // cannot reach the job.
    ChangeRequest second = RequestFor(2);
    const std::string secondPath = second.picturePath;
    const auto start = std::chrono::steady_clock::now();
    runner.Request(second);
    second.picturePath = dir / "elsewhere.bmp";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(runner.WaitIdle(50ms));

    release.set_value();
    ASSERT_TRUE(runner.WaitIdle(10s));
    ASSERT_EQ(fake.applied.size(), 2u);
    EXPECT_EQ(RedOf(fake.applied[1]), 2);
    EXPECT_EQ(laterPapers.back(), secondPath);
}

TEST_F(JobRunner, ShutdownLetsARunningChangeFinishAndDropsTheWaitingOne) {
    fake.duringApply = [] { std::this_thread::sleep_for(100ms); };
    int completions = 0;
    ChangeJobRunner runner(RecordingServices(fake, &laterPapers),
                           [&](const ChangeRequest&, const ChangeResult&) { ++completions; });
    runner.Request(RequestFor(1));
    ASSERT_TRUE(WaitFor([&] { return fake.running.load() == 1; }));
    runner.Request(RequestFor(2));
    EXPECT_TRUE(runner.Shutdown(5s));
    EXPECT_EQ(fake.applied.size(), 1u);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(laterPapers.size(), 1u);

    runner.Request(RequestFor(3));  // too late: ignored
    EXPECT_TRUE(runner.Shutdown(5s));
    EXPECT_EQ(fake.applied.size(), 1u);
}

TEST_F(JobRunner, AChangeThatOverrunsItsGraceIsLeftBehindWithoutItsCallbacks) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    fake.duringApply = [released] { released.wait(); };
    std::atomic<int> completions{0};
    {
        ChangeJobRunner runner(RecordingServices(fake, &laterPapers),
                               [&](const ChangeRequest&, const ChangeResult&) { ++completions; });
        runner.Request(RequestFor(1));
        ASSERT_TRUE(WaitFor([&] { return fake.running.load() == 1; }));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(runner.Shutdown(100ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
    // The change ends after its runner is gone: neither "LaterPaper" nor the
    // completion hears of it.
    release.set_value();
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(fake.mutex);
        return fake.applied.size() == 1;
    }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(completions.load(), 0);
    EXPECT_TRUE(laterPapers.empty());
}

// A changed monitor layout asks for the last change again: the same picture
// once more, nothing before the first request, nothing after shutting down.
TEST_F(JobRunner, RequestAgainRepeatsTheLastRequestOnly) {
    ChangeJobRunner runner(RecordingServices(fake, &laterPapers));
    EXPECT_FALSE(runner.RequestAgain());
    runner.Request(RequestFor(1));
    runner.Request(RequestFor(2));
    ASSERT_TRUE(runner.WaitIdle(5s));
    ASSERT_TRUE(runner.RequestAgain());
    ASSERT_TRUE(runner.WaitIdle(5s));
    {
        std::lock_guard lock(fake.mutex);
        ASSERT_GE(fake.applied.size(), 2u);
        EXPECT_EQ(RedOf(fake.applied.back()), 2);
        EXPECT_EQ(RedOf(fake.applied[fake.applied.size() - 2]), 2);
    }
    runner.Shutdown(1s);
    EXPECT_FALSE(runner.RequestAgain());
}

}  // namespace
}  // namespace wallpaper
