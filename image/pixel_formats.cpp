// Single pixels: raw values per depth and their colours.

#include <cstring>

#include "image/dib_image.h"
#include "platform/gdi/pixel_access.h"

namespace {

bool Inside(const CDibImage& image, std::int32_t x, std::int32_t y) {
    return x >= 0 && y >= 0 && static_cast<std::uint32_t>(x) < image.GetWidth() &&
           static_cast<std::uint32_t>(y) < image.GetHeight();
}

}  // namespace

bool CDibImage::Is565() const {
    return GetBitCount() == 16 && GetCompression() == gdi::BI_BITFIELDS &&
           header.greenMask != 0x3E0;
}

std::uint32_t CDibImage::GetPixelValue(std::int32_t x, std::int32_t y) const {
    // An empty picture has no size, so this also guards the row table.
    if (!Inside(*this, x, y))
        return 0;
    return gdi::ReadPixelValue(GetRow(static_cast<std::uint32_t>(y)), x, GetBitCount());
}

void CDibImage::SetPixelValue(std::int32_t x, std::int32_t y, std::uint32_t value) {
    if (Inside(*this, x, y))
        gdi::WritePixelValue(GetRow(static_cast<std::uint32_t>(y)), x, GetBitCount(), value);
}

ColourValue CDibImage::ValueToColour(std::uint32_t value) const {
    switch (GetBitCount()) {
    case 1:
    case 4:
    case 8: {
        gdi::RGBQUAD entry;
        return GetPaletteEntry(value, &entry) ? ColourFromQuad(entry) : 0;
    }
    case 16:
        return Is565() ? UnpackFrom565(value) : UnpackFrom555(value);
    case 24:
    case 32:
        return value;
    default:
        return 0;
    }
}

void CDibImage::SetPixelColour(std::int32_t x, std::int32_t y, ColourValue colour) {
    switch (GetBitCount()) {
    case 16:
        SetPixelValue(x, y, Is565() ? PackTo565(colour) : PackTo555(colour));
        break;
    case 24:
    case 32:
        SetPixelValue(x, y, colour);
        break;
    default:
        break;
    }
}

std::uint32_t CDibImage::PixelValueAt(const std::uint8_t* address) const {
    switch (GetBitCount()) {
    case 8:
    case 16:
    case 24:
    case 32:
        return gdi::ReadPixelValue(address, 0, GetBitCount());
    default:
        return 0;
    }
}
