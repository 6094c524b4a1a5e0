#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/heif.h"
#include "codecs/heif_boxes.h"
#include "platform/gdi/dib_section.h"

namespace {

// The longest side the library may accept from a file's boxes. Its default
// (32768) would turn away long panoramas that fit the pixel cap; anything
// wider than this is no photograph, and the pixel cap below decides the
// rest before anything is decoded.
constexpr int kMaxSide = 1 << 16;

// The top-level boxes hold pictures, their thumbnails and auxiliary planes;
// more than this in one file is no picture a camera writes.
constexpr int kMaxTopLevelImages = 1 << 12;

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;
using Options = std::unique_ptr<heif_decoding_options, OptionsFree>;

bool IsBrand(const std::uint8_t* p, std::string_view brand) {
    return std::memcmp(p, brand.data(), 4) == 0;
}

// The library's plugins are registered once for the process; the
// registration is counted, and never undone, since a decode may run on any
// thread at any time.
void InitialiseLibrary() {
    static const bool initialised = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)initialised;
}

// The recorded reason for a refusal by the library.
bool Refuse(const heif_error& error) {
    if (error.subcode == heif_suberror_End_of_data)
        return ImageFail("truncated HEIF file");
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return ImageFail("HEIF picture too large");
    const std::string detail = error.message ? error.message : "";
    if (error.code == heif_error_Unsupported_feature ||
        error.code == heif_error_Unsupported_filetype)
        return ImageFail("unsupported HEIF file: " + detail);
    return ImageFail("damaged HEIF file: " + detail);
}

// Parses the file's boxes (no pixel data is read) and finds its primary
// picture. The context reads straight from `data`, which must outlive it.
bool OpenPrimary(std::span<const std::uint8_t> data, Context& context, Handle& handle) {
    InitialiseLibrary();
    context.reset(heif_context_alloc());
    if (!context)
        return ImageFail("out of memory");
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    const heif_error read = heif_context_read_from_memory_without_copy(context.get(), data.data(),
                                                                       data.size(), nullptr);
    if (read.code != heif_error_Ok)
        return Refuse(read);
    if (heif_context_get_number_of_top_level_images(context.get()) > kMaxTopLevelImages)
        return ImageFail("damaged HEIF file: too many pictures");
    heif_image_handle* primary = nullptr;
    const heif_error found = heif_context_get_primary_image_handle(context.get(), &primary);
    handle.reset(primary);
    if (found.code != heif_error_Ok)
        return Refuse(found);
    return true;
}

// The pixel memory of a `width` x `height` picture at `bits`, when it fits
// the cap.
bool WithinCap(std::int64_t width, std::int64_t height, unsigned bits,
               std::uint64_t maxPixelBytes) {
    gdi::DibGeometry geometry;
    return gdi::ComputeDibGeometry(width, height, bits, geometry) &&
           geometry.sizeImage <= maxPixelBytes;
}

// A premultiplied colour divided by its alpha, rounded; a colour above its
// alpha (a damaged file) saturates.
std::uint8_t Unpremultiply(std::uint8_t colour, std::uint8_t alpha) {
    if (alpha == 0)
        return 0;
    return static_cast<std::uint8_t>(std::min(255u, (colour * 255u + alpha / 2u) / alpha));
}

// Copies the library's red-green-blue(-alpha) rows into the picture's
// blue-green-red(-alpha) rows.
void CopyRows(const heif_image& image, CPicture& picture, bool alpha, bool premultiplied) {
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(&image, heif_channel_interleaved, &stride);
    const unsigned channels = alpha ? 4 : 3;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* in = plane + std::size_t{y} * static_cast<std::size_t>(stride);
        std::uint8_t* out = picture.GetRow(y);
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x, in += channels, out += channels) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (!alpha)
                continue;
            out[3] = in[3];
            if (premultiplied)
                for (int c = 0; c < 3; ++c)
                    out[c] = Unpremultiply(out[c], in[3]);
        }
    }
}

bool Decode(CPicture& picture, std::span<const std::uint8_t> data, std::uint64_t maxPixelBytes) {
    Context context;
    Handle handle;
    if (!OpenPrimary(data, context, handle))
        return false;
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const unsigned bits = alpha ? 32 : 24;
    // The decoder allocates the coded size (before any crop or rotation) as
    // well as the upright one; both must fit before it starts.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    const int codedWidth = heif_image_handle_get_ispe_width(handle.get());
    const int codedHeight = heif_image_handle_get_ispe_height(handle.get());
    if (!WithinCap(width, height, bits, maxPixelBytes) ||
        (codedWidth > 0 && codedHeight > 0 &&
         !WithinCap(codedWidth, codedHeight, bits, maxPixelBytes)))
        return ImageFail("HEIF picture too large");
    // A grid or overlay picture is drawn on a canvas whose size its own item
    // data gives, not the sizes checked above; the library allocates it
    // before decoding a tile, and bounds only each side of it.
    std::vector<HeifCanvas> canvases;
    if (!ReadHeifCanvases(data, canvases))
        return false;
    for (const HeifCanvas& canvas : canvases)
        if (canvas.width > 0 && canvas.height > 0 &&
            !WithinCap(canvas.width, canvas.height, bits, maxPixelBytes))
            return ImageFail("HEIF picture too large");
    // Nor may a canvas be wider or taller than the picture it makes, give or
    // take the coded frame's padding to whole blocks (64 pixels in HEVC, 128
    // in AV1): the library refuses one past this side.
    constexpr int kBlockPadding = 256;
    const int checkedSide = std::max({width, height, codedWidth, codedHeight});
    heif_context_set_maximum_image_size_limit(context.get(),
                                              std::min(checkedSide + kBlockPadding, kMaxSide));

    const Options options(heif_decoding_options_alloc());
    if (!options)
        return ImageFail("out of memory");
    // Rotation, mirror and crop stay applied (ignore_transformations is off).
    options->convert_hdr_to_8bit = 1;
    // A damaged stream is an error, not a picture with warnings attached.
    options->strict_decoding = 1;
    heif_image* decoded = nullptr;
    const heif_error error = heif_decode_image(
        handle.get(), &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const Image image(decoded);
    if (error.code != heif_error_Ok)
        return Refuse(error);
    if (!image)
        return ImageFail("damaged HEIF file: no picture decoded");
    // The picture takes the size the decoder delivered; it has been checked
    // against the header's, so it cannot exceed the cap.
    const int outWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int outHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    if (outWidth != width || outHeight != height ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
        !heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride) ||
        stride < outWidth * static_cast<int>(bits / 8))
        return ImageFail("damaged HEIF file: decoded picture does not match its header");
    if (!picture.Create(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                        bits))
        return ImageFail("out of memory");
    CopyRows(*image, picture, alpha, heif_image_handle_is_premultiplied_alpha(handle.get()) != 0);
    return true;
}

}  // namespace

bool IsHeifSignature(std::span<const std::uint8_t> head) {
    if (head.size() < 16 || !IsBrand(&head[4], "ftyp"))
        return false;
    const std::uint8_t* major = &head[8];
    if (IsBrand(major, "heic") || IsBrand(major, "heix"))
        return true;
    if (!IsBrand(major, "mif1") && !IsBrand(major, "msf1"))
        return false;
    // The general image brands also head AVIF files; their compatible
    // brands tell the two apart.
    const std::size_t end = std::min<std::size_t>(ReadBigEndian(head, 4), head.size());
    for (std::size_t at = 16; at + 4 <= end; at += 4)
        if (IsBrand(&head[at], "avif") || IsBrand(&head[at], "avis"))
            return false;
    return true;
}

bool DecodeHeifMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes) {
    if (Decode(picture, data, maxPixelBytes))
        return true;
    picture.Destroy();
    return false;
}

bool ReadHeifHeader(std::span<const std::uint8_t> data, HeifHeader& header) {
    Context context;
    Handle handle;
    if (!OpenPrimary(data, context, handle))
        return false;
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0)
        return ImageFail("damaged HEIF file: no picture size");
    header = {
        .width = static_cast<std::uint32_t>(width),
        .height = static_cast<std::uint32_t>(height),
        .bits =
            static_cast<std::uint16_t>(heif_image_handle_has_alpha_channel(handle.get()) ? 32 : 24),
        .imageCount =
            static_cast<std::uint16_t>(heif_context_get_number_of_top_level_images(context.get()))};
    return true;
}
