#include <algorithm>
#include <cstring>

#include "codecs/tga.h"
#include "codecs/tga_format.h"

std::size_t TgaRleDecodeRow(std::span<const std::uint8_t> input, std::size_t position,
                            unsigned bitsPerPixel, std::uint32_t pixelCount,
                            std::span<std::uint8_t> row, TgaRlePacket& carry) {
    const std::size_t bytes = bitsPerPixel / 8;
    if (bytes == 0 || bytes > sizeof carry.pixel || row.size() / bytes < pixelCount)
        return kTgaRleFailed;
    std::uint8_t* out = row.data();
    std::uint32_t left = pixelCount;
    while (left > 0) {
        if (carry.remaining == 0) {
            if (position >= input.size())
                return kTgaRleFailed;
            const std::uint8_t header = input[position++];
            carry.remaining = (header & 0x7Fu) + 1;
            carry.run = (header & 0x80) != 0;
            if (carry.run) {
                if (input.size() - position < bytes)
                    return kTgaRleFailed;
                std::memcpy(carry.pixel, input.data() + position, bytes);
                position += bytes;
            }
        }
        // A packet may reach past the row; what does not fit stays in
        // `carry` for the next row.
        const std::uint32_t n = std::min(carry.remaining, left);
        if (carry.run) {
            for (std::uint32_t i = 0; i < n; ++i, out += bytes)
                std::memcpy(out, carry.pixel, bytes);
        } else {
            const std::size_t length = std::size_t{n} * bytes;
            if (input.size() - position < length)
                return kTgaRleFailed;
            std::memcpy(out, input.data() + position, length);
            position += length;
            out += length;
        }
        carry.remaining -= n;
        left -= n;
    }
    return position;
}

std::size_t TgaRleEncodeRow(std::span<const std::uint8_t> row, unsigned bitsPerPixel,
                            std::uint32_t pixelCount, std::span<std::uint8_t> output) {
    const std::size_t bytes = bitsPerPixel / 8;
    if (bytes == 0 || row.size() / bytes < pixelCount)
        return 0;
    const auto same = [&](std::uint32_t a, std::uint32_t b) {
        return std::memcmp(row.data() + a * bytes, row.data() + b * bytes, bytes) == 0;
    };
    std::size_t out = 0;
    std::uint32_t i = 0;
    while (i < pixelCount) {
        const std::uint32_t start = i;
        std::uint32_t count = 1;
        while (count < tga::kLongestPacket && start + count < pixelCount &&
               same(start + count, start))
            ++count;
        if (count > 1) {
            if (output.size() - out < 1 + bytes)
                return 0;
            output[out++] = static_cast<std::uint8_t>((count - 1) | 0x80);
            std::memcpy(output.data() + out, row.data() + start * bytes, bytes);
            out += bytes;
        } else {
            // Literal pixels up to the first one that equals its successor,
            // which stays in this packet; the successor starts the next one.
            // The last pixel of the row has no successor to look at.
            while (count < tga::kLongestPacket && start + count < pixelCount) {
                const std::uint32_t current = start + count;
                ++count;
                if (current + 1 < pixelCount && same(current, current + 1))
                    break;
            }
            const std::size_t length = std::size_t{count} * bytes;
            if (output.size() - out < 1 + length)
                return 0;
            output[out++] = static_cast<std::uint8_t>(count - 1);
            std::memcpy(output.data() + out, row.data() + start * bytes, length);
            out += length;
        }
        i = start + count;
    }
    return out;
}
