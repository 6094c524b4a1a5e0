#include <webp/encode.h>

#include "codecs/codec_error.h"
#include "codecs/codec_files.h"
#include "codecs/webp.h"

bool FourthByteUnused(const CPicture& picture) {
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* row = picture.GetRow(y);
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
            if (row[4 * x + 3])
                return false;
    }
    return true;
}

namespace {

struct PictureGuard {
    WebPPicture picture;
    WebPMemoryWriter writer;
    PictureGuard() {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&writer);
    }
    ~PictureGuard() {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&writer);
    }
    PictureGuard(const PictureGuard&) = delete;
    PictureGuard& operator=(const PictureGuard&) = delete;
};

// `source` is 24- or 32-bit; its rows lie bottom-up in memory, so the
// library reads them from the top row with a negative stride.
bool Encode(const CPicture& source, bool alpha, bool lossless, int quality,
            std::vector<std::uint8_t>& out) {
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return ImageFail("WebP library version mismatch");
    config.lossless = lossless ? 1 : 0;
    if (lossless) {
        // Colours under fully transparent pixels are kept too: a lossless
        // save reads back as the very picture that was saved.
        config.exact = 1;
    } else {
        config.quality = static_cast<float>(quality);
    }
    if (!WebPValidateConfig(&config))
        return ImageFail("invalid WebP quality");

    PictureGuard guard;
    WebPPicture& picture = guard.picture;
    picture.use_argb = lossless ? 1 : 0;
    picture.width = static_cast<int>(source.GetWidth());
    picture.height = static_cast<int>(source.GetHeight());
    const std::uint8_t* top = source.GetRow(0);
    const int stride = -static_cast<int>(source.GetStride());
    const int imported = alpha                        ? WebPPictureImportBGRA(&picture, top, stride)
                         : source.GetBitCount() == 32 ? WebPPictureImportBGRX(&picture, top, stride)
                                                      : WebPPictureImportBGR(&picture, top, stride);
    if (!imported)
        return ImageFail("out of memory");
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &guard.writer;
    if (!WebPEncode(&config, &picture))
        return ImageFail(picture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY ||
                                 picture.error_code == VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY
                             ? "out of memory"
                             : "WebP encoder failed");
    out.assign(guard.writer.mem, guard.writer.mem + guard.writer.size);
    return true;
}

}  // namespace

bool EncodeWebp(const CPicture& picture, int quality, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!picture.IsValid())
        return ImageFail("no picture");
    if (picture.GetWidth() > kWebpMaxSide || picture.GetHeight() > kWebpMaxSide)
        return ImageFail("too large for WebP (16383 pixels a side at most)");
    const unsigned bits = picture.GetBitCount();
    const bool alpha = bits == 32 && !FourthByteUnused(picture);
    // Palette pictures have few colours, which lossless coding keeps in a
    // fraction of a lossy file's size; alpha is kept exact as well.
    const bool lossless = bits <= 8 || alpha;
    bool done = false;
    if (bits == 24 || bits == 32) {
        done = Encode(picture, alpha, lossless, quality, out);
    } else {
        CPicture wide(picture);
        if (!wide.IsValid() || !wide.To24Bit())
            return ImageFail("out of memory");
        done = Encode(wide, false, lossless, quality, out);
    }
    if (!done)
        out.clear();
    return done;
}

bool LoadWebp(CPicture& picture, const std::string& path) {
    return codec_files::LoadMapped(
        picture, path, codec_files::Unopened::kEmptiesPicture,
        [&](std::span<const std::uint8_t> data) { return DecodeWebpMemory(picture, data); });
}

bool SaveWebp(const CPicture& picture, const std::string& path, int quality) {
    return codec_files::SaveEncoded(
        path, [&](std::vector<std::uint8_t>& out) { return EncodeWebp(picture, quality, out); });
}
