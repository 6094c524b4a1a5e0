// Combining a second picture into this one: by channel arithmetic, at a
// fixed opacity, or through the source's fourth byte.

#include <algorithm>
#include <optional>

#include "image/editable_image.h"

namespace {

constexpr std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

bool IsTrueColour(const CDibImage& image) {
    return image.GetBitCount() == 24 || image.GetBitCount() == 32;
}

// Where the source placed at (x, y) covers this picture; empty when apart.
gdi::RECT Overlap(const CDibImage& target, const CDibImage& source, std::int32_t x,
                  std::int32_t y) {
    const std::int64_t left = std::max<std::int64_t>(0, x);
    const std::int64_t top = std::max<std::int64_t>(0, y);
    const std::int64_t right =
        std::min<std::int64_t>(target.GetWidth(), std::int64_t{x} + source.GetWidth());
    const std::int64_t bottom =
        std::min<std::int64_t>(target.GetHeight(), std::int64_t{y} + source.GetHeight());
    if (left >= right || top >= bottom)
        return {};
    return {std::int32_t(left), std::int32_t(top), std::int32_t(right), std::int32_t(bottom)};
}

// The mix of one channel: picture value d, source value s, source pixel p.
template <typename Mix>
void MixOverlap(CDibImage& area, std::int32_t areaLeft, std::int32_t areaTop,
                const CDibImage& source, std::int32_t x, std::int32_t y, const Mix& mix) {
    // The area is the picture itself or a copy of the selected part, whose
    // pixel (0, 0) is picture pixel (areaLeft, areaTop).
    const gdi::RECT r = Overlap(area, source, x - areaLeft, y - areaTop);
    const std::size_t bpp = area.GetBitCount() / 8;
    const std::size_t sourceBpp = source.GetBitCount() / 8;
    for (std::int32_t py = r.top; py < r.bottom; ++py) {
        std::uint8_t* d = area.GetPixelAddress(r.left, py);
        const std::uint8_t* s = source.GetPixelAddress(r.left - (x - areaLeft), py - (y - areaTop));
        for (std::int32_t px = r.left; px < r.right; ++px, d += bpp, s += sourceBpp) {
            for (int c = 0; c < 3; ++c)
                d[c] = mix(d[c], s[c], s);
        }
    }
}

}  // namespace

#define DRAPEWELL_MIX(mixExpr)                                                         \
    do {                                                                               \
        /* A picture combined with itself reads from a copy: in place it would    */   \
        /* read pixels already changed.                                             */ \
        std::optional<CDibImage> copy;                                                 \
        if (&source == this) {                                                         \
            copy.emplace(source);                                                      \
            if (!copy->IsValid())                                                      \
                return false;                                                          \
        }                                                                              \
        const CDibImage& from = copy ? *copy : source;                                 \
        const gdi::RECT origin = HasSelection() ? selectionBounds : gdi::RECT{};       \
        return RunEdit(                                                                \
            [&](CDibImage& area, ProgressValue&) {                                     \
                MixOverlap(area, origin.left, origin.top, from, x, y, mixExpr);        \
            },                                                                         \
            nullptr);                                                                  \
    } while (0)

bool CEditableImage::Combine(const CDibImage& source, std::int32_t mode, std::int32_t x,
                             std::int32_t y) {
    if (!IsTrueColour(*this) || !IsTrueColour(source) ||
        gdi::IsRectEmpty(Overlap(*this, source, x, y)))
        return false;
    switch (mode) {
    case 1:
        DRAPEWELL_MIX([](int d, int s, const std::uint8_t*) { return std::uint8_t(d & s); });
    case 2:
        DRAPEWELL_MIX([](int d, int s, const std::uint8_t*) { return std::uint8_t(d | s); });
    case 4:
        DRAPEWELL_MIX([](int d, int s, const std::uint8_t*) { return std::uint8_t(d ^ s); });
    case 8:
        DRAPEWELL_MIX([](int d, int s, const std::uint8_t*) { return Clamp(d + s); });
    case 16:
        DRAPEWELL_MIX([](int d, int s, const std::uint8_t*) { return Clamp(s - d); });
    case 32:
        DRAPEWELL_MIX([](int d, int s, const std::uint8_t*) { return Clamp(d * s); });
    default:
        return false;
    }
}

bool CEditableImage::Blend(const CDibImage& source, std::int32_t opacity, std::int32_t x,
                           std::int32_t y) {
    if (!IsTrueColour(*this) || !IsTrueColour(source) || opacity < 0 || opacity > 255 ||
        gdi::IsRectEmpty(Overlap(*this, source, x, y)))
        return false;
    DRAPEWELL_MIX([opacity](int d, int s, const std::uint8_t*) {
        return Clamp(opacity * (s - d) / 255 + d);
    });
}

bool CEditableImage::AlphaBlend(const CDibImage& source, std::int32_t x, std::int32_t y) {
    if (!IsTrueColour(*this) || source.GetBitCount() != 32 ||
        gdi::IsRectEmpty(Overlap(*this, source, x, y)))
        return false;
    DRAPEWELL_MIX([](int d, int s, const std::uint8_t* pixel) {
        return Clamp((s - d) * pixel[3] / 255 + d);
    });
}

#undef DRAPEWELL_MIX
