#pragma once

#include <atomic>
#include <cstdint>

#include "platform/gdi/dc.h"
#include "platform/gdi/dib_section.h"
#include "platform/gdi/region.h"
#include "platform/gdi/types.h"

// The parameters of ShowWithTransition.
struct TransitionParameters {
    enum Effect : std::int32_t {
        kWipe = 4,
        kSlide = 8,
        kHorizontalBlinds = 16,
        kVerticalBlinds = 32,
        kDissolve = 64,
    };
    std::int32_t effect = kWipe;
    std::int32_t subtype = 1;  // wipes and slides
    std::int32_t delay = 0;    // in delay units (see tickFactor)
    // Passes of the blinds; block size in pixels of the dissolve.
    std::int32_t count = 1;
};

// A bitmap in the display's format, painted into a device context at a zoom
// factor or revealed with a timed transition. Owns its bitmap.
class CDeviceBitmap {
public:
    CDeviceBitmap() = default;
    explicit CDeviceBitmap(gdi::BitmapPtr bitmap) : bitmap(std::move(bitmap)) {}
    CDeviceBitmap(const CDeviceBitmap&) = delete;
    CDeviceBitmap& operator=(const CDeviceBitmap&) = delete;

    gdi::HBITMAP GetBitmap() const { return bitmap.get(); }
    void SetBitmap(gdi::BitmapPtr replacement) { bitmap = std::move(replacement); }
    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;

    // n > 1 magnifies n times, n < -1 reduces by -n; 1 and -1 are 1:1.
    std::int32_t GetZoom() const { return zoom; }
    // 0 becomes -1; negative values are kept at or above minZoom, positive
    // ones between 1 and maxZoom.
    void SetZoom(std::int32_t value);
    void SetZoomLimits(std::int32_t minimum, std::int32_t maximum);
    std::int32_t GetMinZoom() const { return minZoom; }
    std::int32_t GetMaxZoom() const { return maxZoom; }

    // Counter ticks per unit of transition delay.
    std::int64_t GetTickFactor() const { return tickFactor; }
    void SetTickFactor(std::int64_t ticks) { tickFactor = ticks < 0 ? 0 : ticks; }

    // A transition goes on while this is set; clearing it, from any thread,
    // stops the transition after its current step.
    void SetRunning(bool value) { running.store(value); }
    bool IsRunning() const { return running.load(); }

    // Between bitmap and device coordinates at the current zoom (division
    // truncates toward zero; results saturate at the 32-bit range).
    gdi::POINT ToDevice(gdi::POINT p) const;
    gdi::RECT ToDevice(const gdi::RECT& r) const;
    gdi::POINT ToBitmap(gdi::POINT p) const;
    gdi::RECT ToBitmap(const gdi::RECT& r) const;

    // Paint on the bitmap: `rect` (the whole bitmap when null), or a frame
    // of `width` x `width` pixels inside `region`.
    void FillRect(const gdi::Brush& brush, const gdi::RECT* rect = nullptr);
    void FrameRegion(const gdi::Brush& brush, const gdi::Region& region, std::int32_t width);

    // Repaints the device rectangle (x, y, x + width, y + height) of a
    // window showing the bitmap at the origin at the current zoom; only the
    // bitmap part under it is stretched.
    void Draw(gdi::DC* dc, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height) const;
    // 1:1 copy of the bitmap from (sourceX, sourceY) to its lower-right
    // corner, placed at (x, y).
    void DrawAt(gdi::DC* dc, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                std::int32_t sourceY) const;
    // A copy of the pixels in the display's format (every context here is
    // compatible with it); null without a bitmap.
    gdi::BitmapPtr CopyBitmap(const gdi::DC* dc) const;
    // Takes a copy of `other`'s bitmap, its tick factor and zoom.
    void AssignFrom(const CDeviceBitmap& other);

    // Reveals the bitmap at the origin of `dc` step by step. Each step is
    // flushed to the device before the delay that follows it.
    void ShowWithTransition(gdi::DC* dc, TransitionParameters parameters);
    // Busy-waits until the time-stamp counter has advanced by `ticks`.
    static void Delay(std::int64_t ticks);

private:
    gdi::BitmapPtr bitmap;
    std::int32_t zoom = 1;
    std::int64_t tickFactor = 0;
    std::int32_t maxZoom = 16;
    std::int32_t minZoom = -16;
    std::atomic<bool> running{true};
};
