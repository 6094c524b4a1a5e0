#include "wallpaper/device_pixels.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"

namespace wallpaper {

// The picture as the setters take it, 32 bits per pixel. A picture already in
// that form is used as it is; any other depth goes through a blit.
const CDibImage* DevicePixels(const CDibImage& picture, CDibImage& converted) {
    if (picture.GetBitCount() == 32 && picture.GetCompression() == gdi::BI_RGB)
        return &picture;
    if (!converted.Create(picture.GetWidth(), picture.GetHeight(), 32))
        return nullptr;
    gdi::MemoryDC to;
    gdi::MemoryDC from;
    to.SelectObject(converted.GetBitmapHandle());
    from.SelectObject(picture.GetBitmapHandle());
    const bool done = gdi::BitBlt(to, 0, 0, static_cast<int>(picture.GetWidth()),
                                  static_cast<int>(picture.GetHeight()), from, 0, 0, gdi::SRCCOPY);
    to.SelectObject(nullptr);
    from.SelectObject(nullptr);
    return done ? &converted : nullptr;
}

desktop::PixelView ViewOf(const CDibImage& image) {
    // Pictures are bottom-up in memory: each row down lies one stride lower.
    return {static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()),
            image.GetRow(0), -static_cast<std::ptrdiff_t>(image.GetStride())};
}

}  // namespace wallpaper
