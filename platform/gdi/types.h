#pragma once

// Plain data types of the drawing layer, laid out byte for byte as the
// Windows structures they stand in for, since file formats and the clipboard
// carry them verbatim.

#include <cstddef>
#include <cstdint>

namespace gdi {

// Largest pixel buffer we ever allocate for one picture. Every decoder checks
// width x height x depth against it before allocating anything.
inline constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{1} << 30;

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const RECT&) const = default;
};

struct POINT {
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const POINT&) const = default;
};

// A rectangle is empty when it has no width or no height (right and bottom
// are exclusive).
inline bool IsRectEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}
RECT IntersectRect(const RECT& a, const RECT& b);  // {0,0,0,0} when they do not meet

#pragma pack(push, 1)
struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;

    bool operator==(const RGBQUAD&) const = default;
};
static_assert(sizeof(RGBQUAD) == 4);

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The 108-byte version 4 header: the 40-byte header, the four channel masks,
// then colour-space fields that this program always leaves zero.
struct BITMAPV4HEADER {
    BITMAPINFOHEADER info;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::uint32_t alphaMask = 0;
    std::uint32_t csType = 0;
    std::uint8_t endpoints[36] = {};
    std::uint32_t gammaRed = 0;
    std::uint32_t gammaGreen = 0;
    std::uint32_t gammaBlue = 0;
};
static_assert(sizeof(BITMAPV4HEADER) == 108);
#pragma pack(pop)

// What GetObject reports for a DIB section.
struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    std::uint32_t dsBitfields[3] = {};
};

// 0x00BBGGRR, as the Windows RGB macro builds it.
using COLORREF = std::uint32_t;
constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return COLORREF{r} | (COLORREF{g} << 8) | (COLORREF{b} << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t GetGValue(COLORREF c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t GetBValue(COLORREF c) {
    return static_cast<std::uint8_t>(c >> 16);
}

struct Brush {
    COLORREF colour = 0;
};
inline Brush CreateSolidBrush(COLORREF colour) {
    return Brush{colour};
}

// Stretch modes and raster operations we honour.
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;

}  // namespace gdi
