#include "codecs/codec_table.h"

#include <algorithm>
#include <cstring>

#include "codecs/avif.h"
#include "codecs/bmp.h"
#include "codecs/codec_error.h"
#include "codecs/codec_files.h"
#include "codecs/gif.h"
#include "codecs/heif.h"
#include "codecs/jpeg.h"
#include "codecs/jxl.h"
#include "codecs/pcx.h"
#include "codecs/png.h"
#include "codecs/tga.h"
#include "codecs/tiff.h"
#include "codecs/webp.h"
#include "platform/base/text.h"

namespace {

// The settings SaveImageFile writes each format with.
constexpr int kJpegSaveQuality = 85;
constexpr bool kPngSaveInterlaced = false;
// A GIF is saved with its own colour table, a TIFF with JPEG compression.
constexpr bool kGifSaveGlobalTable = false;
constexpr bool kTgaSaveRunLength = true;

bool StartsWith(std::span<const std::uint8_t> head, std::string_view signature) {
    return head.size() >= signature.size() &&
           std::memcmp(head.data(), signature.data(), signature.size()) == 0;
}

// .tiff is deliberately not one of TIFF's extensions.
constexpr std::string_view kJpegExtensions[] = {"jpg", "jpeg"};
constexpr std::string_view kGifExtensions[] = {"gif"};
constexpr std::string_view kPngExtensions[] = {"png"};
constexpr std::string_view kBmpExtensions[] = {"bmp"};
constexpr std::string_view kPcxExtensions[] = {"pcx"};
constexpr std::string_view kTiffExtensions[] = {"tif"};
constexpr std::string_view kTgaExtensions[] = {"tga"};
constexpr std::string_view kWebpExtensions[] = {"webp"};
constexpr std::string_view kAvifExtensions[] = {"avif"};
constexpr std::string_view kHeifExtensions[] = {"heic", "heif"};
constexpr std::string_view kJxlExtensions[] = {"jxl"};

using Data = std::span<const std::uint8_t>;
using Sink = const CodecMessageSink&;
using Path = const std::string&;

constexpr CodecRow kCodecs[] = {
    {.type = kImageJpeg,
     .name = "JPEG",
     .extensions = kJpegExtensions,
     .sniff = [](Data h) { return StartsWith(h, "\xFF\xD8\xFF"); },
     .decode = [](CPicture& p, Data d, Sink) { return DecodeJpegMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SaveJpeg(p, f, kJpegSaveQuality); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageGif,
     .name = "GIF",
     .extensions = kGifExtensions,
     .sniff = [](Data h) { return StartsWith(h, "GIF87a") || StartsWith(h, "GIF89a"); },
     .decode = [](CPicture& p, Data d, Sink) { return DecodeGifScreen(p, d); },
     .save = [](const CPicture& p, Path f) { return SaveGif(p, f, kGifSaveGlobalTable); },
     .keepsPictureWhenUnopened = true},
    {.type = kImagePng,
     .name = "PNG",
     .extensions = kPngExtensions,
     .sniff = [](Data h) { return StartsWith(h, "\x89PNG\r\n\x1A\n"); },
     .decode = [](CPicture& p, Data d, Sink) { return DecodePngMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SavePng(p, f, kPngSaveInterlaced); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageBmp,
     .name = "BMP",
     .extensions = kBmpExtensions,
     .sniff = [](Data h) { return StartsWith(h, "BM"); },
     .decode = [](CPicture& p, Data d, Sink) { return DecodeBmpMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SaveBmp(p, f); },
     .keepsPictureWhenUnopened = true},
    {.type = kImagePcx,
     .name = "PCX",
     .extensions = kPcxExtensions,
     // The manufacturer byte; PCX has no longer signature.
     .sniff = [](Data h) { return !h.empty() && h[0] == 10; },
     .decode = [](CPicture& p, Data d, Sink) { return DecodePcxMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SavePcx(p, f); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageTiff,
     .name = "TIFF",
     .extensions = kTiffExtensions,
     .sniff =
         [](Data h) {
             return StartsWith(h, {"II*\0", 4}) || StartsWith(h, {"MM\0*", 4});
         },
     .decode = [](CPicture& p, Data d, Sink m) { return DecodeTiffMemory(p, d, m); },
     .save = [](const CPicture& p, Path f) { return SaveTiff(p, f, kTiffJpeg); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageHeif,
     .name = "HEIF",
     .extensions = kHeifExtensions,
     .sniff = IsHeifSignature,
     .decode = [](CPicture& p, Data d, Sink) { return DecodeHeifMemory(p, d); },
     .save = [](const CPicture&, Path) { return ImageFail("writing HEIF is not supported"); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageJxl,
     .name = "JXL",
     .extensions = kJxlExtensions,
     .sniff = IsJxlSignature,
     .decode = [](CPicture& p, Data d, Sink) { return DecodeJxlMemory(p, d); },
     .save = [](const CPicture&, Path) { return ImageFail("writing JPEG XL is not supported"); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageTga,
     .name = "TGA",
     .extensions = kTgaExtensions,
     .sniff = nullptr,
     .decode = [](CPicture& p, Data d, Sink) { return DecodeTgaMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SaveTga(p, f, kTgaSaveRunLength); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageWebp,
     .name = "WebP",
     .extensions = kWebpExtensions,
     .sniff =
         [](Data h) {
             return h.size() >= 12 && StartsWith(h, "RIFF") && StartsWith(h.subspan(8), "WEBP");
         },
     .decode = [](CPicture& p, Data d, Sink) { return DecodeWebpMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SaveWebp(p, f, kWebpSaveQuality); },
     .keepsPictureWhenUnopened = false},
    {.type = kImageAvif,
     .name = "AVIF",
     .extensions = kAvifExtensions,
     .sniff = HasAvifSignature,
     .decode = [](CPicture& p, Data d, Sink) { return DecodeAvifMemory(p, d); },
     .save = [](const CPicture& p, Path f) { return SaveAvif(p, f, kAvifSaveQuality); },
     .keepsPictureWhenUnopened = false},
};

}  // namespace

std::span<const CodecRow> CodecTable() {
    return kCodecs;
}

const char* FormatName(ImageType type) {
    const CodecRow* codec = FindCodec(type);
    return codec ? codec->name : "unknown";
}

const CodecRow* FindCodec(ImageType type) {
    const auto* row = std::find_if(std::begin(kCodecs), std::end(kCodecs),
                                   [&](const CodecRow& codec) { return codec.type == type; });
    return row != std::end(kCodecs) ? row : nullptr;
}

const CodecRow* FindCodecForPath(std::string_view path) {
    const std::string_view extension = platform::ExtensionOf(path);
    for (const CodecRow& codec : kCodecs) {
        for (std::string_view known : codec.extensions)
            if (platform::EqualsIgnoreCase(extension, known))
                return &codec;
    }
    return nullptr;
}

const CodecRow* SniffCodec(std::span<const std::uint8_t> head) {
    for (const CodecRow& codec : kCodecs) {
        if (codec.sniff && codec.sniff(head))
            return &codec;
    }
    return nullptr;
}

bool LoadFileWithCodec(const CodecRow& codec, CPicture& picture, const std::string& path,
                       const CodecMessageSink& messages) {
    const auto rule = codec.keepsPictureWhenUnopened ? codec_files::Unopened::kKeepsPicture
                                                     : codec_files::Unopened::kEmptiesPicture;
    return codec_files::LoadMapped(picture, path, rule, [&](std::span<const std::uint8_t> data) {
        return codec.decode(picture, data, messages);
    });
}

ImageType ImageTypeFromExtension(const std::string& path) {
    const CodecRow* codec = FindCodecForPath(path);
    return codec ? codec->type : kImageUnknown;
}

ImageType LoadImageFileAs(CPicture& picture, const std::string& path,
                          const CodecMessageSink& messages) {
    ClearImageError();
    const CodecRow* codec = FindCodecForPath(path);
    if (!codec) {
        ImageFail("unknown file extension");
        return kImageUnknown;
    }
    ImageType readAs = kImageUnknown;
    const auto rule = codec->keepsPictureWhenUnopened ? codec_files::Unopened::kKeepsPicture
                                                      : codec_files::Unopened::kEmptiesPicture;
    codec_files::LoadMapped(picture, path, rule, [&](Data data) {
        if (codec->decode(picture, data, messages)) {
            readAs = codec->type;
            return true;
        }
        // Downloaded pictures often carry the wrong extension (a PNG called
        // .jpg); the first bytes name the format the file really is.
        const CodecRow* named = SniffCodec(data);
        if (!named || named == codec)
            return false;
        if (named->decode(picture, data, messages)) {
            readAs = named->type;
            ClearImageError();
            return true;
        }
        // The file is the other format, so its reader's reason is the one
        // that tells what is wrong with it.
        const std::string reason(LastImageError());
        return ImageFailOverriding(std::string("a ") + FormatName(named->type) + " file named ." +
                                   std::string(platform::ExtensionOf(path)) + ": " + reason);
    });
    if (readAs == kImageUnknown)
        ImageFail("damaged file");  // only where a reader named no reason of its own
    return readAs;
}

bool LoadImageFile(CPicture& picture, const std::string& path, const CodecMessageSink& messages) {
    return LoadImageFileAs(picture, path, messages) != kImageUnknown;
}

bool SaveImageFile(const CPicture& picture, const std::string& path) {
    // Each saver writes a temporary file beside the target and renames it
    // over the target when complete, so the old file (even a read-only one,
    // since only the directory must be writable) survives any failure.
    ClearImageError();
    const CodecRow* codec = FindCodecForPath(path);
    if (!codec)
        return ImageFail("unknown file extension");
    // PNG, JPEG, PCX and TIFF have no 16-bit form of their own: such a
    // picture is written at 24 bits. GIF wants 8 bits or fewer either way.
    if (picture.IsValid() && picture.GetBitCount() == 16 && codec->type != kImageBmp &&
        codec->type != kImageTga && codec->type != kImageGif) {
        CPicture wide(picture);
        if (!wide.IsValid() || !wide.To24Bit())
            return ImageFail("not enough memory for a 24-bit copy");
        return codec->save(wide, path);
    }
    return codec->save(picture, path);
}
