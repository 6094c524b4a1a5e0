#pragma once

// Helpers shared by the blits and the fills: which pixels of a surface an
// operation may touch, and private copies of sources that are also targets.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gdi/dc.h"

namespace gdi::detail {

// A rectangle from 64-bit edges, clamped to the 32-bit range.
RECT MakeRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

// The parts of `area` inside the surface and the context's clip region,
// top to bottom; empty when nothing may be drawn.
std::vector<RECT> TargetRects(const DC& dc, const DibSection& surface, const RECT& area);

// The smallest rectangle holding all of `rects` ({0,0,0,0} for none).
RECT BoundingBox(std::span<const RECT> rects);

// An independent copy of a section: same format, palette and pixels. Null
// when memory cannot be had.
BitmapPtr CloneSection(const DibSection& section);

// Walks the bit range [bit, end) of a row of 1- or 4-bit pixels (most
// significant bit first): partial(byte, mask) for the bytes it covers only in
// part, whole(firstByte, count) for the run of whole bytes between them.
template <typename Partial, typename Whole>
void ForBitSpan(std::size_t bit, std::size_t end, Partial partial, Whole whole) {
    auto mask = [](std::size_t from, std::size_t to) {
        return std::uint8_t((0xFFu >> from) & ~(0xFFu >> to));
    };
    if (bit / 8 == end / 8) {
        partial(bit / 8, mask(bit % 8, end % 8));
        return;
    }
    if (bit % 8) {
        partial(bit / 8, mask(bit % 8, 8));
        bit = (bit / 8 + 1) * 8;
    }
    if (end / 8 > bit / 8)
        whole(bit / 8, end / 8 - bit / 8);
    if (end % 8)
        partial(end / 8, mask(0, end % 8));
}

// Writes `value` to pixels [x0, x1) of a row at any depth.
void FillRowSpan(std::uint8_t* row, std::int32_t x0, std::int32_t x1, unsigned bitCount,
                 std::uint32_t value);

}  // namespace gdi::detail
