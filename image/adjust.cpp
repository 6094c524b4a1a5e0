// Colour adjustments: brightness, contrast, hue and saturation, colour
// balance and inversion. Pictures with a palette change their palette.

#include <algorithm>
#include <functional>

#include "image/editable_image.h"
#include "image/image_util.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using image_detail::StoreProgress;

namespace {

constexpr std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void AddBytes(std::uint8_t* bytes, std::size_t length, std::int32_t amount) {
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = Clamp(std::int32_t{bytes[i]} + amount);
}

// Changes the blue, green and red bytes (in that order) of a palette entry
// or pixel.
using ChannelFn = void (*)(std::uint8_t* bgr, const void* context);

struct HslParams {
    std::int32_t h;
    std::int32_t s;
};

double HueToChannel(double p, double q, double t) {
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (6 * t < 1)
        return p + (q - p) * 6 * t;
    if (2 * t < 1)
        return q;
    if (3 * t < 2)
        return p + (q - p) * (0.6666666666666666 - t) * 6;
    return p;
}

std::uint8_t ToByte(double v) {
    return Clamp(static_cast<std::int64_t>(v * 255));
}

void HueSaturationPixel(std::uint8_t* bgr, const void* context) {
    const auto& k = *static_cast<const HslParams*>(context);
    const double r = bgr[2] / 255.0, g = bgr[1] / 255.0, b = bgr[0] / 255.0;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    // The hue is scaled, not rotated.
    if (k.h != 128)
        h = k.h * h / 128;
    if (k.s != 128)
        s = k.s * s / 128;
    if (s == 0) {
        bgr[0] = bgr[1] = bgr[2] = ToByte(l);
        return;
    }
    const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    bgr[2] = ToByte(HueToChannel(p, q, h + 1.0 / 3));
    bgr[1] = ToByte(HueToChannel(p, q, h));
    bgr[0] = ToByte(HueToChannel(p, q, h - 1.0 / 3));
}

void ContrastPixel(std::uint8_t* bgr, const void* context) {
    const std::int32_t a = *static_cast<const std::int32_t*>(context);
    for (int c = 0; c < 3; ++c) {
        const std::int64_t v = std::int64_t{a} * (bgr[c] - 128) / 128;
        bgr[c] = v > 126 ? 255 : Clamp(v + 128);
    }
}

void ScalePixel(std::uint8_t* bgr, const void* context) {
    const std::int32_t a = *static_cast<const std::int32_t*>(context);
    for (int c = 0; c < 3; ++c)
        bgr[c] = Clamp(std::int64_t{a} * bgr[c] / 128);
}

void BalancePixel(std::uint8_t* bgr, const void* context) {
    const auto* deltas = static_cast<const std::int32_t*>(context);  // blue, green, red
    for (int c = 0; c < 3; ++c) {
        if (deltas[c] != 0)
            bgr[c] = Clamp(std::int64_t{bgr[c]} + deltas[c]);
    }
}

void InvertPixel(std::uint8_t* bgr, const void*) {
    for (int c = 0; c < 3; ++c)
        bgr[c] = static_cast<std::uint8_t>(~bgr[c]);
}

}  // namespace

void AddSaturated(std::uint8_t* bytes, std::size_t length, std::int32_t amount) {
    amount = std::clamp(amount, -255, 255);
    if (length <= 8 || amount == 0) {
        AddBytes(bytes, length, amount);
        return;
    }
#if defined(__SSE2__)
    // Bytes up to a 16-byte boundary one by one, then aligned 32-byte blocks.
    const std::size_t head =
        std::min(length, (16 - reinterpret_cast<std::uintptr_t>(bytes) % 16) % 16);
    AddBytes(bytes, head, amount);
    std::size_t i = head;
    const __m128i step = _mm_set1_epi8(static_cast<char>(amount > 0 ? amount : -amount));
    if (amount > 0) {
        for (; i + 32 <= length; i += 32) {
            auto* p = reinterpret_cast<__m128i*>(bytes + i);
            _mm_store_si128(p, _mm_adds_epu8(_mm_load_si128(p), step));
            _mm_store_si128(p + 1, _mm_adds_epu8(_mm_load_si128(p + 1), step));
        }
    } else {
        for (; i + 32 <= length; i += 32) {
            auto* p = reinterpret_cast<__m128i*>(bytes + i);
            _mm_store_si128(p, _mm_subs_epu8(_mm_load_si128(p), step));
            _mm_store_si128(p + 1, _mm_subs_epu8(_mm_load_si128(p + 1), step));
        }
    }
    AddBytes(bytes + i, length - i, amount);
#else
    AddBytes(bytes, length, amount);
#endif
}

namespace {

// A palette is one for the whole picture, so a selection cannot confine a
// change there: the palette always changes whole and so does the snapshot.
bool AdjustPalette(CEditableImage& image, ChannelFn fn, const void* context,
                   ProgressValue& progressOut) {
    gdi::RGBQUAD entries[256];
    const unsigned count = image.GetPalette(0, 256, entries);
    if (!count || (image.IsUndoEnabled() && !image.PushWholeUndo(true)))
        return false;
    for (unsigned i = 0; i < count; ++i)
        fn(reinterpret_cast<std::uint8_t*>(&entries[i]), context);
    image.SetPalette(0, count, entries);
    progressOut.store(100);
    return true;
}

void AdjustPixels(CDibImage& image, ChannelFn fn, const void* context, ProgressValue& progressOut) {
    const std::size_t bpp = image.GetBitCount() / 8;
    const std::size_t bytes = std::size_t{image.GetWidth()} * bpp;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        std::uint8_t* row = image.GetRow(y);
        for (std::size_t x = 0; x < bytes; x += bpp)
            fn(row + x, context);
        StoreProgress(progressOut, y + 1, image.GetHeight());
    }
}

void AddToEntry(std::uint8_t* quad, const void* context) {
    AddBytes(quad, 4, *static_cast<const std::int32_t*>(context));
}

void InvertEntry(std::uint8_t* quad, const void*) {
    for (int c = 0; c < 4; ++c)
        quad[c] = static_cast<std::uint8_t>(~quad[c]);
}

}  // namespace

// Every adjustment but additive brightness changes the blue, green and red
// bytes through one per-pixel function.
#define DRAPEWELL_ADJUST(paletteFn, pixelFn, context)                                        \
    do {                                                                                     \
        if (!IsValid() || GetBitCount() == 16)                                               \
            return false;                                                                    \
        if (GetBitCount() <= 8)                                                              \
            return AdjustPalette(*this, paletteFn, context, ProgressTarget(progressTarget)); \
        return RunEdit(                                                                      \
            [&](CDibImage& image, ProgressValue& progressOut) {                              \
                AdjustPixels(image, pixelFn, context, progressOut);                          \
            },                                                                               \
            progressTarget);                                                                 \
    } while (0)

bool CEditableImage::Brightness(std::int32_t amount, bool additive, ProgressValue* progressTarget) {
    if (!additive) {
        // Negative factors give 0 rather than wrapping round.
        const std::int32_t a = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{amount} * 128 / 100, -(1 << 24), 1 << 24));
        DRAPEWELL_ADJUST(ScalePixel, ScalePixel, &a);
    }
    if (!IsValid() || GetBitCount() == 16)
        return false;
    amount = std::clamp(amount, -255, 255);
    if (GetBitCount() <= 8)
        return AdjustPalette(*this, AddToEntry, &amount, ProgressTarget(progressTarget));
    return RunEdit(
        [amount](CDibImage& image, ProgressValue& progressOut) {
            // Every byte, the fourth byte of 32-bit pixels included.
            const std::size_t bytes = std::size_t{image.GetWidth()} * image.GetBitCount() / 8;
            for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
                AddSaturated(image.GetRow(y), bytes, amount);
                StoreProgress(progressOut, y + 1, image.GetHeight());
            }
        },
        progressTarget);
}

bool CEditableImage::Contrast(std::int32_t percent, ProgressValue* progressTarget) {
    const std::int32_t a = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{percent} * 128 / 100, -(1 << 24), 1 << 24));
    DRAPEWELL_ADJUST(ContrastPixel, ContrastPixel, &a);
}

bool CEditableImage::HueSaturation(std::int32_t huePercent, std::int32_t saturationPercent,
                                   ProgressValue* progressTarget) {
    const HslParams k{static_cast<std::int32_t>(std::int64_t{huePercent} * 128 / 100),
                      static_cast<std::int32_t>(std::int64_t{saturationPercent} * 128 / 100)};
    DRAPEWELL_ADJUST(HueSaturationPixel, HueSaturationPixel, &k);
}

bool CEditableImage::ColourBalance(std::int32_t red, std::int32_t green, std::int32_t blue,
                                   ProgressValue* progressTarget) {
    const std::int32_t deltas[3] = {blue, green, red};
    DRAPEWELL_ADJUST(BalancePixel, BalancePixel, deltas);
}

bool CEditableImage::Invert(ProgressValue* progressTarget) {
    DRAPEWELL_ADJUST(InvertEntry, InvertPixel, nullptr);
}

#undef DRAPEWELL_ADJUST
