#include "platform/x11/screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <memory>

#include "platform/x11/x11_error_trap.h"

namespace screen_capture {
namespace {

using x11::Connection;

struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

// Scales the channel under `mask` to 8 bits.
std::uint8_t Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!(mask >> shift & 1))
        ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

bool IsPlainBgrx(const XImage& image) {
    return image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
           image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
}

void ConvertRow(XImage& image, int y, std::uint8_t* to) {
    if (IsPlainBgrx(image)) {
        const auto* from = reinterpret_cast<const std::uint8_t*>(image.data) +
                           static_cast<std::ptrdiff_t>(y) * image.bytes_per_line;
        for (int x = 0; x < image.width; ++x, from += 4, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 0;
        }
        return;
    }
    for (int x = 0; x < image.width; ++x, to += 4) {
        const unsigned long pixel = XGetPixel(&image, x, y);
        to[0] = Channel(pixel, image.blue_mask);
        to[1] = Channel(pixel, image.green_mask);
        to[2] = Channel(pixel, image.red_mask);
        to[3] = 0;
    }
}

// Rows fetched per request, so that a large screen never needs its whole
// image twice in memory.
constexpr std::int64_t kStripBytes = 16 << 20;

}  // namespace

bool CopyRootWindow(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                    std::uint8_t* topRow, std::ptrdiff_t rowStep) {
    if (!topRow || width <= 0 || height <= 0)
        return false;
    const Connection connection;
    Display* display = connection.Get();
    if (!display)
        return false;

    const x11::ErrorTrap trap(connection);
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, root, &attributes) || trap.Failed())
        return false;
    const int visualClass = attributes.visual->c_class;
    if (attributes.depth <= 8 || (visualClass != TrueColor && visualClass != DirectColor))
        return false;

    // The part of the area on the root window, in 64 bits so that nothing
    // wraps; XGetImage refuses any area reaching outside the window.
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, attributes.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + height, attributes.height);
    if (right <= left || bottom <= top)
        return true;

    const std::int64_t stripRows = std::max<std::int64_t>(1, kStripBytes / (4 * (right - left)));
    for (std::int64_t stripTop = top; stripTop < bottom; stripTop += stripRows) {
        const std::int64_t rows = std::min(stripRows, bottom - stripTop);
        const std::unique_ptr<XImage, ImageDeleter> image(XGetImage(
            display, root, static_cast<int>(left), static_cast<int>(stripTop),
            static_cast<unsigned>(right - left), static_cast<unsigned>(rows), AllPlanes, ZPixmap));
        if (!image || trap.Failed())
            return false;
        for (int row = 0; row < image->height; ++row) {
            std::uint8_t* to = topRow + (stripTop - y + row) * rowStep + (left - x) * 4;
            ConvertRow(*image, row, to);
        }
    }
    return true;
}

}  // namespace screen_capture
