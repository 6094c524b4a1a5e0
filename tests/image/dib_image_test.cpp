#include "image/dib_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image_test_util.h"
#include "platform/gdi/dib_section.h"
#include "platform/gdi/display.h"

using namespace image_test;

namespace {

bool HeaderIsZero(const CDibImage& image) {
    gdi::BITMAPV4HEADER h;
    image.GetHeader(&h);
    const gdi::BITMAPV4HEADER zero{};
    return std::memcmp(&h, &zero, sizeof h) == 0;
}

// A packed BITMAPINFO: 40-byte header, optional masks, colour table.
std::vector<std::uint8_t> PackedInfo(std::int32_t width, std::int32_t height,
                                     std::uint16_t bitCount, std::uint32_t compression,
                                     const std::vector<std::uint32_t>& extra = {}) {
    gdi::BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = compression;
    std::vector<std::uint8_t> out(sizeof h + extra.size() * 4);
    std::memcpy(out.data(), &h, sizeof h);
    if (!extra.empty())
        std::memcpy(out.data() + sizeof h, extra.data(), extra.size() * 4);
    return out;
}

}  // namespace

TEST(DibImage, StrideRowTableAndHeader) {
    CDibImage image;
    ASSERT_TRUE(image.Create(1, 2, 1));
    EXPECT_EQ(image.GetStride(), 4u);
    ASSERT_TRUE(image.Create(3, 5, 24));
    EXPECT_EQ(image.GetStride(), 12u);
    EXPECT_EQ(image.GetRow(0), image.GetBits() + 4 * 12);
    for (std::uint32_t y = 1; y < 5; ++y)
        EXPECT_EQ(image.GetRow(y), image.GetRow(y - 1) - 12);
    EXPECT_EQ(image.GetPixelAddress(2, 1), image.GetRow(1) + 6);

    gdi::BITMAPV4HEADER h;
    image.GetHeader(&h);
    EXPECT_EQ(h.info.biSize, 108u);
    ASSERT_TRUE(image.Create(5, 1, 4));
    EXPECT_EQ(image.GetPixelAddress(3, 0), image.GetRow(0) + 1);

    image.Destroy();
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetBits(), nullptr);
    EXPECT_TRUE(HeaderIsZero(image));
}

TEST(DibImage, GreyPaletteAtEveryPaletteDepth) {
    for (std::uint32_t bits : {1u, 4u, 8u}) {
        SCOPED_TRACE(bits);
        CDibImage image;
        ASSERT_TRUE(image.Create(2, 2, bits));
        const unsigned n = 1u << bits;
        std::vector<gdi::RGBQUAD> table(n);
        ASSERT_EQ(image.GetPalette(0, n, table.data()), n);
        const unsigned step = 255 / (n - 1);
        for (unsigned i = 0; i < n; ++i)
            EXPECT_EQ(table[i], (gdi::RGBQUAD{std::uint8_t(step * i), std::uint8_t(step * i),
                                              std::uint8_t(step * i), 0}));
        EXPECT_TRUE(image.IsGreyPalette());
        const gdi::RGBQUAD red{0, 0, 255, 0};
        EXPECT_EQ(image.SetPalette(n - 1, 1, &red), 1u);
        EXPECT_FALSE(image.IsGreyPalette());
    }
    CDibImage deep;
    ASSERT_TRUE(deep.Create(2, 2, 24));
    gdi::RGBQUAD entry;
    EXPECT_EQ(deep.GetPaletteEntry(0, &entry), 0u);
    EXPECT_FALSE(deep.IsGreyPalette());
    EXPECT_FALSE(deep.SetGreyPalette());
}

TEST(DibImage, ZeroSizeAndDepthTakeTheDisplays) {
    gdi::ForceHeadlessDisplay(true);
    gdi::SetHeadlessDisplaySize(640, 480);
    CDibImage image;
    EXPECT_TRUE(image.Create(0, 0, 0));
    EXPECT_EQ(image.GetWidth(), 640u);
    EXPECT_EQ(image.GetHeight(), 480u);
    EXPECT_EQ(image.GetBitCount(), 32);
    gdi::SetHeadlessDisplaySize(1024, 768);
    gdi::ForceHeadlessDisplay(false);
}

TEST(DibImage, FailedCreateKeepsOrEmpties) {
    CDibImage image;
    ASSERT_TRUE(image.Create(4, 4, 24));
    FillPattern(image);
    const CDibImage before(image);

    EXPECT_FALSE(image.Create(4, -1, 24));  // refused before anything is touched
    EXPECT_TRUE(SamePixels(image, before));

    struct Bad {
        std::int64_t width, height;
        std::uint32_t bits;
    };
    for (const Bad bad : {Bad{4, 4, 7}, Bad{4, 4, 2}, Bad{-4, 4, 24}, Bad{70000, 70000, 32},
                          Bad{std::int64_t{1} << 31, 1, 1}, Bad{1, std::int64_t{1} << 40, 8}}) {
        ASSERT_TRUE(image.Create(4, 4, 24));
        EXPECT_FALSE(image.Create(bad.width, bad.height, bad.bits));
        EXPECT_FALSE(image.IsValid());
        EXPECT_TRUE(HeaderIsZero(image));
    }
    // BI_BITFIELDS without masks is no pixel format at all.
    EXPECT_FALSE(image.Create(4, 4, 16, gdi::BI_BITFIELDS, nullptr, true));
    EXPECT_FALSE(image.IsValid());
}

// A section made from its fields is the one a bare header of those fields
// makes, and the fields are refused where such a header is.
TEST(DibImage, SectionFromFieldsMatchesSectionFromHeader) {
    const std::uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    const std::uint32_t noMasks[3] = {};
    struct Case {
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t compression;
        const std::uint32_t* masks;
    };
    for (const Case c :
         {Case{5, 3, 1, gdi::BI_RGB, nullptr}, Case{7, 2, 8, gdi::BI_RGB, nullptr},
          Case{3, 3, 16, gdi::BI_BITFIELDS, masks565}, Case{9, 1, 32, gdi::BI_RGB, nullptr},
          Case{4, 0, 24, gdi::BI_RGB, nullptr}, Case{4, -2, 24, gdi::BI_RGB, nullptr},
          Case{4, 4, 24, gdi::BI_BITFIELDS, masks565}, Case{4, 4, 16, gdi::BI_BITFIELDS, noMasks},
          Case{4, 4, 12, gdi::BI_RGB, nullptr}, Case{4, 4, 8, 1, nullptr}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        std::vector<std::uint32_t> extra;
        if (c.compression == gdi::BI_BITFIELDS)
            extra.assign(c.masks, c.masks + 3);
        const auto fromHeader =
            gdi::CreateDIBSection(PackedInfo(c.width, c.height, c.bits, c.compression, extra));
        const auto fromFields =
            gdi::CreateDIBSection(c.width, c.height, c.bits, c.compression, c.masks);
        ASSERT_EQ(fromFields != nullptr, fromHeader != nullptr);
        if (!fromFields)
            continue;
        gdi::DIBSECTION a, b;
        gdi::GetObject(*fromFields, a);
        gdi::GetObject(*fromHeader, b);
        EXPECT_EQ(a.dsBm.bmWidthBytes, b.dsBm.bmWidthBytes);
        EXPECT_EQ(a.dsBmih.biWidth, b.dsBmih.biWidth);
        EXPECT_EQ(a.dsBmih.biHeight, b.dsBmih.biHeight);
        EXPECT_EQ(a.dsBmih.biBitCount, b.dsBmih.biBitCount);
        EXPECT_EQ(a.dsBmih.biCompression, b.dsBmih.biCompression);
        EXPECT_EQ(a.dsBmih.biSizeImage, b.dsBmih.biSizeImage);
        EXPECT_EQ(a.dsBmih.biClrUsed, b.dsBmih.biClrUsed);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(a.dsBitfields[i], b.dsBitfields[i]);
        const auto colours = fromFields->ColourTable();
        for (const gdi::RGBQUAD& q : colours)
            EXPECT_EQ(q.rgbRed | q.rgbGreen | q.rgbBlue | q.rgbReserved, 0);
    }
}

TEST(DibImage, CopyKeepsFormatPixelsAndPalette) {
    CDibImage bitfields;
    ASSERT_TRUE(bitfields.Create(5, 3, 16, gdi::BI_BITFIELDS, kMasks565, true));
    FillPattern(bitfields);
    CDibImage copy(bitfields);
    EXPECT_TRUE(SamePixels(copy, bitfields));
    gdi::BITMAPV4HEADER h;
    copy.GetHeader(&h);
    EXPECT_EQ(h.greenMask, 0x07E0u);

    CDibImage indexed;
    ASSERT_TRUE(indexed.Create(3, 3, 8));
    const gdi::RGBQUAD blue{200, 10, 10, 0};
    indexed.SetPalette(7, 1, &blue);
    copy = indexed;
    gdi::RGBQUAD entry;
    copy.GetPaletteEntry(7, &entry);
    EXPECT_EQ(entry, blue);

    // Copying itself or an empty picture changes nothing.
    const CDibImage empty;
    copy.CopyFrom(copy);
    copy.CopyFrom(empty);
    EXPECT_TRUE(SamePixels(copy, indexed));
}

TEST(DibImage, CreateFromBitmapInfo) {
    CDibImage image;
    ASSERT_TRUE(image.Create(2, 2, 24));
    FillPattern(image);
    const CDibImage before(image);
    // Refusals leave the picture alone.
    EXPECT_FALSE(image.CreateFromBitmapInfo(PackedInfo(4, 4, 8, gdi::BI_RLE8)));
    EXPECT_FALSE(image.CreateFromBitmapInfo(PackedInfo(4, 4, 4, gdi::BI_RLE4)));
    auto shortHeader = PackedInfo(4, 4, 24, gdi::BI_RGB);
    shortHeader.resize(39);
    EXPECT_FALSE(image.CreateFromBitmapInfo(shortHeader));
    auto longSize = PackedInfo(4, 4, 24, gdi::BI_RGB);
    longSize[0] = 108;  // claims more header than the span holds
    EXPECT_FALSE(image.CreateFromBitmapInfo(longSize));
    EXPECT_FALSE(image.CreateFromBitmapInfo(PackedInfo(4, 4, 16, gdi::BI_BITFIELDS, {0xF800})));
    const std::vector<std::uint8_t> fewPixels(4 * 12 - 1);
    EXPECT_FALSE(image.CreateFromBitmapInfo(PackedInfo(4, 4, 24, gdi::BI_RGB), fewPixels));
    EXPECT_TRUE(image.CreateFromBitmapInfo({}));
    EXPECT_TRUE(SamePixels(image, before));

    // Top-down: the rows arrive as stored, bottom row first in memory.
    std::vector<std::uint8_t> pixels(3 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_TRUE(image.CreateFromBitmapInfo(PackedInfo(3, -3, 8, gdi::BI_RGB), pixels));
    EXPECT_EQ(image.GetHeight(), 3u);
    EXPECT_EQ(0, std::memcmp(image.GetBits(), pixels.data(), pixels.size()));
    EXPECT_EQ(image.GetRow(0)[0], 9);

    // The colour table follows the header; masks follow a 40-byte header.
    ASSERT_TRUE(
        image.CreateFromBitmapInfo(PackedInfo(2, 2, 1, gdi::BI_RGB, {0x00112233, 0x00445566})));
    gdi::RGBQUAD entry;
    image.GetPaletteEntry(1, &entry);
    EXPECT_EQ(entry, (gdi::RGBQUAD{0x66, 0x55, 0x44, 0}));
    ASSERT_TRUE(image.CreateFromBitmapInfo(
        PackedInfo(2, 2, 16, gdi::BI_BITFIELDS, {0xF800, 0x07E0, 0x001F})));
    EXPECT_EQ(image.GetCompression(), gdi::BI_BITFIELDS);

    // A zero size in a file is damage, not a request for the screen's.
    EXPECT_FALSE(image.CreateFromBitmapInfo(PackedInfo(4, 0, 24, gdi::BI_RGB)));
    EXPECT_FALSE(image.IsValid());
}
