// Colour census and solid fills.
//
// The census marks each raw value in a flat table of one byte per possible
// value (16 MiB at 24 bits), which beats any hash set on photographs, and
// stops once every value has been seen. calloc'd pages are zero on demand, so
// a picture with few colours touches little of the table.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/dib_image.h"
#include "platform/gdi/pixel_access.h"

namespace {

struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};
using FlagTable = std::unique_ptr<std::uint8_t[], FreeDeleter>;

// The bits of a raw value that tell colours apart: the fourth byte of a
// 32-bit pixel and the top bit of a 5-5-5 pixel carry no colour.
std::uint32_t ValueMask(const CDibImage& image) {
    switch (image.GetBitCount()) {
    case 8:
        return 0xFF;
    case 16:
        return image.Is565() ? 0xFFFF : 0x7FFF;
    default:
        return 0xFFFFFF;
    }
}

template <std::size_t Bytes>
std::uint32_t MarkRows(const CDibImage& image, std::uint8_t* seen, std::uint32_t mask) {
    const std::uint64_t total = std::uint64_t{mask} + 1;
    std::uint32_t count = 0;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        const std::uint8_t* p = image.GetRow(y);
        for (std::uint32_t x = 0; x < image.GetWidth(); ++x, p += Bytes) {
            std::uint32_t v = 0;
            std::memcpy(&v, p, Bytes);
            v &= mask;
            if (!seen[v]) {
                seen[v] = 1;
                if (++count == total)
                    return count;
            }
        }
    }
    return count;
}

// Marks the values of an 8-bit or deeper picture; returns how many distinct
// ones there are, stopping early once all are present.
std::uint32_t MarkValues(const CDibImage& image, std::uint8_t* seen, std::uint32_t mask) {
    switch (image.GetBitCount()) {
    case 8:
        return MarkRows<1>(image, seen, mask);
    case 16:
        return MarkRows<2>(image, seen, mask);
    case 24:
        return MarkRows<3>(image, seen, mask);
    default:
        return MarkRows<4>(image, seen, mask);
    }
}

// At 1 and 4 bits the entries in use are found first; two entries of the same
// colour are one colour.
std::uint32_t CountPaletteColours(const CDibImage& image) {
    const unsigned depth = image.GetBitCount();
    const unsigned entries = 1u << depth;
    std::array<bool, 16> used{};
    unsigned usedCount = 0;
    for (std::uint32_t y = 0; y < image.GetHeight() && usedCount < entries; ++y) {
        const std::uint8_t* row = image.GetRow(y);
        for (std::uint32_t x = 0; x < image.GetWidth(); ++x) {
            const std::uint32_t i = gdi::ReadPixelValue(row, static_cast<std::int32_t>(x), depth);
            if (!used[i]) {
                used[i] = true;
                ++usedCount;
            }
        }
    }
    std::array<ColourValue, 16> colours{};
    std::size_t distinct = 0;
    for (unsigned i = 0; i < entries; ++i) {
        if (!used[i])
            continue;
        const ColourValue c = image.ValueToColour(i) & 0xFFFFFF;
        if (std::find(colours.begin(), colours.begin() + distinct, c) == colours.begin() + distinct)
            colours[distinct++] = c;
    }
    return static_cast<std::uint32_t>(distinct);
}

}  // namespace

std::uint32_t CDibImage::CountColours() const {
    if (!IsValid())
        return 0;
    if (GetBitCount() < 8)
        return CountPaletteColours(*this);
    const std::uint32_t mask = ValueMask(*this);
    const FlagTable seen(static_cast<std::uint8_t*>(std::calloc(std::size_t{mask} + 1, 1)));
    if (!seen)
        return 0;
    return MarkValues(*this, seen.get(), mask);
}

int CDibImage::FindFreeColour(ColourValue& out) const {
    if (!IsValid() || GetBitCount() <= 8)
        return 0;
    const std::uint32_t mask = ValueMask(*this);
    const FlagTable seen(static_cast<std::uint8_t*>(std::calloc(std::size_t{mask} + 1, 1)));
    if (!seen)
        return 0;
    if (MarkValues(*this, seen.get(), mask) == std::uint64_t{mask} + 1)
        return 0;
    const std::uint8_t* begin = seen.get();
    const std::uint8_t* free = std::find(begin, begin + std::size_t{mask} + 1, std::uint8_t{0});
    out = ValueToColour(static_cast<std::uint32_t>(free - begin));
    return 1;
}

int CDibImage::FillColour(ColourValue colour, const gdi::RECT* rect) {
    const unsigned depth = GetBitCount();
    if (!IsValid() || depth < 16)
        return 0;
    const gdi::RECT whole{0, 0, header.info.biWidth, header.info.biHeight};
    // Clipped here, so a rectangle reaching past the top or left edge still
    // fills exactly its own part of the picture.
    const gdi::RECT area = rect ? gdi::IntersectRect(*rect, whole) : whole;
    if (gdi::IsRectEmpty(area))
        return 0;

    const std::uint32_t value =
        depth == 16 ? (Is565() ? PackTo565(colour) : PackTo555(colour)) : colour;
    const std::size_t bytes = depth / 8;
    const std::size_t offset = static_cast<std::size_t>(area.left) * bytes;
    const std::size_t span = static_cast<std::size_t>(area.right - area.left) * bytes;
    // One row is filled pixel by pixel; the others copy it.
    std::uint8_t* first = GetRow(static_cast<std::uint32_t>(area.top)) + offset;
    for (std::size_t at = 0; at < span; at += bytes)
        std::memcpy(first + at, &value, bytes);
    for (std::int32_t y = area.top + 1; y < area.bottom; ++y)
        std::memcpy(GetRow(static_cast<std::uint32_t>(y)) + offset, first, span);
    return 1;
}
