#pragma once

// TIFF reading and writing over the system TIFF library, through an I/O
// layer of our own on blocks of memory. Reading takes the first page;
// writing makes single-page files.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/codec_messages.h"
#include "image/picture.h"

// Caption and texts of the reader's two messages.
inline constexpr std::string_view kTiffMessageCaption = "error!";
inline constexpr std::string_view kTiffNoPageMessage = "This TIFF file not include page";
inline constexpr std::string_view kTiffCorruptMessage = "Corrupted TIFF file!";

// TIFF compression codes SaveTiff knows.
enum TiffCompression : int {
    kTiffNone = 1,
    kTiffCcittGroup3 = 3,
    kTiffLzw = 5,
    kTiffJpeg = 7,
    kTiffPackBits = 32773,
};

// Reads the first page of a TIFF held in memory:
//   bilevel, grey 4 and 8 bits     -> same depth, grey ramp (min-is-white
//                                      reversed)
//   palette 1, 4 and 8 bits        -> same depth, the file's colour map
//   anything else libtiff can turn -> 24-bit blue-green-red, or 32-bit with
//   into RGBA (RGB, CMYK, YCbCr,      the fourth sample (alpha) when the
//   Lab, LogLuv, tiled grey ...)      file has four samples per pixel
// 16-bit grey, RGB and RGBA (chunky or planar, strips or tiles) -> as 8-bit
// grey, 24 or 32 bits, keeping each sample's high byte; other 16-bit
// layouts are refused. The picture is turned upright as its
// orientation tag says. A file without a first page reports
// kTiffNoPageMessage, pixel data that cannot be decoded kTiffCorruptMessage
// (both with kTiffMessageCaption); every other failure is silent. Pictures
// over `maxPixelBytes` are refused before anything is allocated. On failure
// the picture is left empty. The bytes stay the caller's.
bool DecodeTiffMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      const CodecMessageSink& messages = {},
                      std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// Encodes the picture as a single-page TIFF, one row per strip (eight with
// JPEG). 1-bit pictures always use CCITT Group 3; JPEG is for 24- and 32-bit
// pictures and 8-bit grey ones, and refused for the others; LZW, PackBits
// and none are used as asked; any other code means none. Empty and
// 16-bit pictures are refused. `out` holds the file, or nothing after a
// failure.
bool EncodeTiff(const CPicture& picture, int compression, std::vector<std::uint8_t>& out);

// The file forms. LoadTiff empties the picture first; SaveTiff replaces an
// existing file only once the new one is written whole.
bool LoadTiff(CPicture& picture, const std::string& path, const CodecMessageSink& messages = {});
bool SaveTiff(const CPicture& picture, const std::string& path, int compression);

// A TIFF linked into the program (platform/base/resources.h), by name and type.
bool LoadTiffResource(CPicture& picture, std::string_view name, std::string_view type,
                      const CodecMessageSink& messages = {});
