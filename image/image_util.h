#pragma once

// Small helpers shared by the image operations' sources.

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/dib_image.h"

namespace image_detail {

// Bytes taken by `pixels` whole pixels at `bitCount` bits (8 or more).
inline std::size_t SpanBytes(std::int64_t pixels, std::uint32_t bitCount) {
    return static_cast<std::size_t>(pixels) * bitCount / 8;
}

// done * scale / total, in 64 bits so large pictures cannot overflow.
inline void StoreProgress(ProgressValue& progress, std::int64_t done, std::int64_t total,
                          std::int64_t scale = 100) {
    progress.store(total > 0 ? static_cast<std::int32_t>(done * scale / total) : 100);
}

// The masks of a picture's header, for re-creating a picture in the same
// pixel format.
inline std::array<std::uint32_t, 3> HeaderMasks(const gdi::BITMAPV4HEADER& h) {
    return {h.redMask, h.greenMask, h.blueMask};
}

}  // namespace image_detail
