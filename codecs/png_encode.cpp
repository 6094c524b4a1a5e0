#include <new>

#include "codecs/codec_error.h"
#include "codecs/png.h"
#include "codecs/png_glue.h"

namespace {

// Growth may throw; the exception must not reach the library's C frames.
bool Append(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t count) noexcept {
    try {
        out.insert(out.end(), bytes, bytes + count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// The output grows as needed, so no picture can overrun it.
void WriteData(png_structp png, png_bytep bytes, std::size_t count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    if (!Append(*out, bytes, count))
        png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

// A 32-bit picture whose fourth bytes are all zero carries no transparency
// (bitmaps and screen captures leave that byte unused); written as alpha it
// would come out as a wholly invisible picture.
bool AlphaUnused(const CPicture& picture) {
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* row = picture.GetRow(y);
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
            if (row[4 * x + 3])
                return false;
    }
    return true;
}

// Everything between setjmp and a possible longjmp is plain C data or lives
// in the caller's frame.
bool Encode(const CPicture& picture, bool interlaced, bool dropAlpha,
            std::vector<std::uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_glue::OnError,
                                              png_glue::OnWarning);
    if (!png)
        return ImageFail("not enough memory for the PNG writer");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return ImageFail("not enough memory for the PNG writer");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, WriteData, FlushNothing);

    const unsigned bits = picture.GetBitCount();
    int colourType = PNG_COLOR_TYPE_PALETTE;
    int depth = static_cast<int>(bits);
    if (bits == 24) {
        colourType = PNG_COLOR_TYPE_RGB;
        depth = 8;
    } else if (bits == 32) {
        colourType = dropAlpha ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
        depth = 8;
    }
    png_set_IHDR(png, info, picture.GetWidth(), picture.GetHeight(), depth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        const unsigned count = 1u << bits;
        gdi::RGBQUAD table[256];
        png_color colours[256];
        picture.GetPalette(0, count, table);
        for (unsigned i = 0; i < count; ++i)
            colours[i] = png_color{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
        png_set_PLTE(png, info, colours, static_cast<int>(count));
    }
    png_write_info(png, info);
    png_set_bgr(png);
    if (dropAlpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);  // strips the unused fourth byte
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
            // The library only reads the rows it is given.
            png_write_row(png, const_cast<png_bytep>(picture.GetRow(y)));
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool EncodePng(const CPicture& picture, bool interlaced, std::vector<std::uint8_t>& out) {
    ClearImageError();
    out.clear();
    const unsigned bits = picture.GetBitCount();
    if (!picture.IsValid())
        return ImageFail("empty picture");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return ImageFail(std::to_string(bits) + "-bit pictures cannot be saved as PNG");
    const bool dropAlpha = bits == 32 && AlphaUnused(picture);
    if (Encode(picture, interlaced, dropAlpha, out))
        return true;
    out.clear();
    return false;
}
