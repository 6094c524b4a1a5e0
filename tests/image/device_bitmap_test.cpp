#include <gtest/gtest.h>

#include "device_test_util.h"
#include "image/device_bitmap.h"
#include "platform/gdi/region.h"

using device_test::MakePattern;
using device_test::PixelAt;
using device_test::RecordingDC;

namespace {

TEST(DeviceBitmap, ZoomLimits) {
    CDeviceBitmap device;
    device.SetZoomLimits(-8, 16);
    device.SetZoom(0);
    EXPECT_EQ(device.GetZoom(), -1);
    device.SetZoom(100);
    EXPECT_EQ(device.GetZoom(), 16);
    device.SetZoom(-100);
    EXPECT_EQ(device.GetZoom(), -8);
    device.SetZoom(3);
    EXPECT_EQ(device.GetZoom(), 3);
    // Limits that would admit 0 are pulled back to 1:1, and tightening them
    // applies to the current zoom.
    device.SetZoomLimits(0, 0);
    EXPECT_EQ(device.GetZoom(), 1);
    device.SetZoom(-4);
    EXPECT_EQ(device.GetZoom(), -1);
}

TEST(DeviceBitmap, CoordinateConversions) {
    CDeviceBitmap device;
    device.SetZoomLimits(-8, 16);
    device.SetZoom(3);
    EXPECT_EQ(device.ToDevice(gdi::POINT{2, -5}), (gdi::POINT{6, -15}));
    EXPECT_EQ(device.ToBitmap(gdi::RECT{7, -7, 8, 9}), (gdi::RECT{2, -2, 2, 3}));
    device.SetZoom(-4);
    EXPECT_EQ(device.ToDevice(gdi::RECT{9, -9, 16, 3}), (gdi::RECT{2, -2, 4, 0}));
    EXPECT_EQ(device.ToBitmap(gdi::POINT{3, -2}), (gdi::POINT{12, -8}));
    device.SetZoom(-1);
    EXPECT_EQ(device.ToDevice(gdi::POINT{5, 6}), (gdi::POINT{5, 6}));
    EXPECT_EQ(device.ToBitmap(gdi::POINT{5, 6}), (gdi::POINT{5, 6}));
    device.SetZoom(16);
    EXPECT_EQ(device.ToDevice(gdi::POINT{INT32_MAX / 2, 0}).x, INT32_MAX);  // saturates
}

TEST(DeviceBitmap, DrawStretchesOnlyTheNeededPart) {
    CDeviceBitmap device(MakePattern(6, 6));
    device.SetZoom(2);
    RecordingDC window(12, 12);
    device.Draw(&window, 0, 0, 3, 3);
    // Bitmap pixels (0, 0)-(2, 2) land on (0, 0)-(4, 4); nothing else moves.
    ASSERT_EQ(window.flushes.size(), 1u);
    EXPECT_EQ(window.flushes[0], (gdi::RECT{0, 0, 4, 4}));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(PixelAt(*window.surface, x, y),
                      x < 4 && y < 4 ? PixelAt(*device.GetBitmap(), x / 2, y / 2) : 0xABCDEFu)
                << x << "," << y;

    // An area beyond the bitmap draws nothing.
    device.Draw(&window, 12, 0, 4, 4);
    EXPECT_EQ(window.flushes.size(), 1u);
}

TEST(DeviceBitmap, DrawReducedAndOneToOne) {
    CDeviceBitmap device(MakePattern(8, 8));
    RecordingDC window(8, 8);
    device.Draw(&window, 2, 3, 2, 2);
    EXPECT_EQ(PixelAt(*window.surface, 3, 4), PixelAt(*device.GetBitmap(), 3, 4));
    EXPECT_EQ(PixelAt(*window.surface, 1, 3), 0xABCDEFu);

    device.SetZoom(-2);
    RecordingDC small(8, 8);
    device.Draw(&small, 0, 0, 8, 8);
    EXPECT_EQ(small.flushes.at(0), (gdi::RECT{0, 0, 4, 4}));
    EXPECT_EQ(PixelAt(*small.surface, 4, 4), 0xABCDEFu);
}

TEST(DeviceBitmap, DrawAtCopiesFromTheSourcePoint) {
    CDeviceBitmap device(MakePattern(5, 4));
    RecordingDC window(8, 8);
    device.DrawAt(&window, 1, 1, 2, 1);
    EXPECT_EQ(window.flushes.at(0), (gdi::RECT{1, 1, 4, 4}));
    EXPECT_EQ(PixelAt(*window.surface, 1, 1), PixelAt(*device.GetBitmap(), 2, 1));
    EXPECT_EQ(PixelAt(*window.surface, 3, 3), PixelAt(*device.GetBitmap(), 4, 3));
    EXPECT_EQ(PixelAt(*window.surface, 4, 1), 0xABCDEFu);
    device.DrawAt(&window, 0, 0, 5, 0);
    device.DrawAt(&window, 0, 0, -1, 0);
    device.DrawAt(nullptr, 0, 0, 0, 0);
    EXPECT_EQ(window.flushes.size(), 1u);
}

TEST(DeviceBitmap, CopyAssignAndPaint) {
    CDeviceBitmap source(MakePattern(4, 3));
    source.SetTickFactor(77);
    source.SetZoom(5);
    CDeviceBitmap target;
    target.SetZoomLimits(-8, 4);
    target.AssignFrom(source);
    ASSERT_NE(target.GetBitmap(), nullptr);
    EXPECT_NE(target.GetBitmap(), source.GetBitmap());
    EXPECT_TRUE(device_test::SameContent(*target.GetBitmap(), *source.GetBitmap()));
    EXPECT_EQ(target.GetTickFactor(), 77);
    EXPECT_EQ(target.GetZoom(), 4);  // within the target's own limits

    const gdi::RECT corner{0, 0, 2, 1};
    target.FillRect(gdi::CreateSolidBrush(gdi::RGB(0, 0, 0x40)), &corner);
    EXPECT_EQ(PixelAt(*target.GetBitmap(), 1, 0), 0x40u);
    EXPECT_EQ(PixelAt(*target.GetBitmap(), 2, 0), PixelAt(*source.GetBitmap(), 2, 0));
    target.FillRect(gdi::CreateSolidBrush(gdi::RGB(0x10, 0, 0)));
    EXPECT_EQ(PixelAt(*target.GetBitmap(), 3, 2), 0x100000u);

    CDeviceBitmap framed(device_test::MakeSurface(6, 6, 0));
    framed.FrameRegion(gdi::CreateSolidBrush(gdi::RGB(0xFF, 0, 0)), gdi::CreateRectRgn(0, 0, 6, 6),
                       2);
    EXPECT_EQ(PixelAt(*framed.GetBitmap(), 1, 1), 0xFF0000u);
    EXPECT_EQ(PixelAt(*framed.GetBitmap(), 2, 2), 0u);

    CDeviceBitmap empty;
    EXPECT_EQ(empty.CopyBitmap(nullptr), nullptr);
    EXPECT_EQ(empty.GetWidth(), 0);
}

}  // namespace
