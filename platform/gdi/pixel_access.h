#pragma once

// Reading and writing single pixels of a DIB section, as raw values (palette
// indices, packed 16-bit fields, BGR and BGRX words) or as colours.

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/gdi/dib_section.h"

namespace gdi {

static_assert(std::endian::native == std::endian::little, "pixel words are read little-endian");

// The raw value of pixel x in a row of the given depth. Pixels of 1 and 4
// bits are packed most significant bits first.
inline std::uint32_t ReadPixelValue(const std::uint8_t* row, std::int32_t x, unsigned bitCount) {
    switch (bitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8:
        return row[x];
    case 16:
        return row[2 * x] | (std::uint32_t{row[2 * x + 1]} << 8);
    case 24:
        return row[3 * x] | (std::uint32_t{row[3 * x + 1]} << 8) |
               (std::uint32_t{row[3 * x + 2]} << 16);
    default: {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * std::size_t(x), 4);
        return v;
    }
    }
}

inline void WritePixelValue(std::uint8_t* row, std::int32_t x, unsigned bitCount,
                            std::uint32_t value) {
    switch (bitCount) {
    case 1: {
        const std::uint8_t bit = std::uint8_t(0x80u >> (x & 7));
        row[x >> 3] = (value & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit;
        break;
    }
    case 4: {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? std::uint8_t((b & 0xF0) | (value & 0x0F))
                    : std::uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = std::uint8_t(value);
        break;
    case 16:
        row[2 * x] = std::uint8_t(value);
        row[2 * x + 1] = std::uint8_t(value >> 8);
        break;
    case 24:
        row[3 * x] = std::uint8_t(value);
        row[3 * x + 1] = std::uint8_t(value >> 8);
        row[3 * x + 2] = std::uint8_t(value >> 16);
        break;
    default:
        std::memcpy(row + 4 * std::size_t(x), &value, 4);
        break;
    }
}

// One colour channel of a packed pixel: where its bits lie and how many.
struct ChannelField {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    unsigned bits = 0;

    explicit ChannelField(std::uint32_t m = 0);

    // The channel of `value` widened to 8 bits. Narrow fields repeat their
    // bits (5 bits 0x1F become 0xFF, 6 bits 0x20 become 0x82), which is a
    // multiplication by 1 + 2^bits + 2^2bits + ... and a shift.
    std::uint8_t Extract(std::uint32_t value) const {
        return std::uint8_t((((value & mask) >> shift) * widen_) >> narrow_);
    }
    // An 8-bit channel value placed into the field.
    std::uint32_t Place(std::uint8_t c) const {
        if (bits <= 8)
            return ((std::uint32_t{c} >> (8 - bits)) << shift) & mask;
        return PlaceWide(c);
    }

private:
    std::uint32_t PlaceWide(std::uint8_t c) const;
    std::uint32_t widen_ = 0;
    unsigned narrow_ = 0;
};

// Index of the palette entry closest to `colour` by squared distance over
// red, green and blue; the first of equally close entries wins. 0 for an
// empty palette.
std::uint8_t NearestPaletteIndex(std::span<const RGBQUAD> palette, COLORREF colour);

// How one section's pixel values map to colours and back. Borrows the
// section's colour table, so it must not outlive the section.
class PixelFormat {
public:
    explicit PixelFormat(const DibSection& section);

    unsigned BitCount() const { return bitCount_; }
    bool HasPalette() const { return bitCount_ <= 8; }
    // Same depth and, for 16 and 32 bits, the same channel masks: values can
    // be copied without conversion.
    bool SameValuesAs(const PixelFormat& other) const;
    // Both hold colours in the same bit fields (24-bit and plain 32-bit
    // pixels do): converting is masking off the rest.
    bool SameChannelsAs(const PixelFormat& other) const;
    std::uint32_t ChannelBits() const { return red_.mask | green_.mask | blue_.mask; }

    COLORREF ToColour(std::uint32_t value) const {
        if (bitCount_ <= 8)
            return PaletteColour(value);
        return RGB(red_.Extract(value), green_.Extract(value), blue_.Extract(value));
    }
    // The packed value for a colour; the nearest palette entry at 8 bits or
    // fewer. The reserved byte of a 32-bit pixel is left zero.
    std::uint32_t FromColour(COLORREF colour) const {
        if (bitCount_ <= 8)
            return NearestPaletteIndex(palette_, colour);
        return red_.Place(GetRValue(colour)) | green_.Place(GetGValue(colour)) |
               blue_.Place(GetBValue(colour));
    }

private:
    COLORREF PaletteColour(std::uint32_t index) const;

    unsigned bitCount_;
    std::span<const RGBQUAD> palette_;
    ChannelField red_, green_, blue_;
};

// Conversions for a whole section; pixel positions count from the top row.
COLORREF ValueToColour(const DibSection& section, std::uint32_t value);
std::uint32_t ColourToValue(const DibSection& section, COLORREF colour);

// Out-of-range positions read as 0 and are not written.
std::uint32_t GetPixelValue(const DibSection& section, std::int32_t x, std::int32_t y);
void SetPixelValue(DibSection& section, std::int32_t x, std::int32_t y, std::uint32_t value);
COLORREF GetPixelColour(const DibSection& section, std::int32_t x, std::int32_t y);
void SetPixelColour(DibSection& section, std::int32_t x, std::int32_t y, COLORREF colour);

}  // namespace gdi
