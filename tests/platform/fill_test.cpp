#include <gtest/gtest.h>

#include <functional>

#include "platform/gdi/draw.h"
#include "platform/gdi/pixel_access.h"
#include "tests/platform/gdi_test_support.h"

namespace gdi {
namespace {

using test::FillScrambled;
using test::Grid;
using test::MakeSection;
using test::Quad;
using test::Values;

class RecordingDC : public MemoryDC {
public:
    void Flush(const RECT& area) override { flushed.push_back(area); }
    std::vector<RECT> flushed;
};

// `before` with `value` wherever `painted(x, y)` holds.
Grid Painted(Grid before, std::uint32_t value, const std::function<bool(int, int)>& painted) {
    for (int y = 0; y < int(before.size()); ++y)
        for (int x = 0; x < int(before[0].size()); ++x)
            if (painted(x, y))
                before[y][x] = value;
    return before;
}

// The frame by its definition: a region pixel with one of its `w`
// horizontal or `h` vertical neighbours on either side outside the region.
bool InFrame(const Region& r, int x, int y, int w, int h) {
    if (!r.Contains(x, y))
        return false;
    for (int i = 1; i <= w; ++i)
        if (!r.Contains(x - i, y) || !r.Contains(x + i, y))
            return true;
    for (int j = 1; j <= h; ++j)
        if (!r.Contains(x, y - j) || !r.Contains(x, y + j))
            return true;
    return false;
}

TEST(FillRect, EveryDepthAndSubBytePartialBytes) {
    struct Case {
        std::uint16_t bits;
        std::vector<std::uint32_t> masks;
    };
    const std::vector<RGBQUAD> palette = {Quad(0, 0, 0), Quad(90, 90, 90), Quad(200, 10, 10)};
    for (const Case& c : {Case{1, {}}, Case{4, {}}, Case{8, {}}, Case{16, {}},
                          Case{16, {0xF800, 0x07E0, 0x001F}}, Case{24, {}}, Case{32, {}}}) {
        BitmapPtr s = MakeSection(21, 4, c.bits, c.masks, palette);
        RecordingDC dc;
        dc.SelectObject(s.get());
        const COLORREF colour = RGB(190, 20, 20);
        const std::uint32_t value = ColourToValue(*s, colour);
        for (const RECT& r : {RECT{3, 1, 17, 3}, RECT{0, 0, 21, 1}, RECT{5, 2, 6, 3},
                              RECT{9, 0, 11, 4}, RECT{-5, 3, 2, 10}}) {
            FillScrambled(*s);
            const Grid want = Painted(Values(*s), value, [&](int x, int y) {
                return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            });
            dc.flushed.clear();
            ASSERT_TRUE(FillRect(dc, r, CreateSolidBrush(colour)));
            EXPECT_EQ(Values(*s), want) << c.bits << " bits, rect from " << r.left;
            ASSERT_EQ(dc.flushed.size(), 1u);
            EXPECT_EQ(dc.flushed[0], IntersectRect(r, RECT{0, 0, 21, 4}));
        }
    }
    // The palette entry nearest the brush colour.
    BitmapPtr indexed = MakeSection(2, 1, 8, {}, palette);
    MemoryDC dc;
    dc.SelectObject(indexed.get());
    FillRect(dc, RECT{0, 0, 2, 1}, CreateSolidBrush(RGB(100, 80, 90)));
    EXPECT_EQ(GetPixelValue(*indexed, 1, 0), 1u);
}

TEST(FillRect, EmptyOrOutsideRectanglesPaintNothing) {
    BitmapPtr s = MakeSection(6, 6, 8);
    RecordingDC dc;
    dc.SelectObject(s.get());
    const Brush brush = CreateSolidBrush(RGB(255, 255, 255));
    EXPECT_TRUE(FillRect(dc, RECT{4, 4, 1, 1}, brush));  // inverted
    EXPECT_TRUE(FillRect(dc, RECT{2, 2, 2, 5}, brush));
    EXPECT_TRUE(FillRect(dc, RECT{6, 0, 9, 6}, brush));
    EXPECT_TRUE(FillRect(dc, RECT{INT32_MIN, INT32_MIN, -1, INT32_MAX}, brush));
    EXPECT_EQ(Values(*s), Grid(6, std::vector<std::uint32_t>(6, 0)));
    EXPECT_TRUE(dc.flushed.empty());

    MemoryDC none;
    EXPECT_FALSE(FillRect(none, RECT{0, 0, 1, 1}, brush));
    EXPECT_FALSE(FillRgn(none, CreateRectRgn(0, 0, 1, 1), brush));
    EXPECT_FALSE(FrameRgn(none, CreateRectRgn(0, 0, 1, 1), brush, 1, 1));
}

TEST(FillRgn, PaintsExactlyTheRegionInsideSurfaceAndClip) {
    std::vector<RGBQUAD> palette(16);
    palette[9] = Quad(255, 255, 255);
    BitmapPtr s = MakeSection(13, 9, 4, {}, palette);
    MemoryDC dc;
    dc.SelectObject(s.get());
    Region shape;
    CombineRgn(shape, CreateRectRgn(-3, -3, 8, 6), CreateEllipticRgn(4, 2, 16, 12), RGN_XOR);

    FillScrambled(*s);
    Grid want = Painted(Values(*s), 9, [&](int x, int y) { return shape.Contains(x, y); });
    ASSERT_TRUE(FillRgn(dc, shape, CreateSolidBrush(RGB(250, 250, 250))));
    EXPECT_EQ(Values(*s), want);

    Region clip = CreateEllipticRgn(0, 0, 13, 9);
    dc.SelectClipRgn(&clip);
    FillScrambled(*s);
    want = Painted(Values(*s), 0,
                   [&](int x, int y) { return shape.Contains(x, y) && clip.Contains(x, y); });
    ASSERT_TRUE(FillRgn(dc, shape, CreateSolidBrush(0)));
    EXPECT_EQ(Values(*s), want);

    // A clip that is set and empty lets nothing through.
    const Region nothing;
    dc.SelectClipRgn(&nothing);
    FillScrambled(*s);
    want = Values(*s);
    ASSERT_TRUE(FillRect(dc, RECT{0, 0, 13, 9}, CreateSolidBrush(0)));
    EXPECT_EQ(Values(*s), want);
}

TEST(FrameRgn, SquareFramesCountTheirBorderPixels) {
    BitmapPtr s = MakeSection(9, 9, 8, {}, {Quad(0, 0, 0), Quad(255, 255, 255)});
    MemoryDC dc;
    dc.SelectObject(s.get());
    const Region square = CreateRectRgn(2, 2, 7, 7);
    const Brush white = CreateSolidBrush(RGB(255, 255, 255));
    auto count = [&] {
        int n = 0;
        for (const auto& row : Values(*s))
            for (std::uint32_t v : row)
                n += v == 1;
        return n;
    };

    ASSERT_TRUE(FrameRgn(dc, square, white, 1, 1));
    EXPECT_EQ(count(), 16);
    EXPECT_EQ(GetPixelValue(*s, 2, 2), 1u);
    EXPECT_EQ(GetPixelValue(*s, 3, 3), 0u);

    FillRect(dc, RECT{0, 0, 9, 9}, CreateSolidBrush(0));
    ASSERT_TRUE(FrameRgn(dc, square, white, 2, 2));
    EXPECT_EQ(count(), 24);  // all but the centre
    EXPECT_EQ(GetPixelValue(*s, 4, 4), 0u);

    FillRect(dc, RECT{0, 0, 9, 9}, CreateSolidBrush(0));
    ASSERT_TRUE(FrameRgn(dc, square, white, 0, 0));
    EXPECT_EQ(count(), 0);
    ASSERT_TRUE(FrameRgn(dc, square, white, 1000000, 1));  // wider than the shape
    EXPECT_EQ(count(), 25);
    EXPECT_FALSE(FrameRgn(dc, square, white, -1, 1));
}

TEST(FrameRgn, MatchesTheNeighbourDefinitionOnCurvedAndConcaveShapes) {
    const POINT star[] = {{20, 1}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    Region ring;
    CombineRgn(ring, CreateEllipticRgn(1, 1, 38, 30), CreateRoundRectRgn(12, 8, 27, 22, 6, 6),
               RGN_DIFF);
    Region comb;  // teeth five wide with one-pixel gaps
    for (int x = 0; x < 40; x += 6)
        CombineRgn(comb, comb, CreateRectRgn(x, 3, x + 5, 12), RGN_OR);
    const Region shapes[] = {CreateEllipticRgn(3, 2, 36, 30), CreatePolygonRgn(star, WINDING), ring,
                             comb};
    BitmapPtr s = MakeSection(40, 38, 24);
    MemoryDC dc;
    dc.SelectObject(s.get());
    for (const Region& shape : shapes) {
        for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 1}, {0, 2}}) {
            FillScrambled(*s);
            const Grid want = Painted(Values(*s), 0xFFFFFF,
                                      [&](int x, int y) { return InFrame(shape, x, y, w, h); });
            ASSERT_TRUE(FrameRgn(dc, shape, CreateSolidBrush(RGB(255, 255, 255)), w, h));
            EXPECT_EQ(Values(*s), want) << "frame " << w << "x" << h;
        }
    }
}

TEST(FrameRgn, HonoursTheClipRegion) {
    BitmapPtr s = MakeSection(10, 10, 1, {}, {Quad(0, 0, 0), Quad(255, 255, 255)});
    MemoryDC dc;
    dc.SelectObject(s.get());
    const Region clip = CreateRectRgn(0, 0, 5, 10);
    dc.SelectClipRgn(&clip);
    const Region shape = CreateRectRgn(1, 1, 9, 9);
    ASSERT_TRUE(FrameRgn(dc, shape, CreateSolidBrush(RGB(255, 255, 255)), 1, 1));
    const Grid want = Painted(Grid(10, std::vector<std::uint32_t>(10, 0)), 1,
                              [&](int x, int y) { return x < 5 && InFrame(shape, x, y, 1, 1); });
    EXPECT_EQ(Values(*s), want);
}

}  // namespace
}  // namespace gdi
