#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <cstring>
#include <utility>

#include "codecs/codec_error.h"
#include "codecs/jxl.h"
#include "platform/gdi/dib_section.h"

namespace {

constexpr std::uint8_t kContainerSignature[] = {0,   0,   0,    0x0C, 'J',  'X',
                                                'L', ' ', '\r', '\n', 0x87, '\n'};

// The size a picture comes out at: orientations 5 to 8 turn it on its side.
std::pair<std::uint32_t, std::uint32_t> UprightSize(const JxlBasicInfo& info) {
    if (info.orientation >= JXL_ORIENT_TRANSPOSE)
        return {info.ysize, info.xsize};
    return {info.xsize, info.ysize};
}

// Where the decoder's rows go; the library may call in from several worker
// threads at once, each with its own run of pixels.
struct RowTarget {
    CPicture* picture;
    unsigned channels;
};

void TakePixels(void* opaque, std::size_t x, std::size_t y, std::size_t count, const void* pixels) {
    const auto& target = *static_cast<const RowTarget*>(opaque);
    CPicture& picture = *target.picture;
    // The library keeps within the size it announced; a run past it would
    // write outside the picture, so it is dropped rather than trusted.
    if (y >= picture.GetHeight() || x > picture.GetWidth() || count > picture.GetWidth() - x)
        return;
    const auto* in = static_cast<const std::uint8_t*>(pixels);
    std::uint8_t* out = picture.GetRow(static_cast<std::uint32_t>(y)) + x * target.channels;
    for (std::size_t i = 0; i < count; ++i, in += target.channels, out += target.channels) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        if (target.channels == 4)
            out[3] = in[3];
    }
}

// A decoder reading straight from `data`, which must outlive it, with the
// events asked for.
JxlDecoderPtr OpenDecoder(std::span<const std::uint8_t> data, int events) {
    JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), data.data(), data.size()) != JXL_DEC_SUCCESS)
        return nullptr;
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

// The reason for a status that ends decoding early.
bool Refuse(JxlDecoderStatus status) {
    if (status == JXL_DEC_NEED_MORE_INPUT)
        return ImageFail("truncated JPEG XL file");
    return ImageFail("damaged JPEG XL file");
}

bool Decode(CPicture& picture, std::span<const std::uint8_t> data, std::uint64_t maxPixelBytes) {
    JxlDecoderPtr decoder = OpenDecoder(data, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    if (!decoder)
        return ImageFail("out of memory");
    // The library splits a frame into groups decoded in parallel; starting
    // the workers costs far less than one group of a photograph.
    JxlThreadParallelRunnerPtr runner =
        JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    if (runner && JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner,
                                              runner.get()) != JXL_DEC_SUCCESS)
        return ImageFail("out of memory");
    // Pictures hold straight alpha, as PNG and TIFF give it.
    JxlDecoderSetUnpremultiplyAlpha(decoder.get(), JXL_TRUE);

    RowTarget target{.picture = &picture, .channels = 3};
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                return ImageFail("damaged JPEG XL file");
            target.channels = info.alpha_bits != 0 ? 4 : 3;
            const auto [width, height] = UprightSize(info);
            const unsigned bits = target.channels * 8;
            // Checked before the decoder is given anywhere to put a pixel:
            // the output and the library's own frame buffers follow this
            // size.
            gdi::DibGeometry geometry;
            if (!gdi::ComputeDibGeometry(width, height, bits, geometry) ||
                geometry.sizeImage > maxPixelBytes)
                return ImageFail("JPEG XL picture too large");
            if (!picture.Create(width, height, bits))
                return ImageFail("out of memory");
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            // Grey pictures are widened to colour by the library.
            const JxlPixelFormat format{.num_channels = target.channels,
                                        .data_type = JXL_TYPE_UINT8,
                                        .endianness = JXL_NATIVE_ENDIAN,
                                        .align = 0};
            if (!picture.IsValid() ||
                JxlDecoderSetImageOutCallback(decoder.get(), &format, TakePixels, &target) !=
                    JXL_DEC_SUCCESS)
                return ImageFail("damaged JPEG XL file");
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame of an animation is the picture.
            return true;
        case JXL_DEC_SUCCESS:
            return ImageFail("damaged JPEG XL file: no frame");
        default:
            return Refuse(status);
        }
    }
}

}  // namespace

bool IsJxlSignature(std::span<const std::uint8_t> head) {
    if (head.size() >= 2 && head[0] == 0xFF && head[1] == 0x0A)
        return true;
    return head.size() >= sizeof kContainerSignature &&
           std::memcmp(head.data(), kContainerSignature, sizeof kContainerSignature) == 0;
}

bool DecodeJxlMemory(CPicture& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes) {
    if (Decode(picture, data, maxPixelBytes))
        return true;
    picture.Destroy();
    return false;
}

bool ReadJxlHeader(std::span<const std::uint8_t> data, JxlHeader& header) {
    JxlDecoderPtr decoder = OpenDecoder(data, JXL_DEC_BASIC_INFO);
    if (!decoder)
        return ImageFail("out of memory");
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
    JxlBasicInfo info;
    if (status != JXL_DEC_BASIC_INFO)
        return Refuse(status);
    if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
        return ImageFail("damaged JPEG XL file");
    const auto [width, height] = UprightSize(info);
    header = {.width = width,
              .height = height,
              .bits = static_cast<std::uint16_t>(info.alpha_bits != 0 ? 32 : 24),
              .animated = info.have_animation != 0};
    return true;
}
