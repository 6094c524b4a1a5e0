#include <jerror.h>

#include <new>

#include "codecs/codec_error.h"
#include "codecs/jpeg.h"
#include "codecs/jpeg_glue.h"

namespace {

using jpeg_glue::ErrorRecord;

constexpr std::size_t kFirstChunk = 64 * 1024;

// Appends the library's output to a vector, doubling it as it fills.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* out;
};

// Growth may throw; the exception must not reach the library's C frames.
bool Resize(std::vector<std::uint8_t>& out, std::size_t size) noexcept {
    try {
        out.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    if (!Resize(*dest->out, kFirstChunk))
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

// Called when the whole buffer is full.
boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const std::size_t used = dest->out->size();
    if (!Resize(*dest->out, used * 2))
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

// The grey level of each index of a grey palette; true when some index is
// not its own level (a white-is-zero palette, say), so rows need mapping.
bool GreyLevels(const CPicture& picture, std::uint8_t (&levels)[256]) {
    gdi::RGBQUAD table[256];
    const unsigned n = picture.GetPalette(0, 256, table);
    bool mapped = false;
    for (unsigned i = 0; i < 256; ++i) {
        levels[i] = i < n ? table[i].rgbGreen : 0;
        mapped = mapped || levels[i] != i;
    }
    return mapped;
}

bool Encode(const CPicture& picture, int quality, std::vector<std::uint8_t>& out) {
    jpeg_compress_struct cinfo{};
    ErrorRecord err;
    VectorDestination dest{};
    cinfo.err = jpeg_glue::InstallErrorRecord(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
    dest.out = &out;
    cinfo.dest = &dest.pub;

    const bool colour = picture.GetBitCount() == 24;
    cinfo.image_width = picture.GetWidth();
    cinfo.image_height = picture.GetHeight();
    cinfo.input_components = colour ? 3 : 1;
    // The library takes the picture's blue-green-red rows as they are.
    cinfo.in_color_space = colour ? JCS_EXT_BGR : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    std::uint8_t levels[256];
    const bool mapped = !colour && GreyLevels(picture, levels);
    // Lives in the library's pool, released with the compressor, error or not.
    JSAMPARRAY greyRow = mapped ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                             JPOOL_PERMANENT, cinfo.image_width, 1)
                                : nullptr;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // The library only reads the rows it is given.
        JSAMPROW row = const_cast<JSAMPROW>(picture.GetRow(cinfo.next_scanline));
        if (mapped) {
            for (JDIMENSION x = 0; x < cinfo.image_width; ++x)
                greyRow[0][x] = levels[row[x]];
            row = greyRow[0];
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

bool EncodeJpeg(const CPicture& picture, int quality, std::vector<std::uint8_t>& out) {
    out.clear();
    ClearImageError();
    if (!picture.IsValid())
        return ImageFail("empty picture");
    const bool grey = picture.GetBitCount() == 8 && picture.IsGreyPalette();
    if (picture.GetBitCount() != 24 && !grey)
        return ImageFail(picture.GetBitCount() == 8
                             ? "8-bit pictures other than grey cannot be saved as JPEG"
                             : std::to_string(picture.GetBitCount()) +
                                   "-bit pictures cannot be saved as JPEG");
    if (Encode(picture, quality, out))
        return true;
    out.clear();
    return false;
}
