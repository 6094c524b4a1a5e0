#include "platform/gdi/dib_section.h"

#include <gtest/gtest.h>

#include "platform/gdi/pixel_access.h"
#include "tests/platform/gdi_test_support.h"

namespace gdi {
namespace {

using test::MakeSection;
using test::PackedInfo;
using test::Quad;

TEST(DibGeometry, RowsArePaddedToFourBytes) {
    struct Case {
        std::int64_t width;
        std::uint32_t bitCount;
        std::uint32_t stride;
    };
    for (const Case& c :
         {Case{1, 1, 4}, Case{32, 1, 4}, Case{33, 1, 8}, Case{9, 4, 8}, Case{3, 8, 4},
          Case{3, 16, 8}, Case{3, 24, 12}, Case{5, 24, 16}, Case{3, 32, 12}}) {
        DibGeometry g;
        ASSERT_TRUE(ComputeDibGeometry(c.width, 7, c.bitCount, g)) << c.width << "@" << c.bitCount;
        EXPECT_EQ(g.stride, c.stride) << c.width << "@" << c.bitCount;
        EXPECT_EQ(g.sizeImage, std::uint64_t{c.stride} * 7);
    }
}

TEST(DibGeometry, RefusesBadSizesDepthsAndPicturesOverTheCap) {
    DibGeometry g;
    EXPECT_FALSE(ComputeDibGeometry(0, 1, 24, g));
    EXPECT_FALSE(ComputeDibGeometry(1, 0, 24, g));
    EXPECT_FALSE(ComputeDibGeometry(-5, 1, 24, g));
    for (std::uint32_t bits : {0u, 2u, 7u, 15u, 48u})
        EXPECT_FALSE(ComputeDibGeometry(1, 1, bits, g)) << bits;

    // Exactly 1 GiB is allowed, one more row is not.
    EXPECT_TRUE(ComputeDibGeometry(16384, 16384, 32, g));
    EXPECT_EQ(g.sizeImage, kMaxPixelBytes);
    EXPECT_FALSE(ComputeDibGeometry(16384, 16385, 32, g));
    // Products that would wrap 32 or 64 bits.
    EXPECT_FALSE(ComputeDibGeometry(0x7FFFFFFF, 0x7FFFFFFF, 32, g));
    EXPECT_FALSE(ComputeDibGeometry(std::int64_t{1} << 40, 1, 32, g));
    EXPECT_FALSE(ComputeDibGeometry(1, std::int64_t{1} << 40, 32, g));
}

TEST(CreateDibSection, RefusesMalformedHeaders) {
    auto withHeader = [](auto edit) {
        std::vector<std::uint8_t> info = PackedInfo(4, 4, 24);
        BITMAPINFOHEADER h;
        std::memcpy(&h, info.data(), sizeof h);
        edit(h);
        std::memcpy(info.data(), &h, sizeof h);
        return CreateDIBSection(info);
    };
    EXPECT_NE(withHeader([](BITMAPINFOHEADER&) {}), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biSize = 12; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biSize = 200; }), nullptr);  // past the data
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biPlanes = 2; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biHeight = -4; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biWidth = 0; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biBitCount = 2; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }), nullptr);
    EXPECT_EQ(withHeader([](BITMAPINFOHEADER& h) {
                  h.biWidth = 1 << 20;
                  h.biHeight = 1 << 20;
              }),
              nullptr);

    const std::vector<std::uint8_t> info = PackedInfo(4, 4, 24);
    EXPECT_EQ(CreateDIBSection(std::span(info).first(39)), nullptr);
    // Bit fields need all three masks.
    EXPECT_EQ(MakeSection(4, 4, 16, {0x7C00, 0, 0x1F}), nullptr);
}

TEST(CreateDibSection, RowsAreBottomUpAndStartZeroed) {
    BitmapPtr s = MakeSection(5, 3, 24);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Stride(), 16u);
    EXPECT_EQ(s->SizeImage(), 48u);
    EXPECT_EQ(s->TopRow(0), s->Bits() + 2 * 16);
    EXPECT_EQ(s->TopRow(2), s->Bits());
    for (std::uint64_t i = 0; i < s->SizeImage(); ++i)
        ASSERT_EQ(s->Bits()[i], 0);
    EXPECT_EQ(s->ColourCount(), 0u);
}

TEST(CreateDibSection, TakesTheColourTableThatIsThere) {
    // Two entries given for a 4-bit picture: the rest stay black.
    BitmapPtr s = MakeSection(2, 2, 4, {}, {Quad(10, 20, 30), Quad(40, 50, 60)});
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->ColourCount(), 16u);
    EXPECT_EQ(s->ColourTable()[1], Quad(40, 50, 60));
    EXPECT_EQ(s->ColourTable()[2], RGBQUAD{});

    // A table cut short by the end of the data.
    std::vector<std::uint8_t> info = PackedInfo(2, 2, 1, {}, {Quad(1, 2, 3), Quad(4, 5, 6)});
    info.resize(info.size() - 4);
    s = CreateDIBSection(info);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->ColourTable()[0], Quad(1, 2, 3));
    EXPECT_EQ(s->ColourTable()[1], RGBQUAD{});
}

TEST(CreateDibSection, BitFieldMasksAfterAShortHeaderOrInsideAVersion4One) {
    BitmapPtr s = MakeSection(2, 2, 16, {0xF800, 0x07E0, 0x001F});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->EffectiveMask(1), 0x07E0u);

    BITMAPV4HEADER v4;
    v4.info.biSize = sizeof v4;
    v4.info.biWidth = 2;
    v4.info.biHeight = 2;
    v4.info.biPlanes = 1;
    v4.info.biBitCount = 32;
    v4.info.biCompression = BI_BITFIELDS;
    v4.redMask = 0x000000FF;
    v4.greenMask = 0x0000FF00;
    v4.blueMask = 0x00FF0000;
    s = CreateDIBSection(std::span(reinterpret_cast<const std::uint8_t*>(&v4), sizeof v4));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->EffectiveMask(0), 0xFFu);
    EXPECT_EQ(s->EffectiveMask(2), 0xFF0000u);

    // Plain 16 and 32 bits decode as 5-5-5 and 8-8-8.
    EXPECT_EQ(MakeSection(1, 1, 16)->EffectiveMask(0), 0x7C00u);
    EXPECT_EQ(MakeSection(1, 1, 32)->EffectiveMask(0), 0xFF0000u);
}

TEST(GetObject, DescribesTheSection) {
    BitmapPtr s = MakeSection(7, 3, 16, {0xF800, 0x07E0, 0x001F});
    ASSERT_NE(s, nullptr);
    DIBSECTION ds;
    EXPECT_EQ(GetObject(*s, ds), int(sizeof(DIBSECTION)));
    EXPECT_EQ(ds.dsBm.bmWidth, 7);
    EXPECT_EQ(ds.dsBm.bmHeight, 3);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 16);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 16);
    EXPECT_EQ(ds.dsBm.bmBits, s->Bits());
    EXPECT_EQ(ds.dsBmih.biSize, 40u);
    EXPECT_EQ(ds.dsBmih.biCompression, BI_BITFIELDS);
    EXPECT_EQ(ds.dsBmih.biSizeImage, 48u);
    EXPECT_EQ(ds.dsBitfields[0], 0xF800u);
    EXPECT_EQ(ds.dsBitfields[2], 0x001Fu);

    GetObject(*MakeSection(3, 3, 8), ds);
    EXPECT_EQ(ds.dsBmih.biClrUsed, 256u);
}

TEST(PixelAccess, SubBytePixelsAreMostSignificantFirst) {
    BitmapPtr one = MakeSection(16, 1, 1);
    SetPixelValue(*one, 0, 0, 1);
    SetPixelValue(*one, 9, 0, 1);
    EXPECT_EQ(one->TopRow(0)[0], 0x80);
    EXPECT_EQ(one->TopRow(0)[1], 0x40);
    SetPixelValue(*one, 0, 0, 0);
    EXPECT_EQ(one->TopRow(0)[0], 0x00);

    BitmapPtr four = MakeSection(3, 1, 4);
    SetPixelValue(*four, 0, 0, 0xA);
    SetPixelValue(*four, 1, 0, 0x5);
    SetPixelValue(*four, 2, 0, 0xF);
    EXPECT_EQ(four->TopRow(0)[0], 0xA5);
    EXPECT_EQ(four->TopRow(0)[1], 0xF0);
    EXPECT_EQ(GetPixelValue(*four, 1, 0), 0x5u);

    // Outside the picture: reads 0, writes nothing.
    EXPECT_EQ(GetPixelValue(*four, 3, 0), 0u);
    SetPixelValue(*four, -1, 0, 3);
    SetPixelValue(*four, 0, 1, 3);
    EXPECT_EQ(four->TopRow(0)[0], 0xA5);
}

TEST(PixelAccess, ColoursAtEveryDepth) {
    const COLORREF c = RGB(0xFF, 0x80, 0x08);

    BitmapPtr rgb24 = MakeSection(2, 1, 24);
    SetPixelColour(*rgb24, 1, 0, c);
    EXPECT_EQ(rgb24->TopRow(0)[3], 0x08);  // blue, green, red
    EXPECT_EQ(rgb24->TopRow(0)[5], 0xFF);
    EXPECT_EQ(GetPixelColour(*rgb24, 1, 0), c);

    BitmapPtr rgb32 = MakeSection(1, 1, 32);
    SetPixelColour(*rgb32, 0, 0, c);
    EXPECT_EQ(GetPixelValue(*rgb32, 0, 0), 0x00FF8008u);

    // 5-5-5 keeps the top five bits of each channel; reading repeats them.
    BitmapPtr rgb555 = MakeSection(1, 1, 16);
    SetPixelColour(*rgb555, 0, 0, c);
    EXPECT_EQ(GetPixelValue(*rgb555, 0, 0), (0x1Fu << 10) | (0x10u << 5) | 0x01u);
    EXPECT_EQ(GetPixelColour(*rgb555, 0, 0), RGB(0xFF, 0x84, 0x08));

    BitmapPtr rgb565 = MakeSection(1, 1, 16, {0xF800, 0x07E0, 0x001F});
    SetPixelColour(*rgb565, 0, 0, c);
    EXPECT_EQ(GetPixelValue(*rgb565, 0, 0), (0x1Fu << 11) | (0x20u << 5) | 0x01u);
    EXPECT_EQ(GetPixelColour(*rgb565, 0, 0), RGB(0xFF, 0x82, 0x08));

    BitmapPtr indexed =
        MakeSection(1, 1, 8, {}, {Quad(0, 0, 0), Quad(250, 130, 0), Quad(255, 128, 8)});
    SetPixelColour(*indexed, 0, 0, RGB(250, 129, 4));
    EXPECT_EQ(GetPixelValue(*indexed, 0, 0), 1u);
    EXPECT_EQ(GetPixelColour(*indexed, 0, 0), RGB(250, 130, 0));
}

TEST(PixelAccess, NearestPaletteEntryPrefersTheFirstOfEquals) {
    const std::vector<RGBQUAD> palette = {Quad(20, 20, 20), Quad(10, 0, 0), Quad(0, 10, 0),
                                          Quad(10, 0, 0)};
    EXPECT_EQ(NearestPaletteIndex(palette, RGB(9, 0, 0)), 1);  // ties with entry 3
    EXPECT_EQ(NearestPaletteIndex(palette, RGB(5, 5, 0)), 1);  // ties with entry 2
    EXPECT_EQ(NearestPaletteIndex(palette, RGB(18, 18, 18)), 0);
    EXPECT_EQ(NearestPaletteIndex({}, RGB(1, 2, 3)), 0);
}

}  // namespace
}  // namespace gdi
