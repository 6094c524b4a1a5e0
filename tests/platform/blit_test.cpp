#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "platform/gdi/draw.h"
#include "platform/gdi/pixel_access.h"
#include "tests/platform/gdi_test_support.h"

namespace gdi {
namespace {

using test::FillScrambled;
using test::FillValue;
using test::Grid;
using test::MakeSection;
using test::Quad;
using test::Values;

struct Format {
    std::uint16_t bits;
    std::vector<std::uint32_t> masks;
    std::string name;
};

const std::vector<Format>& AllFormats() {
    static const std::vector<Format> formats = {{1, {}, "1"},
                                                {4, {}, "4"},
                                                {8, {}, "8"},
                                                {16, {}, "555"},
                                                {16, {0xF800, 0x07E0, 0x001F}, "565"},
                                                {24, {}, "24"},
                                                {32, {}, "32"}};
    return formats;
}

void PrintTo(const Format& f, std::ostream* os) {
    *os << f.name;
}

BitmapPtr Make(const Format& f, int w, int h) {
    return MakeSection(w, h, f.bits, f.masks);
}

class RecordingDC : public MemoryDC {
public:
    void Flush(const RECT& area) override { flushed.push_back(area); }
    std::vector<RECT> flushed;
};

// What a destination should hold after a copy: `source(x, y)` names the
// source pixel a destination pixel takes, or nothing when it is left alone.
using SourceOf = std::function<std::optional<POINT>(int x, int y)>;

Grid Expected(const Grid& before, const DibSection& src, const SourceOf& sourceOf,
              const Region* clip = nullptr) {
    Grid out = before;
    for (int y = 0; y < int(out.size()); ++y) {
        for (int x = 0; x < int(out[0].size()); ++x) {
            const std::optional<POINT> p = sourceOf(x, y);
            if (!p || p->x < 0 || p->y < 0 || p->x >= src.Width() || p->y >= src.Height())
                continue;
            if (clip && !clip->Contains(x, y))
                continue;
            out[y][x] = GetPixelValue(src, p->x, p->y);
        }
    }
    return out;
}

SourceOf Shifted(int x, int y, int w, int h, int srcX, int srcY) {
    return [=](int dx, int dy) -> std::optional<POINT> {
        if (dx < x || dy < y || dx >= x + w || dy >= y + h)
            return std::nullopt;
        return POINT{dx - x + srcX, dy - y + srcY};
    };
}

// Destination pixel j along an extent samples (2j + 1) * |sw| / (2 |w|)
// along the source's; negative extents run leftwards / upwards from origin.
int Sample(int origin, int length, int srcOrigin, int srcLength, int d, bool& inside) {
    const int n = length < 0 ? -length : length;
    const int m = srcLength < 0 ? -srcLength : srcLength;
    const int along = length < 0 ? origin - 1 - d : d - origin;
    inside = along >= 0 && along < n;
    const int k = int((2 * std::int64_t(along) + 1) * m / (2 * n));
    return srcLength < 0 ? srcOrigin - 1 - k : srcOrigin + k;
}

SourceOf Stretched(int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    return [=](int dx, int dy) -> std::optional<POINT> {
        bool inX = false, inY = false;
        const int px = Sample(x, w, sx, sw, dx, inX);
        const int py = Sample(y, h, sy, sh, dy, inY);
        if (!inX || !inY)
            return std::nullopt;
        return POINT{px, py};
    };
}

class SameFormatBlit : public ::testing::TestWithParam<Format> {};

TEST_P(SameFormatBlit, CopiesRawValuesAtAnyOffset) {
    BitmapPtr src = Make(GetParam(), 23, 7);
    BitmapPtr dst = Make(GetParam(), 29, 9);
    FillScrambled(*src);
    FillScrambled(*dst, 1000);
    MemoryDC s, d;
    s.SelectObject(src.get());
    d.SelectObject(dst.get());

    // Odd offsets on both sides exercise every sub-byte phase.
    for (auto [x, y, sx, sy, w] :
         {std::array{0, 0, 0, 0, 23}, std::array{3, 1, 0, 0, 20}, std::array{1, 2, 5, 1, 13},
          std::array{6, 0, 2, 3, 9}, std::array{7, 4, 1, 2, 1}}) {
        const Grid want = Expected(Values(*dst), *src, Shifted(x, y, w, 4, sx, sy));
        ASSERT_TRUE(BitBlt(d, x, y, w, 4, s, sx, sy));
        ASSERT_EQ(Values(*dst), want)
            << GetParam().name << " at " << x << "," << y << " from " << sx << "," << sy;
    }
}

TEST_P(SameFormatBlit, ClipsToBothSurfacesAndTheClipRegion) {
    BitmapPtr src = Make(GetParam(), 10, 6);
    BitmapPtr dst = Make(GetParam(), 12, 8);
    FillScrambled(*src);
    MemoryDC s;
    RecordingDC d;
    s.SelectObject(src.get());
    d.SelectObject(dst.get());

    // Negative positions and areas hanging over every edge.
    for (auto [x, y, sx, sy] : {std::array{-3, -2, 0, 0}, std::array{4, 5, -2, -1},
                                std::array{9, -1, 3, 4}, std::array{-20, 0, 0, 0}}) {
        FillValue(*dst, 1);
        const Grid want = Expected(Values(*dst), *src, Shifted(x, y, 10, 6, sx, sy));
        EXPECT_TRUE(BitBlt(d, x, y, 10, 6, s, sx, sy));
        EXPECT_EQ(Values(*dst), want) << GetParam().name << " at " << x << "," << y;
    }

    FillValue(*dst, 1);
    Region clip;
    CombineRgn(clip, CreateEllipticRgn(0, 0, 12, 8), CreateRectRgn(9, 0, 12, 2), RGN_OR);
    d.SelectClipRgn(&clip);
    d.flushed.clear();
    const Grid want = Expected(Values(*dst), *src, Shifted(1, 1, 10, 6, 0, 0), &clip);
    EXPECT_TRUE(BitBlt(d, 1, 1, 10, 6, s, 0, 0));
    EXPECT_EQ(Values(*dst), want) << GetParam().name;
    ASSERT_EQ(d.flushed.size(), 1u);
    EXPECT_EQ(d.flushed[0], (RECT{1, 1, 11, 7}));
}

TEST_P(SameFormatBlit, StretchSamplesByTheCentreRule) {
    BitmapPtr src = Make(GetParam(), 9, 7);
    BitmapPtr dst = Make(GetParam(), 21, 17);
    FillScrambled(*src);
    MemoryDC s, d;
    s.SelectObject(src.get());
    d.SelectObject(dst.get());
    struct Case {
        int x, y, w, h, sx, sy, sw, sh;
    };
    for (const Case& c : {
             Case{0, 0, 21, 17, 0, 0, 9, 7},        // enlarge: repeated rows and columns
             Case{1, 3, 4, 3, 0, 0, 9, 7},          // reduce
             Case{3, 1, 15, 11, 2, 1, 5, 4},        // part of the source, odd offsets
             Case{-4, -3, 20, 14, -2, 1, 12, 9},    // hanging over every edge
             Case{17, 2, -13, 9, 0, 0, 9, 7},       // mirrored horizontally
             Case{2, 12, 9, -10, 0, 0, 9, 7},       // mirrored vertically
             Case{1, 1, 8, 5, 9, 7, -9, -7},        // source runs backwards
             Case{20, 16, -19, -15, 9, 7, -9, -7},  // both backwards: not mirrored
         }) {
        FillScrambled(*dst, 7);
        const Grid want =
            Expected(Values(*dst), *src, Stretched(c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh));
        ASSERT_TRUE(StretchBlt(d, c.x, c.y, c.w, c.h, s, c.sx, c.sy, c.sw, c.sh));
        ASSERT_EQ(Values(*dst), want)
            << GetParam().name << " to " << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }

    // Through a clip region.
    Region clip = CreateEllipticRgn(2, 2, 19, 15);
    d.SelectClipRgn(&clip);
    FillScrambled(*dst, 7);
    const Grid want = Expected(Values(*dst), *src, Stretched(0, 0, 21, 17, 0, 0, 9, 7), &clip);
    ASSERT_TRUE(StretchBlt(d, 0, 0, 21, 17, s, 0, 0, 9, 7));
    EXPECT_EQ(Values(*dst), want) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, SameFormatBlit, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return "Bits" + info.param.name; });

TEST(StretchBlt, DocumentedColumnsAndMirrors) {
    BitmapPtr src = MakeSection(4, 1, 8);
    BitmapPtr dst = MakeSection(5, 1, 8);
    for (int i = 0; i < 4; ++i)
        SetPixelValue(*src, i, 0, 10 + i);
    MemoryDC s, d;
    s.SelectObject(src.get());
    d.SelectObject(dst.get());
    d.SetStretchBltMode(COLORONCOLOR);

    ASSERT_TRUE(StretchBlt(d, 0, 0, 2, 1, s, 0, 0, 4, 1));
    EXPECT_EQ(Values(*dst)[0], (std::vector<std::uint32_t>{11, 13, 0, 0, 0}));
    ASSERT_TRUE(StretchBlt(d, 0, 0, 5, 1, s, 0, 0, 2, 1));
    EXPECT_EQ(Values(*dst)[0], (std::vector<std::uint32_t>{10, 10, 11, 11, 11}));
    ASSERT_TRUE(StretchBlt(d, 4, 0, -4, 1, s, 0, 0, 4, 1));
    EXPECT_EQ(Values(*dst)[0], (std::vector<std::uint32_t>{13, 12, 11, 10, 11}));
    ASSERT_TRUE(StretchBlt(d, 1, 0, 4, 1, s, 4, 0, -4, 1));
    EXPECT_EQ(Values(*dst)[0], (std::vector<std::uint32_t>{13, 13, 12, 11, 10}));
}

TEST(Blit, RefusesWhatItCannotDoAndIgnoresEmptyAreas) {
    BitmapPtr a = MakeSection(4, 4, 24);
    BitmapPtr b = MakeSection(4, 4, 24);
    MemoryDC s, d, none;
    s.SelectObject(a.get());
    d.SelectObject(b.get());
    EXPECT_FALSE(BitBlt(none, 0, 0, 4, 4, s, 0, 0));
    EXPECT_FALSE(BitBlt(d, 0, 0, 4, 4, none, 0, 0));
    EXPECT_FALSE(BitBlt(d, 0, 0, 4, 4, s, 0, 0, 0x00EE0086));  // SRCPAINT
    EXPECT_FALSE(StretchBlt(none, 0, 0, 4, 4, s, 0, 0, 4, 4));
    EXPECT_FALSE(StretchBlt(d, 0, 0, 4, 4, s, 0, 0, 0, 4));
    EXPECT_TRUE(BitBlt(d, 0, 0, 0, 4, s, 0, 0));
    EXPECT_TRUE(StretchBlt(d, 0, 0, 4, 0, s, 0, 0, 4, 4));
    // Extents at the ends of the int range must not overflow.
    FillValue(*a, 0x123456);
    EXPECT_TRUE(BitBlt(d, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, s, INT32_MAX, 0));
    EXPECT_TRUE(StretchBlt(d, -1, -1, INT32_MAX, INT32_MAX, s, INT32_MIN, 0, INT32_MIN, 4));
    EXPECT_TRUE(StretchBlt(d, 0, 0, 4, 4, s, 0, 0, INT32_MAX, INT32_MIN));
}

TEST(Blit, SourceAndDestinationMayBeTheSameSurface) {
    BitmapPtr bmp = MakeSection(9, 6, 4);
    FillScrambled(*bmp);
    MemoryDC dc;
    dc.SelectObject(bmp.get());
    BitmapPtr snapshot = MakeSection(9, 6, 4);
    std::memcpy(snapshot->Bits(), bmp->Bits(), bmp->SizeImage());

    Grid want = Expected(Values(*bmp), *snapshot, Shifted(1, 1, 7, 4, 0, 0));
    ASSERT_TRUE(BitBlt(dc, 1, 1, 7, 4, dc, 0, 0));
    EXPECT_EQ(Values(*bmp), want);

    std::memcpy(snapshot->Bits(), bmp->Bits(), bmp->SizeImage());
    want = Expected(Values(*bmp), *snapshot, Stretched(0, 0, 9, 6, 1, 1, 4, 3));
    ASSERT_TRUE(StretchBlt(dc, 0, 0, 9, 6, dc, 1, 1, 4, 3));
    EXPECT_EQ(Values(*bmp), want);
}

TEST(Blit, DifferentFormatsGoThroughColours) {
    const std::vector<RGBQUAD> palette = {Quad(0, 0, 0), Quad(255, 0, 0), Quad(0, 255, 0),
                                          Quad(0, 0, 255), Quad(255, 255, 255)};
    BitmapPtr indexed = MakeSection(5, 1, 8, {}, palette);
    BitmapPtr rgb = MakeSection(5, 1, 24);
    MemoryDC i, r;
    i.SelectObject(indexed.get());
    r.SelectObject(rgb.get());

    // Colours to the nearest palette entry.
    const COLORREF colours[] = {RGB(200, 30, 30), RGB(10, 10, 10), RGB(240, 240, 250),
                                RGB(20, 20, 180), RGB(60, 200, 60)};
    for (int x = 0; x < 5; ++x)
        SetPixelColour(*rgb, x, 0, colours[x]);
    ASSERT_TRUE(BitBlt(i, 0, 0, 5, 1, r, 0, 0));
    EXPECT_EQ(Values(*indexed)[0], (std::vector<std::uint32_t>{1, 0, 4, 3, 2}));

    // Indices to their palette colours.
    FillValue(*rgb, 0);
    ASSERT_TRUE(StretchBlt(r, 0, 0, 5, 1, i, 0, 0, 5, 1));
    EXPECT_EQ(GetPixelColour(*rgb, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixelColour(*rgb, 2, 0), RGB(255, 255, 255));

    // Between bit-field layouts and to a two-colour picture.
    BitmapPtr rgb565 = MakeSection(5, 1, 16, {0xF800, 0x07E0, 0x001F});
    BitmapPtr rgb32 = MakeSection(5, 1, 32);
    BitmapPtr mono = MakeSection(5, 1, 1, {}, {Quad(0, 0, 0), Quad(255, 255, 255)});
    MemoryDC c565, c32, cMono;
    c565.SelectObject(rgb565.get());
    c32.SelectObject(rgb32.get());
    cMono.SelectObject(mono.get());
    ASSERT_TRUE(BitBlt(c565, 0, 0, 5, 1, i, 0, 0));
    ASSERT_TRUE(BitBlt(c32, 0, 0, 5, 1, c565, 0, 0));
    EXPECT_EQ(GetPixelValue(*rgb32, 1, 0), 0x000000u);
    EXPECT_EQ(GetPixelValue(*rgb32, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(GetPixelValue(*rgb32, 4, 0), 0x00FF00u);
    ASSERT_TRUE(BitBlt(cMono, 0, 0, 5, 1, c32, 0, 0));
    EXPECT_EQ(Values(*mono)[0], (std::vector<std::uint32_t>{0, 0, 1, 0, 0}));

    // 32 to 24 bits drops the reserved byte; 24 to 32 bits leaves it zero.
    SetPixelValue(*rgb32, 0, 0, 0xAB123456);
    ASSERT_TRUE(BitBlt(r, 0, 0, 5, 1, c32, 0, 0));
    EXPECT_EQ(GetPixelValue(*rgb, 0, 0), 0x123456u);
    FillValue(*rgb32, 0xFFFFFFFF);
    ASSERT_TRUE(StretchBlt(c32, 0, 0, 5, 1, r, 0, 0, 5, 1));
    EXPECT_EQ(GetPixelValue(*rgb32, 0, 0), 0x123456u);
}

TEST(Blit, SameDepthPalettesAreNotTranslated) {
    BitmapPtr a = MakeSection(3, 1, 8, {}, {Quad(1, 1, 1), Quad(2, 2, 2), Quad(3, 3, 3)});
    BitmapPtr b = MakeSection(3, 1, 8, {}, {Quad(9, 9, 9), Quad(8, 8, 8), Quad(7, 7, 7)});
    SetPixelValue(*a, 0, 0, 2);
    SetPixelValue(*a, 1, 0, 1);
    MemoryDC s, d;
    s.SelectObject(a.get());
    d.SelectObject(b.get());
    ASSERT_TRUE(BitBlt(d, 0, 0, 3, 1, s, 0, 0));
    EXPECT_EQ(Values(*b)[0], (std::vector<std::uint32_t>{2, 1, 0}));
}

TEST(PlgBlt, QuarterTurnEqualsARotation) {
    for (std::uint16_t bits : {4, 8, 24}) {
        BitmapPtr src = MakeSection(3, 2, bits);
        BitmapPtr dst = MakeSection(2, 3, bits);
        FillScrambled(*src);
        MemoryDC s, d;
        s.SelectObject(src.get());
        d.SelectObject(dst.get());
        // Upper-left to (2, 0), upper-right to (2, 3), lower-left to (0, 0):
        // clockwise, so destination (j, i) = source (i, height - 1 - j).
        const POINT pts[3] = {{2, 0}, {2, 3}, {0, 0}};
        ASSERT_TRUE(PlgBlt(d, pts, s, 0, 0, 3, 2));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)
                EXPECT_EQ(GetPixelValue(*dst, j, i), GetPixelValue(*src, i, 1 - j))
                    << bits << ": " << j << "," << i;
    }
}

TEST(PlgBlt, UprightParallelogramIsACopyAndDegenerateOnesFail) {
    BitmapPtr src = MakeSection(7, 5, 1);
    BitmapPtr dst = MakeSection(11, 8, 1);
    FillScrambled(*src);
    MemoryDC s, d;
    s.SelectObject(src.get());
    d.SelectObject(dst.get());
    const POINT pts[3] = {{3, 2}, {8, 2}, {3, 6}};
    const Grid want = Expected(Values(*dst), *src, Shifted(3, 2, 5, 4, 1, 1));
    ASSERT_TRUE(PlgBlt(d, pts, s, 1, 1, 5, 4));
    EXPECT_EQ(Values(*dst), want);

    const POINT line[3] = {{0, 0}, {4, 4}, {8, 8}};
    EXPECT_FALSE(PlgBlt(d, line, s, 0, 0, 7, 5));
    EXPECT_FALSE(PlgBlt(d, pts, s, 0, 0, 0, 5));
    const POINT far[3] = {{0, 0}, {INT32_MAX, 0}, {0, 5}};
    EXPECT_FALSE(PlgBlt(d, far, s, 0, 0, 7, 5));
}

TEST(PlgBlt, FortyFiveDegreesLeavesTheCornersAlone) {
    // The corners a 45 degree turn of a 10 x 10 picture gives: a 15 x 15
    // canvas with the picture standing on a point.
    BitmapPtr src = MakeSection(10, 10, 32);
    BitmapPtr dst = MakeSection(15, 15, 32);
    FillValue(*src, 0xABCDEF);
    FillValue(*dst, 0x111111);
    MemoryDC s;
    RecordingDC d;
    s.SelectObject(src.get());
    d.SelectObject(dst.get());
    const POINT pts[3] = {{7, 0}, {14, 7}, {0, 7}};
    ASSERT_TRUE(PlgBlt(d, pts, s, 0, 0, 10, 10));
    for (auto [x, y] : {std::pair{0, 0}, {14, 0}, {0, 14}, {14, 14}, {2, 2}, {12, 12}})
        EXPECT_EQ(GetPixelValue(*dst, x, y), 0x111111u) << x << "," << y;
    for (auto [x, y] : {std::pair{7, 7}, {7, 1}, {1, 7}, {12, 7}, {7, 12}})
        EXPECT_EQ(GetPixelValue(*dst, x, y), 0xABCDEFu) << x << "," << y;
    ASSERT_FALSE(d.flushed.empty());

    // Clipped: only pixels in the clip change.
    FillValue(*dst, 0x111111);
    Region clip = CreateRectRgn(0, 0, 7, 15);
    d.SelectClipRgn(&clip);
    ASSERT_TRUE(PlgBlt(d, pts, s, 0, 0, 10, 10));
    EXPECT_EQ(GetPixelValue(*dst, 6, 7), 0xABCDEFu);
    EXPECT_EQ(GetPixelValue(*dst, 7, 7), 0x111111u);
}

}  // namespace
}  // namespace gdi
