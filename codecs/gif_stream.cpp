#include <algorithm>
#include <cstring>

#include "codecs/codec_error.h"
#include "codecs/gif.h"
#include "codecs/gif_lzw.h"
#include "codecs/gif_scan.h"

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::size_t kScreenDescriptorEnd = 13;
// Separator, left, top, width, height, packed byte.
constexpr std::size_t kImageDescriptorSize = 10;

// Steps over data sub-blocks up to and including the zero-length one; false
// when the stream ends first.
bool SkipSubBlocks(std::span<const std::uint8_t> s, std::size_t& pos) {
    while (pos < s.size()) {
        const std::size_t length = s[pos++];
        if (length == 0)
            return true;
        pos += length;
    }
    return false;
}

std::size_t ColourTableEntries(std::uint8_t packed) {
    return std::size_t{2} << (packed & 7);
}

}  // namespace

bool ScanGifStream(std::span<const std::uint8_t> s, GifStreamState& state, std::size_t* trailer) {
    state.imageCount = 0;
    state.currentImage = 0;
    state.globalColourCount = 0;
    state.delay = 0;
    state.interlaced = 0;
    state.transparent = 0;
    state.transparentIndex = 0;
    state.minimumCodeSize = 0;
    state.imageOffsets.fill(0);
    // Offsets are recorded in 32 bits.
    if (s.size() >= 3 && std::memcmp(s.data(), "GIF", 3) != 0)
        return ImageFail("not a GIF file");
    if (s.size() < kScreenDescriptorEnd)
        return ImageFail("truncated");
    if (s.size() > UINT32_MAX)
        return ImageFail("file larger than 4 GiB");
    std::memcpy(state.version, s.data() + 3, 3);

    std::size_t pos = kScreenDescriptorEnd;
    if (s[10] & 0x80) {
        state.globalColourCount = static_cast<std::uint16_t>(ColourTableEntries(s[10]));
        pos += 3 * std::size_t{state.globalColourCount};
    }
    while (pos < s.size()) {
        switch (s[pos]) {
        case 0x00:
            ++pos;
            break;
        case kExtension:
            if (pos + 1 >= s.size())
                return ImageFail("truncated");
            // A graphic control block: size 4, packed, delay, index.
            if (s[pos + 1] == kGraphicControl && pos + 6 < s.size() && s[pos + 2] >= 4) {
                state.transparent = s[pos + 3] & 1;
                state.delay = static_cast<std::uint16_t>(
                    std::min<unsigned>(Read16(&s[pos + 4]) * 10u, UINT16_MAX));
                state.transparentIndex = s[pos + 6];
            }
            pos += 2;
            if (!SkipSubBlocks(s, pos))
                return ImageFail("truncated");
            break;
        case kImageSeparator: {
            if (s.size() - pos < kImageDescriptorSize)
                return ImageFail("truncated");
            // Images past the table are checked but not recorded.
            if (state.imageCount < GifStreamState::kMaxImages)
                state.imageOffsets[++state.imageCount] = static_cast<std::uint32_t>(pos + 1);
            const std::uint8_t packed = s[pos + 9];
            state.interlaced = packed & 0x40;
            pos += kImageDescriptorSize;
            if (packed & 0x80)
                pos += 3 * ColourTableEntries(packed);
            if (pos >= s.size())
                return ImageFail("truncated");
            state.minimumCodeSize = s[pos++];
            if (!SkipSubBlocks(s, pos))
                return ImageFail("truncated");
            break;
        }
        case kTrailer:
            if (trailer)
                *trailer = pos;
            return true;
        default: {
            static constexpr char kHex[] = "0123456789abcdef";
            const char code[] = {'0', 'x', kHex[s[pos] >> 4], kHex[s[pos] & 15], '\0'};
            return ImageFail(std::string("unknown block ") + code);
        }
        }
    }
    return ImageFail("truncated");
}

void DeleteGifStreamState(GifStreamState* state) {
    delete state;
}

void ReleaseGifState(CPicture& picture) {
    picture.SetGifInfo({nullptr, &DeleteGifStreamState});
}

bool ParseGifStream(CPicture& picture, std::span<const std::uint8_t> data) {
    ClearImageError();
    if (!data.data()) {
        ReleaseGifState(picture);
        return ImageFail("truncated");
    }
    GifStreamState* state = picture.GetGifInfo();
    if (!state) {
        picture.SetGifInfo({new GifStreamState, &DeleteGifStreamState});
        state = picture.GetGifInfo();
    }
    state->stream.assign(data.begin(), data.end());
    if (!ScanGifStream(state->stream, *state, nullptr)) {
        ReleaseGifState(picture);
        return false;
    }
    return true;
}

bool DecodeGifMemory(CPicture& picture, std::span<const std::uint8_t> data) {
    if (ParseGifStream(picture, data)) {
        const GifDecodeResult result = DecodeGifFrame(picture);
        if (result == kGifDecoded)
            return true;
        if (result == kGifPastLastImage)
            ImageFail("no image in the file");
    }
    picture.Destroy();
    return false;
}

GifDecodeResult DecodeGifFrame(CPicture& picture) {
    ClearImageError();
    GifStreamState* state = picture.GetGifInfo();
    if (!state || state->stream.empty()) {
        ImageFail("no GIF stream parsed");
        return kGifDecodeFailed;
    }
    if (state->currentImage >= state->imageCount)
        return kGifPastLastImage;
    const std::span<const std::uint8_t> s = state->stream;
    // The scan saw the whole descriptor and every table and block after it.
    const std::size_t at = state->imageOffsets[state->currentImage + 1];
    const std::uint16_t width = Read16(&s[at + 4]);
    const std::uint16_t height = Read16(&s[at + 6]);
    const std::uint8_t packed = s[at + 8];
    // Create would put the display's size in place of a zero side.
    if (width == 0 || height == 0 || !picture.Create(width, height, 8)) {
        picture.Destroy();
        if (width == 0 || height == 0)
            ImageFail("image of zero width or height");
        else
            ImageFail("not enough memory for the picture");
        return kGifDecodeFailed;
    }

    std::size_t pos = at + kImageDescriptorSize - 1;
    std::size_t tableAt = kScreenDescriptorEnd;
    std::size_t entries = state->globalColourCount;
    if (packed & 0x80) {
        tableAt = pos;
        entries = ColourTableEntries(packed);
        pos += 3 * entries;
    }
    gdi::RGBQUAD palette[256];
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* rgb = &s[tableAt + 3 * i];
        palette[i] = {rgb[2], rgb[1], rgb[0], 0};
    }
    picture.SetPalette(0, static_cast<unsigned>(entries), palette);

    // The minimum code size byte, then the payloads of the sub-blocks.
    const std::size_t first = pos + 1;
    std::size_t total = 1;
    for (std::size_t p = first; p < s.size() && s[p] != 0; p += 1 + s[p])
        total += std::min<std::size_t>(s[p], s.size() - p - 1);
    std::vector<std::uint8_t> codes;
    codes.reserve(total);
    codes.push_back(s[pos]);
    for (std::size_t p = first; p < s.size() && s[p] != 0; p += 1 + s[p]) {
        const std::size_t length = std::min<std::size_t>(s[p], s.size() - p - 1);
        codes.insert(codes.end(), s.begin() + p + 1, s.begin() + p + 1 + length);
    }
    state->interlaced = packed & 0x40;
    if (!DecodeGifLzw(codes, picture, state->interlaced != 0)) {
        picture.Destroy();
        ImageFail(codes.size() > 0 && (codes[0] < 2 || codes[0] > 8)
                      ? "LZW code size " + std::to_string(codes[0]) + " not supported"
                      : std::string("damaged image data"));
        return kGifDecodeFailed;
    }
    ++state->currentImage;
    return kGifDecoded;
}

bool SelectGifFrame(CPicture& picture, int n) {
    GifStreamState* state = picture.GetGifInfo();
    if (!state) {
        ClearImageError();
        return ImageFail("no GIF stream parsed");
    }
    const std::int64_t index = std::clamp<std::int64_t>(std::int64_t{n} - 1, 0, state->imageCount);
    state->currentImage = static_cast<std::uint16_t>(index);
    return DecodeGifFrame(picture) == kGifDecoded;
}
