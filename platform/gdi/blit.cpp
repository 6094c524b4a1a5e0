// BitBlt, StretchBlt and PlgBlt between DIB sections.

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "platform/gdi/draw.h"
#include "platform/gdi/draw_target.h"
#include "platform/gdi/pixel_access.h"

namespace gdi {
namespace {

using detail::BoundingBox;
using detail::ForBitSpan;
using detail::MakeRect;
using detail::TargetRects;

__extension__ typedef __int128 Int128;

// Turns source pixel values into destination values. Between equal formats
// values pass through unchanged.
class ValueConverter {
public:
    ValueConverter(const DibSection& src, const DibSection& dst)
        : from_(src), to_(dst), same_(from_.SameValuesAs(to_)) {
        if (same_)
            return;
        if (from_.HasPalette()) {
            for (std::uint32_t i = 0; i < (1u << from_.BitCount()); ++i)
                lut_[i] = to_.FromColour(from_.ToColour(i));
        } else if (to_.HasPalette()) {
            // Colours all have a zero top byte, so this key matches none.
            keys_.assign(kCacheSize, 0xFFFFFFFFu);
            values_.resize(kCacheSize);
        }
    }

    bool Same() const { return same_; }

    void InPlace(std::uint32_t* values, std::int32_t n) {
        if (from_.HasPalette()) {
            for (std::int32_t i = 0; i < n; ++i)
                values[i] = lut_[values[i] & 0xFF];
        } else if (from_.SameChannelsAs(to_)) {
            const std::uint32_t keep = to_.ChannelBits();
            for (std::int32_t i = 0; i < n; ++i)
                values[i] &= keep;
        } else if (!to_.HasPalette()) {
            // Local copies: the stores into `values` could otherwise alias
            // the masks and force a reload of them for every pixel.
            const PixelFormat from = from_, to = to_;
            for (std::int32_t i = 0; i < n; ++i)
                values[i] = to.FromColour(from.ToColour(values[i]));
        } else {
            for (std::int32_t i = 0; i < n; ++i)
                values[i] = (*this)(values[i]);
        }
    }

    std::uint32_t operator()(std::uint32_t value) {
        if (from_.HasPalette())
            return lut_[value & 0xFF];
        const COLORREF c = from_.ToColour(value);
        if (!to_.HasPalette())
            return to_.FromColour(c);
        // A nearest-entry search costs up to 256 distances, and pictures
        // repeat colours a lot: remember recent answers.
        const std::uint32_t slot = (c * 2654435761u) >> (32 - kCacheBits);
        if (keys_[slot] != c) {
            keys_[slot] = c;
            values_[slot] = to_.FromColour(c);
        }
        return values_[slot];
    }

private:
    static constexpr unsigned kCacheBits = 12;
    static constexpr std::size_t kCacheSize = std::size_t{1} << kCacheBits;

    PixelFormat from_;
    PixelFormat to_;
    bool same_;
    std::uint32_t lut_[256] = {};
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint32_t> values_;
};

// The section a blit reads. When it is also the destination, the blit reads
// a snapshot so that overlapping areas copy as they were before the call.
class SourceView {
public:
    SourceView(const DibSection* src, const DibSection* dst) : section_(src) {
        if (src == dst) {
            copy_ = detail::CloneSection(*src);
            section_ = copy_.get();
        }
    }
    const DibSection* get() const { return section_; }

private:
    BitmapPtr copy_;
    const DibSection* section_;
};

// What a blit works from once its target area is known: the area's
// rectangles inside the clip, and the source to read them from. Nothing to
// draw is success; a source that cannot be viewed is failure.
struct BlitArea {
    BlitArea(const DC& dstDc, DibSection& dst, const DibSection* srcSurface, const RECT& area)
        : rects(TargetRects(dstDc, dst, area)), view(rects.empty() ? nullptr : srcSurface, &dst) {
        if (view.get())
            convert.emplace(*view.get(), dst);
    }
    // False when there is nothing to draw or no source; Nothing() then tells
    // which.
    bool Ready() const { return convert.has_value(); }
    bool Nothing() const { return rects.empty(); }
    const DibSection* Source() const { return view.get(); }

    const std::vector<RECT> rects;
    const SourceView view;
    std::optional<ValueConverter> convert;
};

// Copies n pixels of 1 or 4 bits. When both positions share their offset
// within a byte, the middle goes as whole bytes.
void CopySubBytePixels(std::uint8_t* dRow, std::int32_t dx, const std::uint8_t* sRow,
                       std::int32_t sx, std::int32_t n, unsigned bpp) {
    const std::size_t dBit = std::size_t(dx) * bpp;
    const std::size_t sBit = std::size_t(sx) * bpp;
    if (dBit % 8 != sBit % 8) {
        for (std::int32_t i = 0; i < n; ++i)
            WritePixelValue(dRow, dx + i, bpp, ReadPixelValue(sRow, sx + i, bpp));
        return;
    }
    const std::ptrdiff_t shift = std::ptrdiff_t(sBit / 8) - std::ptrdiff_t(dBit / 8);
    ForBitSpan(
        dBit, dBit + std::size_t(n) * bpp,
        [&](std::size_t byte, std::uint8_t mask) {
            const std::uint8_t s = sRow[std::ptrdiff_t(byte) + shift];
            dRow[byte] = std::uint8_t((dRow[byte] & ~mask) | (s & mask));
        },
        [&](std::size_t first, std::size_t count) {
            std::memcpy(dRow + first, sRow + std::ptrdiff_t(first) + shift, count);
        });
}

// Copies n pixels between rows of the same format.
void CopySamePixels(std::uint8_t* dRow, std::int32_t dx, const std::uint8_t* sRow, std::int32_t sx,
                    std::int32_t n, unsigned bpp) {
    if (bpp >= 8) {
        const std::size_t b = bpp / 8;
        std::memcpy(dRow + std::size_t(dx) * b, sRow + std::size_t(sx) * b, std::size_t(n) * b);
    } else {
        CopySubBytePixels(dRow, dx, sRow, sx, n, bpp);
    }
}

// Destination coordinates [first, first + src.size()) of one axis of a
// stretch, with the source coordinate each of them samples.
struct AxisMap {
    std::int32_t first = 0;
    std::vector<std::int32_t> src;
};

// Maps the destination extent (origin, length) onto the source extent
// (srcOrigin, srcLength); a negative length runs from origin - 1 downwards.
// Destination pixel j along its extent samples source pixel
// (2j + 1) * |srcLength| / (2 |length|) along the source's. Only destination
// coordinates inside [0, limit) whose samples lie inside [0, srcLimit) are
// kept; the mapping is monotonic, so they form one run.
AxisMap BuildAxis(std::int64_t origin, std::int64_t length, std::int64_t srcOrigin,
                  std::int64_t srcLength, std::int32_t limit, std::int32_t srcLimit) {
    AxisMap map;
    const std::uint64_t n = std::uint64_t(length < 0 ? -length : length);
    const std::uint64_t m = std::uint64_t(srcLength < 0 ? -srcLength : srcLength);
    const std::int64_t d0 = length < 0 ? origin + length : origin;
    const std::int64_t s0 = srcLength < 0 ? srcOrigin + srcLength : srcOrigin;
    const std::int64_t lo = std::max<std::int64_t>(d0, 0);
    const std::int64_t hi = std::min<std::int64_t>(d0 + std::int64_t(n), limit);
    for (std::int64_t x = lo; x < hi; ++x) {
        const std::uint64_t along = std::uint64_t(x - d0);
        const std::uint64_t j = length < 0 ? n - 1 - along : along;
        // (2j + 1) * m < 2^32 * 2^31: no overflow.
        const std::uint64_t k = ((2 * j + 1) * m) / (2 * n);
        const std::int64_t s = srcLength < 0 ? s0 + std::int64_t(m - 1 - k) : s0 + std::int64_t(k);
        if (s < 0 || s >= srcLimit) {
            if (!map.src.empty())
                break;
            continue;
        }
        if (map.src.empty())
            map.first = std::int32_t(x);
        map.src.push_back(std::int32_t(s));
    }
    return map;
}

// Gathers n pixels of B bytes from a source row at the given byte offsets.
template <int B>
void Gather(std::uint8_t* __restrict d, const std::uint8_t* __restrict s,
            const std::uint32_t* __restrict offsets, std::int32_t n) {
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t* p = s + offsets[i];
        if constexpr (B == 1) {
            d[i] = *p;
        } else if constexpr (B == 3) {
            d[3 * i] = p[0];
            d[3 * i + 1] = p[1];
            d[3 * i + 2] = p[2];
        } else {
            std::memcpy(d + B * i, p, B);
        }
    }
}

// Calls run.operator()<bpp>() for the depth at hand, so that loops written
// once are compiled once per depth with the per-pixel switch folded away.
template <typename Run>
void ForDepth(unsigned bpp, Run& run) {
    switch (bpp) {
    case 1:
        run.template operator()<1>();
        break;
    case 4:
        run.template operator()<4>();
        break;
    case 8:
        run.template operator()<8>();
        break;
    case 16:
        run.template operator()<16>();
        break;
    case 24:
        run.template operator()<24>();
        break;
    default:
        run.template operator()<32>();
        break;
    }
}

// Reads the values of the pixels at `cols` of a row, one depth per
// instantiation so that the per-pixel switch folds away.
void ReadValues(const std::uint8_t* row, unsigned bpp, const std::int32_t* cols, std::int32_t n,
                std::uint32_t* out) {
    auto run = [&]<unsigned B>() {
        for (std::int32_t i = 0; i < n; ++i)
            out[i] = ReadPixelValue(row, cols[i], B);
    };
    ForDepth(bpp, run);
}

void WriteValues(std::uint8_t* row, unsigned bpp, std::int32_t x, std::int32_t n,
                 const std::uint32_t* in) {
    auto run = [&]<unsigned B>() {
        for (std::int32_t i = 0; i < n; ++i)
            WritePixelValue(row, x + i, B, in[i]);
    };
    ForDepth(bpp, run);
}

// Samples n pixels of a source row at `cols` into destination pixels from x
// on, converting through `buffer` unless the formats match.
void ConvertSpan(std::uint8_t* d, unsigned dBpp, std::int32_t x, const std::uint8_t* s,
                 unsigned sBpp, const std::int32_t* cols, std::int32_t n, ValueConverter& convert,
                 std::vector<std::uint32_t>& buffer) {
    if (buffer.size() < std::size_t(n))
        buffer.resize(std::size_t(n));
    ReadValues(s, sBpp, cols, n, buffer.data());
    if (!convert.Same())
        convert.InPlace(buffer.data(), n);
    WriteValues(d, dBpp, x, n, buffer.data());
}

}  // namespace

bool BitBlt(DC& dstDc, int x, int y, int width, int height, const DC& srcDc, int srcX, int srcY,
            std::uint32_t rop) {
    DibSection* dst = dstDc.GetCurrentBitmap();
    const DibSection* srcSurface = srcDc.GetCurrentBitmap();
    if (!dst || !srcSurface || rop != SRCCOPY)
        return false;
    if (width <= 0 || height <= 0)
        return true;

    // Source coordinate = destination coordinate + offset.
    const std::int64_t ox = std::int64_t(srcX) - x;
    const std::int64_t oy = std::int64_t(srcY) - y;
    const RECT area = MakeRect(std::max<std::int64_t>(x, -ox), std::max<std::int64_t>(y, -oy),
                               std::min(std::int64_t(x) + width, srcSurface->Width() - ox),
                               std::min(std::int64_t(y) + height, srcSurface->Height() - oy));
    BlitArea target(dstDc, *dst, srcSurface, area);
    if (!target.Ready())
        return target.Nothing();
    const DibSection* src = target.Source();
    const std::vector<RECT>& rects = target.rects;
    ValueConverter& convert = *target.convert;
    const unsigned dBpp = dst->BitCount();
    const unsigned sBpp = src->BitCount();
    std::vector<std::int32_t> cols;
    std::vector<std::uint32_t> buffer;
    for (const RECT& r : rects) {
        const std::int32_t sx = std::int32_t(r.left + ox);
        const std::int32_t n = r.right - r.left;
        if (!convert.Same()) {
            cols.resize(std::size_t(n));
            for (std::int32_t i = 0; i < n; ++i)
                cols[std::size_t(i)] = sx + i;
        }
        for (std::int32_t row = r.top; row < r.bottom; ++row) {
            std::uint8_t* d = dst->TopRow(row);
            const std::uint8_t* s = src->TopRow(std::int32_t(row + oy));
            if (convert.Same())
                CopySamePixels(d, r.left, s, sx, n, dBpp);
            else
                ConvertSpan(d, dBpp, r.left, s, sBpp, cols.data(), n, convert, buffer);
        }
    }
    dstDc.Flush(BoundingBox(rects));
    return true;
}

bool StretchBlt(DC& dstDc, int x, int y, int width, int height, const DC& srcDc, int srcX, int srcY,
                int srcWidth, int srcHeight, std::uint32_t rop) {
    DibSection* dst = dstDc.GetCurrentBitmap();
    const DibSection* srcSurface = srcDc.GetCurrentBitmap();
    if (!dst || !srcSurface || rop != SRCCOPY)
        return false;
    if (width == 0 || height == 0)
        return true;
    if (srcWidth == 0 || srcHeight == 0)
        return false;  // nothing to sample from

    const AxisMap cols = BuildAxis(x, width, srcX, srcWidth, dst->Width(), srcSurface->Width());
    const AxisMap rows = BuildAxis(y, height, srcY, srcHeight, dst->Height(), srcSurface->Height());
    if (cols.src.empty() || rows.src.empty())
        return true;
    const RECT area{cols.first, rows.first, cols.first + std::int32_t(cols.src.size()),
                    rows.first + std::int32_t(rows.src.size())};
    BlitArea target(dstDc, *dst, srcSurface, area);
    if (!target.Ready())
        return target.Nothing();
    const DibSection* src = target.Source();
    const std::vector<RECT>& rects = target.rects;
    ValueConverter& convert = *target.convert;
    const unsigned dBpp = dst->BitCount();
    const unsigned sBpp = src->BitCount();
    const std::size_t bytesPerPixel = dBpp / 8;

    // For equal formats of whole bytes: the byte offset of every sampled
    // source column, computed once.
    std::vector<std::uint32_t> offsets;
    if (convert.Same() && dBpp >= 8) {
        offsets.resize(cols.src.size());
        for (std::size_t i = 0; i < offsets.size(); ++i)
            offsets[i] = std::uint32_t(std::size_t(cols.src[i]) * bytesPerPixel);
    }

    std::vector<std::uint32_t> buffer;
    for (const RECT& r : rects) {
        const std::int32_t n = r.right - r.left;
        const std::size_t c0 = std::size_t(r.left - cols.first);
        std::int32_t previousSrcRow = -1;
        const std::uint8_t* previous = nullptr;
        for (std::int32_t row = r.top; row < r.bottom; ++row) {
            const std::int32_t sy = rows.src[std::size_t(row - rows.first)];
            std::uint8_t* d = dst->TopRow(row);
            if (sy == previousSrcRow) {
                // An enlarged row repeats: copy the row just drawn.
                CopySamePixels(d, r.left, previous, r.left, n, dBpp);
                previous = d;
                continue;
            }
            const std::uint8_t* s = src->TopRow(sy);
            if (!offsets.empty()) {
                std::uint8_t* out = d + std::size_t(r.left) * bytesPerPixel;
                const std::uint32_t* off = offsets.data() + c0;
                switch (dBpp) {
                case 8:
                    Gather<1>(out, s, off, n);
                    break;
                case 16:
                    Gather<2>(out, s, off, n);
                    break;
                case 24:
                    Gather<3>(out, s, off, n);
                    break;
                default:
                    Gather<4>(out, s, off, n);
                    break;
                }
            } else {
                ConvertSpan(d, dBpp, r.left, s, sBpp, cols.src.data() + c0, n, convert, buffer);
            }
            previousSrcRow = sy;
            previous = d;
        }
    }
    dstDc.Flush(BoundingBox(rects));
    return true;
}

namespace {

// Samples for PlgBlt in integer arithmetic. With pixel centres at doubled
// coordinates (2X + 1, 2Y + 1) and d their offset from twice the first
// corner, the parallelogram coordinates are u = cross(d, e2) / (2 det) and
// v = cross(e1, d) / (2 det). A pixel is inside when both lie in [0, 1); it
// samples source column floor(u * width) and row floor(v * height). Wide is
// the type that holds those products.
template <typename Wide>
void PlgRows(DibSection& dst, const DibSection& src, ValueConverter& convert,
             const std::vector<RECT>& rects, const POINT& p0, std::int64_t e1x, std::int64_t e1y,
             std::int64_t e2x, std::int64_t e2y, std::int64_t det, int srcX, int srcY, int width,
             int height) {
    const std::int64_t sign = det < 0 ? -1 : 1;
    const std::int64_t twoDet = 2 * det * sign;
    const unsigned dBpp = dst.BitCount();
    const unsigned sBpp = src.BitCount();
    for (const RECT& r : rects) {
        for (std::int32_t row = r.top; row < r.bottom; ++row) {
            std::uint8_t* d = dst.TopRow(row);
            const std::int64_t dy = 2 * std::int64_t(row) + 1 - 2 * std::int64_t(p0.y);
            for (std::int32_t col = r.left; col < r.right; ++col) {
                const std::int64_t dx = 2 * std::int64_t(col) + 1 - 2 * std::int64_t(p0.x);
                const std::int64_t nu = (dx * e2y - dy * e2x) * sign;
                const std::int64_t nv = (e1x * dy - e1y * dx) * sign;
                if (nu < 0 || nu >= twoDet || nv < 0 || nv >= twoDet)
                    continue;
                const std::int64_t sx = srcX + std::int64_t(Wide(nu) * width / twoDet);
                const std::int64_t sy = srcY + std::int64_t(Wide(nv) * height / twoDet);
                if (sx < 0 || sy < 0 || sx >= src.Width() || sy >= src.Height())
                    continue;
                const std::uint32_t v =
                    ReadPixelValue(src.TopRow(std::int32_t(sy)), std::int32_t(sx), sBpp);
                WritePixelValue(d, col, dBpp, convert.Same() ? v : convert(v));
            }
        }
    }
}

}  // namespace

bool PlgBlt(DC& dstDc, const POINT points[3], const DC& srcDc, int srcX, int srcY, int width,
            int height) {
    DibSection* dst = dstDc.GetCurrentBitmap();
    const DibSection* srcSurface = srcDc.GetCurrentBitmap();
    if (!dst || !srcSurface || !points || width <= 0 || height <= 0)
        return false;
    // Corners far beyond any surface are refused; within this bound every
    // product below fits in 64 bits.
    constexpr std::int32_t kLimit = 1 << 24;
    for (int i = 0; i < 3; ++i)
        if (points[i].x < -kLimit || points[i].x > kLimit || points[i].y < -kLimit ||
            points[i].y > kLimit)
            return false;

    const POINT& p0 = points[0];
    const std::int64_t e1x = std::int64_t(points[1].x) - p0.x,
                       e1y = std::int64_t(points[1].y) - p0.y;
    const std::int64_t e2x = std::int64_t(points[2].x) - p0.x,
                       e2y = std::int64_t(points[2].y) - p0.y;
    const std::int64_t det = e1x * e2y - e1y * e2x;
    if (det == 0)
        return false;  // the corners are collinear

    const std::int64_t xs[4] = {p0.x, points[1].x, points[2].x, points[1].x + e2x};
    const std::int64_t ys[4] = {p0.y, points[1].y, points[2].y, points[1].y + e2y};
    const RECT area = MakeRect(*std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4),
                               *std::max_element(xs, xs + 4), *std::max_element(ys, ys + 4));
    BlitArea target(dstDc, *dst, srcSurface, area);
    if (!target.Ready())
        return target.Nothing();
    const DibSection* src = target.Source();
    const std::vector<RECT>& rects = target.rects;
    ValueConverter& convert = *target.convert;
    const std::int64_t twoDet = 2 * (det < 0 ? -det : det);
    const bool fits = twoDet <= std::numeric_limits<std::int64_t>::max() / std::max(width, height);
    if (fits)
        PlgRows<std::int64_t>(*dst, *src, convert, rects, p0, e1x, e1y, e2x, e2y, det, srcX, srcY,
                              width, height);
    else
        PlgRows<Int128>(*dst, *src, convert, rects, p0, e1x, e1y, e2x, e2y, det, srcX, srcY, width,
                        height);
    dstDc.Flush(BoundingBox(rects));
    return true;
}

}  // namespace gdi
