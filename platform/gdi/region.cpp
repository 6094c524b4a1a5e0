#include "platform/gdi/region.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace gdi {

struct Region::Impl {
    pixman_region32_t r;
    Impl() { pixman_region32_init(&r); }
    ~Impl() { pixman_region32_fini(&r); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
};

namespace {

__extension__ typedef __int128 Int128;

// Region coordinates stay within +-kMaxCoord, so a region's width or height
// always fits in 32 bits (pixman computes some of them as int).
constexpr std::int64_t kMaxCoord = (std::int64_t{1} << 30) - 1;

// Shapes that are scan-converted row by row (ellipses, rounded corners,
// polygons) may span at most this many rows; taller ones are refused and
// give an empty region rather than megabytes of spans per call.
constexpr std::int64_t kMaxScanRows = std::int64_t{1} << 20;

std::int32_t ClampCoord(std::int64_t v) {
    return std::int32_t(std::clamp(v, -kMaxCoord, kMaxCoord));
}

const pixman_region32_t* EmptyPixman() {
    static const pixman_region32_t* empty = [] {
        static pixman_region32_t r;
        pixman_region32_init(&r);
        return &r;
    }();
    return empty;
}

// A moved-from Region has no Impl and reads as empty.
const pixman_region32_t* Pix(const Region& region) {
    return region.IsEmpty() ? EmptyPixman() : &region.impl().r;
}

Region FromBox(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    Region out;
    const pixman_box32_t box{ClampCoord(left), ClampCoord(top), ClampCoord(right),
                             ClampCoord(bottom)};
    if (box.x1 < box.x2 && box.y1 < box.y2)
        pixman_region32_init_with_extents(&out.impl().r, &box);
    return out;
}

// Collects rows of spans and merges runs of identical rows into bands.
class SpanBuilder {
public:
    using Spans = std::vector<std::pair<std::int64_t, std::int64_t>>;

    // Rows [y0, y1) hold `spans`: sorted, disjoint, not touching.
    void AddRows(std::int64_t y0, std::int64_t y1, const Spans& spans) {
        if (y1 <= y0)
            return;
        if (!band_.empty() && y0 == bandBottom_ && spans == band_) {
            bandBottom_ = y1;
            return;
        }
        FlushBand();
        band_ = spans;
        bandTop_ = y0;
        bandBottom_ = y1;
    }

    Region Finish() {
        FlushBand();
        Region out;
        if (boxes_.size() == 1) {
            pixman_region32_init_with_extents(&out.impl().r, &boxes_[0]);
        } else if (!boxes_.empty()) {
            pixman_region32_fini(&out.impl().r);
            if (!pixman_region32_init_rects(&out.impl().r, boxes_.data(), int(boxes_.size())))
                pixman_region32_init(&out.impl().r);
        }
        return out;
    }

private:
    void FlushBand() {
        for (const auto& [x0, x1] : band_)
            boxes_.push_back(pixman_box32_t{ClampCoord(x0), ClampCoord(bandTop_), ClampCoord(x1),
                                            ClampCoord(bandBottom_)});
        band_.clear();
    }

    std::vector<pixman_box32_t> boxes_;
    Spans band_;
    std::int64_t bandTop_ = 0;
    std::int64_t bandBottom_ = 0;
};

void SortEdges(std::int64_t& a, std::int64_t& b) {
    if (b < a)
        std::swap(a, b);
}

// For the ellipse inscribed in a w x h box, in doubled coordinates centred
// on the box (a pixel centre at X = 2x + 1 - (left + right)), the largest
// X >= 0 of the row at doubled height Y whose centre lies inside or on the
// ellipse: X^2 h^2 + Y^2 w^2 <= w^2 h^2. X has the parity of w + 1, as all
// pixel centres of that box do. -1 when the row holds no pixel.
std::int64_t EllipseHalfWidth(std::int64_t w, std::int64_t h, std::int64_t y) {
    const Int128 w2 = Int128(w) * w, h2 = Int128(h) * h;
    const Int128 limit = w2 * (h2 - Int128(y) * y);
    if (limit < 0)
        return -1;
    auto inside = [&](std::int64_t x) { return Int128(x) * x * h2 <= limit; };
    std::int64_t x = std::int64_t(std::sqrt(static_cast<long double>(limit)) / h);
    while (inside(x + 1))
        ++x;
    while (x >= 0 && !inside(x))
        --x;
    if (x >= 0 && (x & 1) != ((w + 1) & 1))
        --x;
    return x;
}

}  // namespace

Region::Region() : impl_(std::make_unique<Impl>()) {}
Region::~Region() = default;

Region::Region(const Region& other) : impl_(std::make_unique<Impl>()) {
    pixman_region32_copy(&impl_->r, Pix(other));
}

Region& Region::operator=(const Region& other) {
    if (this != &other) {
        Region copy(other);
        std::swap(impl_, copy.impl_);
    }
    return *this;
}

Region::Region(Region&& other) noexcept : impl_(std::move(other.impl_)) {}

Region& Region::operator=(Region&& other) noexcept {
    std::swap(impl_, other.impl_);
    return *this;
}

bool Region::IsEmpty() const {
    return !impl_ || !pixman_region32_not_empty(&impl_->r);
}

RECT Region::Box() const {
    if (IsEmpty())
        return RECT{};
    const pixman_box32_t* b = pixman_region32_extents(&impl_->r);
    return RECT{b->x1, b->y1, b->x2, b->y2};
}

bool Region::Contains(std::int32_t x, std::int32_t y) const {
    return !IsEmpty() && pixman_region32_contains_point(&impl_->r, x, y, nullptr);
}

std::vector<RECT> Region::Rects() const {
    std::vector<RECT> out;
    if (IsEmpty())
        return out;
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&impl_->r, &n);
    out.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i)
        out.push_back(RECT{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    return out;
}

int Region::Kind() const {
    if (IsEmpty())
        return NULLREGION;
    return pixman_region32_n_rects(&impl_->r) == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::operator==(const Region& other) const {
    if (pixman_region32_equal(Pix(*this), Pix(other)))
        return true;
    // The same pixels may in principle be banded differently; compare sets.
    Region difference;
    CombineRgn(difference, *this, other, RGN_XOR);
    return difference.IsEmpty();
}

Region CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    std::int64_t l = left, t = top, r = right, b = bottom;
    SortEdges(l, r);
    SortEdges(t, b);
    return FromBox(l, t, r, b);
}

Region CreateEllipticRgn(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) {
    std::int64_t l = left, t = top, r = right, b = bottom;
    SortEdges(l, r);
    SortEdges(t, b);
    const std::int64_t w = r - l, h = b - t;
    if (w <= 0 || h <= 0 || h > kMaxScanRows)
        return Region();
    SpanBuilder spans;
    for (std::int64_t y = t; y < b; ++y) {
        const std::int64_t half = EllipseHalfWidth(w, h, 2 * (y - t) + 1 - h);
        if (half < 0) {
            spans.AddRows(y, y + 1, {});
            continue;
        }
        // Both ends are exact: l + r - half - 1 is even.
        spans.AddRows(y, y + 1, {{(l + r - half - 1) / 2, (l + r + half + 1) / 2}});
    }
    return spans.Finish();
}

Region CreateRoundRectRgn(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, std::int32_t cornerWidth,
                          std::int32_t cornerHeight) {
    std::int64_t l = left, t = top, r = right, b = bottom;
    SortEdges(l, r);
    SortEdges(t, b);
    const std::int64_t w = r - l, h = b - t;
    const std::int64_t cw = std::min<std::int64_t>(cornerWidth, w);
    const std::int64_t ch = std::min<std::int64_t>(cornerHeight, h);
    if (w <= 0 || h <= 0 || cw < 2 || ch < 2)
        return FromBox(l, t, r, b);
    if (ch > kMaxScanRows)
        return Region();
    // Rows within ch / 2 of the top or bottom are inset by the matching row
    // of a cw x ch ellipse; where that row holds no pixel, the straight edge
    // between the corners starts at its middle column.
    SpanBuilder spans;
    std::vector<std::int64_t> inset(std::size_t(ch / 2));
    for (std::int64_t k = 0; k < ch / 2; ++k) {
        const std::int64_t half = EllipseHalfWidth(cw, ch, 2 * k + 1 - ch);
        inset[std::size_t(k)] = half < 0 ? cw / 2 : (cw - half - 1) / 2;
    }
    for (std::int64_t k = 0; k < ch / 2; ++k)
        spans.AddRows(t + k, t + k + 1, {{l + inset[std::size_t(k)], r - inset[std::size_t(k)]}});
    spans.AddRows(t + ch / 2, b - ch / 2, {{l, r}});
    for (std::int64_t k = ch / 2 - 1; k >= 0; --k)
        spans.AddRows(b - 1 - k, b - k, {{l + inset[std::size_t(k)], r - inset[std::size_t(k)]}});
    return spans.Finish();
}

Region CreatePolygonRgn(std::span<const POINT> points, int fillMode) {
    if (points.size() < 3 || (fillMode != ALTERNATE && fillMode != WINDING))
        return Region();
    struct Edge {
        std::int64_t x0, y0, x1, y1;  // y0 < y1
        int direction;
    };
    std::vector<Edge> edges;
    std::int64_t top = points[0].y, bottom = points[0].y;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const POINT& a = points[i];
        const POINT& c = points[(i + 1) % points.size()];
        top = std::min<std::int64_t>(top, a.y);
        bottom = std::max<std::int64_t>(bottom, a.y);
        if (a.y == c.y)
            continue;  // horizontal edges cross no row of pixel centres
        if (a.y < c.y)
            edges.push_back({a.x, a.y, c.x, c.y, 1});
        else
            edges.push_back({c.x, c.y, a.x, a.y, -1});
    }
    if (edges.empty() || bottom - top > kMaxScanRows)
        return Region();
    std::sort(edges.begin(), edges.end(), [](const Edge& p, const Edge& q) { return p.y0 < q.y0; });

    SpanBuilder builder;
    std::vector<const Edge*> active;
    std::vector<std::pair<std::int64_t, int>> crossings;
    SpanBuilder::Spans spans;
    std::size_t next = 0;
    for (std::int64_t y = top; y < bottom; ++y) {
        // Row y's pixel centres lie at y + 0.5: an edge crosses them when
        // y0 <= y < y1.
        while (next < edges.size() && edges[next].y0 <= y)
            active.push_back(&edges[next++]);
        std::erase_if(active, [y](const Edge* e) { return e->y1 <= y; });

        crossings.clear();
        for (const Edge* e : active) {
            // Doubled, the crossing lies at X = n / d; the first pixel whose
            // centre 2x + 1 is at or right of it is ceil((n - d) / 2d).
            const Int128 d = e->y1 - e->y0;
            const Int128 n =
                Int128(2 * e->x0) * d + Int128(2 * y + 1 - 2 * e->y0) * (e->x1 - e->x0);
            const Int128 num = n - d, den = 2 * d;
            const Int128 x = num >= 0 ? (num + den - 1) / den : -((-num) / den);
            crossings.emplace_back(std::int64_t(x), e->direction);
        }
        std::sort(crossings.begin(), crossings.end());

        spans.clear();
        int winding = 0;
        std::int64_t start = 0;
        for (std::size_t i = 0; i < crossings.size(); ++i) {
            const bool wasInside = fillMode == WINDING ? winding != 0 : (i % 2) == 1;
            winding += crossings[i].second;
            const bool isInside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
            if (!wasInside && isInside) {
                start = crossings[i].first;
            } else if (wasInside && !isInside && crossings[i].first > start) {
                if (!spans.empty() && spans.back().second >= start)
                    spans.back().second = std::max(spans.back().second, crossings[i].first);
                else
                    spans.emplace_back(start, crossings[i].first);
            }
        }
        builder.AddRows(y, y + 1, spans);
    }
    return builder.Finish();
}

int CombineRgn(Region& dst, const Region& a, const Region& b, int mode) {
    Region out;
    pixman_region32_t* o = &out.impl().r;
    bool ok = true;
    switch (mode) {
    case RGN_AND:
        ok = pixman_region32_intersect(o, Pix(a), Pix(b));
        break;
    case RGN_OR:
        ok = pixman_region32_union(o, Pix(a), Pix(b));
        break;
    case RGN_XOR: {
        Region aOnly, bOnly;
        ok = pixman_region32_subtract(&aOnly.impl().r, Pix(a), Pix(b)) &&
             pixman_region32_subtract(&bOnly.impl().r, Pix(b), Pix(a)) &&
             pixman_region32_union(o, &aOnly.impl().r, &bOnly.impl().r);
        break;
    }
    case RGN_DIFF:
        ok = pixman_region32_subtract(o, Pix(a), Pix(b));
        break;
    case RGN_COPY:
        ok = pixman_region32_copy(o, Pix(a));
        break;
    default:
        return ERROR;
    }
    if (!ok)
        return ERROR;
    dst = std::move(out);
    return dst.Kind();
}

int OffsetRgn(Region& region, std::int32_t dx, std::int32_t dy) {
    // Only the part that lands inside the coordinate range moves; pixman
    // would wrap coordinates pushed past 32 bits.
    const RECT box = region.Box();
    Region out;
    if (std::int64_t{box.left} + dx < -kMaxCoord || std::int64_t{box.top} + dy < -kMaxCoord ||
        std::int64_t{box.right} + dx > kMaxCoord || std::int64_t{box.bottom} + dy > kMaxCoord) {
        const Region landing =
            FromBox(-kMaxCoord - dx, -kMaxCoord - dy, kMaxCoord - dx, kMaxCoord - dy);
        if (!pixman_region32_intersect(&out.impl().r, Pix(region), Pix(landing)))
            return ERROR;
    } else if (!pixman_region32_copy(&out.impl().r, Pix(region))) {
        return ERROR;
    }
    if (!out.IsEmpty())
        pixman_region32_translate(&out.impl().r, dx, dy);
    region = std::move(out);
    return region.Kind();
}

int GetRgnBox(const Region& region, RECT* out) {
    if (out)
        *out = region.Box();
    return region.Kind();
}

bool PtInRegion(const Region& region, std::int32_t x, std::int32_t y) {
    return region.Contains(x, y);
}

}  // namespace gdi
