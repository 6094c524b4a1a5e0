#pragma once

// Pieces the benchmark programs share.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "image/picture.h"

namespace bench {

// Smooth gradients with some texture: compresses like a photograph, not like
// noise or a flat colour.
inline CPicture MakePhotoLikePicture(std::uint32_t width, std::uint32_t height) {
    CPicture p;
    p.Create(width, height, 24);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = p.GetRow(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x / 24 + (x * y) % 7);
            row[3 * x + 1] = static_cast<std::uint8_t>(y / 16 + (x ^ y) % 5);
            row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 40);
        }
    }
    return p;
}

// Whether a peer program is on the PATH.
inline bool HaveProgram(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace bench
