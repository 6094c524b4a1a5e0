#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/codec_error.h"
#include "codecs/tiff.h"
#include "codecs/tiff_memory.h"
#include "codecs/tiff_orientation.h"
#include "codecs/tiff_read16.h"
#include "platform/gdi/dib_section.h"

namespace {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct TiffFree {
    void operator()(void* p) const { _TIFFfree(p); }
};

// The tags the reader works from, with the values an absent tag stands for.
struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint32_t rowsPerStrip = 0;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
};

template <typename T>
void ReadTag(TIFF* tiff, ttag_t tag, T& value) {
    T read{};
    if (TIFFGetField(tiff, tag, &read) == 1)
        value = read;
}

TiffLayout ReadLayout(TIFF* tiff) {
    TiffLayout layout;
    ReadTag(tiff, TIFFTAG_IMAGEWIDTH, layout.width);
    ReadTag(tiff, TIFFTAG_IMAGELENGTH, layout.length);
    ReadTag(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
    ReadTag(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
    layout.rowsPerStrip = layout.length;
    ReadTag(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
    ReadTag(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
    ReadTag(tiff, TIFFTAG_ORIENTATION, layout.orientation);
    if (layout.rowsPerStrip == 0 || layout.rowsPerStrip > layout.length)
        layout.rowsPerStrip = layout.length;
    return layout;
}

// Grey, bilevel and palette pictures of one sample, and 8-bit RGB with or
// without a fourth sample, stored in strips: the strip reader lays their
// rows out as they are. (libtiff's RGBA reader would multiply colours by an
// unassociated alpha.)
bool StripReadable(TIFF* tiff, const TiffLayout& layout) {
    if (TIFFIsTiled(tiff))
        return false;
    if (layout.photometric == PHOTOMETRIC_RGB) {
        std::uint16_t planar = PLANARCONFIG_CONTIG;
        ReadTag(tiff, TIFFTAG_PLANARCONFIG, planar);
        return layout.bits == 8 && (layout.samples == 3 || layout.samples == 4) &&
               planar == PLANARCONFIG_CONTIG;
    }
    const bool depth = layout.bits == 1 || layout.bits == 4 || layout.bits == 8;
    const bool kind = layout.photometric == PHOTOMETRIC_MINISWHITE ||
                      layout.photometric == PHOTOMETRIC_MINISBLACK ||
                      layout.photometric == PHOTOMETRIC_PALETTE;
    return depth && kind && layout.samples == 1;
}

bool SetStripPalette(TIFF* tiff, const TiffLayout& layout, CPicture& picture) {
    const unsigned n = 1u << layout.bits;
    gdi::RGBQUAD table[256];
    if (layout.photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || !red || !green ||
            !blue)
            return ImageFail("palette picture without a colour map");
        // Maps written with 8-bit values are taken as they are; true 16-bit
        // maps are scaled down.
        bool wide = false;
        for (unsigned i = 0; i < n; ++i)
            wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
        const auto level = [wide](std::uint16_t v) {
            return static_cast<std::uint8_t>(wide ? v * 255u / 65535u : v);
        };
        for (unsigned i = 0; i < n; ++i)
            table[i] = {level(blue[i]), level(green[i]), level(red[i]), 0};
    } else {
        const unsigned step = 255 / (n - 1);
        const bool whiteFirst = layout.photometric == PHOTOMETRIC_MINISWHITE;
        for (unsigned i = 0; i < n; ++i) {
            const auto grey = static_cast<std::uint8_t>(step * (whiteFirst ? n - 1 - i : i));
            table[i] = {grey, grey, grey, 0};
        }
    }
    return picture.SetPalette(0, n, table) == n || ImageFail("cannot set the palette");
}

bool ReadStrips(TIFF* tiff, const TiffLayout& layout, CPicture& picture,
                const CodecMessageSink& messages) {
    const bool colour = layout.photometric == PHOTOMETRIC_RGB;
    if (!colour && !SetStripPalette(tiff, layout, picture))
        return false;
    const std::size_t rowSize = (std::size_t{layout.bits} * layout.samples * layout.width + 7) / 8;
    const std::size_t copy = std::min<std::size_t>(rowSize, picture.GetStride());
    // At most the picture's own size: rows per strip never exceeds the length.
    const std::size_t bufferSize = rowSize * layout.rowsPerStrip;
    std::unique_ptr<std::uint8_t, TiffFree> buffer(
        static_cast<std::uint8_t*>(_TIFFmalloc(static_cast<tmsize_t>(bufferSize))));
    if (!buffer)
        return ImageFail("not enough memory for a strip");
    for (std::uint32_t row = 0; row < layout.length; row += layout.rowsPerStrip) {
        const std::uint32_t rows = std::min(layout.rowsPerStrip, layout.length - row);
        const std::size_t wanted = rows * rowSize;
        const tmsize_t got = TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, row, 0),
                                                  buffer.get(), static_cast<tmsize_t>(wanted));
        if (got < 0) {
            // Colour pictures report it as the RGBA reader does.
            if (colour && messages)
                messages(kTiffCorruptMessage, kTiffMessageCaption);
            return TiffFail(tiff, "damaged pixel data");
        }
        // A short strip leaves zero rows, not the previous strip's.
        if (static_cast<std::size_t>(got) < wanted)
            std::memset(buffer.get() + got, 0, wanted - static_cast<std::size_t>(got));
        for (std::uint32_t i = 0; i < rows; ++i) {
            std::uint8_t* out = picture.GetRow(row + i);
            std::memcpy(out, buffer.get() + i * rowSize, copy);
            // Red comes first in the file, blue in the picture.
            if (colour)
                for (std::size_t at = 0; at + 2 < copy; at += layout.samples)
                    std::swap(out[at], out[at + 2]);
        }
    }
    return true;
}

bool ReadRgba(TIFF* tiff, const TiffLayout& layout, CPicture& picture,
              const CodecMessageSink& messages) {
    const std::size_t cells = std::size_t{layout.width} * layout.length;
    std::unique_ptr<std::uint32_t, TiffFree> raster(
        static_cast<std::uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(cells * 4))));
    if (!raster)
        return ImageFail("not enough memory for the picture");
    TIFFRGBAImage image;
    char reason[1024];
    reason[0] = '\0';
    bool ok = TIFFRGBAImageBegin(&image, tiff, 1, reason) == 1;
    if (ok) {
        // Stored order, first row at the top: the orientation is applied
        // afterwards, the same way for both readers.
        image.orientation = ORIENTATION_TOPLEFT;
        image.req_orientation = ORIENTATION_TOPLEFT;
        ok = TIFFRGBAImageGet(&image, raster.get(), layout.width, layout.length) == 1;
        TIFFRGBAImageEnd(&image);
    }
    if (!ok) {
        if (messages)
            messages(kTiffCorruptMessage, kTiffMessageCaption);
        if (reason[0])
            return ImageFailLibrary(reason, "damaged pixel data");
        return TiffFail(tiff, "damaged pixel data");
    }
    const unsigned size = picture.GetBitCount() / 8;
    const std::uint32_t* cell = raster.get();
    for (std::uint32_t y = 0; y < layout.length; ++y) {
        std::uint8_t* out = picture.GetRow(y);
        for (std::uint32_t x = 0; x < layout.width; ++x, ++cell, out += size) {
            const std::uint32_t v = *cell;
            out[0] = static_cast<std::uint8_t>(v >> 16);
            out[1] = static_cast<std::uint8_t>(v >> 8);
            out[2] = static_cast<std::uint8_t>(v);
            if (size == 4)
                out[3] = static_cast<std::uint8_t>(v >> 24);
        }
    }
    return true;
}

// Sixteen-bit grey and RGB(A), as photo editors export them, keep the high
// byte of each sample; other sixteen-bit layouts are refused.
bool DecodeWide(TIFF* tiff, const TiffLayout& layout, CPicture& picture,
                const CodecMessageSink& messages, std::uint64_t maxPixelBytes) {
    const TiffWideLayout wide{.width = layout.width,
                              .length = layout.length,
                              .samples = layout.samples,
                              .rowsPerStrip = layout.rowsPerStrip,
                              .photometric = layout.photometric};
    // Half floats and signed samples are not levels of 0 to 65535.
    std::uint16_t format = SAMPLEFORMAT_UINT;
    ReadTag(tiff, TIFFTAG_SAMPLEFORMAT, format);
    if (format != SAMPLEFORMAT_UINT)
        return ImageFail("16-bit samples other than unsigned integers not supported");
    if (!TiffWideReadable(wide))
        return ImageFail("16-bit samples with photometric " + std::to_string(layout.photometric) +
                         " and " + std::to_string(layout.samples) + " samples not supported");
    const std::uint32_t bits = TiffWideBitCount(wide);
    gdi::DibGeometry geometry;
    if (!gdi::ComputeDibGeometry(layout.width, layout.length, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes)
        return ImageFailSize(layout.width, layout.length, bits, maxPixelBytes);
    if (!picture.Create(layout.width, layout.length, bits))
        return ImageFail("not enough memory for the picture");
    return ReadTiffWide(tiff, wide, picture, maxPixelBytes, messages) &&
           (OrientUpright(picture, layout.orientation) ||
            ImageFail("not enough memory to turn the picture upright"));
}

bool Decode(CPicture& picture, std::span<const std::uint8_t> data, const CodecMessageSink& messages,
            std::uint64_t maxPixelBytes) {
    TiffMemoryFile file = TiffMemoryFile::ForReading(data);
    const TiffHandle tiff(TiffOpenMemory(file, "TIFF IMAGE", "rh", maxPixelBytes));
    if (!tiff)
        return false;
    if (TIFFSetDirectory(tiff.get(), 0) != 1) {
        if (messages)
            messages(kTiffNoPageMessage, kTiffMessageCaption);
        return TiffFail(tiff.get(), "no page in the file");
    }
    const TiffLayout layout = ReadLayout(tiff.get());
    if (layout.width == 0 || layout.length == 0)
        return ImageFail("picture of zero width or height");

    // Every strip or tile takes at least a byte of the file: a few bytes
    // announcing millions of empty strips would only keep libtiff busy.
    const std::uint64_t pieces =
        TIFFIsTiled(tiff.get()) ? TIFFNumberOfTiles(tiff.get()) : TIFFNumberOfStrips(tiff.get());
    if (pieces > data.size())
        return ImageFail("more strips or tiles than the file has bytes");

    if (layout.bits == 16)
        return DecodeWide(tiff.get(), layout, picture, messages, maxPixelBytes);

    const bool strips = StripReadable(tiff.get(), layout);
    char reason[1024];
    reason[0] = '\0';
    if (!strips && TIFFRGBAImageOK(tiff.get(), reason) != 1)
        return ImageFailLibrary(reason, "unsupported kind of TIFF picture");
    const std::uint32_t bits = layout.samples == 4                               ? 32
                               : strips && layout.photometric == PHOTOMETRIC_RGB ? 24
                               : strips                                          ? layout.bits
                                                                                 : 24;
    // Refused before anything is allocated: the picture, and for the RGBA
    // reader its raster of 32-bit cells as well.
    gdi::DibGeometry geometry;
    if (!gdi::ComputeDibGeometry(layout.width, layout.length, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes ||
        (!strips && std::uint64_t{layout.width} * layout.length * 4 > maxPixelBytes))
        return ImageFailSize(layout.width, layout.length, strips ? bits : 32, maxPixelBytes);
    if (!picture.Create(layout.width, layout.length, bits))
        return ImageFail("not enough memory for the picture");
    const bool read = strips ? ReadStrips(tiff.get(), layout, picture, messages)
                             : ReadRgba(tiff.get(), layout, picture, messages);
    return read && (OrientUpright(picture, layout.orientation) ||
                    ImageFail("not enough memory to turn the picture upright"));
}

}  // namespace

bool DecodeTiffMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      const CodecMessageSink& messages, std::uint64_t maxPixelBytes) {
    ClearImageError();
    if (Decode(picture, data, messages, maxPixelBytes))
        return true;
    picture.Destroy();
    return false;
}
