#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/gif_lzw.h"

namespace {

constexpr unsigned kTableSize = 4096;
constexpr unsigned kMaxCodeSize = 12;
constexpr std::uint16_t kNoCode = 0xFFFF;

// Codes are packed least significant bit first.
class CodeReader {
public:
    explicit CodeReader(std::span<const std::uint8_t> data)
        : next_(data.data()), end_(data.data() + data.size()) {}

    // False once the data cannot supply a whole code.
    bool Read(unsigned size, unsigned& code) {
        while (count_ < size) {
            if (next_ == end_)
                return false;
            bits_ |= std::uint32_t{*next_++} << count_;
            count_ += 8;
        }
        code = bits_ & ((1u << size) - 1);
        bits_ >>= size;
        count_ -= size;
        return true;
    }

private:
    const std::uint8_t* next_;
    const std::uint8_t* end_;
    std::uint32_t bits_ = 0;
    unsigned count_ = 0;
};

// Where the next pixel goes: rows top down, or the interlace passes.
class RowCursor {
public:
    RowCursor(CDibImage& picture, bool interlaced)
        : picture_(picture),
          width_(picture.GetWidth()),
          height_(picture.GetHeight()),
          pass_(interlaced ? 0 : kNoPass),
          row_(picture.GetRow(0)) {}

    bool Done() const { return done_; }

    // Writes a string, stepping to further rows as each one fills.
    void Write(const std::uint8_t* pixels, std::size_t count) {
        while (count != 0 && !done_) {
            const std::size_t n = std::min<std::size_t>(count, width_ - column_);
            std::memcpy(row_ + column_, pixels, n);
            pixels += n;
            count -= n;
            column_ += static_cast<std::uint32_t>(n);
            if (column_ == width_)
                NextRow();
        }
    }

    // The destination of `count` pixels when they fit in the current row,
    // else null.
    std::uint8_t* Reserve(std::size_t count) {
        if (done_ || count > width_ - column_)
            return nullptr;
        std::uint8_t* at = row_ + column_;
        column_ += static_cast<std::uint32_t>(count);
        if (column_ == width_)
            NextRow();
        return at;
    }

private:
    static constexpr unsigned kNoPass = 255;
    static constexpr std::uint32_t kPassStart[4] = {0, 4, 2, 1};
    static constexpr std::uint32_t kPassStep[4] = {8, 8, 4, 2};

    void NextRow() {
        column_ = 0;
        if (pass_ == kNoPass) {
            ++y_;
        } else {
            y_ += kPassStep[pass_];
            // A short picture has passes with no rows at all.
            while (y_ >= height_ && ++pass_ < 4)
                y_ = kPassStart[pass_];
        }
        if (y_ >= height_ || pass_ == 4) {
            done_ = true;
            return;
        }
        row_ = picture_.GetRow(y_);
    }

    CDibImage& picture_;
    std::uint32_t width_;
    std::uint32_t height_;
    unsigned pass_;
    std::uint32_t y_ = 0;
    std::uint32_t column_ = 0;
    std::uint8_t* row_;
    bool done_ = false;
};

struct CodeTable {
    std::uint16_t prefix[kTableSize];
    std::uint16_t length[kTableSize];
    std::uint8_t suffix[kTableSize];
    std::uint8_t first[kTableSize];
};

}  // namespace

bool DecodeGifLzw(std::span<const std::uint8_t> data, CDibImage& picture, bool interlaced) {
    if (data.empty() || picture.GetBitCount() != 8 || picture.GetWidth() == 0 ||
        picture.GetHeight() == 0)
        return false;
    const unsigned minimum = data[0];
    if (minimum < 2 || minimum > 8)
        return false;
    const unsigned clear = 1u << minimum;
    const unsigned end = clear + 1;

    auto table = std::make_unique<CodeTable>();
    for (unsigned i = 0; i < clear; ++i) {
        table->prefix[i] = kNoCode;
        table->length[i] = 1;
        table->suffix[i] = static_cast<std::uint8_t>(i);
        table->first[i] = static_cast<std::uint8_t>(i);
    }

    CodeReader reader(data.subspan(1));
    RowCursor cursor(picture, interlaced);
    std::uint8_t scratch[kTableSize];
    unsigned nextFree = end + 1;
    unsigned size = minimum + 1;
    // No previous code at the start or after a clear: the first code of a
    // run defines no entry, whether or not the stream began with a clear.
    unsigned previous = kNoCode;

    unsigned code;
    while (!cursor.Done() && reader.Read(size, code)) {
        if (code == clear) {
            nextFree = end + 1;
            size = minimum + 1;
            previous = kNoCode;
            continue;
        }
        if (code == end)
            break;
        if (previous == kNoCode) {
            // Only a root can follow a clear; anything else ends the image.
            if (code >= clear)
                break;
        } else {
            if (code > nextFree)
                break;
            if (nextFree < kTableSize) {
                // A code equal to the next free one is the previous string
                // followed by its own first byte.
                const std::uint8_t byte =
                    code < nextFree ? table->first[code] : table->first[previous];
                table->prefix[nextFree] = static_cast<std::uint16_t>(previous);
                table->suffix[nextFree] = byte;
                table->first[nextFree] = table->first[previous];
                table->length[nextFree] = static_cast<std::uint16_t>(table->length[previous] + 1);
                ++nextFree;
                if (nextFree == (1u << size) && size < kMaxCodeSize)
                    ++size;
            } else if (code == nextFree) {
                break;  // no entry can stand for it
            }
        }

        // The string comes out last byte first: straight into the row when it
        // fits there, else through the scratch buffer.
        const unsigned length = table->length[code];
        std::uint8_t* out = cursor.Reserve(length);
        const bool direct = out != nullptr;
        if (!direct)
            out = scratch;
        unsigned c = code;
        for (unsigned i = length; i-- > 0;) {
            out[i] = table->suffix[c];
            c = table->prefix[c];
        }
        if (!direct)
            cursor.Write(scratch, length);
        previous = code;
    }
    return true;
}
