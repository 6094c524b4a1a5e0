#include "codecs/tiff_read16.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/codec_error.h"
#include "codecs/tiff.h"
#include "codecs/tiff_memory.h"

namespace {

struct TiffFree {
    void operator()(void* p) const { _TIFFfree(p); }
};

bool Separate(TIFF* tiff) {
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    return planar == PLANARCONFIG_SEPARATE;
}

// Where a file sample lands in the picture's pixel: red first in the file,
// blue first in the picture; grey and alpha stay where they are.
unsigned Destination(const TiffWideLayout& layout, unsigned sample) {
    if (layout.photometric == PHOTOMETRIC_RGB && sample < 3)
        return 2 - sample;
    return sample;
}

// One strip or tile: its place in the picture and its size in pixels.
struct Piece {
    std::uint32_t x, y, width, height;
};

// Copies the high bytes of a decoded piece holding `count` samples per
// pixel, from file sample `first` on, into the picture. libtiff has already
// put the samples in host order and undone any predictor.
void Place(const TiffWideLayout& layout, const Piece& piece, const std::uint16_t* samples,
           unsigned count, unsigned first, CPicture& picture) {
    const unsigned size = picture.GetBitCount() / 8;
    const bool invert = layout.photometric == PHOTOMETRIC_MINISWHITE;
    const std::uint32_t rows = std::min(piece.height, layout.length - piece.y);
    const std::uint32_t columns = std::min(piece.width, layout.width - piece.x);
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::uint16_t* in = samples + std::size_t{r} * piece.width * count;
        std::uint8_t* out = picture.GetRow(piece.y + r) + std::size_t{piece.x} * size;
        for (std::uint32_t c = 0; c < columns; ++c, in += count, out += size)
            for (unsigned s = 0; s < count; ++s) {
                const auto high = static_cast<std::uint8_t>(in[s] >> 8);
                out[Destination(layout, first + s)] = invert ? 255 - high : high;
            }
    }
}

}  // namespace

bool TiffWideReadable(const TiffWideLayout& layout) {
    if (layout.photometric == PHOTOMETRIC_RGB)
        return layout.samples == 3 || layout.samples == 4;
    return (layout.photometric == PHOTOMETRIC_MINISBLACK ||
            layout.photometric == PHOTOMETRIC_MINISWHITE) &&
           layout.samples == 1;
}

std::uint32_t TiffWideBitCount(const TiffWideLayout& layout) {
    return layout.samples == 1 ? 8 : layout.samples == 3 ? 24 : 32;
}

bool ReadTiffWide(TIFF* tiff, const TiffWideLayout& layout, CPicture& picture,
                  std::uint64_t maxPixelBytes, const CodecMessageSink& messages) {
    const bool tiled = TIFFIsTiled(tiff) != 0;
    std::uint32_t pieceWidth = layout.width;
    std::uint32_t pieceHeight = layout.rowsPerStrip;
    if (tiled) {
        pieceWidth = pieceHeight = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &pieceWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &pieceHeight);
        if (pieceWidth == 0 || pieceHeight == 0)
            return ImageFail("tiles of zero size");
    }
    const bool separate = Separate(tiff) && layout.samples > 1;
    const unsigned perPiece = separate ? 1 : layout.samples;
    // Tiles may reach past the picture's edges, so their size is checked on
    // its own before the buffer is taken.
    const std::uint64_t pieceBytes = std::uint64_t{pieceWidth} * pieceHeight * perPiece * 2;
    if (pieceBytes > maxPixelBytes || pieceBytes > static_cast<std::uint64_t>(INT64_MAX))
        return ImageFail("strip or tile larger than the picture's memory limit");
    std::unique_ptr<std::uint16_t, TiffFree> buffer(
        static_cast<std::uint16_t*>(_TIFFmalloc(static_cast<tmsize_t>(pieceBytes))));
    if (!buffer)
        return ImageFail("not enough memory for a strip or tile");
    if (layout.samples == 1)
        picture.SetGreyPalette();

    const unsigned planes = separate ? layout.samples : 1;
    for (unsigned plane = 0; plane < planes; ++plane)
        for (std::uint32_t y = 0; y < layout.length; y += pieceHeight)
            for (std::uint32_t x = 0; x < layout.width; x += pieceWidth) {
                const Piece piece{.x = x, .y = y, .width = pieceWidth, .height = pieceHeight};
                // A strip at the bottom holds only the rows that are left.
                const std::uint64_t wanted =
                    tiled ? pieceBytes
                          : std::uint64_t{std::min(pieceHeight, layout.length - y)} * pieceWidth *
                                perPiece * 2;
                const auto sample = static_cast<std::uint16_t>(plane);
                const tmsize_t got =
                    tiled ? TIFFReadEncodedTile(tiff, TIFFComputeTile(tiff, x, y, 0, sample),
                                                buffer.get(), static_cast<tmsize_t>(wanted))
                          : TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y, sample),
                                                 buffer.get(), static_cast<tmsize_t>(wanted));
                if (got < 0) {
                    if (messages)
                        messages(kTiffCorruptMessage, kTiffMessageCaption);
                    return TiffFail(tiff, "damaged pixel data");
                }
                // A short piece leaves zero samples, not the previous piece's.
                if (static_cast<std::uint64_t>(got) < wanted)
                    std::memset(reinterpret_cast<std::uint8_t*>(buffer.get()) + got, 0,
                                static_cast<std::size_t>(wanted - static_cast<std::uint64_t>(got)));
                Place(layout, piece, buffer.get(), perPiece, plane, picture);
            }
    return true;
}
