// Feeds arbitrary bytes to the BMP decoder as if they were a whole file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CEditableImage picture(false);
    if (DecodeBmpMemory(picture, std::span<const std::uint8_t>(data, size))) {
        // Touch every row so that a picture claiming more rows than it holds shows.
        volatile std::uint8_t sink = 0;
        for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
            sink = sink + picture.GetRow(y)[picture.GetStride() - 1];
    }
    return 0;
}
