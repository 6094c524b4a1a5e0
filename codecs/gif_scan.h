#pragma once

// The scan shared by the parser, the appender and the screen canvas.

#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/gif.h"

// GIF's 16-bit fields are little-endian.
inline std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Scans a whole GIF stream into `state`'s fields and image offsets (its
// stream copy is left alone); `trailer`, when given, receives the trailer's
// offset. True when the scan reached the trailer within `s`.
bool ScanGifStream(std::span<const std::uint8_t> s, GifStreamState& state, std::size_t* trailer);
