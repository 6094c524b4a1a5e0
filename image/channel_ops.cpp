// Colour channels as separate 8-bit planes, and the alpha byte of 32-bit
// pictures. Channel c of a pixel is its byte c: blue, green, red, alpha.

#include <array>

#include "image/dib_image.h"

namespace {

bool IsPlaneOfSize(const CDibImage& plane, std::uint32_t width, std::uint32_t height) {
    return plane.IsValid() && plane.GetBitCount() == 8 && plane.GetWidth() == width &&
           plane.GetHeight() == height;
}

}  // namespace

int CDibImage::SplitChannels(CDibImage* red, CDibImage* green, CDibImage* blue,
                             CDibImage* alpha) const {
    const unsigned depth = GetBitCount();
    if (!IsValid() || (depth != 24 && depth != 32))
        return 0;
    const std::array<CDibImage*, 4> targets = {blue, green, red, depth == 32 ? alpha : nullptr};
    for (const CDibImage* target : targets) {
        if (target == this)
            return 0;
    }
    const std::size_t bytes = depth / 8;
    for (std::size_t channel = 0; channel < targets.size(); ++channel) {
        CDibImage* target = targets[channel];
        if (!target)
            continue;
        if (!target->Create(GetWidth(), GetHeight(), 8))
            return 0;
        for (std::uint32_t y = 0; y < GetHeight(); ++y) {
            const std::uint8_t* in = GetRow(y) + channel;
            std::uint8_t* out = target->GetRow(y);
            for (std::uint32_t x = 0; x < GetWidth(); ++x, in += bytes)
                out[x] = *in;
        }
    }
    return 1;
}

int CDibImage::MergeChannels(const CDibImage* red, const CDibImage* green, const CDibImage* blue,
                             const CDibImage* alpha) {
    std::array<const CDibImage*, 4> planes = {blue, green, red, alpha};
    const CDibImage* sizer = nullptr;
    for (const CDibImage* plane : {red, green, blue, alpha}) {
        if (plane)
            sizer = plane;
    }
    if (!sizer)
        return 0;
    const std::uint32_t width = sizer->GetWidth();
    const std::uint32_t height = sizer->GetHeight();
    // Every plane is read over the whole size, so each must have it.
    for (const CDibImage* plane : planes) {
        if (plane && !IsPlaneOfSize(*plane, width, height))
            return 0;
    }
    // This picture may be one of the planes; it has to survive Create.
    CDibImage own;
    for (const CDibImage*& plane : planes) {
        if (plane == this) {
            if (!own.IsValid())
                SwapPicture(own);
            plane = &own;
        }
    }

    if (!Create(width, height, alpha ? 32 : 24))
        return 0;
    const std::size_t bytes = GetBitCount() / 8;
    for (std::size_t channel = 0; channel < planes.size(); ++channel) {
        const CDibImage* plane = planes[channel];
        if (!plane)
            continue;
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* in = plane->GetRow(y);
            std::uint8_t* out = GetRow(y) + channel;
            for (std::uint32_t x = 0; x < width; ++x, out += bytes)
                *out = in[x];
        }
    }
    return 1;
}

int CDibImage::SetAlphaChannel(const CDibImage& mask) {
    if (!IsValid() || GetBitCount() != 32 || !IsPlaneOfSize(mask, GetWidth(), GetHeight()))
        return 0;
    for (std::uint32_t y = 0; y < GetHeight(); ++y) {
        const std::uint8_t* in = mask.GetRow(y);
        std::uint8_t* out = GetRow(y) + 3;
        for (std::uint32_t x = 0; x < GetWidth(); ++x, out += 4)
            *out = in[x];
    }
    return 1;
}

int CDibImage::InvertAlpha() {
    if (!IsValid() || GetBitCount() != 32)
        return 0;
    for (std::uint32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* out = GetRow(y) + 3;
        for (std::uint32_t x = 0; x < GetWidth(); ++x, out += 4)
            *out = static_cast<std::uint8_t>(~*out);
    }
    return 1;
}
