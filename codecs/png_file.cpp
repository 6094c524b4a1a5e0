#include "codecs/png.h"
#include "platform/base/files.h"
#include "platform/base/resources.h"

bool LoadPng(CPicture& picture, const std::string& path) {
    if (picture.IsValid())
        picture.Destroy();
    platform::CMappedFile file;
    if (!file.Open(path))
        return false;
    return DecodePngMemory(picture, file.Data());
}

bool SavePng(const CPicture& picture, const std::string& path, bool interlaced) {
    std::vector<std::uint8_t> bytes;
    if (!EncodePng(picture, interlaced, bytes))
        return false;
    return platform::WriteFileAtomically(path, bytes);
}

bool LoadPngResource(CPicture& picture, std::string_view name, std::string_view type) {
    const std::span<const std::uint8_t> data = platform::FindResource(name, type);
    return !data.empty() && DecodePngMemory(picture, data);
}
