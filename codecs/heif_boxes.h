#pragma once

// A reader of the item boxes of a HEIF file (ISO base media format), for
// what the system HEIF library reads but does not bound: the canvas that a
// grid or overlay picture is drawn on. Its size is in the item's own data,
// not in the boxes the library checks, and the library allocates it before
// decoding a tile.

#include <cstdint>
#include <span>
#include <vector>

// A big-endian number of `size` bytes (at most 8) at the start of `bytes`,
// which must hold them.
std::uint64_t ReadBigEndian(std::span<const std::uint8_t> bytes, std::size_t size);

struct HeifCanvas {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The canvases that decoding the primary picture of `file` draws on: those
// of the primary picture, of the auxiliary pictures (alpha) that belong to
// it, and of every picture these are derived from ('dimg' references,
// followed to any depth), when any of them is a grid or an overlay. Pictures
// coded directly have no canvas and add nothing. False, with the reason
// recorded (LastImageError), when the boxes this needs are damaged, or a
// grid's or overlay's data cannot be found.
bool ReadHeifCanvases(std::span<const std::uint8_t> file, std::vector<HeifCanvas>& canvases);
