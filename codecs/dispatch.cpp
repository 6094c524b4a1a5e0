#include "codecs/dispatch.h"

#include <strings.h>

#include "codecs/bmp.h"
#include "codecs/gif.h"
#include "codecs/jpeg.h"
#include "codecs/pcx.h"
#include "codecs/png.h"
#include "codecs/tga.h"
#include "codecs/tiff.h"

namespace {

// Extensions in the order they are tried; .tiff is deliberately not one.
struct ExtensionRow {
    const char* extension;
    ImageType type;
};
constexpr ExtensionRow kExtensions[] = {
    {".jpg", kImageJpeg}, {".jpeg", kImageJpeg}, {".gif", kImageGif},  {".png", kImagePng},
    {".bmp", kImageBmp},  {".pcx", kImagePcx},   {".tif", kImageTiff}, {".tga", kImageTga},
};

constexpr int kJpegSaveQuality = 85;
// A GIF is saved with its own colour table, a TIFF with JPEG compression.
constexpr bool kGifSaveGlobalTable = false;
constexpr bool kTgaSaveRunLength = true;

}  // namespace

ImageType ImageTypeFromExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return kImageUnknown;
    const std::string extension = name.substr(dot);
    for (const ExtensionRow& row : kExtensions) {
        if (strcasecmp(extension.c_str(), row.extension) == 0)
            return row.type;
    }
    return kImageUnknown;
}

bool LoadImageFile(CPicture& picture, const std::string& path, const CodecMessageSink& messages) {
    switch (ImageTypeFromExtension(path)) {
    case kImageBmp:
        return LoadBmp(picture, path);
    case kImagePcx:
        return LoadPcx(picture, path);
    case kImageTga:
        return LoadTga(picture, path);
    case kImageJpeg:
        return LoadJpeg(picture, path);
    case kImagePng:
        return LoadPng(picture, path);
    case kImageGif:
        return LoadGif(picture, path);
    case kImageTiff:
        return LoadTiff(picture, path, messages);
    default:
        return false;
    }
}

bool SaveImageFile(const CPicture& picture, const std::string& path) {
    // Each saver writes a temporary file beside the target and renames it
    // over the target when complete, so the old file (even a read-only one,
    // since only the directory must be writable) survives any failure.
    switch (ImageTypeFromExtension(path)) {
    case kImageBmp:
        return SaveBmp(picture, path);
    case kImagePcx:
        return SavePcx(picture, path);
    case kImageTga:
        return SaveTga(picture, path, kTgaSaveRunLength);
    case kImageJpeg:
        return SaveJpeg(picture, path, kJpegSaveQuality);
    case kImagePng:
        return SavePng(picture, path, false);
    case kImageGif:
        return SaveGif(picture, path, kGifSaveGlobalTable);
    case kImageTiff:
        return SaveTiff(picture, path, kTiffJpeg);
    default:
        return false;
    }
}
