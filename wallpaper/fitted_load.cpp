#include "wallpaper/fitted_load.h"

#include <utility>

#include "codecs/dispatch.h"
#include "codecs/jpeg.h"
#include "codecs/webp.h"
#include "platform/base/files.h"

namespace wallpaper {

namespace {

Size SizeOf(const CPicture& picture) {
    return {picture.GetWidth(), picture.GetHeight()};
}

bool UsableTargets(const std::optional<Size>& targets) {
    return targets && targets->width > 0 && targets->height > 0;
}

bool LoadReducedJpeg(CPicture& picture, const std::string& path, Size screen, Position position) {
    platform::CMappedFile file;
    if (!file.Open(path))
        return false;
    std::optional<Size> targets;
    JpegReducedDecode decoded;
    // The rule sees the file's full size; the decode only has to cover it.
    const auto minimumSize = [&](std::uint32_t width, std::uint32_t height) {
        targets = FitTargets({width, height}, screen, position);
        if (!UsableTargets(targets))
            return std::pair<std::uint32_t, std::uint32_t>{0, 0};
        return std::pair{targets->width, targets->height};
    };
    const bool loaded = DecodeJpegMemoryReduced(picture, file.Data(), minimumSize, &decoded);
    file.Close();  // its pages need not stay resident while the picture is resized
    if (!loaded)
        return false;
    if (!UsableTargets(targets))
        return true;
    if (decoded.denominator == 1) {
        picture.Resize(targets->width, targets->height, true);
        return true;
    }
    const Size exact = KeepAspectSize({decoded.fullWidth, decoded.fullHeight}, *targets);
    if (SizeOf(picture) != exact)
        picture.Resize(exact.width, exact.height, false);
    return true;
}

// The WebP library scales while it decodes, to any size: the picture comes
// out at exactly the size the fit rule gives the full-size picture, at a
// fraction of a full decode's memory.
bool LoadReducedWebp(CPicture& picture, const std::string& path, Size screen, Position position) {
    platform::CMappedFile file;
    if (!file.Open(path))
        return false;
    const auto reducedSize = [&](std::uint32_t width, std::uint32_t height) {
        const std::optional<Size> targets = FitTargets({width, height}, screen, position);
        if (!UsableTargets(targets))
            return std::pair<std::uint32_t, std::uint32_t>{0, 0};
        const Size exact = KeepAspectSize({width, height}, *targets);
        return std::pair{exact.width, exact.height};
    };
    WebpReducedDecode decoded;
    const bool loaded = DecodeWebpMemoryReduced(picture, file.Data(), reducedSize, &decoded);
    file.Close();
    if (!loaded)
        return false;
    // Not scaled (an enlargement, an animation): fitted as any picture is.
    const std::optional<Size> targets = FitTargets(SizeOf(picture), screen, position);
    if (!decoded.scaled && UsableTargets(targets))
        picture.Resize(targets->width, targets->height, true);
    return true;
}

}  // namespace

bool LoadForChange(CPicture& picture, const std::string& path, bool fit, Size screen,
                   Position position, const CodecMessageSink& messages) {
    // A file named .jpg that is no JPEG (a PNG saved under the wrong name)
    // goes on to the dispatch, which reads it by its first bytes.
    if (fit && ImageTypeFromExtension(path) == kImageJpeg &&
        LoadReducedJpeg(picture, path, screen, position))
        return true;
    if (fit && ImageTypeFromExtension(path) == kImageWebp &&
        LoadReducedWebp(picture, path, screen, position))
        return true;
    if (!LoadImageFile(picture, path, messages))
        return false;
    if (!fit)
        return true;
    const std::optional<Size> targets = FitTargets(SizeOf(picture), screen, position);
    // A target of 0 leaves the picture unchanged, as Resize refuses it.
    if (UsableTargets(targets))
        picture.Resize(targets->width, targets->height, true);
    return true;
}

}  // namespace wallpaper
