#pragma once

// The LZW coder of GIF images: variable-length codes of 3 to 12 bits packed
// least significant bit first, a 4096-code table, clear and end codes.

#include <cstdint>
#include <span>
#include <vector>

#include "image/dib_image.h"

// Decodes `data`, the minimum code size byte followed by the concatenated
// sub-block payloads, into the rows of an 8-bit `picture` (top row first, or
// in the four interlace passes). Decoding ends at the end code, at the end
// of `data`, at a code no table entry stands for, or once the last row is
// full; pixels not reached keep their value. False only for a minimum code
// size outside 2 to 8.
bool DecodeGifLzw(std::span<const std::uint8_t> data, CDibImage& picture, bool interlaced);

// Appends the LZW codes of a 1-, 4- or 8-bit picture (top row first) to
// `out` and returns the minimum code size they use (2 for 1-bit pictures,
// else the bit count); 0 for any other picture.
std::uint8_t EncodeGifLzw(const CDibImage& picture, std::vector<std::uint8_t>& out);
