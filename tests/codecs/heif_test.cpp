// HEIC files made by heif-enc (and, for what it cannot write, by the
// library's own encoder here) decode to heif-convert's colours, upright;
// cut and damaged files are refused with a reason.

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/codec_table.h"
#include "codecs/dispatch.h"
#include "codecs/heif.h"
#include "codecs/probe.h"
#include "tests/codecs/codec_test_support.h"
#include "tests/codecs/heif_jxl_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using heif_jxl_test::Bytes;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_HEIF_JXL_ORACLE) + " heif";
}

bool HavePeers() {
    return codec_test::HavePillowAndMagick() &&
           codec_test::RunCommand("command -v heif-enc heif-convert >/dev/null 2>&1") == 0;
}

class HeifOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HavePeers())
            GTEST_SKIP() << "heif-enc, heif-convert, Pillow or ImageMagick is missing";
    }
    TempDir dir;
};

bool Decode(CPicture& picture, std::span<const std::uint8_t> data) {
    return DecodeHeifMemory(picture, data);
}

// Lossless HEVC as the library writes it from RGB: no chroma subsampling
// and the samples kept as RGB; the encoder's RGB path still rounds by one
// level at most.
constexpr int kLosslessTolerance = 1;

struct Picture {
    std::uint32_t width, height;
    Bytes rgb;
};

// One or more pictures encoded losslessly into a HEIC file with the
// library's encoder; `orientation` becomes irot/imir properties and
// `primary` names the primary picture.
void WriteHeic(const std::string& path, const std::vector<Picture>& pictures, int orientation = 1,
               std::size_t primary = 0) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code,
              heif_error_Ok);
    heif_encoder_set_lossless(encoder, 1);
    heif_encoder_set_parameter_string(encoder, "chroma", "444");
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
    nclx->full_range_flag = 1;
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->output_nclx_profile = nclx;
    options->image_orientation = static_cast<heif_orientation>(orientation);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        heif_image* image = nullptr;
        heif_image_create(static_cast<int>(p.width), static_cast<int>(p.height),
                          heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, static_cast<int>(p.width),
                             static_cast<int>(p.height), 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (std::uint32_t y = 0; y < p.height; ++y)
            std::memcpy(plane + std::size_t{y} * stride,
                        p.rgb.data() + std::size_t{y} * p.width * 3, p.width * 3);
        heif_image_handle* handle = nullptr;
        EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, &handle).code,
                  heif_error_Ok);
        if (i == primary)
            heif_context_set_primary_image(context, handle);
        heif_image_handle_release(handle);
        heif_image_release(image);
    }
    EXPECT_EQ(heif_context_write_to_file(context, path.c_str()).code, heif_error_Ok);
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
    heif_encoder_release(encoder);
    heif_context_free(context);
}

Picture RandomRgb(std::uint32_t width, std::uint32_t height, unsigned seed) {
    const CPicture random = codec_test::RandomPicture(width, height, 24, seed);
    return {width, height, codec_test::ToRgb(random)};
}

TEST_F(HeifOracle, PeerFilesDecodeToHeifConvertsColours) {
    const auto check = [&](const codec_test::PeerFile& file) {
        heif_jxl_test::ExpectPeerColours(dir, file, ".heic", kLosslessTolerance);
    };
    EXPECT_EQ(codec_test::ForEachPeerFile(Oracle(), dir, check, true), 6u);
    // The deep file is a real ten-bit one, brought to eight bits by us.
    heif_context* context = heif_context_alloc();
    ASSERT_EQ(heif_context_read_from_file(context, (dir / "rgb_10bit.heic").c_str(), nullptr).code,
              heif_error_Ok);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(context, &handle);
    EXPECT_EQ(heif_image_handle_get_luma_bits_per_pixel(handle), 10);
    heif_image_handle_release(handle);
    heif_context_free(context);
}

TEST_F(HeifOracle, RotationAndMirrorPropertiesAreApplied) {
    const Picture source = RandomRgb(13, 6, 3);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::string path = dir / ("o" + std::to_string(orientation) + ".heic");
        WriteHeic(path, {source}, orientation);
        const Bytes bytes = ReadFile(path);
        const std::string text(bytes.begin(), bytes.end());
        if (orientation != 1) {
            EXPECT_TRUE(text.find("irot") != std::string::npos ||
                        text.find("imir") != std::string::npos);
        }
        CPicture picture;
        ASSERT_TRUE(LoadImageFile(picture, path)) << LastImageError();
        const bool sideways = orientation >= 5;
        EXPECT_EQ(picture.GetWidth(), sideways ? 6u : 13u);
        EXPECT_EQ(picture.GetHeight(), sideways ? 13u : 6u);
        const Bytes ours = codec_test::ToRgb(picture);
        EXPECT_LE(
            codec_test::MaxDifference(ours, heif_jxl_test::Upright(source.rgb, 13, 6, orientation)),
            kLosslessTolerance);
        ASSERT_EQ(codec_test::RunCommand(Oracle() + " reference " + path + " >/dev/null"), 0);
        EXPECT_EQ(codec_test::MaxDifference(ours, ReadFile(path + ".rgb")), 0);
        // The probe reports the upright size as well.
        CPicture scratch;
        ImageFileInfo info{};
        ReadImageFileInfo(scratch, path, &info);
        EXPECT_EQ(info.type, std::uint32_t{kImageHeif});
        EXPECT_EQ(info.width, static_cast<std::int32_t>(picture.GetWidth()));
        EXPECT_EQ(info.height, static_cast<std::int32_t>(picture.GetHeight()));
        EXPECT_EQ(info.bitsPerPixel, 24);
    }
}

TEST_F(HeifOracle, ThePrimaryPictureIsTheOneRead) {
    const std::string path = dir / "two.heic";
    const Picture first = RandomRgb(8, 8, 1);
    const Picture second = RandomRgb(11, 5, 2);
    WriteHeic(path, {first, second}, 1, 1);
    CPicture picture;
    ASSERT_TRUE(LoadImageFile(picture, path)) << LastImageError();
    EXPECT_EQ(picture.GetWidth(), 11u);
    EXPECT_LE(codec_test::MaxDifference(codec_test::ToRgb(picture), second.rgb),
              kLosslessTolerance);
    CPicture scratch;
    ImageFileInfo info{};
    ReadImageFileInfo(scratch, path, &info);
    EXPECT_EQ(info.width, 11);
    EXPECT_EQ(info.imageCount, 2);
}

TEST_F(HeifOracle, CutAndDamagedFilesAreRefusedWithAReason) {
    std::vector<codec_test::PeerFile> files;
    ASSERT_TRUE(codec_test::MakePeerFiles(Oracle(), dir, &files, true));
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const Bytes bytes = ReadFile(dir / (file.name + ".heic"));
        heif_jxl_test::ExpectTruncationsRefused(Decode, bytes);
        heif_jxl_test::ExpectDamageHandled(Decode, bytes);
    }
}

TEST_F(HeifOracle, APictureOverTheCapIsRefusedFromItsHeader) {
    std::vector<codec_test::PeerFile> files;
    ASSERT_TRUE(codec_test::MakePeerFiles(Oracle(), dir, &files, true));
    const Bytes bytes = ReadFile(dir / "rgba_lossy.heic");  // 40 x 33 x 4 bytes
    CPicture picture;
    ClearImageError();
    EXPECT_FALSE(DecodeHeifMemory(picture, bytes, 40 * 33 * 4 - 1));
    EXPECT_EQ(LastImageError(), "HEIF picture too large");
    EXPECT_TRUE(DecodeHeifMemory(picture, bytes, 40 * 33 * 4));
    // Read through the signature under a lying name.
    const std::string lying = dir / "photo.jpg";
    codec_test::WriteFile(lying, bytes);
    EXPECT_EQ(LoadImageFileAs(picture, lying), kImageHeif);
}

TEST(Heif, SignatureTellsHeicFromAvif) {
    // A file type box: size, "ftyp", major brand, minor version, brands.
    const auto ftyp = [](std::string_view major, std::string_view compatible) {
        const auto size = static_cast<std::uint8_t>(16 + compatible.size());
        Bytes out = {0, 0, 0, size, 'f', 't', 'y', 'p'};
        out.insert(out.end(), major.begin(), major.end());
        out.insert(out.end(), 4, 0);
        out.insert(out.end(), compatible.begin(), compatible.end());
        return out;
    };
    EXPECT_TRUE(IsHeifSignature(ftyp("heic", "mif1heic")));
    EXPECT_TRUE(IsHeifSignature(ftyp("heix", "mif1")));
    EXPECT_TRUE(IsHeifSignature(ftyp("mif1", "heic")));
    EXPECT_TRUE(IsHeifSignature(ftyp("msf1", "hevc")));
    EXPECT_FALSE(IsHeifSignature(ftyp("mif1", "miafavif")));
    EXPECT_FALSE(IsHeifSignature(ftyp("avif", "mif1miaf")));
    EXPECT_FALSE(IsHeifSignature(ftyp("isom", "mp41")));
    EXPECT_FALSE(IsHeifSignature(Bytes{0, 0, 0, 16, 'f', 't', 'y', 'p', 'h', 'e', 'i'}));
    EXPECT_EQ(SniffCodec(ftyp("heic", "mif1")), FindCodec(kImageHeif));
}

TEST(Heif, WritingIsRefusedWithAReasonAndLeavesNoFile) {
    TempDir dir;
    CPicture picture;
    ASSERT_TRUE(picture.Create(4, 4, 24));
    for (const char* name : {"a.heic", "b.HEIF"}) {
        ClearImageError();
        EXPECT_FALSE(SaveImageFile(picture, dir / name));
        EXPECT_EQ(LastImageError(), "writing HEIF is not supported");
    }
    EXPECT_TRUE(dir.Entries().empty());
}

// A grid picture made of one overlay, found by the fuzzer: the grid's
// boxes say 21 x 13 and the overlay's 64x64, but the overlay's canvas (in
// its item data) is some 2.7 GB.
std::vector<std::uint8_t> FuzzedOverlayFile() {
    const std::string hex =
        "000000186674797068656963000000006d69663168656963000001ac6d65746100000000"
        "0000002168646c7200000000000000007069637400000000000000000000000000000000"
        "0e7069746d0000000000020000001069646174000000000015000d00000038696c6f6301"
        "00000044400002000100000000000001cc00010000000000000061000200010000000000"
        "00000100000000000000080000003869696e6600000000000200000015696e6665020000"
        "0100010000696f766c0000000015696e666502000000000200006772696400000000d769"
        "707270000000b56970636f00000075687663430104080000000000000000001ef000fcfd"
        "fafa00000f03200001001740010c01ffff0408000003009db800000300001eba02402100"
        "01002a4201010408000003009db800000300001ea0208104d96eaae9ae6e04040c080000"
        "03000800000300084022000100064401c173c18900000014697370650000000000000040"
        "00000040000000146973706500000000000000150000000d000000107069786900000000"
        "030a0a0a0000001a69706d610000000000000002000102810200020203840000001a6972"
        "6566000000000000000e64696d67000200010001000000696d6461740000005d2801af06"
        "b21ba286806800000070696374000000000000000000000000000000000e7069746d0000"
        "000000020000f864cf89e778f62ccef674f291a69d9e5e5535a195fa6eb2a6f9da706e77"
        "99267a6864823cf61485617fadfe72ffe0";
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Each is refused before the library allocates the canvas: first as it was
// found, then with the grid made a strip 65,284 pixels tall, within the cap
// on its own, whose sides no longer bound the square canvas.
TEST(Heif, AnOverlayCanvasLargerThanItsPictureIsRefusedUnallocated) {
    std::vector<std::uint8_t> bytes = FuzzedOverlayFile();
    CPicture picture;
    ClearImageError();
    EXPECT_FALSE(DecodeHeifMemory(picture, bytes));
    EXPECT_EQ(LastImageError(), "HEIF picture too large");

    constexpr std::size_t kGridHeight = 380;  // in the grid's 'ispe' box
    ASSERT_EQ(bytes[kGridHeight + 3], 0x0d);
    bytes[kGridHeight + 2] = 0xff;
    bytes[kGridHeight + 3] = 0x04;
    ClearImageError();
    EXPECT_FALSE(DecodeHeifMemory(picture, bytes));
    EXPECT_EQ(LastImageError(), "HEIF picture too large");
}

}  // namespace
