#pragma once

// PNG reading and writing over the system PNG library. Nothing here keeps
// state between calls, so calls on different threads do not interfere.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/picture.h"
#include "platform/gdi/types.h"

// Decodes a PNG stream held in memory, interlaced or not:
//   grey 1, 4, 8 bits      -> same depth, grey ramp (16 bits -> 8)
//   grey 2 bits            -> 8 bits, grey ramp (levels 0, 85, 170, 255)
//   palette 1, 4, 8 bits   -> same depth, the file's palette
//   palette 2 bits         -> 8 bits, the file's palette
//   RGB 8 or 16 bits       -> 24-bit blue-green-red
//   RGB with alpha         -> 32-bit blue-green-red-alpha
//   grey with alpha        -> 32-bit blue-green-red-alpha, grey colours
// A tRNS chunk turns palette, grey and RGB pictures into 32-bit pictures
// with that transparency as alpha. A picture whose pixels would take more
// than `maxPixelBytes` is refused before it is allocated. Reading stops with failure
// at the end of `data`. On failure the picture is left empty.
bool DecodePngMemory(CPicture& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// Encodes 1-, 4- and 8-bit pictures as palette PNGs, 24-bit as RGB and
// 32-bit as RGB with alpha (the fourth byte), Adam7-interlaced on request.
// 16-bit and empty pictures are refused. `out` receives the whole file; it
// is empty after a failure.
bool EncodePng(const CPicture& picture, bool interlaced, std::vector<std::uint8_t>& out);

// The file forms. LoadPng empties the picture first; SavePng refuses an
// unsuitable picture before touching the file, and replaces an existing
// file only once the new one is written whole.
bool LoadPng(CPicture& picture, const std::string& path);
bool SavePng(const CPicture& picture, const std::string& path, bool interlaced);

// A PNG picture linked into the program (see platform/base/resources.h), found
// by name and type. False when there is no such resource or it does not
// decode.
bool LoadPngResource(CPicture& picture, std::string_view name, std::string_view type);
