#pragma once

// The colour tables that pictures of 1, 4 and 8 bits receive when they are
// made from a device bitmap (the display has no palette of its own to lend).

#include <span>

#include "platform/gdi/types.h"

// 2, 16 or 256 entries for 1, 4 or 8 bits; empty for any other depth.
std::span<const gdi::RGBQUAD> FixedPalette(unsigned bitCount);
