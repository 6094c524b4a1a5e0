#include "platform/gdi/region.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

namespace gdi {
namespace {

std::int64_t Area(const Region& r) {
    std::int64_t n = 0;
    for (const RECT& b : r.Rects())
        n += std::int64_t(b.right - b.left) * (b.bottom - b.top);
    return n;
}

// The one span of row y, as [left, right); {0, 0} when the row is empty.
std::pair<int, int> RowSpan(const Region& r, int y) {
    std::pair<int, int> span{0, 0};
    int count = 0;
    for (const RECT& b : r.Rects()) {
        if (b.top <= y && y < b.bottom) {
            span = {b.left, b.right};
            ++count;
        }
    }
    EXPECT_LE(count, 1) << "row " << y;
    return span;
}

void ExpectSymmetricInBox(const Region& r) {
    const RECT box = r.Box();
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            const bool in = r.Contains(x, y);
            EXPECT_EQ(in, r.Contains(box.left + box.right - 1 - x, y)) << x << "," << y;
            EXPECT_EQ(in, r.Contains(x, box.top + box.bottom - 1 - y)) << x << "," << y;
        }
    }
}

TEST(RectRegion, RightAndBottomAreExclusiveAndCornersMaySwap) {
    const Region r = CreateRectRgn(2, 3, 5, 7);
    EXPECT_TRUE(PtInRegion(r, 2, 3));
    EXPECT_TRUE(PtInRegion(r, 4, 6));
    EXPECT_FALSE(PtInRegion(r, 5, 3));
    EXPECT_FALSE(PtInRegion(r, 2, 7));
    EXPECT_FALSE(PtInRegion(r, 1, 3));
    EXPECT_EQ(r.Kind(), SIMPLEREGION);
    EXPECT_EQ(r.Box(), (RECT{2, 3, 5, 7}));
    EXPECT_EQ(CreateRectRgn(5, 7, 2, 3), r);

    RECT box{1, 1, 1, 1};
    EXPECT_EQ(GetRgnBox(CreateRectRgn(2, 2, 2, 9), &box), NULLREGION);
    EXPECT_EQ(box, RECT{});
    EXPECT_EQ(GetRgnBox(r, nullptr), SIMPLEREGION);
}

TEST(RectRegion, ExtremeCoordinatesAreClampedNotWrapped) {
    const Region r = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(-100000000, 100000000));
    EXPECT_EQ(r.Kind(), SIMPLEREGION);
    EXPECT_LT(r.Box().left, r.Box().right);
}

TEST(EllipticRegion, TenByTenByPixelCentres) {
    const Region e = CreateEllipticRgn(0, 0, 10, 10);
    EXPECT_EQ(e.Box(), (RECT{0, 0, 10, 10}));
    // Worked out by hand from (x + 0.5 - 5)^2 + (y + 0.5 - 5)^2 <= 25.
    EXPECT_EQ(RowSpan(e, 0), std::make_pair(3, 7));
    EXPECT_EQ(RowSpan(e, 1), std::make_pair(1, 9));
    EXPECT_EQ(RowSpan(e, 2), std::make_pair(1, 9));
    EXPECT_EQ(RowSpan(e, 3), std::make_pair(0, 10));
    EXPECT_EQ(RowSpan(e, 4), std::make_pair(0, 10));
    EXPECT_EQ(RowSpan(e, 9), std::make_pair(3, 7));
    EXPECT_TRUE(e.Contains(5, 5));
    EXPECT_TRUE(e.Contains(4, 4));
    for (auto [x, y] : {std::pair{0, 0}, {9, 0}, {0, 9}, {9, 9}, {2, 0}, {0, 2}})
        EXPECT_FALSE(e.Contains(x, y)) << x << "," << y;
    ExpectSymmetricInBox(e);
    EXPECT_EQ(CreateEllipticRgn(10, 10, 0, 0), e);
}

TEST(EllipticRegion, OddAndFlatBoxesStaySymmetric) {
    for (const RECT& b : {RECT{0, 0, 7, 5}, RECT{-3, 2, 30, 7}, RECT{5, 5, 6, 17},
                          RECT{0, 0, 2, 40}, RECT{1, 1, 101, 3}}) {
        const Region e = CreateEllipticRgn(b.left, b.top, b.right, b.bottom);
        ASSERT_FALSE(e.IsEmpty()) << b.left << "," << b.top << "," << b.right << "," << b.bottom;
        EXPECT_EQ(e.Box(), IntersectRect(e.Box(), b));
        ExpectSymmetricInBox(e);
        for (int y = b.top; y < b.bottom; ++y)
            RowSpan(e, y);  // at most one span per row
    }
}

TEST(EllipticRegion, EmptyBoxesAndAbsurdSizes) {
    EXPECT_TRUE(CreateEllipticRgn(0, 0, 0, 10).IsEmpty());
    EXPECT_TRUE(CreateEllipticRgn(0, 4, 10, 4).IsEmpty());
    // Too many rows to scan: refused rather than allocating for each row.
    EXPECT_TRUE(CreateEllipticRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX).IsEmpty());
    // Very wide but short is fine and still centred.
    const Region wide = CreateEllipticRgn(-1000000000, 0, 1000000000, 4);
    EXPECT_TRUE(wide.Contains(0, 0));
    EXPECT_TRUE(wide.Contains(-1, 3));
    EXPECT_FALSE(wide.Contains(-999999999, 0));
}

TEST(RoundRectRegion, CornersAreQuarterEllipses) {
    // 4 x 4 corners cut one pixel from each corner of the box.
    const Region small = CreateRoundRectRgn(0, 0, 10, 10, 4, 4);
    EXPECT_EQ(Area(small), 100 - 4);
    EXPECT_FALSE(small.Contains(0, 0));
    EXPECT_TRUE(small.Contains(1, 0));
    EXPECT_TRUE(small.Contains(0, 1));
    EXPECT_FALSE(small.Contains(9, 9));
    ExpectSymmetricInBox(small);

    // The top-left corner of 10 x 6 corners follows rows 0..2 of a 10 x 6 ellipse.
    const Region r = CreateRoundRectRgn(0, 0, 30, 20, 10, 6);
    const Region corner = CreateEllipticRgn(0, 0, 10, 6);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(RowSpan(r, y).first, RowSpan(corner, y).first) << y;
    EXPECT_EQ(RowSpan(r, 3), std::make_pair(0, 30));
    ExpectSymmetricInBox(r);

    // Corners as large as the box make the ellipse; below 2, the rectangle.
    EXPECT_EQ(CreateRoundRectRgn(0, 0, 10, 8, 100, 100), CreateEllipticRgn(0, 0, 10, 8));
    EXPECT_EQ(CreateRoundRectRgn(0, 0, 10, 8, 1, 5), CreateRectRgn(0, 0, 10, 8));
    EXPECT_EQ(CreateRoundRectRgn(0, 0, 10, 8, -4, -4), CreateRectRgn(0, 0, 10, 8));
}

TEST(PolygonRegion, PixelCentresDecideAndSharedEdgesTile) {
    const POINT square[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    EXPECT_EQ(CreatePolygonRgn(square, ALTERNATE), CreateRectRgn(0, 0, 4, 4));

    // Centres on the hypotenuse x + y = 9 lie on the right-hand edge: out.
    const POINT lower[] = {{0, 0}, {10, 0}, {0, 10}};
    const Region a = CreatePolygonRgn(lower, WINDING);
    EXPECT_EQ(Area(a), 45);
    EXPECT_EQ(RowSpan(a, 0), std::make_pair(0, 9));
    EXPECT_EQ(RowSpan(a, 8), std::make_pair(0, 1));

    // Two triangles sharing a diagonal cover the square exactly once.
    const POINT upper[] = {{10, 0}, {10, 10}, {0, 10}};
    const Region b = CreatePolygonRgn(upper, ALTERNATE);
    Region both;
    EXPECT_EQ(CombineRgn(both, a, b, RGN_AND), NULLREGION);
    CombineRgn(both, a, b, RGN_OR);
    EXPECT_EQ(both, CreateRectRgn(0, 0, 10, 10));
}

TEST(PolygonRegion, PentagramCentreDependsOnFillMode) {
    const POINT star[] = {{50, 10}, {73, 82}, {12, 37}, {88, 37}, {27, 82}};
    const Region alternate = CreatePolygonRgn(star, ALTERNATE);
    const Region winding = CreatePolygonRgn(star, WINDING);
    EXPECT_FALSE(alternate.Contains(50, 50));
    EXPECT_TRUE(winding.Contains(50, 50));
    for (auto [x, y] : {std::pair{50, 20}, {80, 39}, {20, 39}})  // the points
        EXPECT_TRUE(alternate.Contains(x, y) && winding.Contains(x, y)) << x << "," << y;
    EXPECT_FALSE(winding.Contains(50, 75));  // between two lower points
    Region hole;
    CombineRgn(hole, winding, alternate, RGN_DIFF);
    EXPECT_EQ(hole.Box(), IntersectRect(hole.Box(), RECT{25, 30, 75, 70}));

    EXPECT_TRUE(CreatePolygonRgn(std::span(star, 2), WINDING).IsEmpty());
    EXPECT_TRUE(CreatePolygonRgn(star, 7).IsEmpty());
    const POINT flat[] = {{0, 3}, {9, 3}, {4, 3}};
    EXPECT_TRUE(CreatePolygonRgn(flat, ALTERNATE).IsEmpty());
}

TEST(CombineRegion, EveryModeAndAliasedDestinations) {
    const Region a = CreateRectRgn(0, 0, 4, 4);
    const Region b = CreateRectRgn(2, 2, 6, 6);
    Region r;
    EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(r, CreateRectRgn(2, 2, 4, 4));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(Area(r), 28);
    EXPECT_FALSE(r.Contains(5, 0));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_EQ(Area(r), 24);
    EXPECT_FALSE(r.Contains(3, 3));
    EXPECT_TRUE(r.Contains(0, 0) && r.Contains(5, 5));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_EQ(Area(r), 12);
    EXPECT_FALSE(r.Contains(3, 3) || r.Contains(5, 5));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(r, a);
    EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);

    // An unknown mode leaves the destination as it was.
    r = b;
    EXPECT_EQ(CombineRgn(r, a, a, 99), ERROR);
    EXPECT_EQ(r, b);

    for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
        Region expected, first = a, second = b;
        CombineRgn(expected, a, b, mode);
        CombineRgn(first, first, b, mode);
        CombineRgn(second, a, second, mode);
        EXPECT_EQ(first, expected) << mode;
        EXPECT_EQ(second, expected) << mode;
    }
}

TEST(CombineRegion, EqualityComparesPixelsNotConstruction) {
    Region halves;
    CombineRgn(halves, CreateRectRgn(0, 0, 3, 5), CreateRectRgn(3, 0, 8, 5), RGN_OR);
    EXPECT_EQ(halves, CreateRectRgn(0, 0, 8, 5));
    EXPECT_EQ(halves.Kind(), SIMPLEREGION);
    EXPECT_FALSE(halves == CreateRectRgn(0, 0, 8, 6));
    EXPECT_EQ(Region(), CreateRectRgn(3, 3, 3, 3));
}

TEST(RegionValue, CopiesAreIndependentAndMovedFromIsEmpty) {
    Region a = CreateRectRgn(0, 0, 4, 4);
    Region copy = a;
    OffsetRgn(copy, 10, 0);
    EXPECT_EQ(a.Box(), (RECT{0, 0, 4, 4}));

    Region moved = std::move(a);
    EXPECT_EQ(moved.Box(), (RECT{0, 0, 4, 4}));
    EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): defined as empty
    EXPECT_EQ(a.Kind(), NULLREGION);
    EXPECT_TRUE(a.Rects().empty());
    CombineRgn(a, moved, copy, RGN_OR);
    EXPECT_EQ(Area(a), 32);
}

TEST(OffsetRegion, MovesAndClampsAtTheCoordinateRange) {
    Region r = CreateEllipticRgn(0, 0, 10, 10);
    const Region original = r;
    EXPECT_EQ(OffsetRgn(r, -3, 7), COMPLEXREGION);
    EXPECT_EQ(r.Box(), (RECT{-3, 7, 7, 17}));
    EXPECT_TRUE(r.Contains(2, 12));
    OffsetRgn(r, 3, -7);
    EXPECT_EQ(r, original);

    Region empty;
    EXPECT_EQ(OffsetRgn(empty, 5, 5), NULLREGION);

    // Pushed past the range: what remains is cut, nothing wraps around.
    Region far = CreateRectRgn(0, 0, 10, 10);
    EXPECT_EQ(OffsetRgn(far, INT_MAX, 0), NULLREGION);
    far = CreateRectRgn(-2000000000, 0, 2000000000, 10);
    OffsetRgn(far, 1500000000, 0);
    EXPECT_FALSE(far.IsEmpty());
    EXPECT_TRUE(far.Contains(1000000000, 0));
    EXPECT_FALSE(far.Contains(-2000000000, 0));
    EXPECT_GT(far.Box().left, 0);
}

}  // namespace
}  // namespace gdi
