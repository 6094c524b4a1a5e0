#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/gdi/types.h"

namespace gdi {

// Combine modes and region kinds, with the Windows values.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;

inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

// Polygon fill modes.
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;

// A set of pixels kept as y-x banded, half-open rectangles (the model GDI
// regions use). A value type: copies are independent.
class Region {
public:
    Region();  // empty
    ~Region();
    Region(const Region& other);
    Region& operator=(const Region& other);
    Region(Region&& other) noexcept;
    Region& operator=(Region&& other) noexcept;

    bool IsEmpty() const;
    RECT Box() const;  // {0,0,0,0} when empty
    bool Contains(std::int32_t x, std::int32_t y) const;
    // The banded rectangles, top to bottom, left to right.
    std::vector<RECT> Rects() const;
    // SIMPLEREGION, COMPLEXREGION or NULLREGION.
    int Kind() const;
    bool operator==(const Region& other) const;

    struct Impl;
    Impl& impl() { return *impl_; }
    const Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

using HRGN = Region*;

// Right and bottom are exclusive; coordinates in either order are sorted.
Region CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
// The ellipse inscribed in the rectangle, scan-converted by pixel centres:
// one span per row, symmetric about both axes of the box.
Region CreateEllipticRgn(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom);
// A rectangle whose corners are quarter ellipses of cornerWidth x cornerHeight.
Region CreateRoundRectRgn(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, std::int32_t cornerWidth, std::int32_t cornerHeight);
// A closed polygon filled by pixel centres with ALTERNATE (even-odd) or
// WINDING (non-zero) rule. Fewer than three points give an empty region.
Region CreatePolygonRgn(std::span<const POINT> points, int fillMode);

// dst = a (op) b; dst may be a or b. RGN_COPY copies a. Returns the kind of
// the result, or ERROR for an unknown mode (dst unchanged).
int CombineRgn(Region& dst, const Region& a, const Region& b, int mode);
int OffsetRgn(Region& region, std::int32_t dx, std::int32_t dy);
int GetRgnBox(const Region& region, RECT* out);
bool PtInRegion(const Region& region, std::int32_t x, std::int32_t y);

}  // namespace gdi
