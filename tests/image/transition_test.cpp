#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "device_test_util.h"
#include "image/device_bitmap.h"
#include "platform/base/timestamp.h"

using device_test::MakePattern;
using device_test::PixelAt;
using device_test::RecordingDC;

namespace {

struct Case {
    std::int32_t effect;
    std::int32_t subtype;
    std::int32_t count;
    // Blits (each flushed) expected on a width x height picture.
    std::size_t (*blits)(int w, int h);
};

const Case kCases[] = {
    {4, 1, 1, [](int, int h) { return std::size_t(h); }},
    {4, 2, 1, [](int, int h) { return std::size_t(h); }},
    {4, 4, 1, [](int w, int) { return std::size_t(w); }},
    {4, 8, 1, [](int w, int) { return std::size_t(w); }},
    {4, 16, 1, [](int w, int) { return std::size_t(2 * (w / 2 + 1)); }},
    {4, 32, 1, [](int, int h) { return std::size_t(2 * (h / 2 + 1)); }},
    {4, 64, 1, [](int, int h) { return std::size_t(h); }},
    {4, 128, 1, [](int w, int) { return std::size_t(w); }},
    {8, 1, 1, [](int, int h) { return std::size_t(h); }},
    {8, 2, 1, [](int, int h) { return std::size_t(h); }},
    {8, 4, 1, [](int w, int) { return std::size_t(w); }},
    {8, 8, 1, [](int w, int) { return std::size_t(w); }},
    {8, 16, 1, [](int w, int) { return std::size_t(2 * (w / 2 - (w + 1) % 2 + 1)); }},
    {8, 32, 1, [](int, int h) { return std::size_t(2 * (h / 2 - (h + 1) % 2 + 1)); }},
    {16, 0, 3, [](int, int h) { return std::size_t(h); }},
    {32, 0, 4, [](int w, int) { return std::size_t(w); }},
    {64, 0, 2, [](int w, int h) { return std::size_t(((w + 1) / 2) * ((h + 1) / 2)); }},
    {64, 0, 1, [](int w, int h) { return std::size_t(w * h); }},
};

class Transition : public testing::TestWithParam<std::tuple<Case, std::pair<int, int>>> {};

TEST_P(Transition, EveryStepIsFlushedAndTheWholePictureArrives) {
    const auto& [c, size] = GetParam();
    const auto [w, h] = size;
    CDeviceBitmap device(MakePattern(w, h));
    RecordingDC window(w + 2, h + 2);
    device.ShowWithTransition(&window, {c.effect, c.subtype, 1, c.count});
    EXPECT_EQ(window.flushes.size(), c.blits(w, h));
    for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < w + 2; ++x)
            ASSERT_EQ(PixelAt(*window.surface, x, y),
                      x < w && y < h ? PixelAt(*device.GetBitmap(), x, y) : 0xABCDEFu)
                << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(AllEffects, Transition,
                         testing::Combine(testing::ValuesIn(kCases),
                                          testing::Values(std::pair{7, 5}, std::pair{6, 4})));

TEST(TransitionSteps, SlidesMoveThePictureIn) {
    CDeviceBitmap device(MakePattern(4, 5));
    RecordingDC window(4, 5);
    const auto& bitmap = *device.GetBitmap();
    window.onFlush = [&](std::size_t step) {
        if (step == 2) {
            // Slide down: the bottom two source rows sit at the top.
            EXPECT_EQ(PixelAt(*window.surface, 1, 0), PixelAt(bitmap, 1, 3));
            EXPECT_EQ(PixelAt(*window.surface, 1, 1), PixelAt(bitmap, 1, 4));
            EXPECT_EQ(PixelAt(*window.surface, 1, 2), 0xABCDEFu);
        }
    };
    device.ShowWithTransition(&window, {8, 1, 0, 1});

    RecordingDC halves(5, 2);
    CDeviceBitmap wide(MakePattern(5, 2));
    halves.onFlush = [&](std::size_t step) {
        if (step == 2) {
            // From the sides: the centre columns arrive first.
            EXPECT_EQ(PixelAt(*halves.surface, 0, 0), PixelAt(*wide.GetBitmap(), 2, 0));
            EXPECT_EQ(PixelAt(*halves.surface, 4, 0), PixelAt(*wide.GetBitmap(), 2, 0));
            EXPECT_EQ(PixelAt(*halves.surface, 1, 0), 0xABCDEFu);
        }
    };
    wide.ShowWithTransition(&halves, {8, 16, 0, 1});
    EXPECT_EQ(halves.flushes.size(), 6u);
}

TEST(TransitionSteps, DissolveWithALargeBlockCopiesOneBlock) {
    CDeviceBitmap device(MakePattern(5, 3));
    RecordingDC window(5, 3);
    device.ShowWithTransition(&window, {64, 0, 0, 50});
    ASSERT_EQ(window.flushes.size(), 1u);
    EXPECT_TRUE(device_test::SameContent(*window.surface, *device.GetBitmap()));
}

TEST(TransitionSteps, ClearingRunningStopsAfterTheCurrentStep) {
    CDeviceBitmap device(MakePattern(6, 6));
    RecordingDC window(6, 6);
    window.onFlush = [&](std::size_t step) {
        if (step == 3)
            device.SetRunning(false);
    };
    device.ShowWithTransition(&window, {4, 1, 0, 1});
    EXPECT_EQ(window.flushes.size(), 3u);
    EXPECT_EQ(PixelAt(*window.surface, 0, 2), PixelAt(*device.GetBitmap(), 0, 2));
    EXPECT_EQ(PixelAt(*window.surface, 0, 3), 0xABCDEFu);

    // Blinds stop at the end of a pass, not in the middle of one.
    RecordingDC blinds(6, 6);
    device.SetRunning(true);
    blinds.onFlush = [&](std::size_t step) {
        if (step == 1)
            device.SetRunning(false);
    };
    device.ShowWithTransition(&blinds, {16, 0, 0, 2});
    EXPECT_EQ(blinds.flushes.size(), 3u);
    EXPECT_EQ(PixelAt(*blinds.surface, 0, 4), PixelAt(*device.GetBitmap(), 0, 4));
    EXPECT_EQ(PixelAt(*blinds.surface, 0, 5), 0xABCDEFu);
}

TEST(TransitionSteps, UnknownAndDegenerateParameters) {
    CDeviceBitmap device(MakePattern(4, 4));
    RecordingDC window(4, 4);
    device.ShowWithTransition(&window, {4, 3, 0, 1});   // no such wipe
    device.ShowWithTransition(&window, {99, 1, 0, 1});  // no such effect
    device.ShowWithTransition(nullptr, {4, 1, 0, 1});
    EXPECT_TRUE(window.flushes.empty());
    // A count below 1 still reveals the whole picture.
    device.ShowWithTransition(&window, {16, 0, 0, 0});
    EXPECT_EQ(window.flushes.size(), 4u);
    EXPECT_TRUE(device_test::SameContent(*window.surface, *device.GetBitmap()));
    RecordingDC dissolved(4, 4);
    device.ShowWithTransition(&dissolved, {64, 0, 0, -3});
    EXPECT_EQ(dissolved.flushes.size(), 16u);
    EXPECT_TRUE(device_test::SameContent(*dissolved.surface, *device.GetBitmap()));
    CDeviceBitmap empty;
    empty.ShowWithTransition(&window, {4, 1, 0, 1});
    EXPECT_EQ(window.flushes.size(), 4u);
}

TEST(TransitionSteps, DelayWaitsOnTheCounter) {
    CDeviceBitmap::Delay(0);
    CDeviceBitmap::Delay(-5);
    const std::int64_t perMillisecond = platform::CalibrateTicks(1000);
    ASSERT_GT(perMillisecond, 0);
    const auto start = std::chrono::steady_clock::now();
    CDeviceBitmap::Delay(perMillisecond * 20);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(10));
    EXPECT_LT(waited, std::chrono::seconds(5));
}

}  // namespace
