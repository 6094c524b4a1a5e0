#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
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

// The library writes top row first into the picture's own memory, which
// holds the bottom row first; this turns the rows over and the samples from
// red-green-blue into blue-green-red in one pass.
void TurnRowsToBgr(CPicture& picture, unsigned channels) {
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    const auto swapRedBlue = [&](std::uint8_t* row) {
        for (std::uint32_t x = 0; x < width; ++x, row += channels)
            std::swap(row[0], row[2]);
    };
    std::uint8_t* bits = picture.GetBits();
    const std::size_t stride = picture.GetStride();
    for (std::uint32_t y = 0; y < height / 2; ++y) {
        std::uint8_t* top = bits + y * stride;
        std::uint8_t* bottom = bits + (height - 1 - y) * stride;
        std::swap_ranges(top, top + std::size_t{width} * channels, bottom);
        swapRedBlue(top);
        swapRedBlue(bottom);
    }
    if (height % 2)
        swapRedBlue(bits + (height / 2) * stride);
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

    unsigned channels = 3;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                return ImageFail("damaged JPEG XL file");
            channels = info.alpha_bits != 0 ? 4 : 3;
            const auto [width, height] = UprightSize(info);
            const unsigned bits = channels * 8;
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
            // Straight into the picture's memory, rows padded as its are: a
            // whole-picture buffer lets the library render each group to
            // its place, where a row callback keeps a frame of its own
            // beside (three times the picture's memory for an opaque one).
            // Grey pictures are widened to colour by the library.
            const JxlPixelFormat format{.num_channels = channels,
                                        .data_type = JXL_TYPE_UINT8,
                                        .endianness = JXL_NATIVE_ENDIAN,
                                        .align = picture.GetStride()};
            const std::size_t have = std::size_t{picture.GetStride()} * picture.GetHeight();
            std::size_t need = 0;
            if (!picture.IsValid() ||
                picture.GetBits() != picture.GetRow(picture.GetHeight() - 1) ||
                JxlDecoderImageOutBufferSize(decoder.get(), &format, &need) != JXL_DEC_SUCCESS ||
                need > have ||
                JxlDecoderSetImageOutBuffer(decoder.get(), &format, picture.GetBits(), have) !=
                    JXL_DEC_SUCCESS)
                return ImageFail("damaged JPEG XL file");
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame of an animation is the picture.
            TurnRowsToBgr(picture, channels);
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
              .bits = static_cast<std::uint16_t>(info.alpha_bits != 0 ? 32 : 24)};
    return true;
}
