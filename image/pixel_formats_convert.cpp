// Depth conversions done pixel by pixel: grey, 16-bit and true colour. The old
// picture moves aside as the source and the new one is created in its place.
// Palette pictures go through a per-entry table, one lookup per pixel.

#include <array>
#include <cstring>

#include "image/dib_image.h"
#include "platform/gdi/pixel_access.h"

namespace {

using Palette = std::array<gdi::RGBQUAD, 256>;

// The whole table of a picture of 8 bits or fewer.
Palette ReadPalette(const CDibImage& image) {
    Palette table{};
    image.GetPalette(0, 1u << image.GetBitCount(), table.data());
    return table;
}

// fn(x, index) for every pixel of row y of a picture of 8 bits or fewer.
template <class Fn>
void ForEachIndex(const CDibImage& image, std::uint32_t y, Fn&& fn) {
    const std::uint8_t* row = image.GetRow(y);
    const std::uint32_t width = image.GetWidth();
    if (image.GetBitCount() == 8) {
        for (std::uint32_t x = 0; x < width; ++x)
            fn(x, row[x]);
        return;
    }
    for (std::uint32_t x = 0; x < width; ++x)
        fn(x, gdi::ReadPixelValue(row, static_cast<std::int32_t>(x), image.GetBitCount()));
}

// fn(x, colour) for every pixel of row y of a 16-, 24- or 32-bit picture.
template <class Fn>
void ForEachDeepColour(const CDibImage& image, std::uint32_t y, Fn&& fn) {
    const std::uint8_t* row = image.GetRow(y);
    const std::uint32_t width = image.GetWidth();
    switch (image.GetBitCount()) {
    case 16:
        if (image.Is565()) {
            for (std::uint32_t x = 0; x < width; ++x)
                fn(x, UnpackFrom565(row[2 * x] | (row[2 * x + 1] << 8)));
        } else {
            for (std::uint32_t x = 0; x < width; ++x)
                fn(x, UnpackFrom555(row[2 * x] | (row[2 * x + 1] << 8)));
        }
        break;
    case 24:
        for (std::uint32_t x = 0; x < width; ++x)
            fn(x, ColourFromBgr(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
        break;
    case 32:
        for (std::uint32_t x = 0; x < width; ++x)
            fn(x, ColourFromBgr(row[4 * x], row[4 * x + 1], row[4 * x + 2]));
        break;
    default:
        break;
    }
}

void Store16(std::uint8_t* row, std::uint32_t x, std::uint16_t value) {
    row[2 * x] = static_cast<std::uint8_t>(value);
    row[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

int CDibImage::ToGrey() {
    if (!IsValid() || IsGreyPalette())
        return 0;
    const unsigned depth = GetBitCount();
    if (depth > 8) {
        CDibImage source;
        SwapPicture(source);
        if (!Create(source.GetWidth(), source.GetHeight(), 8))
            return 0;
        for (std::uint32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* out = GetRow(y);
            ForEachDeepColour(source, y,
                              [out](std::uint32_t x, ColourValue c) { out[x] = GreyLevelOf(c); });
        }
        return 1;
    }

    Palette table = ReadPalette(*this);
    const unsigned entries = 1u << depth;
    if (depth == 8) {
        // Index becomes grey level, so the ramp palette shows the same greys.
        std::array<std::uint8_t, 256> level{};
        for (unsigned i = 0; i < entries; ++i)
            level[i] = GreyLevelOf(ColourFromQuad(table[i]));
        for (std::uint32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* row = GetRow(y);
            for (std::uint32_t x = 0; x < GetWidth(); ++x)
                row[x] = level[row[x]];
        }
        SetGreyPalette();
        return 1;
    }
    for (unsigned i = 0; i < entries; ++i) {
        const std::uint8_t g = GreyLevelOf(ColourFromQuad(table[i]));
        table[i] = gdi::RGBQUAD{g, g, g, 0};
    }
    SetPalette(0, entries, table.data());
    return 1;
}

int CDibImage::To16Bit() {
    if (!IsValid() || GetBitCount() == 16)
        return 0;
    CDibImage source;
    SwapPicture(source);
    if (!Create(source.GetWidth(), source.GetHeight(), 16))
        return 0;

    if (source.GetBitCount() <= 8) {
        const Palette palette = ReadPalette(source);
        std::array<std::uint16_t, 256> packed{};
        for (std::size_t i = 0; i < packed.size(); ++i)
            packed[i] = PackTo555(ColourFromQuad(palette[i]));
        for (std::uint32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* out = GetRow(y);
            ForEachIndex(source, y,
                         [&](std::uint32_t x, std::uint32_t i) { Store16(out, x, packed[i]); });
        }
        return 1;
    }
    for (std::uint32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* out = GetRow(y);
        ForEachDeepColour(source, y,
                          [out](std::uint32_t x, ColourValue c) { Store16(out, x, PackTo555(c)); });
    }
    return 1;
}

int CDibImage::ConvertToTrueColour(std::uint32_t bitCount) {
    if (!IsValid() || (bitCount != 24 && bitCount != 32) || bitCount == GetBitCount())
        return 0;
    CDibImage source;
    SwapPicture(source);
    if (!Create(source.GetWidth(), source.GetHeight(), bitCount))
        return 0;
    const std::size_t bytes = bitCount / 8;

    if (source.GetBitCount() <= 8) {
        // The entry's first bytes as they stand: at 32 bits its reserved
        // byte becomes the fourth byte.
        const Palette palette = ReadPalette(source);
        for (std::uint32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* out = GetRow(y);
            ForEachIndex(source, y, [&](std::uint32_t x, std::uint32_t i) {
                std::memcpy(out + x * bytes, &palette[i], bytes);
            });
        }
        return 1;
    }
    // Three colour bytes; the fourth byte of a 32-bit result stays 0.
    for (std::uint32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* out = GetRow(y);
        ForEachDeepColour(source, y, [&](std::uint32_t x, ColourValue c) {
            std::memcpy(out + x * bytes, &c, 3);
        });
    }
    return 1;
}
