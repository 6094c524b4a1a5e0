#include <memory>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/tiff.h"
#include "codecs/tiff_memory.h"
#include "image/pixel_formats.h"

namespace {

constexpr int kJpegQuality = 85;
constexpr std::uint32_t kJpegRowsPerStrip = 8;
constexpr float kResolution = 96.0f;

// The compression a picture is written with; 0 when the request cannot be
// met for it.
int ChooseCompression(const CPicture& picture, int requested) {
    const unsigned bits = picture.GetBitCount();
    if (bits == 1)
        return COMPRESSION_CCITTFAX3;
    switch (requested) {
    case COMPRESSION_NONE:
    case COMPRESSION_LZW:
    case COMPRESSION_PACKBITS:
        return requested;
    case COMPRESSION_JPEG:
        return bits >= 24 || (bits == 8 && picture.IsGreyPalette()) ? COMPRESSION_JPEG : 0;
    default:
        return COMPRESSION_NONE;
    }
}

// Whether entry i of the palette is the grey i x 255 / (n - 1) that a reader
// of a grey file gives it.
bool IsGreyRamp(const gdi::RGBQUAD* palette, unsigned n) {
    const unsigned step = 255 / (n - 1);
    for (unsigned i = 0; i < n; ++i) {
        const gdi::RGBQUAD& q = palette[i];
        if (q.rgbRed != step * i || q.rgbGreen != q.rgbRed || q.rgbBlue != q.rgbRed)
            return false;
    }
    return true;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

}  // namespace

bool EncodeTiff(const CPicture& picture, int compression, std::vector<std::uint8_t>& out) {
    ClearImageError();
    out.clear();
    const unsigned bits = picture.GetBitCount();
    if (!picture.IsValid())
        return ImageFail("empty picture");
    if (bits == 16)
        return ImageFail("16-bit pictures cannot be saved as TIFF");
    const int chosen = ChooseCompression(picture, compression);
    if (chosen == 0)
        return ImageFail("JPEG compression is only for colour and grey pictures");
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    const std::uint16_t samples = bits == 24 ? 3 : bits == 32 ? 4 : 1;

    gdi::RGBQUAD palette[256] = {};
    const unsigned entries = bits <= 8 ? 1u << bits : 0;
    if (entries)
        picture.GetPalette(0, entries, palette);
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    // An 8-bit picture with greys in any order is written as grey levels;
    // a 4-bit one only when its greys are the ramp a reader rebuilds.
    bool levels = false;
    if (bits == 1) {
        const auto luminance = [](const gdi::RGBQUAD& q) {
            return GreyLevel(q.rgbBlue, q.rgbGreen, q.rgbRed);
        };
        photometric = luminance(palette[0]) < luminance(palette[1]) ? PHOTOMETRIC_MINISBLACK
                                                                    : PHOTOMETRIC_MINISWHITE;
    } else if (bits == 8 && picture.IsGreyPalette()) {
        photometric = PHOTOMETRIC_MINISBLACK;
        levels = !IsGreyRamp(palette, entries);
    } else if (bits == 4 && IsGreyRamp(palette, entries)) {
        photometric = PHOTOMETRIC_MINISBLACK;
    } else if (bits <= 8) {
        photometric = PHOTOMETRIC_PALETTE;
    }

    TiffMemoryFile file = TiffMemoryFile::ForWriting(out);
    std::unique_ptr<TIFF, TiffCloser> tiff(
        TiffOpenMemory(file, "TIFF IMAGE", "w", gdi::kMaxPixelBytes));
    if (!tiff)
        return false;
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits / samples));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::uint32_t{1});
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, kResolution);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, kResolution);
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, std::uint32_t{0});
    TIFFSetField(t, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(chosen));
    if (samples == 4) {
        // The fourth byte's meaning is not known: declared, not as alpha.
        const std::uint16_t extra[] = {EXTRASAMPLE_UNSPECIFIED};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, std::uint16_t{1}, extra);
    }
    if (chosen == COMPRESSION_JPEG) {
        TIFFSetField(t, TIFFTAG_JPEGQUALITY, kJpegQuality);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kJpegRowsPerStrip);
    }
    if (photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t map[3][256];
        for (unsigned i = 0; i < entries; ++i) {
            map[0][i] = static_cast<std::uint16_t>(palette[i].rgbRed * 65535u / 255u);
            map[1][i] = static_cast<std::uint16_t>(palette[i].rgbGreen * 65535u / 255u);
            map[2][i] = static_cast<std::uint16_t>(palette[i].rgbBlue * 65535u / 255u);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    }

    const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
    std::vector<std::uint8_t> row(rowBytes);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.GetRow(y);
        if (bits >= 24) {
            // Red first in the file.
            const unsigned size = bits / 8;
            for (std::size_t i = 0; i < rowBytes; i += size) {
                row[i] = in[i + 2];
                row[i + 1] = in[i + 1];
                row[i + 2] = in[i];
                if (size == 4)
                    row[i + 3] = in[i + 3];
            }
        } else if (levels) {
            for (std::size_t i = 0; i < rowBytes; ++i)
                row[i] = palette[in[i]].rgbRed;
        } else {
            std::copy(in, in + rowBytes, row.begin());
        }
        if (TIFFWriteScanline(t, row.data(), y, 0) != 1) {
            TiffFail(t, "cannot write the TIFF data");
            out.clear();
            return false;
        }
    }
    // Closing writes the directory; a write cut short fails it.
    const bool flushed = TIFFFlush(t) == 1;
    if (!flushed)
        TiffFail(t, "cannot write the TIFF data");
    tiff.reset();
    if (!flushed || file.end == 0) {
        out.clear();
        return ImageFail("cannot write the TIFF data");
    }
    out.resize(file.end);
    return true;
}
