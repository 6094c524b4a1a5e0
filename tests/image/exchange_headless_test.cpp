// The clipboard and the screen where neither is there: no QGuiApplication in
// this program, and no X display for its tests.

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/dib_image.h"
#include "tests/image/image_test_util.h"

namespace {

TEST(ExchangeWithoutDesktop, EveryOperationFailsAndLeavesThePicture) {
    CDibImage picture = image_test::MakePicture(6, 4, 24);
    const CDibImage before(picture);
    EXPECT_FALSE(CDibImage::CanPaste());
    EXPECT_EQ(picture.CopyToClipboard(), 0);
    EXPECT_EQ(picture.PasteFromClipboard(), 0);
    const gdi::POINT origin{0, 0};
    EXPECT_EQ(picture.PasteFromClipboard(&origin), 0);
    // ctest clears DISPLAY for this program; run by hand it may be set.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        EXPECT_EQ(picture.CaptureScreen(), 0);
        const gdi::RECT rect{0, 0, 3, 3};
        EXPECT_EQ(picture.CaptureScreen(&rect), 0);
    }
    ASSERT_EQ(picture.GetWidth(), 6u);
    for (std::uint32_t y = 0; y < 4; ++y)
        EXPECT_EQ(image_test::Pixel(picture, 5, y), image_test::Pixel(before, 5, y));
}

}  // namespace
