#include "codecs/tga.h"
#include "platform/base/files.h"
#include "platform/base/resources.h"

bool LoadTga(CDibImage& picture, const std::string& path) {
    if (picture.IsValid())
        picture.Destroy();
    platform::CMappedFile file;
    if (!file.Open(path))
        return false;
    // DecodeTgaMemory leaves the picture empty when it fails.
    return DecodeTgaMemory(picture, file.Data());
}

bool LoadTgaResource(CDibImage& picture, std::string_view name, std::string_view type) {
    const std::span<const std::uint8_t> data = platform::FindResource(name, type);
    return !data.empty() && DecodeTgaMemory(picture, data);
}
