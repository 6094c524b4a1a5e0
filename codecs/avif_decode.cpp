#include <avif/avif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "codecs/avif.h"
#include "codecs/codec_error.h"
#include "platform/gdi/dib_section.h"

namespace {

using Data = std::span<const std::uint8_t>;

struct DecoderDeleter {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDeleter>;

// The library's own account of a failure, when it gave one, follows its
// result's name: a size past the decoder's limits shows there.
bool FailResult(avifResult result, const avifDecoder* decoder = nullptr) {
    switch (result) {
    case AVIF_RESULT_TRUNCATED_DATA:
        return ImageFail("truncated");
    case AVIF_RESULT_OUT_OF_MEMORY:
        return ImageFail("out of memory");
    case AVIF_RESULT_NO_CODEC_AVAILABLE:
        return ImageFail("no AV1 decoder available");
    default:
        break;
    }
    std::string reason = std::string("damaged AVIF data (") + avifResultToString(result);
    if (decoder && decoder->diag.error[0] != '\0')
        reason.append(": ").append(decoder->diag.error);
    return ImageFail(reason + ")");
}

std::uint32_t ReadBigEndian32(Data bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// The decoder's own bounds follow the pixel cap: the AV1 decoder allocates
// its planes from the stream's sizes, which may differ from the container's.
Decoder MakeDecoder(Data data, std::uint64_t maxPixelBytes) {
    Decoder decoder(avifDecoderCreate());
    if (!decoder)
        return nullptr;
    decoder->maxThreads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    // At least three bytes a pixel; the limit counts pixels.
    const std::uint64_t pixels = std::max<std::uint64_t>(maxPixelBytes / 3, 1);
    decoder->imageSizeLimit =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(pixels, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    // Files from older writers lack properties the strict reading wants
    // (pixi, a valid clean aperture); neither changes the pixels read here.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    if (avifDecoderSetIOMemory(decoder.get(), data.data(), data.size()) != AVIF_RESULT_OK)
        return nullptr;
    return decoder;
}

bool WithinCap(std::uint32_t width, std::uint32_t height, unsigned bits,
               std::uint64_t maxPixelBytes) {
    gdi::DibGeometry geometry;
    if (width == 0 || height == 0)
        return ImageFail("picture without pixels");
    if (!gdi::ComputeDibGeometry(width, height, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes)
        return ImageFail("picture too large");
    return true;
}

// Turns the picture upside down in place: the library writes rows top
// first, the picture keeps them bottom-up.
void FlipRows(CPicture& picture) {
    const std::size_t rowBytes = std::size_t{picture.GetWidth()} * picture.GetBitCount() / 8;
    for (std::uint32_t y = 0, z = picture.GetHeight() - 1; y < z; ++y, --z)
        std::swap_ranges(picture.GetRow(y), picture.GetRow(y) + rowBytes, picture.GetRow(z));
}

bool Decode(CPicture& picture, Data data, std::uint64_t maxPixelBytes) {
    if (!HasAvifSignature(data))
        return ImageFail("not an AVIF file");
    const Decoder decoder = MakeDecoder(data, maxPixelBytes);
    if (!decoder)
        return ImageFail("out of memory");
    if (const avifResult parsed = avifDecoderParse(decoder.get()); parsed != AVIF_RESULT_OK)
        return FailResult(parsed, decoder.get());
    // The container's size, before the AV1 decoder allocates anything.
    if (!WithinCap(decoder->image->width, decoder->image->height, decoder->alphaPresent ? 32 : 24,
                   maxPixelBytes))
        return false;
    if (const avifResult next = avifDecoderNextImage(decoder.get()); next != AVIF_RESULT_OK)
        return FailResult(next, decoder.get());
    const avifImage* image = decoder->image;
    const bool alpha = image->alphaPlane != nullptr;
    const unsigned bits = alpha ? 32 : 24;
    if (!WithinCap(image->width, image->height, bits, maxPixelBytes))
        return false;
    if (!picture.Create(image->width, image->height, bits))
        return ImageFail("out of memory");
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.depth = 8;  // 10 and 12 bits are scaled down by the library
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    rgb.pixels = picture.GetBits();
    rgb.rowBytes = picture.GetStride();
    if (const avifResult converted = avifImageYUVToRGB(image, &rgb); converted != AVIF_RESULT_OK)
        return FailResult(converted);
    FlipRows(picture);
    return true;
}

}  // namespace

bool HasAvifSignature(std::span<const std::uint8_t> head) {
    if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0)
        return false;
    // The major brand, then the compatible brands to the end of the box (or
    // of what is at hand). A size too small to hold the brands is damage;
    // the major brand is still read.
    const std::uint32_t size = ReadBigEndian32(head);
    const std::size_t end = std::min<std::size_t>(std::max<std::uint32_t>(size, 16), head.size());
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        if (std::memcmp(head.data() + at, "avif", 4) == 0 ||
            std::memcmp(head.data() + at, "avis", 4) == 0)
            return true;
    }
    return false;
}

bool ReadAvifHeader(std::span<const std::uint8_t> data, AvifHeader& header) {
    header = {};
    if (!HasAvifSignature(data))
        return ImageFail("not an AVIF file");
    const Decoder decoder = MakeDecoder(data, gdi::kMaxPixelBytes);
    if (!decoder)
        return ImageFail("out of memory");
    if (const avifResult parsed = avifDecoderParse(decoder.get()); parsed != AVIF_RESULT_OK)
        return FailResult(parsed, decoder.get());
    header.width = decoder->image->width;
    header.height = decoder->image->height;
    header.depth = decoder->image->depth;
    header.alpha = decoder->alphaPresent != AVIF_FALSE;
    header.frames = static_cast<std::uint32_t>(std::max(decoder->imageCount, 1));
    return true;
}

bool DecodeAvifMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes) {
    if (Decode(picture, data, maxPixelBytes))
        return true;
    picture.Destroy();
    return false;
}
