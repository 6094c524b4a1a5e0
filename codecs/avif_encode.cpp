#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <string>

#include "codecs/avif.h"
#include "codecs/codec_error.h"
#include "codecs/codec_files.h"
#include "codecs/webp.h"

namespace {

struct ImageDeleter {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};
struct EncoderDeleter {
    void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};

// The AV1 encoder's speed, from 0 (slowest) to 10: 8 saves a wallpaper-sized
// picture in about a second.
constexpr int kEncoderSpeed = 8;
constexpr int kEncoderThreads = 2;

// Quality 0 to 100 onto the AV1 quantizer 63 to 0.
int QuantizerFor(int quality) {
    const int clamped = std::clamp(quality, 0, 100);
    return ((100 - clamped) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

bool FailResult(const char* what, avifResult result) {
    if (result == AVIF_RESULT_OUT_OF_MEMORY)
        return ImageFail("out of memory");
    return ImageFail(std::string(what) + " (" + avifResultToString(result) + ")");
}

// `source` is 24- or 32-bit. Its rows lie bottom-up in memory and the
// library reads them top first, so they are copied in order, without the
// fourth byte unless it is alpha.
bool Encode(const CPicture& source, bool alpha, int quality, std::vector<std::uint8_t>& out) {
    const std::uint32_t width = source.GetWidth();
    const std::uint32_t height = source.GetHeight();
    const std::unique_ptr<avifImage, ImageDeleter> image(
        avifImageCreate(width, height, 8, AVIF_PIXEL_FORMAT_YUV444));
    if (!image)
        return ImageFail("out of memory");
    image->yuvRange = AVIF_RANGE_FULL;

    const unsigned sourceBytes = source.GetBitCount() / 8;
    const unsigned bytes = alpha ? 4 : 3;
    std::vector<std::uint8_t> rows;
    try {
        rows.resize(std::size_t{width} * bytes * height);
    } catch (const std::bad_alloc&) {
        return ImageFail("out of memory");
    }
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* from = source.GetRow(y);
        std::uint8_t* to = rows.data() + std::size_t{y} * width * bytes;
        for (std::uint32_t x = 0; x < width; ++x, from += sourceBytes, to += bytes)
            std::copy_n(from, bytes, to);
    }
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    rgb.pixels = rows.data();
    rgb.rowBytes = width * bytes;
    if (const avifResult converted = avifImageRGBToYUV(image.get(), &rgb);
        converted != AVIF_RESULT_OK)
        return FailResult("AVIF colour conversion failed", converted);
    std::vector<std::uint8_t>().swap(rows);

    const std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
    if (!encoder)
        return ImageFail("out of memory");
    encoder->maxThreads = kEncoderThreads;
    encoder->speed = kEncoderSpeed;
    encoder->minQuantizer = encoder->maxQuantizer = QuantizerFor(quality);
    // Transparency edges show every error, so alpha is kept exactly.
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
    avifRWData written = AVIF_DATA_EMPTY;
    const avifResult result = avifEncoderWrite(encoder.get(), image.get(), &written);
    if (result != AVIF_RESULT_OK) {
        avifRWDataFree(&written);
        return FailResult("AVIF encoder failed", result);
    }
    out.assign(written.data, written.data + written.size);
    avifRWDataFree(&written);
    return true;
}

}  // namespace

bool EncodeAvif(const CPicture& picture, int quality, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!picture.IsValid())
        return ImageFail("no picture");
    const unsigned bits = picture.GetBitCount();
    const bool alpha = bits == 32 && !FourthByteUnused(picture);
    bool done = false;
    if (bits == 24 || bits == 32) {
        done = Encode(picture, alpha, quality, out);
    } else {
        CPicture wide(picture);
        if (!wide.IsValid() || !wide.To24Bit())
            return ImageFail("out of memory");
        done = Encode(wide, false, quality, out);
    }
    if (!done)
        out.clear();
    return done;
}

bool LoadAvif(CPicture& picture, const std::string& path) {
    return codec_files::LoadMapped(
        picture, path, codec_files::Unopened::kEmptiesPicture,
        [&](std::span<const std::uint8_t> data) { return DecodeAvifMemory(picture, data); });
}

bool SaveAvif(const CPicture& picture, const std::string& path, int quality) {
    return codec_files::SaveEncoded(
        path, [&](std::vector<std::uint8_t>& out) { return EncodeAvif(picture, quality, out); });
}
