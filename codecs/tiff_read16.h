#pragma once

#include <tiffio.h>

#include <cstdint>

#include "codecs/codec_messages.h"
#include "image/picture.h"

// What the sixteen-bit reader needs of a directory's tags.
struct TiffWideLayout {
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint16_t samples = 1;
    std::uint32_t rowsPerStrip = 0;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
};

// Grey of one sample and RGB with or without a fourth sample, sixteen bits
// each, chunky or planar, in strips or tiles.
bool TiffWideReadable(const TiffWideLayout& layout);

// The picture's bit count for a readable layout: 8 (grey), 24 or 32.
std::uint32_t TiffWideBitCount(const TiffWideLayout& layout);

// Fills a picture already created with TiffWideBitCount bits, keeping the
// high byte of every sample.
bool ReadTiffWide(TIFF* tiff, const TiffWideLayout& layout, CPicture& picture,
                  std::uint64_t maxPixelBytes, const CodecMessageSink& messages);
