// Window filters: convolution kernels, the named 3 x 3 filters and the box
// blur. Each reads the picture as if its border pixels were repeated past
// its edges, so a window of size s has s / 2 pixels of margin before its
// centre and s - 1 - s / 2 after it. Rather than enlarging the picture
// (which would move a selection's coordinates), the reads clamp their
// coordinates, and the result is built apart and then put in place.

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "image/editable_image.h"
#include "image/image_util.h"

using image_detail::StoreProgress;

namespace {

constexpr std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

using AreaFill =
    std::function<void(const CDibImage& source, const gdi::RECT& area, CDibImage& out)>;

// Fills a picture the size of the selected area (or of the whole picture)
// from the unchanged source, then records undo and puts it in place. When
// the result cannot be made the picture stays as it is.
bool RunAreaFilter(CEditableImage& image, const AreaFill& fill) {
    const bool selected = image.HasSelection();
    const gdi::RECT area = selected ? image.GetSelectionBounds()
                                    : gdi::RECT{0, 0, static_cast<std::int32_t>(image.GetWidth()),
                                                static_cast<std::int32_t>(image.GetHeight())};
    gdi::BITMAPV4HEADER h;
    image.GetHeader(&h);
    const auto masks = image_detail::HeaderMasks(h);
    CDibImage out;
    if (!out.Create(area.right - area.left, area.bottom - area.top, image.GetBitCount(),
                    image.GetCompression(), masks.data(), true))
        return false;
    fill(image, area, out);
    if (image.IsUndoEnabled())
        image.SaveUndoState();
    if (selected)
        image.PasteClipped(out, area.left, area.top);
    else
        image.SwapPicture(out);
    return true;
}

// Byte offsets of the columns a window row covers, output column x's
// window starting at entry x.
std::vector<std::size_t> ColumnOffsets(const CDibImage& source, const gdi::RECT& area,
                                       std::int32_t size, std::int32_t lead) {
    const std::int64_t last = std::int64_t{source.GetWidth()} - 1;
    const std::size_t bpp = source.GetBitCount() / 8;
    std::vector<std::size_t> offsets(static_cast<std::size_t>(area.right - area.left + size - 1));
    for (std::size_t c = 0; c < offsets.size(); ++c)
        offsets[c] = static_cast<std::size_t>(
                         std::clamp<std::int64_t>(area.left - lead + std::int64_t(c), 0, last)) *
                     bpp;
    return offsets;
}

const std::uint8_t* ClampedRow(const CDibImage& source, std::int64_t y) {
    return source.GetRow(
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(y, 0, source.GetHeight() - 1)));
}

// The fourth byte of 32-bit pixels is kept from the source.
void KeepFourthBytes(const CDibImage& source, const gdi::RECT& area, std::uint32_t y,
                     std::uint8_t* out) {
    if (source.GetBitCount() != 32)
        return;
    const std::uint8_t* in = source.GetRow(area.top + y) + std::size_t(area.left) * 4;
    for (std::int32_t x = 0; x < area.right - area.left; ++x)
        out[x * 4 + 3] = in[x * 4 + 3];
}

void Convolve(const CDibImage& source, const gdi::RECT& area, CDibImage& out,
              const std::int32_t* kernel, std::int32_t size, std::int32_t divisor) {
    const std::int32_t lead = size / 2;
    const std::size_t bpp = source.GetBitCount() / 8;
    const std::vector<std::size_t> columns = ColumnOffsets(source, area, size, lead);
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(size));
    const std::uint32_t width = out.GetWidth();
    for (std::uint32_t y = 0; y < out.GetHeight(); ++y) {
        for (std::int32_t r = 0; r < size; ++r)
            rows[r] = ClampedRow(source, std::int64_t{area.top} + y - lead + r);
        std::uint8_t* o = out.GetRow(y);
        for (std::uint32_t x = 0; x < width; ++x, o += bpp) {
            std::int64_t sum[3] = {};
            const std::int32_t* k = kernel;
            for (std::int32_t r = 0; r < size; ++r) {
                for (std::int32_t c = 0; c < size; ++c, ++k) {
                    if (*k == 0)
                        continue;
                    const std::uint8_t* p = rows[r] + columns[x + c];
                    sum[0] += std::int64_t{*k} * p[0];
                    sum[1] += std::int64_t{*k} * p[1];
                    sum[2] += std::int64_t{*k} * p[2];
                }
            }
            for (int ch = 0; ch < 3; ++ch)
                o[ch] = Clamp(sum[ch] / divisor);
        }
        KeepFourthBytes(source, area, y, out.GetRow(y));
    }
}

// Division by a fixed divisor d through a multiply: (v * m) >> 48 with
// m = 2^48 / d + 1 is exact while v <= 255 * d and d < 2^20, since the
// error v / 2^48 stays below the 1 / d gap to the next integer.
struct Divider {
    explicit Divider(std::uint64_t d)
        : divisor(d), multiplier((std::uint64_t{1} << 48) / d + 1), exact(d < (1u << 20)) {}
    std::uint32_t operator()(std::uint64_t v) const {
        return static_cast<std::uint32_t>(exact ? (v * multiplier) >> 48 : v / divisor);
    }
    std::uint64_t divisor;
    std::uint64_t multiplier;
    bool exact;
};

// Running sums: per column a sum over the window's rows, updated by one
// row in and one row out; along a row the window sum takes one column in
// and one out. The cost per pixel does not depend on the size.
void BoxMean(const CDibImage& source, const gdi::RECT& area, CDibImage& out, std::int32_t size,
             ProgressValue& progress) {
    const std::int32_t lead = size / 2;
    const std::size_t bpp = source.GetBitCount() / 8;
    const std::int64_t lastColumn = std::int64_t{source.GetWidth()} - 1;
    // Only the picture columns the windows reach get a sum; reads past the
    // edges map to the border columns.
    const std::int64_t first = std::max<std::int64_t>(0, area.left - lead);
    const std::int64_t end = std::min<std::int64_t>(lastColumn + 1, area.right + size - 1 - lead);
    const std::size_t spanBytes = static_cast<std::size_t>(end - first) * bpp;
    std::vector<std::uint32_t> columnSums(spanBytes);
    std::vector<std::uint32_t> map(static_cast<std::size_t>(area.right - area.left + size - 1));
    for (std::size_t c = 0; c < map.size(); ++c)
        map[c] = static_cast<std::uint32_t>(
            (std::clamp<std::int64_t>(area.left - lead + std::int64_t(c), 0, lastColumn) - first) *
            bpp);

    auto rowAt = [&](std::int64_t y) { return ClampedRow(source, y) + first * bpp; };
    for (std::int32_t r = 0; r < size; ++r) {
        const std::uint8_t* row = rowAt(std::int64_t{area.top} - lead + r);
        for (std::size_t i = 0; i < spanBytes; ++i)
            columnSums[i] += row[i];
    }
    const Divider divide(std::uint64_t(size) * std::uint64_t(size));
    const std::uint32_t width = out.GetWidth();
    const std::uint32_t height = out.GetHeight();
    std::uint32_t* sums = columnSums.data();
    for (std::uint32_t y = 0; y < height; ++y) {
        if (y > 0) {
            const std::uint8_t* in = rowAt(std::int64_t{area.top} + y - 1 - lead + size);
            const std::uint8_t* gone = rowAt(std::int64_t{area.top} + y - 1 - lead);
            for (std::size_t i = 0; i < spanBytes; ++i)
                sums[i] += std::uint32_t{in[i]} - gone[i];
        }
        std::uint64_t b = 0, g = 0, r = 0;
        for (std::int32_t c = 0; c < size; ++c) {
            const std::uint32_t* s = sums + map[c];
            b += s[0];
            g += s[1];
            r += s[2];
        }
        std::uint8_t* o = out.GetRow(y);
        for (std::uint32_t x = 0;; ++x, o += bpp) {
            o[0] = static_cast<std::uint8_t>(divide(b));
            o[1] = static_cast<std::uint8_t>(divide(g));
            o[2] = static_cast<std::uint8_t>(divide(r));
            if (x + 1 == width)
                break;
            const std::uint32_t* in = sums + map[x + size];
            const std::uint32_t* gone = sums + map[x];
            b += std::uint64_t{in[0]} - gone[0];
            g += std::uint64_t{in[1]} - gone[1];
            r += std::uint64_t{in[2]} - gone[2];
        }
        KeepFourthBytes(source, area, y, out.GetRow(y));
        StoreProgress(progress, y + 1, height);
    }
}

bool IsTrueColour(const CDibImage& image) {
    return image.GetBitCount() == 24 || image.GetBitCount() == 32;
}

bool WindowFits(const CDibImage& image, std::int32_t size, std::int32_t smallest) {
    return IsTrueColour(image) && size >= smallest &&
           static_cast<std::uint32_t>(size) < image.GetWidth() &&
           static_cast<std::uint32_t>(size) < image.GetHeight();
}

struct NamedKernel {
    std::uint32_t code;
    std::array<std::int32_t, 9> kernel;
    std::int32_t divisor;
};

constexpr NamedKernel kNamedKernels[] = {
    {1, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},
    {2, {1, 1, 1, 1, 2, 1, 1, 1, 1}, 10},
    {4, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16},
    {8, {-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1},
    {16, {0, -1, 0, -1, 5, -1, 0, -1, 0}, 1},
    {32, {1, -2, 1, -2, 5, -2, 1, -2, 1}, 1},
    {64, {0, 0, 0, -1, 1, 0, 0, 0, 0}, 1},
    {128, {0, -1, 0, 0, 1, 0, 0, 0, 0}, 1},
    {256, {1, 1, 1, 1, -2, 1, -1, -1, -1}, 1},
    {512, {-1, -1, -1, 1, -2, 1, 1, 1, 1}, 1},
    {1024, {1, 1, -1, 1, -2, -1, 1, 1, -1}, 1},
    {2048, {-1, 1, 1, -1, -2, 1, -1, 1, 1}, 1},
    {4096, {1, 1, 1, -1, -2, 1, -1, -1, 1}, 1},
    {8192, {1, -1, -1, 1, -2, -1, 1, 1, 1}, 1},
    {16384, {1, 1, 1, 1, -2, -1, 1, -1, -1}, 1},
    {32768, {-1, -1, 1, -1, -2, 1, -1, -1, 1}, 1},
    {65536, {-1, 0, 0, 0, 1, 0, 0, 0, 0}, 1},
    {131072, {0, 1, 0, 1, -4, 1, 0, 1, 0}, 1},
    {262144, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1},
    {524288, {-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1},
    {1048576, {1, -2, 1, -2, 4, -2, 1, -2, 1}, 1},
};

}  // namespace

bool CEditableImage::ApplyKernel(std::span<const std::int32_t> kernel, std::int32_t size,
                                 std::int32_t divisor) {
    if (!WindowFits(*this, size, 3) || divisor == 0 ||
        kernel.size() < std::size_t(size) * std::size_t(size))
        return false;
    return RunAreaFilter(*this,
                         [&](const CDibImage& source, const gdi::RECT& area, CDibImage& out) {
                             Convolve(source, area, out, kernel.data(), size, divisor);
                         });
}

bool CEditableImage::ApplyNamedFilter(std::uint32_t code) {
    for (const NamedKernel& named : kNamedKernels) {
        if (named.code == code)
            return ApplyKernel(named.kernel, 3, named.divisor);
    }
    return false;
}

bool CEditableImage::BoxBlur(std::int32_t size) {
    if (!WindowFits(*this, size, 2))
        return false;
    progress.store(0);
    return RunAreaFilter(*this,
                         [&](const CDibImage& source, const gdi::RECT& area, CDibImage& out) {
                             BoxMean(source, area, out, size, progress);
                         });
}
