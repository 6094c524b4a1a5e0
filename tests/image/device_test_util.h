#pragma once

// An offscreen window stand-in and device bitmap builders for the rendering
// tests.

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "image/device_bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/dib_section.h"

namespace device_test {

inline gdi::BitmapPtr MakeSurface(int width, int height, std::uint32_t fill) {
    gdi::BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    std::uint8_t info[sizeof h];
    std::memcpy(info, &h, sizeof h);
    gdi::BitmapPtr bitmap = gdi::CreateDIBSection(info);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bitmap->TopRow(y));
        for (int x = 0; x < width; ++x)
            row[x] = fill;
    }
    return bitmap;
}

inline std::uint32_t PixelAt(const gdi::DibSection& s, int x, int y) {
    std::uint32_t v;
    std::memcpy(&v, s.TopRow(y) + x * 4, 4);
    return v & 0xFFFFFF;
}

// A distinct colour for every pixel.
inline gdi::BitmapPtr MakePattern(int width, int height) {
    gdi::BitmapPtr bitmap = MakeSurface(width, height, 0);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bitmap->TopRow(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0x100000u + static_cast<std::uint32_t>(y * 256 + x);
    }
    return bitmap;
}

// A window's context drawn offscreen: it records every Flush.
class RecordingDC : public gdi::DC {
public:
    RecordingDC(int width, int height, std::uint32_t fill = 0xABCDEF)
        : surface(MakeSurface(width, height, fill)) {
        SelectObject(surface.get());
    }
    ~RecordingDC() override { SelectObject(nullptr); }
    void Flush(const gdi::RECT& area) override {
        flushes.push_back(area);
        if (onFlush)
            onFlush(flushes.size());
    }
    gdi::BitmapPtr surface;
    std::vector<gdi::RECT> flushes;
    std::function<void(std::size_t)> onFlush;
};

inline bool SameContent(const gdi::DibSection& a, const gdi::DibSection& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (PixelAt(a, x, y) != PixelAt(b, x, y))
                return false;
    return true;
}

}  // namespace device_test
