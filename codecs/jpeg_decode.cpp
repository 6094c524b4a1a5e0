#include <jerror.h>

#include <utility>

#include "codecs/codec_error.h"
#include "codecs/jpeg.h"
#include "codecs/jpeg_glue.h"
#include "platform/gdi/dib_section.h"

#ifndef JCS_EXTENSIONS
#error "the JPEG library must offer blue-green-red output (JCS_EXT_BGR)"
#endif

namespace {

using jpeg_glue::ErrorRecord;

// Legitimate progressive files use about a dozen scans; a stream of
// thousands of tiny scans only burns time, so it is refused.
constexpr int kMaxScans = 500;

// Feeds the library straight from the caller's bytes.
struct MemorySource {
    jpeg_source_mgr pub;
    const JOCTET* data;
    std::size_t length;
    bool handedOut;
    JOCTET endOfImage[2];
};

struct ScanLimit {
    jpeg_progress_mgr pub;
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Past the end of the data the library gets an end-of-image marker, as its
// own file source does; the data itself is handed out only once, so a cut
// stream is never continued with its own beginning.
void HandOutEndOfImage(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    src->pub.next_input_byte = src->endOfImage;
    src->pub.bytes_in_buffer = 2;
    reinterpret_cast<ErrorRecord*>(cinfo->err)->inputExhausted = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (!src->handedOut && src->length > 0) {
        src->handedOut = true;
        src->pub.next_input_byte = src->data;
        src->pub.bytes_in_buffer = src->length;
    } else {
        HandOutEndOfImage(cinfo);
    }
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (count <= 0)
        return;
    if (static_cast<unsigned long>(count) < src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
    } else {
        HandOutEndOfImage(cinfo);
    }
}

void InstallMemorySource(j_decompress_ptr cinfo, MemorySource& src,
                         std::span<const std::uint8_t> data) {
    src.pub.next_input_byte = nullptr;
    src.pub.bytes_in_buffer = 0;
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInputBuffer;
    src.pub.skip_input_data = SkipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
    src.data = data.data();
    src.length = data.size();
    src.handedOut = false;
    src.endOfImage[0] = 0xFF;
    src.endOfImage[1] = JPEG_EOI;
    cinfo->src = &src.pub;
}

void CheckScanCount(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->progressive_mode && d->input_scan_number > kMaxScans) {
        ImageFail("more than " + std::to_string(kMaxScans) + " progressive scans");
        ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
    }
}

// A progressive stream refines each coefficient over several scans; when the
// data ran out, the scans that never arrived leave a coarser picture without
// any error, which shows only as coefficients short of their last bit.
bool AllScansArrived(j_decompress_ptr cinfo) {
    if (!cinfo->progressive_mode || !cinfo->coef_bits)
        return true;
    for (int c = 0; c < cinfo->num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo->coef_bits[c][k] != 0)
                return false;
    return true;
}

// Turns a row of four-component CMYK into blue-green-red. Image editors
// write these files with every component inverted (the Adobe convention),
// and readers take any four-component file that way: a stored cyan c and
// black k give red c * k / 255, rounded.
void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* out, std::uint32_t width) {
    const auto scale = [](unsigned a, unsigned b) {
        const unsigned t = a * b + 128;
        return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
    };
    for (std::uint32_t x = 0; x < width; ++x, cmyk += 4, out += 3) {
        const unsigned k = cmyk[3];
        out[0] = scale(cmyk[2], k);
        out[1] = scale(cmyk[1], k);
        out[2] = scale(cmyk[0], k);
    }
}

using MinimumSize =
    std::function<std::pair<std::uint32_t, std::uint32_t>(std::uint32_t, std::uint32_t)>;

// Sets the smallest DCT scale whose output still covers `minimumSize`'s
// answer; the library's output size at 1/n is the full size divided by n,
// rounded up.
void ChooseScale(j_decompress_ptr cinfo, const MinimumSize& minimumSize,
                 JpegReducedDecode& decoded) {
    decoded.fullWidth = cinfo->image_width;
    decoded.fullHeight = cinfo->image_height;
    decoded.denominator = 1;
    const auto [needWidth, needHeight] = minimumSize(cinfo->image_width, cinfo->image_height);
    if (needWidth == 0 || needHeight == 0)
        return;
    for (const int denominator : {8, 4, 2}) {
        const std::uint64_t width =
            (std::uint64_t{cinfo->image_width} + denominator - 1) / denominator;
        const std::uint64_t height =
            (std::uint64_t{cinfo->image_height} + denominator - 1) / denominator;
        if (width >= needWidth && height >= needHeight) {
            cinfo->scale_num = 1;
            cinfo->scale_denom = static_cast<unsigned>(denominator);
            decoded.denominator = denominator;
            return;
        }
    }
}

// Everything between setjmp and a possible longjmp is plain C data or lives
// in the caller's frame.
bool Decode(CPicture& picture, std::span<const std::uint8_t> data, std::uint64_t maxPixelBytes,
            const MinimumSize* minimumSize, JpegReducedDecode& decoded) {
    jpeg_decompress_struct cinfo{};
    ErrorRecord err;
    MemorySource src;
    ScanLimit scans{};
    cinfo.err = jpeg_glue::InstallErrorRecord(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // The library's own working memory obeys the same cap as the picture
    // (progressive files keep every coefficient until the last scan).
    cinfo.mem->max_memory_to_use = static_cast<long>(maxPixelBytes);
    scans.pub.progress_monitor = CheckScanCount;
    cinfo.progress = &scans.pub;
    InstallMemorySource(&cinfo, src, data);

    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
        cinfo.jpeg_color_space == JCS_UNKNOWN) {
        jpeg_destroy_decompress(&cinfo);
        return cinfo.jpeg_color_space == JCS_UNKNOWN ? ImageFail("unknown colour space")
                                                     : ImageFail("picture of zero width or height");
    }
    // The library hands out blue-green-red itself, so three-component rows
    // need no reordering.
    if (cinfo.out_color_space == JCS_RGB)
        cinfo.out_color_space = JCS_EXT_BGR;
    // CMYK and YCCK come out as CMYK and are turned into colours here,
    // black included.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    if (minimumSize)
        ChooseScale(&cinfo, *minimumSize, decoded);
    jpeg_calc_output_dimensions(&cinfo);
    const int components = cinfo.output_components;
    const int bits = cmyk ? 24 : components * 8;
    gdi::DibGeometry geometry;
    if (cmyk ? components != 4 : components != 1 && components != 3) {
        jpeg_destroy_decompress(&cinfo);
        return ImageFail(std::to_string(components) + " colour components not supported");
    }
    if (!gdi::ComputeDibGeometry(cinfo.output_width, cinfo.output_height, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes) {
        jpeg_destroy_decompress(&cinfo);
        return ImageFailSize(cinfo.output_width, cinfo.output_height, bits, maxPixelBytes);
    }
    if (!picture.Create(cinfo.output_width, cinfo.output_height, bits)) {
        jpeg_destroy_decompress(&cinfo);
        return ImageFail("not enough memory for the picture");
    }
    if (components == 1)
        picture.SetGreyPalette();
    // The CMYK row lives in the library's pool, which goes with the
    // decompressor even after an error.
    JSAMPARRAY cmykRow =
        cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT,
                                          cinfo.output_width * 4, 1)
             : nullptr;

    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION y = cinfo.output_scanline;
        JSAMPROW row = cmyk ? cmykRow[0] : picture.GetRow(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (cmyk)
            CmykToBgr(row, picture.GetRow(y), cinfo.output_width);
    }
    // The coefficient record goes with the image memory in finish, so it is
    // read first; a progressive stream has been read whole by now.
    const bool complete = cinfo.output_scanline == cinfo.output_height &&
                          (!err.inputExhausted || AllScansArrived(&cinfo));
    if (complete)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return (complete && !err.damagedAfterEnd) || ImageFail("truncated");
}

}  // namespace

bool DecodeJpegMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes) {
    ClearImageError();
    JpegReducedDecode unused;
    if (Decode(picture, data, maxPixelBytes, nullptr, unused))
        return true;
    picture.Destroy();
    return false;
}

bool DecodeJpegMemoryReduced(CPicture& picture, std::span<const std::uint8_t> data,
                             const MinimumSize& minimumSize, JpegReducedDecode* decoded,
                             std::uint64_t maxPixelBytes) {
    ClearImageError();
    JpegReducedDecode report;
    const bool done =
        Decode(picture, data, maxPixelBytes, minimumSize ? &minimumSize : nullptr, report);
    if (decoded)
        *decoded = report;
    if (!done)
        picture.Destroy();
    return done;
}
