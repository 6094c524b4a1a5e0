#include "platform/gdi/pixel_access.h"

namespace gdi {

ChannelField::ChannelField(std::uint32_t m) : mask(m) {
    if (!m)
        return;
    shift = unsigned(std::countr_zero(m));
    bits = unsigned(std::bit_width(m >> shift));
    if (bits >= 8) {
        widen_ = 1;
        narrow_ = bits - 8;
        return;
    }
    unsigned n = 0;
    while (n < 8) {
        widen_ = (widen_ << bits) | 1;
        n += bits;
    }
    narrow_ = n - 8;
}

std::uint32_t ChannelField::PlaceWide(std::uint8_t c) const {
    // Repeat the 8 bits over the wider field, so that 0xFF fills it.
    std::uint64_t wide = 0;
    unsigned n = 0;
    while (n < bits) {
        wide = (wide << 8) | c;
        n += 8;
    }
    return (std::uint32_t(wide >> (n - bits)) << shift) & mask;
}

std::uint8_t NearestPaletteIndex(std::span<const RGBQUAD> palette, COLORREF colour) {
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    std::size_t best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
        const int dr = palette[i].rgbRed - r;
        const int dg = palette[i].rgbGreen - g;
        const int db = palette[i].rgbBlue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return std::uint8_t(best);
}

PixelFormat::PixelFormat(const DibSection& s) : bitCount_(s.BitCount()) {
    if (bitCount_ <= 8) {
        palette_ = s.ColourTable();
    } else {
        red_ = ChannelField(s.EffectiveMask(0));
        green_ = ChannelField(s.EffectiveMask(1));
        blue_ = ChannelField(s.EffectiveMask(2));
    }
}

bool PixelFormat::SameValuesAs(const PixelFormat& o) const {
    if (bitCount_ != o.bitCount_)
        return false;
    if (bitCount_ == 16 || bitCount_ == 32)
        return red_.mask == o.red_.mask && green_.mask == o.green_.mask &&
               blue_.mask == o.blue_.mask;
    return true;
}

bool PixelFormat::SameChannelsAs(const PixelFormat& o) const {
    return !HasPalette() && !o.HasPalette() && red_.mask == o.red_.mask &&
           green_.mask == o.green_.mask && blue_.mask == o.blue_.mask;
}

COLORREF PixelFormat::PaletteColour(std::uint32_t index) const {
    if (index >= palette_.size())
        return 0;
    const RGBQUAD& q = palette_[index];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

COLORREF ValueToColour(const DibSection& s, std::uint32_t value) {
    return PixelFormat(s).ToColour(value);
}

std::uint32_t ColourToValue(const DibSection& s, COLORREF colour) {
    return PixelFormat(s).FromColour(colour);
}

namespace {
bool Inside(const DibSection& s, std::int32_t x, std::int32_t y) {
    return x >= 0 && y >= 0 && x < s.Width() && y < s.Height();
}
}  // namespace

std::uint32_t GetPixelValue(const DibSection& s, std::int32_t x, std::int32_t y) {
    return Inside(s, x, y) ? ReadPixelValue(s.TopRow(y), x, s.BitCount()) : 0;
}

void SetPixelValue(DibSection& s, std::int32_t x, std::int32_t y, std::uint32_t value) {
    if (Inside(s, x, y))
        WritePixelValue(s.TopRow(y), x, s.BitCount(), value);
}

COLORREF GetPixelColour(const DibSection& s, std::int32_t x, std::int32_t y) {
    return Inside(s, x, y) ? ValueToColour(s, ReadPixelValue(s.TopRow(y), x, s.BitCount())) : 0;
}

void SetPixelColour(DibSection& s, std::int32_t x, std::int32_t y, COLORREF colour) {
    SetPixelValue(s, x, y, ColourToValue(s, colour));
}

}  // namespace gdi
