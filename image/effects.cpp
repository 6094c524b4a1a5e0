// Distortions: wave, cylinder and spherize.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/editable_image.h"
#include "image/image_util.h"

using image_detail::StoreProgress;

namespace {

constexpr double kPi = 3.1415926536;

// Moves column x down by count pixels; the pixels pushed past the bottom
// are lost and the freed top ones become 0xFF bytes.
void ShiftColumn(CDibImage& image, std::uint32_t x, std::uint32_t count) {
    const std::size_t bpp = image.GetBitCount() / 8;
    const std::uint32_t height = image.GetHeight();
    for (std::uint32_t y = height - 1; y >= count; --y)
        std::memcpy(image.GetPixelAddress(x, y), image.GetPixelAddress(x, y - count), bpp);
    for (std::uint32_t y = 0; y < count; ++y)
        std::memset(image.GetPixelAddress(x, y), 0xFF, bpp);
}

void ShiftAllUp(CDibImage& image, std::uint32_t count) {
    // Memory holds the bottom row first: up is towards the end.
    const std::size_t stride = image.GetStride();
    const std::size_t freed = std::size_t{count} * stride;
    const std::size_t kept = std::size_t{image.GetHeight() - count} * stride;
    std::memmove(image.GetBits() + freed, image.GetBits(), kept);
    std::memset(image.GetBits(), 0xFF, freed);
}

}  // namespace

bool CEditableImage::ShiftColumnDown(std::uint32_t x, std::int32_t count) {
    if (GetBitCount() < 8 || x >= GetWidth() || count <= 0 || std::uint32_t(count) >= GetHeight())
        return false;
    // Only the column changes, whatever is selected; so only it is saved.
    if (undoEnabled)
        PushAreaUndo(gdi::RECT{std::int32_t(x), 0, std::int32_t(x) + 1, std::int32_t(GetHeight())},
                     true);
    ShiftColumn(*this, x, static_cast<std::uint32_t>(count));
    return true;
}

bool CEditableImage::Wave(std::int32_t amplitudePercent, std::int32_t frequency,
                          ProgressValue* progressTarget) {
    if (GetBitCount() < 8)
        return false;
    return RunEdit(
        [=](CDibImage& image, ProgressValue& progressOut) {
            const std::int64_t height = image.GetHeight();
            const std::uint32_t width = image.GetWidth();
            const std::int64_t amplitude = std::int64_t{amplitudePercent} * height * 95 / 10000;
            // Lifted first so the columns' fall brings them back into place.
            if (amplitude > 0 && amplitude < height)
                ShiftAllUp(image, static_cast<std::uint32_t>(amplitude));
            const double step = frequency * kPi / width / 10;
            double phase = 0;
            for (std::uint32_t x = 0; x < width; ++x, phase += step) {
                const auto count =
                    static_cast<std::int64_t>((1 - std::cos(phase)) * double(amplitude / 2));
                if (count > 0 && count < height)
                    ShiftColumn(image, x, static_cast<std::uint32_t>(count));
                StoreProgress(progressOut, x + 1, width);
            }
        },
        progressTarget);
}

bool CEditableImage::Cylinder() {
    // A radius of 0 (under 3 pixels wide) would divide by zero.
    if (GetBitCount() < 16 || GetWidth() < 3)
        return false;
    return RunEdit(
        [](CDibImage& image, ProgressValue&) {
            const std::int64_t width = image.GetWidth();
            const std::int64_t r = (width - 1) / 2;
            if (r == 0)
                return;
            CEditableImage wide(false);
            wide.CopyFrom(image);
            const auto wideWidth =
                static_cast<std::uint32_t>(std::max<double>(double(width), double(r) * kPi));
            if (!wide.IsValid() || !wide.Resize(wideWidth, image.GetHeight(), false))
                return;
            const double rq = (std::int64_t{wide.GetWidth()} - 1) / 2;
            const double last = wide.GetWidth() - 1.0;
            const std::size_t bpp = image.GetBitCount() / 8;
            for (std::int64_t s = 0; s < width; ++s) {
                // An even width puts the last column past the radius; the
                // sine is limited so it maps to the edge rather than NaN.
                const double sine = std::clamp(double(r - s) / double(r), -1.0, 1.0);
                const auto from = static_cast<std::uint32_t>(
                    std::clamp(rq - double(r) * std::asin(sine), 0.0, last));
                for (std::uint32_t y = 0; y < image.GetHeight(); ++y)
                    std::memcpy(image.GetPixelAddress(std::uint32_t(s), y),
                                wide.GetPixelAddress(from, y), bpp);
            }
        },
        nullptr);
}

bool CEditableImage::Spherize(std::int32_t amount, ProgressValue* progressTarget) {
    // A centre at 0 (under 3 pixels) would divide by zero.
    if (GetBitCount() < 16 || GetWidth() < 3 || GetHeight() < 3)
        return false;
    amount = std::clamp(amount, 1, 100);
    return RunEdit(
        [amount](CDibImage& image, ProgressValue& progressOut) {
            const std::int32_t cx = (std::int32_t(image.GetWidth()) - 1) / 2;
            const std::int32_t cy = (std::int32_t(image.GetHeight()) - 1) / 2;
            if (cx == 0 || cy == 0)
                return;
            const double base = (101 - amount) * kPi / 200;
            const double span = 1.5707963268 - base;
            // Every pixel read lies farther from the centre than the one
            // written and is still unchanged, so the work is in place.
            for (std::int32_t i = 0; i <= cy; ++i) {
                for (std::int32_t j = 0; j <= cx; ++j) {
                    const double f = std::hypot(double(j) / cx, double(i) / cy);
                    if (f > 1)
                        break;
                    const double g = std::sin(f * span + base);
                    const auto h = static_cast<std::int32_t>(j / g);
                    const auto l = static_cast<std::int32_t>(i / g);
                    if (h == j && l == i)
                        continue;
                    image.SetPixelColour(cx + j, cy - i, image.GetPixelColour(cx + h, cy - l));
                    image.SetPixelColour(cx - j, cy - i, image.GetPixelColour(cx - h, cy - l));
                    image.SetPixelColour(cx + j, cy + i, image.GetPixelColour(cx + h, cy + l));
                    image.SetPixelColour(cx - j, cy + i, image.GetPixelColour(cx - h, cy + l));
                }
                StoreProgress(progressOut, i, image.GetHeight(), 200);
            }
        },
        progressTarget);
}
