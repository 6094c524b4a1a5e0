// Filters of neighbouring pixels along rows or within blocks: motion blur,
// mosaic, diffuse, emboss and edge enhancement.

#include <algorithm>
#include <cstring>
#include <random>

#include "image/editable_image.h"
#include "image/image_util.h"

using image_detail::StoreProgress;

namespace {

constexpr std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

bool IsTrueColour(const CDibImage& image) {
    return image.GetBitCount() == 24 || image.GetBitCount() == 32;
}

constexpr std::int32_t kRightwards = 8;
constexpr std::int32_t kLeftwards = 16;

// A window of n + 1 pixels walks the row; each pixel it passes becomes the
// window's mean. The sum loses the pixel just written (its blurred value),
// and past the row's end the far edge colour enters.
void BlurRowOf(CDibImage& image, std::uint32_t row, std::int32_t n, std::int32_t direction) {
    const std::int64_t width = image.GetWidth();
    const std::size_t bpp = image.GetBitCount() / 8;
    std::uint8_t* base = image.GetRow(row);
    const bool right = direction == kRightwards;
    auto at = [&](std::int64_t k) { return base + std::size_t(right ? k : width - 1 - k) * bpp; };
    std::uint8_t edge[3];
    std::memcpy(edge, at(width - 1), 3);
    const std::uint32_t window = static_cast<std::uint32_t>(n) + 1;
    std::uint32_t sum[3] = {};
    for (std::int64_t k = 0; k <= n; ++k) {
        for (int c = 0; c < 3; ++c)
            sum[c] += at(k)[c];
    }
    for (int c = 0; c < 3; ++c)
        at(0)[c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, sum[c] / window));
    for (std::int64_t step = 0; step < width - 2; ++step) {
        const std::uint8_t* entering = step >= width - n - 1 ? edge : at(step + n + 1);
        std::uint8_t* current = at(step);
        std::uint8_t* next = at(step + 1);
        for (int c = 0; c < 3; ++c) {
            sum[c] = sum[c] + entering[c] - current[c];
            next[c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, sum[c] / window));
        }
    }
}

bool BlurRowFits(const CDibImage& image, std::int32_t length, std::int32_t direction) {
    return IsTrueColour(image) && length > 0 &&
           std::int64_t{length} <= std::int64_t{image.GetWidth()} - 2 &&
           (direction == kRightwards || direction == kLeftwards);
}

void MosaicBlock(CDibImage& image, std::uint32_t x0, std::uint32_t y0, std::uint32_t w,
                 std::uint32_t h) {
    const std::size_t bpp = image.GetBitCount() / 8;
    std::uint64_t sum[3] = {};
    for (std::uint32_t y = y0; y < y0 + h; ++y) {
        const std::uint8_t* p = image.GetPixelAddress(x0, y);
        for (std::uint32_t x = 0; x < w; ++x, p += bpp) {
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
        }
    }
    const std::uint64_t count = std::uint64_t{w} * h;
    std::uint8_t mean[3];
    for (int c = 0; c < 3; ++c)
        mean[c] = static_cast<std::uint8_t>(std::min<std::uint64_t>(255, sum[c] / count));
    for (std::uint32_t y = y0; y < y0 + h; ++y) {
        std::uint8_t* p = image.GetPixelAddress(x0, y);
        for (std::uint32_t x = 0; x < w; ++x, p += bpp)
            std::memcpy(p, mean, 3);
    }
}

}  // namespace

bool CEditableImage::BlurRow(std::uint32_t row, std::int32_t length, std::int32_t direction) {
    if (!BlurRowFits(*this, length, direction) || row >= GetHeight())
        return false;
    // Only the row changes, whatever is selected; so only the row is saved.
    if (undoEnabled)
        PushAreaUndo(
            gdi::RECT{0, std::int32_t(row), std::int32_t(GetWidth()), std::int32_t(row) + 1}, true);
    BlurRowOf(*this, row, length, direction);
    return true;
}

bool CEditableImage::MotionBlur(std::int32_t length, std::int32_t direction, bool fixedLength,
                                ProgressValue* progressTarget) {
    if (!BlurRowFits(*this, length, direction))
        return false;
    return RunEdit(
        [=](CDibImage& image, ProgressValue& progressOut) {
            // A selected area may be narrower than the length asked for.
            const std::int32_t limit = std::int32_t(image.GetWidth()) - 2;
            if (limit <= 0)
                return;
            std::minstd_rand random;
            for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
                std::int32_t n = length;
                if (!fixedLength)
                    n = std::max<std::int32_t>(1, std::int32_t(random() % std::uint32_t(length)));
                BlurRowOf(image, y, std::min(n, limit), direction);
                StoreProgress(progressOut, y + 1, image.GetHeight());
            }
        },
        progressTarget);
}

bool CEditableImage::Mosaic(std::int32_t blockSize, ProgressValue* progressTarget) {
    if (!IsTrueColour(*this) || blockSize <= 1 || std::uint32_t(blockSize) >= GetWidth() ||
        std::uint32_t(blockSize) >= GetHeight())
        return false;
    return RunEdit(
        [blockSize](CDibImage& image, ProgressValue& progressOut) {
            const std::uint32_t size = static_cast<std::uint32_t>(blockSize);
            const std::uint32_t width = image.GetWidth();
            const std::uint32_t height = image.GetHeight();
            // The last block of a row or column takes what remains.
            const std::uint32_t columns = (width + size - 1) / size;
            const std::uint32_t rows = (height + size - 1) / size;
            for (std::uint32_t by = 0; by < rows; ++by) {
                const std::uint32_t y0 = by * size;
                const std::uint32_t h = by + 1 == rows ? height - y0 : size;
                for (std::uint32_t bx = 0; bx < columns; ++bx) {
                    const std::uint32_t x0 = bx * size;
                    MosaicBlock(image, x0, y0, bx + 1 == columns ? width - x0 : size, h);
                }
                StoreProgress(progressOut, by + 1, rows);
            }
        },
        progressTarget);
}

bool CEditableImage::Diffuse(std::int32_t amount) {
    if (GetBitCount() != 32 || amount < 2 || amount > 100 || std::uint32_t(amount) >= GetWidth() ||
        std::uint32_t(amount) >= GetHeight())
        return false;
    return RunEdit(
        [amount](CDibImage& image, ProgressValue&) {
            const std::int64_t width = image.GetWidth();
            const std::int64_t height = image.GetHeight();
            if (amount >= width || amount >= height)
                return;
            const CDibImage copy(image);
            if (!copy.IsValid())
                return;
            std::minstd_rand random;
            const std::uint32_t span = static_cast<std::uint32_t>(amount);
            for (std::int64_t i = 0; i <= height - amount; ++i) {
                std::uint8_t* out =
                    image.GetPixelAddress(amount / 2, std::uint32_t(i + amount / 2));
                for (std::int64_t j = 0; j <= width - amount; ++j, out += 4) {
                    const std::uint32_t dy = random() % span;
                    const std::uint32_t dx = random() % span;
                    std::memcpy(
                        out, copy.GetPixelAddress(std::uint32_t(j + dx), std::uint32_t(i + dy)), 4);
                }
            }
        },
        nullptr);
}

bool CEditableImage::Emboss(std::int32_t depth, ProgressValue* progressTarget) {
    if (!IsTrueColour(*this))
        return false;
    return RunEdit(
        [depth](CDibImage& image, ProgressValue& progressOut) {
            const std::size_t bpp = image.GetBitCount() / 8;
            const std::uint32_t width = image.GetWidth();
            for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
                std::uint8_t* p = image.GetRow(y);
                for (std::uint32_t x = 0; x + 1 < width; ++x, p += bpp) {
                    const std::int64_t d =
                        (p[0] + p[1] + p[2]) - (p[bpp] + p[bpp + 1] + p[bpp + 2]);
                    const std::int64_t e = std::int64_t{depth} * (d / 3);
                    const std::uint8_t grey = e >= 127 ? 255 : Clamp(e + 128);
                    p[0] = p[1] = p[2] = grey;
                }
                p[0] = p[1] = p[2] = 128;
                StoreProgress(progressOut, y + 1, image.GetHeight());
            }
        },
        progressTarget);
}

bool CEditableImage::EdgeEnhance(std::int32_t amount, ProgressValue* progressTarget) {
    if (!IsTrueColour(*this) || amount <= 0)
        return false;
    return RunEdit(
        [amount](CDibImage& image, ProgressValue& progressOut) {
            const std::size_t bpp = image.GetBitCount() / 8;
            const std::uint32_t width = image.GetWidth();
            for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
                std::uint8_t* p = image.GetRow(y);
                for (std::uint32_t x = 0; x + 1 < width; ++x, p += bpp) {
                    for (std::size_t c = 0; c < 3; ++c) {
                        const std::int64_t v = p[c];
                        const std::int64_t n = p[c + bpp];
                        if (v != n)
                            p[c] = Clamp(v + std::int64_t{amount} * (v - n));
                    }
                }
                StoreProgress(progressOut, y + 1, image.GetHeight());
            }
        },
        progressTarget);
}
