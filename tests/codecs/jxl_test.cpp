// JPEG XL files made by cjxl (and, for orientations, by the library's own
// encoder here) decode to djxl's colours, upright; cut and damaged files are
// refused with a reason.

#include <gtest/gtest.h>
#include <jxl/encode.h>
#include <jxl/encode_cxx.h>

#include <string>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/codec_table.h"
#include "codecs/dispatch.h"
#include "codecs/jxl.h"
#include "codecs/probe.h"
#include "tests/codecs/codec_test_support.h"
#include "tests/codecs/heif_jxl_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using heif_jxl_test::Bytes;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_HEIF_JXL_ORACLE) + " jxl";
}

class JxlOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!codec_test::HavePillowAndMagick() ||
            codec_test::RunCommand("command -v cjxl djxl >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "cjxl, djxl, Pillow or ImageMagick is missing";
    }
    TempDir dir;
};

bool Decode(CPicture& picture, std::span<const std::uint8_t> data) {
    return DecodeJxlMemory(picture, data);
}

// A lossless sRGB file of `rgb` stored under `orientation`.
Bytes EncodeOriented(const Bytes& rgb, std::uint32_t width, std::uint32_t height, int orientation) {
    JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = width;
    info.ysize = height;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_TRUE;
    info.orientation = static_cast<JxlOrientation>(orientation);
    EXPECT_EQ(JxlEncoderSetBasicInfo(encoder.get(), &info), JXL_ENC_SUCCESS);
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    EXPECT_EQ(JxlEncoderSetColorEncoding(encoder.get(), &colour), JXL_ENC_SUCCESS);
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    EXPECT_EQ(JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()), JXL_ENC_SUCCESS);
    JxlEncoderCloseInput(encoder.get());
    Bytes out(4096);
    std::size_t used = 0;
    for (;;) {
        std::uint8_t* next = out.data() + used;
        std::size_t left = out.size() - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &left);
        used = static_cast<std::size_t>(next - out.data());
        if (status != JXL_ENC_NEED_MORE_OUTPUT) {
            EXPECT_EQ(status, JXL_ENC_SUCCESS);
            break;
        }
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

TEST_F(JxlOracle, PeerFilesDecodeToDjxlsColours) {
    const auto check = [&](const codec_test::PeerFile& file) {
        heif_jxl_test::ExpectPeerColours(dir, file, ".jxl", 0);
        // The probe agrees with the decoder.
        CPicture scratch;
        ImageFileInfo info{};
        ReadImageFileInfo(scratch, dir / (file.name + ".jxl"), &info);
        EXPECT_EQ(info.type, std::uint32_t{kImageJxl});
        EXPECT_EQ(info.width, static_cast<std::int32_t>(file.width));
        EXPECT_EQ(info.height, static_cast<std::int32_t>(file.height));
        EXPECT_EQ(info.bitsPerPixel, file.bits);
    };
    EXPECT_EQ(codec_test::ForEachPeerFile(Oracle(), dir, check, true), 7u);
}

TEST_F(JxlOracle, OrientationIsApplied) {
    const Bytes source = codec_test::ToRgb(codec_test::RandomPicture(13, 6, 24, 5));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::string path = dir / ("o" + std::to_string(orientation) + ".jxl");
        codec_test::WriteFile(path, EncodeOriented(source, 13, 6, orientation));
        CPicture picture;
        ASSERT_TRUE(LoadImageFile(picture, path)) << LastImageError();
        const Bytes ours = codec_test::ToRgb(picture);
        EXPECT_EQ(ours, heif_jxl_test::Upright(source, 13, 6, orientation));
        ASSERT_EQ(codec_test::RunCommand(Oracle() + " reference " + path + " >/dev/null"), 0);
        EXPECT_EQ(ours, ReadFile(path + ".rgb"));
        CPicture scratch;
        ImageFileInfo info{};
        ReadImageFileInfo(scratch, path, &info);
        EXPECT_EQ(info.width, static_cast<std::int32_t>(picture.GetWidth()));
        EXPECT_EQ(info.height, static_cast<std::int32_t>(picture.GetHeight()));
    }
}

// A frame shown for no time is blended into the next, as the format
// defines it; hence the delay.
TEST_F(JxlOracle, AnAnimationShowsItsFirstFrame) {
    const std::string gif = dir / "anim.gif";
    const std::string jxl = dir / "anim.jxl";
    ASSERT_EQ(codec_test::RunCommand("convert -delay 50 -size 5x4 xc:red xc:blue -loop 0 " + gif +
                                     " && cjxl -d 0 " + gif + " " + jxl + " >/dev/null 2>&1"),
              0);
    CPicture picture;
    ASSERT_TRUE(LoadImageFile(picture, jxl)) << LastImageError();
    EXPECT_EQ(picture.GetWidth(), 5u);
    const Bytes rgb = codec_test::ToRgb(picture);
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        ASSERT_EQ((Bytes{rgb[i], rgb[i + 1], rgb[i + 2]}), (Bytes{255, 0, 0})) << i / 3;
}

TEST_F(JxlOracle, CutAndDamagedFilesAreRefusedWithAReason) {
    std::vector<codec_test::PeerFile> files;
    ASSERT_TRUE(codec_test::MakePeerFiles(Oracle(), dir, &files, true));
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const Bytes bytes = ReadFile(dir / (file.name + ".jxl"));
        heif_jxl_test::ExpectTruncationsRefused(Decode, bytes);
        heif_jxl_test::ExpectDamageHandled(Decode, bytes);
    }
}

TEST_F(JxlOracle, APictureOverTheCapIsRefusedFromItsHeader) {
    std::vector<codec_test::PeerFile> files;
    ASSERT_TRUE(codec_test::MakePeerFiles(Oracle(), dir, &files, true));
    const Bytes bytes = ReadFile(dir / "rgba_lossless.jxl");  // 17 x 9 x 4 bytes
    CPicture picture;
    ClearImageError();
    EXPECT_FALSE(DecodeJxlMemory(picture, bytes, 17 * 9 * 4 - 1));
    EXPECT_EQ(LastImageError(), "JPEG XL picture too large");
    EXPECT_TRUE(DecodeJxlMemory(picture, bytes, 17 * 9 * 4));
    const std::string lying = dir / "photo.png";
    codec_test::WriteFile(lying, bytes);
    EXPECT_EQ(LoadImageFileAs(picture, lying), kImageJxl);
}

TEST(Jxl, SignaturesAndRefusedWrites) {
    EXPECT_TRUE(IsJxlSignature(Bytes{0xFF, 0x0A}));
    EXPECT_TRUE(IsJxlSignature(
        Bytes{0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', '\r', '\n', 0x87, '\n', 0, 0, 0, 0x14}));
    EXPECT_FALSE(IsJxlSignature(Bytes{0xFF, 0xD8, 0xFF}));
    EXPECT_FALSE(IsJxlSignature(Bytes{0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', '\r', '\n'}));
    EXPECT_EQ(SniffCodec(Bytes{0xFF, 0x0A, 0, 0}), FindCodec(kImageJxl));
    TempDir dir;
    CPicture picture;
    ASSERT_TRUE(picture.Create(4, 4, 24));
    ClearImageError();
    EXPECT_FALSE(SaveImageFile(picture, dir / "a.JXL"));
    EXPECT_EQ(LastImageError(), "writing JPEG XL is not supported");
    EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
