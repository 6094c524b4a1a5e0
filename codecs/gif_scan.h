#pragma once

// The scan shared by the parser and the appender.

#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/gif.h"

// Scans a whole GIF stream into `state`'s fields and image offsets (its
// stream copy is left alone); `trailer`, when given, receives the trailer's
// offset. True when the scan reached the trailer within `s`.
bool ScanGifStream(std::span<const std::uint8_t> s, GifStreamState& state, std::size_t* trailer);
