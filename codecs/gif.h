#pragma once

// GIF87a and GIF89a files with an LZW coder of our own. A stream is copied
// and scanned once into the picture's GIF state, which records where each
// image starts; images are then decoded on demand, as 8-bit pictures, one at
// a time. Writing makes GIF89a files of pictures of 8 bits or fewer, one
// image per call. Nothing here keeps global state.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/picture.h"

// What the picture keeps of a parsed GIF stream (CPicture::gifInfo).
struct GifStreamState {
    // Entry n (from 1) is the offset of the byte after the n-th image
    // separator; entry 0 stays unused, so at most kMaxImages are recorded.
    static constexpr std::size_t kOffsetSlots = 2048;
    static constexpr std::uint16_t kMaxImages = kOffsetSlots - 1;

    char version[3] = {};            // "87a" or "89a"
    std::uint16_t imageCount = 0;    // images recorded (at most kMaxImages)
    std::uint16_t currentImage = 0;  // index of the image decoded next
    std::uint16_t globalColourCount = 0;
    std::uint16_t delay = 0;            // ms, of the last graphic control block
    std::uint8_t interlaced = 0;        // 0x40 or 0, last image descriptor seen
    std::uint8_t transparent = 0;       // 0 or 1, last graphic control block
    std::uint8_t transparentIndex = 0;  // last graphic control block
    std::uint8_t minimumCodeSize = 0;   // of the last image parsed
    std::array<std::uint32_t, kOffsetSlots> imageOffsets{};
    std::vector<std::uint8_t> stream;  // the whole stream, copied
};

// The deleter the picture's gifInfo holds.
void DeleteGifStreamState(GifStreamState* state);

// Copies and scans `data` into the picture's GIF state (made on first use,
// replaced on later parses); the pixels are left alone. True when the scan
// reached the trailer. A failed parse releases the state. Streams of more
// than kMaxImages images keep their first kMaxImages.
bool ParseGifStream(CPicture& picture, std::span<const std::uint8_t> data);

enum GifDecodeResult : int {
    kGifDecodeFailed = 0,
    kGifDecoded = 1,
    kGifPastLastImage = 2,
};

// Decodes the current image of the parsed stream into the picture as an
// 8-bit picture and moves on to the next image. A failure leaves the
// picture empty and the current image where it was.
GifDecodeResult DecodeGifFrame(CPicture& picture);

// Decodes image n, counted from 1 (0 counts as 1). True when it was decoded;
// false past the last image.
bool SelectGifFrame(CPicture& picture, int n);

// Frees the picture's GIF state.
void ReleaseGifState(CPicture& picture);

// Parses a whole stream held in memory and decodes its first image; true
// when one was decoded. A failure leaves the picture empty.
bool DecodeGifMemory(CPicture& picture, std::span<const std::uint8_t> data);

// DecodeGifMemory, with the first image then placed on a canvas of the
// logical screen's size at the image's offset, as a viewer shows the file.
// Around it lies the background colour when the stream has a global colour
// table, else colour 0. A screen too small for the image grows to hold it.
// The GIF state is kept, so the frame functions go on as after
// DecodeGifMemory. A failure leaves the picture empty.
bool DecodeGifScreen(CPicture& picture, std::span<const std::uint8_t> data);

// Parses the file and decodes its first image; true when one was decoded.
// A file that cannot be opened leaves the picture as it was.
bool LoadGif(CPicture& picture, const std::string& path);

// The same for a GIF linked into the program (platform/base/resources.h).
bool LoadGifResource(CPicture& picture, std::string_view name, std::string_view type);

// The bytes of one image as AppendGifFrame adds it: a graphic control
// block (delay rounded down to hundredths, up to 655350 ms; transparent
// index 0 to 255, or -1 for none), the image descriptor with a local colour
// table unless `globalTable`, the LZW data and the trailer. The picture must
// have 8 bits or fewer. Empty on failure.
std::vector<std::uint8_t> EncodeGifFrame(const CPicture& picture, bool globalTable, int delayMs,
                                         int transparentIndex);

// A whole file as SaveGif writes it. Empty on failure.
std::vector<std::uint8_t> EncodeGif(const CPicture& picture, bool globalTable);

// Writes a new GIF89a file holding the picture as its only image (delay
// 100 ms, no transparency), with the picture's palette as the global colour
// table or as the image's own. An existing file is replaced only once the
// new one is complete.
bool SaveGif(const CPicture& picture, const std::string& path, bool globalTable);

// Appends the picture as a further image to an existing GIF file. The file
// must be a whole GIF stream ending at its trailer; anything else, and any
// failure, leaves it unchanged.
bool AppendGifFrame(const CPicture& picture, const std::string& path, bool globalTable, int delayMs,
                    int transparentIndex);
