#pragma once

// Pictures shared by the clipboard and capture tests and the clipboard holder
// program, which must agree on them across processes.

#include <cstdint>

#include "image/dib_image.h"

namespace exchange_test {

// A different colour for every pixel of pictures up to 64 x 64, none black.
inline ColourValue NumberedColour(std::int32_t x, std::int32_t y) {
    return ColourFromBgr(static_cast<std::uint8_t>(4 * x + 3), static_cast<std::uint8_t>(4 * y + 1),
                         static_cast<std::uint8_t>((9 * x + 5 * y) & 0xFF));
}

// A true-colour picture of the numbered colours.
inline void FillNumbered(CDibImage& picture) {
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
            picture.SetPixelColour(
                static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                NumberedColour(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)));
}

inline ColourValue Rgb(ColourValue colour) {
    return colour & 0xFFFFFF;
}

}  // namespace exchange_test
