// Screen capture into the picture.

#include "image/dib_image.h"
#include "platform/gdi/display.h"
#include "platform/x11/screen_capture.h"

int CDibImage::CaptureScreen(const gdi::RECT* rect) {
    const gdi::RECT screen{0, 0, gdi::GetDeviceCaps(gdi::HORZRES),
                           gdi::GetDeviceCaps(gdi::VERTRES)};
    const gdi::RECT area = rect ? gdi::IntersectRect(*rect, screen) : screen;
    // An area that misses the screen has nothing to capture; it must not turn
    // into a blank picture of the whole screen (a zero size asks Create for
    // the display's).
    if (gdi::IsRectEmpty(area))
        return 0;
    CDibImage shot;
    if (!shot.Create(area.right - area.left, area.bottom - area.top,
                     static_cast<std::uint32_t>(gdi::GetDeviceCaps(gdi::BITSPIXEL))))
        return 0;
    if (shot.GetBitCount() != 32)  // the screen is read as 32-bit pixels
        return 0;
    // The picture's rows lie bottom-up in memory.
    if (!screen_capture::CopyRootWindow(area.left, area.top, area.right - area.left,
                                        area.bottom - area.top, shot.GetRow(0),
                                        -static_cast<std::ptrdiff_t>(shot.GetStride())))
        return 0;
    SwapPicture(shot);
    return 1;
}
