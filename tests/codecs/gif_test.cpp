// The GIF codec on streams built code by code: LZW corner cases, interlace
// passes, bounds of damaged streams, image tables, round trips and appending.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "codecs/gif.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::WriteFile;
using Bytes = std::vector<std::uint8_t>;

// Codes packed least significant bit first.
class CodePacker {
public:
    void Put(unsigned code, unsigned size) {
        bits_ |= std::uint64_t{code} << count_;
        count_ += size;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    Bytes Finish() {
        if (count_)
            bytes_.push_back(static_cast<std::uint8_t>(bits_));
        return bytes_;
    }

private:
    Bytes bytes_;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
};

// A clear code, every pixel as a code of its own (each defining a table
// entry the way a decoder counts them), then the end code.
Bytes LiteralCodes(unsigned minimum, const std::vector<unsigned>& pixels, bool end = true) {
    CodePacker packer;
    const unsigned clear = 1u << minimum;
    unsigned size = minimum + 1, nextFree = clear + 2;
    packer.Put(clear, size);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        packer.Put(pixels[i], size);
        if (i > 0 && nextFree < 4096 && ++nextFree == (1u << size) && size < 12)
            ++size;
    }
    if (end)
        packer.Put(clear + 1, size);
    return packer.Finish();
}

void Put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// One image descriptor without a colour table, then its data sub-blocks.
void PutImage(Bytes& out, unsigned width, unsigned height, bool interlaced, unsigned minimum,
              const Bytes& codes) {
    out.push_back(',');
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(interlaced ? 0x40 : 0);
    out.push_back(static_cast<std::uint8_t>(minimum));
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), codes.begin() + at, codes.begin() + at + n);
    }
    out.push_back(0);
}

Bytes Header(unsigned width, unsigned height) {
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, width);
    Put16(out, height);
    out.insert(out.end(), {0, 0, 0});
    return out;
}

// A whole stream of one image with no colour table: the decoded indices
// show through unchanged.
Bytes OneImage(unsigned width, unsigned height, bool interlaced, unsigned minimum,
               const Bytes& codes) {
    Bytes out = Header(width, height);
    PutImage(out, width, height, interlaced, minimum, codes);
    out.push_back(';');
    return out;
}

std::vector<unsigned> Indices(const CPicture& picture) {
    std::vector<unsigned> out;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
            out.push_back(picture.GetRow(y)[x]);
    return out;
}

std::vector<unsigned> DecodeOne(const Bytes& stream) {
    CPicture picture;
    EXPECT_TRUE(ParseGifStream(picture, stream));
    EXPECT_EQ(DecodeGifFrame(picture), kGifDecoded);
    return Indices(picture);
}

TEST(GifLzw, ClearCodesCodeEqualToNextFreeAndCodesPastIt) {
    CodePacker repeated;  // 3-bit codes throughout
    for (unsigned code : {4, 4, 4, 1, 2, 4, 4, 3, 5})
        repeated.Put(code, 3);
    EXPECT_EQ(DecodeOne(OneImage(3, 1, false, 2, repeated.Finish())),
              (std::vector<unsigned>{1, 2, 3}));

    // Code 6 is defined by its own use: "1" followed by its first byte.
    CodePacker own;
    for (unsigned code : {4, 1, 6, 5})
        own.Put(code, 3);
    EXPECT_EQ(DecodeOne(OneImage(3, 1, false, 2, own.Finish())), (std::vector<unsigned>{1, 1, 1}));

    // Code 7 is past the next free code (6): the image ends, the rest stays 0.
    CodePacker past;
    for (unsigned code : {4, 1, 7, 2, 5})
        past.Put(code, 3);
    EXPECT_EQ(DecodeOne(OneImage(3, 1, false, 2, past.Finish())), (std::vector<unsigned>{1, 0, 0}));

    // Without a leading clear the first code defines nothing: 6 is "1 2".
    CodePacker unclear;
    for (unsigned code : {1, 2, 6, 5})
        unclear.Put(code, 3);
    EXPECT_EQ(DecodeOne(OneImage(4, 1, false, 2, unclear.Finish())),
              (std::vector<unsigned>{1, 2, 1, 2}));
}

TEST(GifLzw, FullTableKeepsTwelveBitCodesAndDataMayEndEarly) {
    std::vector<unsigned> pixels;
    for (unsigned i = 0; i < 6000; ++i)
        pixels.push_back((i * 7) % 256);
    EXPECT_EQ(DecodeOne(OneImage(6000, 1, false, 8, LiteralCodes(8, pixels))), pixels);

    // No end code and the data stops half way: what came stays.
    const Bytes codes = LiteralCodes(8, pixels, false);
    const Bytes half(codes.begin(), codes.begin() + codes.size() / 2);
    const std::vector<unsigned> got = DecodeOne(OneImage(6000, 1, false, 8, half));
    ASSERT_EQ(got.size(), pixels.size());
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 2000, pixels.begin()));
    EXPECT_EQ(got.back(), 0u);
}

TEST(GifLzw, InterlacedPassesFillEveryRowOnce) {
    for (unsigned height : {1u, 2u, 5u, 9u, 17u}) {
        SCOPED_TRACE(height);
        // Row numbers in the order of the passes, then a few pixels too many.
        std::vector<unsigned> order;
        const unsigned start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (unsigned row = start[pass]; row < height; row += step[pass])
                order.insert(order.end(), {row, row});
        order.insert(order.end(), {99, 99, 99});
        std::vector<unsigned> expected;
        for (unsigned row = 0; row < height; ++row)
            expected.insert(expected.end(), {row, row});
        EXPECT_EQ(DecodeOne(OneImage(2, height, true, 8, LiteralCodes(8, order))), expected);
    }
}

TEST(GifStream, BadMinimumCodeSizesAndHugeOrEmptyPicturesFail) {
    for (unsigned minimum : {0u, 1u, 9u, 12u}) {
        CPicture picture;
        ASSERT_TRUE(ParseGifStream(picture, OneImage(3, 1, false, minimum, {0x4C, 0x0A})));
        EXPECT_EQ(DecodeGifFrame(picture), kGifDecodeFailed);
        EXPECT_FALSE(picture.IsValid());
        EXPECT_EQ(picture.GetGifInfo()->currentImage, 0);
    }
    // 65535 x 65535 is over the pixel cap; refused without being made.
    for (const auto& [w, h] : {std::pair{65535u, 65535u}, std::pair{0u, 10u}}) {
        CPicture picture;
        ASSERT_TRUE(ParseGifStream(picture, OneImage(w, h, false, 2, LiteralCodes(2, {1}))));
        EXPECT_EQ(DecodeGifFrame(picture), kGifDecodeFailed);
        EXPECT_FALSE(picture.IsValid());
    }
}

TEST(GifStream, EveryCutStreamFailsAndReleasesItsState) {
    Bytes stream = Header(4, 2);
    // A comment and a graphic control block before the image.
    stream.insert(stream.end(), {0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    stream.insert(stream.end(), {0x21, 0xF9, 4, 1, 7, 0, 3, 0});
    PutImage(stream, 4, 2, false, 2, LiteralCodes(2, {0, 1, 2, 3, 3, 2, 1, 0}));
    stream.push_back(';');
    CPicture picture;
    ASSERT_TRUE(ParseGifStream(picture, stream));
    const GifStreamState& state = *picture.GetGifInfo();
    EXPECT_EQ(std::string(state.version, 3), "89a");
    EXPECT_EQ(state.imageCount, 1);
    EXPECT_EQ(state.delay, 70);
    EXPECT_EQ(state.transparent, 1);
    EXPECT_EQ(state.transparentIndex, 3);
    EXPECT_EQ(state.minimumCodeSize, 2);
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        ASSERT_FALSE(ParseGifStream(picture, Bytes(stream.begin(), stream.begin() + cut)));
        EXPECT_EQ(picture.GetGifInfo(), nullptr);
        EXPECT_EQ(DecodeGifFrame(picture), kGifDecodeFailed);
    }
    // An unknown block type, and a missing signature.
    Bytes odd = stream;
    odd.insert(odd.end() - 1, 0x77);
    EXPECT_FALSE(ParseGifStream(picture, odd));
    odd = stream;
    odd[0] = 'J';
    EXPECT_FALSE(ParseGifStream(picture, odd));
}

TEST(GifStream, ImagesPastTheOffsetTableAreCheckedNotRecorded) {
    Bytes stream = Header(1, 1);
    for (unsigned n = 0; n < 2100; ++n)
        PutImage(stream, 1, 1, false, 8, LiteralCodes(8, {n % 256}));
    stream.push_back(';');
    CPicture picture;
    ASSERT_TRUE(ParseGifStream(picture, stream));
    EXPECT_EQ(picture.GetGifInfo()->imageCount, GifStreamState::kMaxImages);
    ASSERT_TRUE(SelectGifFrame(picture, 2047));
    EXPECT_EQ(picture.GetRow(0)[0], 2046 % 256);
    EXPECT_FALSE(SelectGifFrame(picture, 2048));
    ASSERT_TRUE(SelectGifFrame(picture, 0));
    EXPECT_EQ(picture.GetRow(0)[0], 0);
    ASSERT_TRUE(SelectGifFrame(picture, -5));
    EXPECT_EQ(DecodeGifFrame(picture), kGifDecoded);
    EXPECT_EQ(picture.GetRow(0)[0], 1);
}

using codec_test::RandomPicture;

std::vector<unsigned> PixelValues(const CPicture& picture) {
    std::vector<unsigned> out;
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x)
            out.push_back(
                picture.GetPixelValue(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)));
    return out;
}

TEST(GifFile, PicturesOfEachDepthComeBackUnchanged) {
    TempDir dir;
    struct Case {
        unsigned bits;
        std::uint32_t width, height;
        unsigned levels;
        bool global;
    };
    // Random pictures fill the code table again and again; a flat one makes
    // strings far longer than a row.
    for (const Case c :
         {Case{1, 37, 9, 256, false}, Case{4, 13, 40, 256, true}, Case{8, 301, 203, 256, false},
          Case{1, 800, 600, 256, true}, Case{8, 7, 3000, 1, false}, Case{8, 1, 1, 256, true}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits " << c.width << "x" << c.height);
        const CPicture picture = RandomPicture(c.width, c.height, c.bits, c.width, c.levels);
        const std::string path = dir / "round.gif";
        ASSERT_TRUE(SaveGif(picture, path, c.global));
        CPicture loaded;
        ASSERT_TRUE(LoadGif(loaded, path));
        EXPECT_EQ(loaded.GetBitCount(), 8);
        EXPECT_EQ(PixelValues(loaded), PixelValues(picture));
        const unsigned entries = 1u << c.bits;
        for (unsigned i = 0; i < entries; ++i) {
            gdi::RGBQUAD a, b;
            picture.GetPaletteEntry(i, &a);
            loaded.GetPaletteEntry(i, &b);
            ASSERT_EQ(std::tie(a.rgbRed, a.rgbGreen, a.rgbBlue),
                      std::tie(b.rgbRed, b.rgbGreen, b.rgbBlue));
        }
        EXPECT_EQ(loaded.GetGifInfo()->delay, 100);
        EXPECT_EQ(loaded.GetGifInfo()->transparent, 0);
    }
}

TEST(GifFile, SavingRefusesDeepPicturesAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir / "keep.gif";
    WriteFile(path, {'o', 'l', 'd'});
    CPicture deep;
    deep.Create(4, 4, 24);
    EXPECT_FALSE(SaveGif(deep, path, false));
    EXPECT_FALSE(SaveGif(CPicture(), path, false));
    EXPECT_EQ(ReadFile(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(EncodeGifFrame(RandomPicture(2, 2, 8, 1), false, 0, 256).empty());
}

TEST(GifFile, AppendingAddsAnImageOnlyToAWholeGif) {
    TempDir dir;
    const std::string path = dir / "anim.gif";
    const CPicture first = RandomPicture(20, 10, 8, 1);
    const CPicture second = RandomPicture(20, 10, 4, 2);
    ASSERT_TRUE(SaveGif(first, path, false));
    const Bytes before = ReadFile(path);
    ASSERT_TRUE(AppendGifFrame(second, path, false, 1234, 7));
    const Bytes after = ReadFile(path);
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end() - 1, after.begin()));

    CPicture loaded;
    ASSERT_TRUE(LoadGif(loaded, path));
    EXPECT_EQ(loaded.GetGifInfo()->imageCount, 2);
    EXPECT_EQ(loaded.GetGifInfo()->delay, 1230);
    EXPECT_EQ(loaded.GetGifInfo()->transparent, 1);
    EXPECT_EQ(loaded.GetGifInfo()->transparentIndex, 7);
    ASSERT_EQ(DecodeGifFrame(loaded), kGifDecoded);
    EXPECT_EQ(PixelValues(loaded), PixelValues(second));

    // Not ending in the trailer, a cut stream whose last byte happens to be
    // ";", and a text file ending in ";": each left exactly as it was.
    Bytes cut(after.begin(), after.end() - 2);
    cut.push_back(';');
    for (const Bytes& bytes :
         {Bytes(after.begin(), after.end() - 1), cut, Bytes{'i', 'n', 't', ' ', 'x', ';'}}) {
        WriteFile(path, bytes);
        EXPECT_FALSE(AppendGifFrame(second, path, false, 100, -1));
        EXPECT_EQ(ReadFile(path), bytes);
    }
    EXPECT_FALSE(AppendGifFrame(second, dir / "missing.gif", false, 100, -1));
}

TEST(GifFile, LoadingNeedsAnImage) {
    TempDir dir;
    Bytes empty = Header(5, 5);
    empty.push_back(';');
    WriteFile(dir / "empty.gif", empty);
    CPicture picture;
    picture.Create(3, 3, 8);
    EXPECT_FALSE(LoadGif(picture, dir / "empty.gif"));
    EXPECT_FALSE(picture.IsValid());
    EXPECT_FALSE(LoadGif(picture, dir / "missing.gif"));
    ReleaseGifState(picture);
    EXPECT_EQ(picture.GetGifInfo(), nullptr);
}

}  // namespace
