#include "codecs/bmp_pixels.h"

#include <bit>

namespace bmp {

namespace {

// A channel mask taken apart: value = (pixel & mask) >> shift, 0..max.
struct Field {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    std::uint64_t max = 0;

    explicit Field(std::uint32_t m) : mask(m) {
        if (mask) {
            shift = static_cast<unsigned>(std::countr_zero(mask));
            max = mask >> shift;
        }
    }
    std::uint8_t Scale(std::uint32_t pixel) const {
        if (!max)
            return 0;
        return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
    }
};

std::uint32_t PixelAt(const std::uint8_t* p, std::uint32_t bits) {
    if (bits == 16)
        return p[0] | std::uint32_t{p[1]} << 8;
    return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Writes palette indices into a bottom-up picture, dropping any outside it.
class CIndexWriter {
public:
    CIndexWriter(CDibImage& picture, std::uint32_t bits)
        : picture_(picture),
          bits_(bits),
          width_(picture.GetWidth()),
          height_(picture.GetHeight()) {}

    void Put(std::uint64_t x, std::uint64_t y, std::uint8_t index) {
        if (x >= width_ || y >= height_)
            return;
        std::uint8_t* row = picture_.GetRow(static_cast<std::uint32_t>(height_ - 1 - y));
        if (bits_ == 8) {
            row[x] = index;
        } else {
            std::uint8_t& byte = row[x / 2];
            byte = x % 2 ? (byte & 0xF0) | (index & 0x0F)
                         : static_cast<std::uint8_t>((byte & 0x0F) | index << 4);
        }
    }
    std::uint64_t Height() const { return height_; }

private:
    CDibImage& picture_;
    std::uint32_t bits_;
    std::uint64_t width_, height_;
};

}  // namespace

bool IsDefaultLayout(const ChannelMasks& m, std::uint32_t bits) {
    if (bits == 16)
        return m.blue == 0x001F &&
               ((m.red == 0x7C00 && m.green == 0x03E0) || (m.red == 0xF800 && m.green == 0x07E0));
    return bits == 32 && m.red == 0xFF0000 && m.green == 0xFF00 && m.blue == 0xFF;
}

void DecodeRle(CDibImage& picture, std::span<const std::uint8_t> data, std::uint32_t bits) {
    CIndexWriter out(picture, bits);
    // Positions grow by at most 255 a step, so 64 bits never wrap.
    std::uint64_t x = 0, y = 0;
    std::size_t pos = 0;
    const std::size_t n = data.size();
    while (pos + 2 <= n && y < out.Height()) {
        const std::uint8_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // An encoded run: one index, or at 4 bits two that alternate.
            for (unsigned i = 0; i < count; ++i)
                out.Put(x + i, y, bits == 8 ? value : (i % 2 ? value & 0x0F : value >> 4));
            x += count;
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            break;
        } else if (value == 2) {  // delta: move right and up
            if (pos + 2 > n)
                break;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
        } else {
            // An absolute run of `value` indices, padded to a 16-bit boundary.
            const std::size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            for (unsigned i = 0; i < value; ++i) {
                const std::size_t at = pos + (bits == 8 ? i : i / 2);
                if (at >= n)
                    break;
                const std::uint8_t b = data[at];
                out.Put(x + i, y, bits == 8 ? b : (i % 2 ? b & 0x0F : b >> 4));
            }
            x += value;
            pos += bytes + bytes % 2;
        }
    }
}

bool AnyFieldSet(std::span<const std::uint8_t> rows, std::uint32_t stride, std::uint32_t width,
                 std::uint32_t count, std::uint32_t bits, std::uint32_t mask) {
    const std::uint32_t step = bits / 8;
    for (std::uint32_t y = 0; y < count; ++y) {
        const std::uint8_t* row = rows.data() + std::size_t{y} * stride;
        for (std::uint32_t x = 0; x < width; ++x)
            if (PixelAt(row + std::size_t{x} * step, bits) & mask)
                return true;
    }
    return false;
}

void ConvertFieldRow(const std::uint8_t* row, std::uint32_t width, std::uint32_t bits,
                     const ChannelMasks& masks, std::uint8_t* out, std::uint32_t outBits) {
    const Field red(masks.red), green(masks.green), blue(masks.blue), alpha(masks.alpha);
    const std::uint32_t step = bits / 8, outStep = outBits / 8;
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t v = PixelAt(row + std::size_t{x} * step, bits);
        std::uint8_t* p = out + std::size_t{x} * outStep;
        p[0] = blue.Scale(v);
        p[1] = green.Scale(v);
        p[2] = red.Scale(v);
        if (outBits == 32)
            p[3] = alpha.Scale(v);
    }
}

}  // namespace bmp
