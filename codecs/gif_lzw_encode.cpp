#include <memory>

#include "codecs/gif_lzw.h"

namespace {

constexpr unsigned kTableSize = 4096;
constexpr unsigned kMaxCodeSize = 12;

// Packs codes least significant bit first; the last byte is written only
// as far as it holds bits.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Write(unsigned code, unsigned size) {
        bits_ |= std::uint32_t{code} << count_;
        count_ += size;
        while (count_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
    }

    void Flush() {
        if (count_ != 0)
            out_.push_back(static_cast<std::uint8_t>(bits_));
        bits_ = 0;
        count_ = 0;
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint32_t bits_ = 0;
    unsigned count_ = 0;
};

// The string table: one direct lookup per (prefix code, next pixel), 0 for
// absent. Only the slots in use are cleared at a reset, not all 2 MiB.
class Dictionary {
public:
    Dictionary() : codes_(std::make_unique<std::uint16_t[]>(kTableSize * 256)) {
        used_.reserve(kTableSize);
    }

    std::uint16_t& At(unsigned prefix, unsigned pixel) { return codes_[prefix * 256 + pixel]; }
    void Store(unsigned prefix, unsigned pixel, unsigned code) {
        used_.push_back(prefix * 256 + pixel);
        codes_[prefix * 256 + pixel] = static_cast<std::uint16_t>(code);
    }
    void Clear() {
        for (const std::uint32_t slot : used_)
            codes_[slot] = 0;
        used_.clear();
    }

private:
    std::unique_ptr<std::uint16_t[]> codes_;
    std::vector<std::uint32_t> used_;
};

// The picture's pixels one at a time, top row first, at any depth of 8 bits
// or fewer (most significant bits first within a byte).
class PixelSource {
public:
    explicit PixelSource(const CDibImage& picture)
        : picture_(picture),
          width_(picture.GetWidth()),
          height_(picture.GetHeight()),
          bits_(picture.GetBitCount()),
          mask_((1u << bits_) - 1) {}

    bool Next(unsigned& pixel) {
        if (x_ == width_) {
            x_ = 0;
            ++y_;
        }
        if (y_ >= height_)
            return false;
        const std::uint8_t* row = picture_.GetRow(y_);
        if (bits_ == 8) {
            pixel = row[x_];
        } else {
            const std::size_t bit = std::size_t{x_} * bits_;
            pixel = (row[bit / 8] >> (8 - bits_ - bit % 8)) & mask_;
        }
        ++x_;
        return true;
    }

private:
    const CDibImage& picture_;
    std::uint32_t width_;
    std::uint32_t height_;
    unsigned bits_;
    unsigned mask_;
    std::uint32_t x_ = 0;
    std::uint32_t y_ = 0;
};

}  // namespace

std::uint8_t EncodeGifLzw(const CDibImage& picture, std::vector<std::uint8_t>& out) {
    const unsigned bits = picture.GetBitCount();
    if (!picture.IsValid() || (bits != 1 && bits != 4 && bits != 8))
        return 0;
    const unsigned minimum = bits == 1 ? 2 : bits;
    const unsigned clear = 1u << minimum;
    const unsigned end = clear + 1;

    Dictionary dictionary;
    CodeWriter writer(out);
    PixelSource source(picture);
    unsigned nextFree = end + 1;
    unsigned size = minimum + 1;

    writer.Write(clear, size);
    unsigned prefix;
    bool havePrefix = source.Next(prefix);
    unsigned pixel;
    while (havePrefix && source.Next(pixel)) {
        std::uint16_t& known = dictionary.At(prefix, pixel);
        if (known != 0) {
            prefix = known;
            continue;
        }
        writer.Write(prefix, size);
        dictionary.Store(prefix, pixel, nextFree);
        ++nextFree;
        // The decoder defines each entry one code later, so it widens its
        // codes one entry later too.
        if (nextFree == (1u << size) + 1 && size < kMaxCodeSize)
            ++size;
        prefix = pixel;
        if (nextFree == kTableSize) {
            // Table full: the pending pixel goes out alone, then a fresh
            // table starts with the pixel after it.
            writer.Write(prefix, size);
            writer.Write(clear, size);
            dictionary.Clear();
            nextFree = end + 1;
            size = minimum + 1;
            havePrefix = source.Next(prefix);
        }
    }
    if (havePrefix) {
        writer.Write(prefix, size);
        // The decoder widens after this last code whenever its table reaches
        // the next power of two; the end code follows at that width.
        if (nextFree == (1u << size) && size < kMaxCodeSize)
            ++size;
    }
    writer.Write(end, size);
    writer.Flush();
    return static_cast<std::uint8_t>(minimum);
}
