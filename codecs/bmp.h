#pragma once

// Windows bitmap files: 1-, 4-, 8-, 24- and 32-bit pictures and 16/32-bit
// bit-field pictures with 40-, 108- or 124-byte info headers (or the 12- and
// 16- to 64-byte OS/2 ones), stored bottom-up or top-down, and RLE8/RLE4
// pictures. Bit fields in the default 5-5-5, 5-6-5 and 8-8-8 layouts load as
// they are; other masks load as 24-bit pictures, or 32-bit B-G-R-A when the
// alpha field holds anything. Run-length data that ends early leaves the
// rest of the picture at colour index 0.

#include <cstdint>
#include <span>
#include <string>

#include "image/editable_image.h"
#include "platform/gdi/types.h"

// Fills `picture` from the file at `path`. True when it now holds the
// picture. A file that cannot be opened leaves the picture as it was; a
// file that opens but does not decode leaves it empty.
bool LoadBmp(CEditableImage& picture, const std::string& path);

// Decodes a whole bitmap file held in memory; the same rules as LoadBmp.
// Pictures whose pixels would take more than `maxPixelBytes` are refused
// before anything is allocated.
bool DecodeBmpMemory(CEditableImage& picture, std::span<const std::uint8_t> bytes,
                     std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// Writes `picture` as a bitmap file with a 40-byte info header. The file
// is replaced only when the whole new file was written; an empty picture or
// any failure returns false and leaves what was at `path` alone.
bool SaveBmp(const CDibImage& picture, const std::string& path);

// The file image SaveBmp writes, for callers that keep it in memory. Empty
// for an empty picture.
bool EncodeBmp(const CDibImage& picture, std::span<std::uint8_t> out);
// Size of that file image, 0 for an empty picture.
std::uint64_t EncodedBmpSize(const CDibImage& picture);
