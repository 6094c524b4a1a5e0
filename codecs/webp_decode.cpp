#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <memory>

#include "codecs/codec_error.h"
#include "codecs/webp.h"
#include "platform/gdi/dib_section.h"

namespace {

using Data = std::span<const std::uint8_t>;
using ReducedSize =
    std::function<std::pair<std::uint32_t, std::uint32_t>(std::uint32_t, std::uint32_t)>;

bool HasWebpSignature(Data data) {
    return data.size() >= 12 && std::equal(data.begin(), data.begin() + 4, "RIFF") &&
           std::equal(data.begin() + 8, data.begin() + 12, "WEBP");
}

bool FailStatus(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return ImageFail("truncated");
    case VP8_STATUS_OUT_OF_MEMORY:
        return ImageFail("out of memory");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return ImageFail("unsupported WebP feature");
    default:
        return ImageFail("damaged WebP data");
    }
}

// The picture's memory is checked against the cap before it is created.
bool CreateWithinCap(CPicture& picture, std::uint32_t width, std::uint32_t height, unsigned bits,
                     std::uint64_t maxPixelBytes) {
    gdi::DibGeometry geometry;
    if (width == 0 || height == 0)
        return ImageFail("picture without pixels");
    if (!gdi::ComputeDibGeometry(width, height, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes)
        return ImageFail("picture too large");
    if (!picture.Create(width, height, bits))
        return ImageFail("out of memory");
    return true;
}

// Decodes one still bitstream (a whole file, or an animation frame's
// fragment) into the rectangle of `picture` whose top-left corner is (x, y),
// `width` x `height` pixels after scaling. The picture's rows lie bottom-up
// in memory; the library writes them that way when asked to flip.
bool DecodeInto(CPicture& picture, Data stream, std::uint32_t x, std::uint32_t y,
                std::uint32_t width, std::uint32_t height, bool scale) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return ImageFail("WebP library version mismatch");
    const unsigned bytesPerPixel = picture.GetBitCount() / 8;
    config.options.flip = 1;
    config.options.use_threads = 1;
    if (scale) {
        config.options.use_scaling = 1;
        config.options.scaled_width = static_cast<int>(width);
        config.options.scaled_height = static_cast<int>(height);
    }
    config.output.colorspace = bytesPerPixel == 4 ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    const std::size_t stride = picture.GetStride();
    config.output.u.RGBA.rgba = picture.GetRow(y + height - 1) + std::size_t{x} * bytesPerPixel;
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = stride * (height - 1) + std::size_t{width} * bytesPerPixel;
    const VP8StatusCode status = WebPDecode(stream.data(), stream.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return FailStatus(status);
    return true;
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

// The first frame of an animation. Nothing lies beneath it, so blending
// it over the transparent canvas leaves its own pixels: a frame covering
// the canvas is decoded as a still picture, a smaller one straight into
// its place on a transparent 32-bit canvas.
bool DecodeFirstFrame(CPicture& picture, Data data, std::uint64_t maxPixelBytes) {
    const WebPData whole{data.data(), data.size()};
    const Demuxer demux(WebPDemux(&whole));
    if (!demux)
        return ImageFail("truncated or damaged WebP animation");
    const std::uint32_t canvasWidth = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const std::uint32_t canvasHeight = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux.get(), 1, &frame))
        return ImageFail("WebP animation without frames");
    const Data fragment(frame.fragment.bytes, frame.fragment.size);
    const auto x = static_cast<std::uint32_t>(frame.x_offset);
    const auto y = static_cast<std::uint32_t>(frame.y_offset);
    const auto width = static_cast<std::uint32_t>(frame.width);
    const auto height = static_cast<std::uint32_t>(frame.height);
    const bool wholeCanvas = x == 0 && y == 0 && width == canvasWidth && height == canvasHeight;
    const unsigned bits = wholeCanvas && !frame.has_alpha ? 24 : 32;
    WebPDemuxReleaseIterator(&frame);
    if (width == 0 || height == 0 || x > canvasWidth || width > canvasWidth - x ||
        y > canvasHeight || height > canvasHeight - y)
        return ImageFail("WebP frame outside its canvas");
    return CreateWithinCap(picture, canvasWidth, canvasHeight, bits, maxPixelBytes) &&
           DecodeInto(picture, fragment, x, y, width, height, false);
}

bool Decode(CPicture& picture, Data data, std::uint64_t maxPixelBytes,
            const ReducedSize* reducedSize, WebpReducedDecode& decoded) {
    WebpHeader header;
    if (!ReadWebpHeader(data, header))
        return false;
    decoded.fullWidth = header.width;
    decoded.fullHeight = header.height;
    if (header.animated)
        return DecodeFirstFrame(picture, data, maxPixelBytes);
    std::uint32_t width = header.width;
    std::uint32_t height = header.height;
    if (reducedSize && *reducedSize) {
        const auto [wantWidth, wantHeight] = (*reducedSize)(header.width, header.height);
        if (wantWidth > 0 && wantHeight > 0 && wantWidth <= width && wantHeight <= height &&
            (wantWidth < width || wantHeight < height)) {
            width = wantWidth;
            height = wantHeight;
            decoded.scaled = true;
        }
    }
    return CreateWithinCap(picture, width, height, header.alpha ? 32 : 24, maxPixelBytes) &&
           DecodeInto(picture, data, 0, 0, width, height, decoded.scaled);
}

}  // namespace

bool ReadWebpHeader(std::span<const std::uint8_t> data, WebpHeader& header) {
    header = {};
    if (!HasWebpSignature(data))
        return ImageFail("not a WebP file");
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &features);
    if (status != VP8_STATUS_OK)
        return FailStatus(status);
    header.width = static_cast<std::uint32_t>(features.width);
    header.height = static_cast<std::uint32_t>(features.height);
    header.alpha = features.has_alpha != 0;
    header.lossless = features.format == 2;
    if (features.has_animation) {
        // The frames are counted from what has arrived; the header alone
        // does not say how many there are.
        const WebPData whole{data.data(), data.size()};
        WebPDemuxState state;
        const Demuxer demux(WebPDemuxPartial(&whole, &state));
        header.animated = true;
        header.frames = demux ? WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT) : 0;
    }
    return true;
}

bool DecodeWebpMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes) {
    WebpReducedDecode unused;
    if (Decode(picture, data, maxPixelBytes, nullptr, unused))
        return true;
    picture.Destroy();
    return false;
}

bool DecodeWebpMemoryReduced(CPicture& picture, std::span<const std::uint8_t> data,
                             const ReducedSize& reducedSize, WebpReducedDecode* decoded,
                             std::uint64_t maxPixelBytes) {
    WebpReducedDecode report;
    const bool done = Decode(picture, data, maxPixelBytes, &reducedSize, report);
    if (decoded)
        *decoded = report;
    if (!done)
        picture.Destroy();
    return done;
}
