// The timed transitions of CDeviceBitmap: wipes, slides, blinds and a random
// dissolve. Every step is one or more blits, each flushed to the device by the
// drawing layer as it lands, then the running check, then the delay.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/device_bitmap.h"
#include "platform/base/timestamp.h"
#include "platform/gdi/draw.h"

namespace {

class Stepper {
public:
    Stepper(gdi::DC& target, const gdi::DC& source, const std::atomic<bool>& running,
            std::int64_t ticks)
        : target(target), source(source), running(running), ticks(ticks) {}

    // A copy of the source area (sx, sy, w, h) to (x, y).
    void Copy(int x, int y, int w, int h, int sx, int sy) {
        if (w > 0 && h > 0)
            gdi::BitBlt(target, x, y, w, h, source, sx, sy, gdi::SRCCOPY);
    }
    void Same(int x, int y, int w, int h) { Copy(x, y, w, h, x, y); }

    // Ends a step. False when the transition has to stop.
    bool EndStep() {
        if (!running.load())
            return false;
        CDeviceBitmap::Delay(ticks);
        return true;
    }

private:
    gdi::DC& target;
    const gdi::DC& source;
    const std::atomic<bool>& running;
    std::int64_t ticks;
};

void Wipe(Stepper& s, int subtype, int w, int h) {
    switch (subtype) {
    case 1:
        for (int y = 0; y < h; ++y) {
            s.Same(0, y, w, 1);
            if (!s.EndStep())
                return;
        }
        break;
    case 2:
        for (int y = h - 1; y >= 0; --y) {
            s.Same(0, y, w, 1);
            if (!s.EndStep())
                return;
        }
        break;
    case 4:
        for (int x = w - 1; x >= 0; --x) {
            s.Same(x, 0, 1, h);
            if (!s.EndStep())
                return;
        }
        break;
    case 8:
        for (int x = 0; x < w; ++x) {
            s.Same(x, 0, 1, h);
            if (!s.EndStep())
                return;
        }
        break;
    case 16:
        for (int i = 0; i <= w / 2; ++i) {
            s.Same(i, 0, 1, h);
            s.Same(w - 1 - i, 0, 1, h);
            if (!s.EndStep())
                return;
        }
        break;
    case 32:
        for (int i = 0; i <= h / 2; ++i) {
            s.Same(0, i, w, 1);
            s.Same(0, h - 1 - i, w, 1);
            if (!s.EndStep())
                return;
        }
        break;
    case 64:
        // Even rows go down while the rows of the other parity come up.
        for (int i = 0; i < h; i += 2) {
            s.Same(0, i, w, 1);
            const int other = (h - 1 - h % 2) - i;
            if (other >= 0)
                s.Same(0, other, w, 1);
            if (!s.EndStep())
                return;
        }
        break;
    case 128:
        for (int i = 0; i < w; i += 2) {
            s.Same(i, 0, 1, h);
            const int other = (w - 1 - w % 2) - i;
            if (other >= 0)
                s.Same(other, 0, 1, h);
            if (!s.EndStep())
                return;
        }
        break;
    default:
        break;
    }
}

void Slide(Stepper& s, int subtype, int w, int h) {
    switch (subtype) {
    case 1:
        for (int i = 1; i <= h; ++i) {
            s.Copy(0, 0, w, i, 0, h - i);
            if (!s.EndStep())
                return;
        }
        break;
    case 2:
        for (int i = 1; i <= h; ++i) {
            s.Copy(0, h - i, w, i, 0, 0);
            if (!s.EndStep())
                return;
        }
        break;
    case 4:
        for (int i = 1; i <= w; ++i) {
            s.Copy(w - i, 0, i, h, 0, 0);
            if (!s.EndStep())
                return;
        }
        break;
    case 8:
        for (int i = 1; i <= w; ++i) {
            s.Copy(0, 0, i, h, w - i, 0);
            if (!s.EndStep())
                return;
        }
        break;
    case 16: {
        const int c = w / 2 - (w + 1) % 2;
        for (int i = 0; i <= c; ++i) {
            s.Copy(0, 0, i + 1, h, c - i, 0);
            s.Copy(w - 1 - i, 0, i + 1, h, w / 2, 0);
            if (!s.EndStep())
                return;
        }
        break;
    }
    case 32: {
        const int c = h / 2 - (h + 1) % 2;
        for (int i = 0; i <= c; ++i) {
            s.Copy(0, 0, w, i + 1, 0, c - i);
            s.Copy(0, h - 1 - i, w, i + 1, 0, h / 2);
            if (!s.EndStep())
                return;
        }
        break;
    }
    default:
        break;
    }
}

void Blinds(Stepper& s, bool rows, int count, int w, int h) {
    const int extent = rows ? h : w;
    for (int pass = 0; pass < count; ++pass) {
        for (std::int64_t i = pass; i < extent; i += count) {
            const int at = static_cast<int>(i);
            if (rows)
                s.Same(0, at, w, 1);
            else
                s.Same(at, 0, 1, h);
        }
        if (!s.EndStep())
            return;
    }
}

void Dissolve(Stepper& s, int block, int w, int h) {
    const std::int64_t n = (std::int64_t{w} + block - 1) / block;
    const std::int64_t m = (std::int64_t{h} + block - 1) / block;
    std::vector<gdi::POINT> origins;
    try {
        origins.resize(static_cast<std::size_t>(n * m));
    } catch (const std::bad_alloc&) {
        return;  // nothing drawn, as when the blocks cannot be counted
    }
    for (std::int64_t j = 0; j < m; ++j)
        for (std::int64_t i = 0; i < n; ++i)
            origins[static_cast<std::size_t>(i + n * j)] = {static_cast<std::int32_t>(i * block),
                                                            static_cast<std::int32_t>(j * block)};
    std::minstd_rand random(std::random_device{}());
    for (std::size_t k = origins.size(); k-- > 0;) {
        const std::size_t d = std::uniform_int_distribution<std::size_t>(0, k)(random);
        s.Same(origins[d].x, origins[d].y, block, block);
        if (d != k)
            origins[d] = origins[k];
        if (!s.EndStep())
            return;
    }
}

}  // namespace

void CDeviceBitmap::Delay(std::int64_t ticks) {
    if (ticks <= 0)
        return;
    const std::uint64_t start = platform::ReadTimestamp();
    while (platform::ReadTimestamp() - start < static_cast<std::uint64_t>(ticks)) {
    }
}

void CDeviceBitmap::ShowWithTransition(gdi::DC* dc, TransitionParameters p) {
    if (!dc || !bitmap)
        return;
    const int w = GetWidth();
    const int h = GetHeight();
    dc->SetStretchBltMode(gdi::COLORONCOLOR);
    const gdi::HBITMAP source = bitmap.get();
    gdi::MemoryDC memory;
    memory.SelectObject(source);

    // In 64 bits: a large factor times a delay (times 1000) must not wrap.
    const bool blinds = p.effect == TransitionParameters::kHorizontalBlinds ||
                        p.effect == TransitionParameters::kVerticalBlinds;
    const std::int64_t delay = std::max<std::int64_t>(p.delay, 0);
    std::int64_t ticks = 0;
    if (__builtin_mul_overflow(tickFactor, delay * (blinds ? 1000 : 1), &ticks))
        ticks = INT64_MAX;
    Stepper steps(*dc, memory, running, ticks);
    // A count below 1 would divide by zero or draw nothing: one pass, one
    // pixel per block.
    const int count = std::max(p.count, 1);
    switch (p.effect) {
    case TransitionParameters::kWipe:
        Wipe(steps, p.subtype, w, h);
        break;
    case TransitionParameters::kSlide:
        Slide(steps, p.subtype, w, h);
        break;
    case TransitionParameters::kHorizontalBlinds:
        Blinds(steps, true, count, w, h);
        break;
    case TransitionParameters::kVerticalBlinds:
        Blinds(steps, false, count, w, h);
        break;
    case TransitionParameters::kDissolve:
        Dissolve(steps, count, w, h);
        break;
    default:
        break;
    }
    memory.SelectObject(nullptr);
}
