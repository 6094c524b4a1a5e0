// Colour-table access. The table belongs to the DIB section and is reached
// only through a memory device context, as every other surface operation.

#include <array>

#include "image/dib_image.h"
#include "platform/gdi/dc.h"

namespace {

constexpr unsigned kMaxEntries = 256;

}  // namespace

unsigned CDibImage::GetPalette(unsigned first, unsigned count, gdi::RGBQUAD* entries) const {
    if (!IsValid() || GetBitCount() > 8 || !entries)
        return 0;
    gdi::MemoryDC dc;
    dc.SelectObject(bitmap.get());
    const unsigned n = gdi::GetDIBColorTable(dc, first, count, entries);
    dc.SelectObject(nullptr);
    return n;
}

unsigned CDibImage::SetPalette(unsigned first, unsigned count, const gdi::RGBQUAD* entries) {
    if (!IsValid() || GetBitCount() > 8 || !entries)
        return 0;
    gdi::MemoryDC dc;
    dc.SelectObject(bitmap.get());
    const unsigned n = gdi::SetDIBColorTable(dc, first, count, entries);
    dc.SelectObject(nullptr);
    return n;
}

bool CDibImage::CopyPaletteFrom(const CDibImage& source) {
    if (!IsValid() || GetBitCount() > 8 || source.GetBitCount() != GetBitCount())
        return false;
    std::array<gdi::RGBQUAD, kMaxEntries> table{};
    const unsigned n = 1u << GetBitCount();
    if (source.GetPalette(0, n, table.data()) != n)
        return false;
    return SetPalette(0, n, table.data()) == n;
}

bool CDibImage::SetGreyPalette() {
    if (!IsValid() || GetBitCount() > 8)
        return false;
    const unsigned n = 1u << GetBitCount();
    const unsigned step = 255 / (n - 1);
    std::array<gdi::RGBQUAD, kMaxEntries> table{};
    for (unsigned i = 0; i < n; ++i) {
        const auto level = static_cast<std::uint8_t>(step * i);
        table[i] = gdi::RGBQUAD{level, level, level, 0};
    }
    return SetPalette(0, n, table.data()) == n;
}

bool CDibImage::IsGreyPalette() const {
    if (!IsValid() || GetBitCount() > 8)
        return false;
    const unsigned n = 1u << GetBitCount();
    std::array<gdi::RGBQUAD, kMaxEntries> table{};
    if (GetPalette(0, n, table.data()) != n)
        return false;
    for (unsigned i = 0; i < n; ++i) {
        if (table[i].rgbBlue != table[i].rgbGreen || table[i].rgbGreen != table[i].rgbRed)
            return false;
    }
    return true;
}
