#pragma once

// A picture file's basic facts read from its header, without decoding its
// pixels. BMP, GIF, PCX, WebP, AVIF, HEIF and JPEG XL files are recognised;
// other formats are not.

#include <cstdint>
#include <string>

#include "image/picture.h"

struct ImageFileInfo {
    std::uint32_t type;  // an ImageType code; 0 when not recognised
    std::int32_t width;  // GIF: the logical screen's
    std::int32_t height;
    std::uint16_t bitsPerPixel;  // as the header states it (HEIF, JPEG XL:
                                 // the depth it loads at); GIF: the LZW
                                 // minimum code size of the last image
    std::uint16_t imageCount;    // 1 for BMP, PCX and JPEG XL; HEIF: its
                                 // top-level pictures
    std::uint16_t delay;         // GIF: ms, last graphic control block
    std::uint8_t interlaced;     // GIF: 0x40 or 0, last image descriptor
    std::uint8_t transparent;    // GIF: 0 or 1, last graphic control block
};
static_assert(sizeof(ImageFileInfo) == 20);

// Fills `info` (all zero unless the file is recognised) from the file at
// `path`. A GIF is parsed whole into the picture's GIF state, replacing it;
// the picture's pixels are left alone. Does nothing when `info` is null.
// When the file is not recognised, LastImageError (codec_error.h) says why.
void ReadImageFileInfo(CPicture& picture, const std::string& path, ImageFileInfo* info);
