#include "codecs/pcx.h"
#include "codecs/pcx_format.h"
#include "platform/base/files.h"
#include "platform/base/resources.h"

bool LoadPcx(CDibImage& picture, const std::string& path) {
    if (picture.IsValid())
        picture.Destroy();
    platform::CMappedFile file;
    if (!file.Open(path))
        return false;
    return DecodePcxMemory(picture, file.Data());
}

bool LoadPcxResource(CDibImage& picture, std::string_view name, std::string_view type) {
    const std::span<const std::uint8_t> data = platform::FindResource(name, type);
    return !data.empty() && DecodePcxMemory(picture, data);
}

bool SavePcx(const CDibImage& picture, const std::string& path) {
    const std::uint64_t bound = pcx::EncodedBound(picture);
    if (bound == 0 || bound > SIZE_MAX)
        return false;
    platform::CMappedWriteFile file;
    if (!file.Create(path, static_cast<std::size_t>(bound)))
        return false;
    const std::size_t length = pcx::EncodeInto(picture, file.Data());
    return length != 0 && file.Commit(length);
}
