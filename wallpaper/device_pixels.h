#pragma once

// The picture as the setters take it: 32 bits per pixel, viewed top row first.

#include "image/dib_image.h"
#include "platform/desktop/desktop.h"

namespace wallpaper {

// `picture` itself when it is already 32-bit BI_RGB; otherwise a 32-bit copy
// made into `converted`. Null when the copy cannot be made.
const CDibImage* DevicePixels(const CDibImage& picture, CDibImage& converted);

desktop::PixelView ViewOf(const CDibImage& image);

}  // namespace wallpaper
