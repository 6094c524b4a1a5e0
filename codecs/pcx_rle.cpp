#include <algorithm>
#include <cstring>

#include "codecs/pcx.h"
#include "codecs/pcx_format.h"

namespace {

constexpr std::uint8_t kCountFlag = 0xC0;
constexpr std::size_t kLongestRun = 63;

}  // namespace

namespace pcx {

std::size_t RleReader::Read(std::span<std::uint8_t> out) {
    std::size_t produced = 0;
    while (produced < out.size()) {
        if (pending_ == 0) {
            if (position_ >= input_.size())
                break;
            const std::uint8_t byte = input_[position_];
            if (byte >= kCountFlag) {
                // A count at the very end has no byte to repeat.
                if (position_ + 1 >= input_.size()) {
                    position_ = input_.size();
                    break;
                }
                pending_ = byte & 0x3F;
                value_ = input_[position_ + 1];
                position_ += 2;
                continue;
            }
            pending_ = 1;
            value_ = byte;
            ++position_;
        }
        const std::size_t n = std::min(pending_, out.size() - produced);
        std::memset(out.data() + produced, value_, n);
        produced += n;
        pending_ -= n;
    }
    return produced;
}

}  // namespace pcx

std::size_t PcxRleDecode(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    return pcx::RleReader(input).Read(output);
}

std::size_t PcxRleEncode(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < input.size()) {
        const std::uint8_t value = input[in];
        std::size_t run = 1;
        while (run < kLongestRun && in + run < input.size() && input[in + run] == value)
            ++run;
        in += run;
        if (run == 1 && value < kCountFlag) {
            if (out + 1 > output.size())
                return 0;
            output[out++] = value;
        } else {
            if (out + 2 > output.size())
                return 0;
            output[out++] = static_cast<std::uint8_t>(kCountFlag | run);
            output[out++] = value;
        }
    }
    return out;
}
