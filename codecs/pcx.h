#pragma once

// PCX files: run-length coded, 1-, 4- and 8-bit single-plane pictures,
// planar pictures of up to 8 bits in all (the 16-colour 4 x 1-bit kind and
// the like, unpacked to 4 or 8 bits per pixel), and 3 (or 4) planes of 8 bits
// as 24-bit (or 32-bit with alpha) pictures. The writer handles 1-, 4-, 8-
// and 24-bit pictures.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/dib_image.h"
#include "platform/gdi/types.h"

// Decodes a whole PCX file held in memory. A picture whose pixels would
// take more than `maxPixelBytes` is refused before anything is allocated.
// Pixel data that ends early leaves the rest of the picture at index 0 (the
// older writers were not always exact about the last run). On failure the
// picture is left empty.
bool DecodePcxMemory(CDibImage& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// LoadPcx empties the picture first, then decodes the file.
bool LoadPcx(CDibImage& picture, const std::string& path);

// A PCX picture linked into the program (platform/base/resources.h), found by
// name and type. False when there is no such resource or it does not decode.
bool LoadPcxResource(CDibImage& picture, std::string_view name, std::string_view type);

// Writes a 1-, 4-, 8- or 24-bit picture as a version 5 file. Other depths,
// empty pictures and pictures too large for the 16-bit header fields are
// refused before the file is touched; an existing file is replaced only
// once the new one is written whole. Every scan line is coded on its own
// (runs never cross from one plane or row into the next), as readers expect.
bool SavePcx(const CDibImage& picture, const std::string& path);
// The same file image in memory; `out` is empty after a failure.
bool EncodePcx(const CDibImage& picture, std::vector<std::uint8_t>& out);

// The run-length coder. A byte of 192 or more is a count (its low 6 bits)
// for the byte after it; any other byte stands for itself.
//
// Decodes until the input ends or `output` is full; returns the bytes
// produced. A count byte with nothing after it produces nothing.
std::size_t PcxRleDecode(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);
// Encodes `input` as one stream; returns the bytes written, or 0 when
// `output` is too small (2 x input bytes always suffice).
std::size_t PcxRleEncode(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);
