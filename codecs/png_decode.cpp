#include <cstring>

#include "codecs/codec_error.h"
#include "codecs/png.h"
#include "codecs/png_glue.h"
#include "platform/gdi/dib_section.h"

namespace {

// Ancillary chunks without a bearing on the pixels, five bytes per name.
constexpr png_byte kPassedOver[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
    "sRGB\0tEXt\0tIME\0zTXt";

// Where the library reads next, and how much is left.
struct ReadCursor {
    const std::uint8_t* next;
    std::size_t left;
};

void ReadData(png_structp png, png_bytep out, std::size_t count) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (count > cursor->left)
        png_error(png, "truncated");
    std::memcpy(out, cursor->next, count);
    cursor->next += count;
    cursor->left -= count;
}

// The picture depth the file becomes after the transformations Decode asks
// for, or 0 when it has none: tRNS becomes an alpha channel, and grey with
// alpha goes to colour with alpha, as pictures have no grey-with-alpha
// format; 16-bit samples lose their low byte; 2-bit samples, which have no
// picture format either, are widened to a byte each.
unsigned PictureDepth(int colourType, int bitDepth, bool transparency) {
    if (transparency)
        return 32;
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return bitDepth == 16 || bitDepth == 2 ? 8 : static_cast<unsigned>(bitDepth);
    case PNG_COLOR_TYPE_RGB:
        return 24;
    case PNG_COLOR_TYPE_RGB_ALPHA:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 32;
    default:
        return 0;
    }
}

// Everything between setjmp and a possible longjmp is plain C data or lives
// in the caller's frame.
bool Decode(CPicture& picture, ReadCursor& cursor, std::uint64_t maxPixelBytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_glue::OnError,
                                             png_glue::OnWarning);
    if (!png)
        return ImageFail("not enough memory for the PNG reader");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return ImageFail("not enough memory for the PNG reader");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // One row of a 1-bit picture may be as wide as the pixel cap allows;
    // the whole picture is checked against the cap below.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    // Only the critical chunks and tRNS matter to the picture. The library
    // allocates a chunk's buffer from its stated length before reading it,
    // so a few bytes claiming a 2 GB text chunk would cost 2 GB; chunks
    // passed over are read through a small buffer instead.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kPassedOver,
                                static_cast<int>(sizeof kPassedOver / 5));
    png_set_read_fn(png, &cursor, ReadData);
    png_read_info(png, info);

    const int colourType = png_get_color_type(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const unsigned bits = PictureDepth(colourType, png_get_bit_depth(png, info), transparency);
    // Checked before png_read_update_info: that call already allocates and
    // clears rows of the final width.
    gdi::DibGeometry geometry;
    if (bits == 0 || !gdi::ComputeDibGeometry(width, height, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes) {
        png_destroy_read_struct(&png, &info, nullptr);
        if (bits == 0)
            return ImageFail("unknown colour type " + std::to_string(colourType));
        return ImageFailSize(width, height, bits, maxPixelBytes);
    }
    const int bitDepth = png_get_bit_depth(png, info);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (transparency) {
        if (colourType == PNG_COLOR_TYPE_GRAY)
            png_set_gray_to_rgb(png);
        png_set_tRNS_to_alpha(png);
    } else if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    } else if (bitDepth == 2) {
        // Grey levels are scaled to 0-255 (the 8-bit ramp then shows them
        // exactly); palette indices keep their value.
        if (colourType == PNG_COLOR_TYPE_GRAY)
            png_set_expand_gray_1_2_4_to_8(png);
        else
            png_set_packing(png);
    }
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // The picture must match what the library will deliver.
    if (png_get_bit_depth(png, info) * png_get_channels(png, info) != bits ||
        png_get_rowbytes(png, info) > geometry.stride) {
        png_destroy_read_struct(&png, &info, nullptr);
        return ImageFail("unsupported combination of colour type and depth");
    }
    if (!picture.Create(width, height, bits)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return ImageFail("not enough memory for the picture");
    }

    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
        png_get_PLTE(png, info, &palette, &entries)) {
        if (entries > 256) {
            png_destroy_read_struct(&png, &info, nullptr);
            return ImageFail("palette of more than 256 colours");
        }
        gdi::RGBQUAD table[256];
        for (int i = 0; i < entries; ++i)
            table[i] = gdi::RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
        picture.SetPalette(0, static_cast<unsigned>(entries), table);
    } else {
        picture.SetGreyPalette();
    }

    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, picture.GetRow(y), nullptr);
    }
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool DecodePngMemory(CPicture& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes) {
    ClearImageError();
    ReadCursor cursor{data.data(), data.size()};
    if (Decode(picture, cursor, maxPixelBytes))
        return true;
    picture.Destroy();
    return false;
}
