#pragma once

// Reading the screen back: the X11 root window's image, on a connection of
// our own. There is no portable way to read a Wayland screen, so without an
// X11 display the capture fails.

#include <cstddef>
#include <cstdint>

namespace screen_capture {

// Copies the area of the root window with its top-left corner at (x, y) into
// 32-bit pixels (blue, green, red, 0): row 0 of the area at `topRow`, each
// following row `rowStep` bytes further on (negative for bottom-up memory).
// The part of the area outside the root window is left as it is. False when
// no X11 display can be opened, its screen is not true colour of more than 8
// bits per pixel, or the server refuses; the rows may then be partly written.
bool CopyRootWindow(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                    std::uint8_t* topRow, std::ptrdiff_t rowStep);

}  // namespace screen_capture
