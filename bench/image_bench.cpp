// Resize and FlipVertical of a large 24-bit picture, each beside a memcpy of
// the bytes that operation writes, so the ratio of the two rates shows the
// cost above plain memory traffic.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/picture.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"

namespace {

constexpr std::uint32_t kSourceWidth = 6000;
constexpr std::uint32_t kSourceHeight = 4000;
constexpr std::uint32_t kTargetWidth = 1920;
constexpr std::uint32_t kTargetHeight = 1080;

std::size_t Stride(std::uint32_t width) {
    return ((std::size_t{width} * 24 + 31) / 32) * 4;
}

const CPicture& SourcePicture() {
    static const CPicture picture = [] {
        CPicture p;
        p.Create(kSourceWidth, kSourceHeight, 24);
        std::uint8_t* bits = p.GetBits();
        const std::size_t size = std::size_t{p.GetStride()} * p.GetHeight();
        for (std::size_t i = 0; i < size; ++i)
            bits[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
        return p;
    }();
    return picture;
}

void MemcpyOf(benchmark::State& state, std::size_t bytes) {
    std::vector<std::uint8_t> from(bytes, 0x5A);
    std::vector<std::uint8_t> to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_Resize(benchmark::State& state) {
    CPicture picture;
    for (auto _ : state) {
        state.PauseTiming();
        picture.CopyFrom(SourcePicture());
        state.ResumeTiming();
        picture.Resize(kTargetWidth, kTargetHeight, false);
        benchmark::DoNotOptimize(picture.GetBits());
    }
    if (picture.GetWidth() != kTargetWidth || picture.GetHeight() != kTargetHeight)
        state.SkipWithError("Resize did not produce the requested size");
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * Stride(kTargetWidth) * kTargetHeight));
}

// The drawing layer's share of Resize alone: the stretch into a picture that
// already exists, without allocating the new picture or freeing the old one.
void BM_ResizeStretchOnly(benchmark::State& state) {
    const CPicture& source = SourcePicture();
    CPicture target;
    target.Create(kTargetWidth, kTargetHeight, 24);
    gdi::MemoryDC to;
    gdi::MemoryDC from;
    to.SetStretchBltMode(gdi::COLORONCOLOR);
    to.SelectObject(target.GetBitmapHandle());
    from.SelectObject(source.GetBitmapHandle());
    for (auto _ : state) {
        gdi::StretchBlt(to, 0, 0, kTargetWidth, kTargetHeight, from, 0, 0, kSourceWidth,
                        kSourceHeight);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * Stride(kTargetWidth) * kTargetHeight));
}

// The peer: pixman's nearest-neighbour scaling of the same 24-bit pixels into
// a buffer of the target's size (no allocation inside the loop).
void BM_ResizePixmanPeer(benchmark::State& state) {
    const CPicture& source = SourcePicture();
    std::vector<std::uint32_t> target(Stride(kTargetWidth) * kTargetHeight / 4 + 1);
    pixman_image_t* from = pixman_image_create_bits(
        PIXMAN_r8g8b8, kSourceWidth, kSourceHeight,
        reinterpret_cast<std::uint32_t*>(const_cast<std::uint8_t*>(source.GetBits())),
        static_cast<int>(source.GetStride()));
    pixman_image_t* to =
        pixman_image_create_bits(PIXMAN_r8g8b8, kTargetWidth, kTargetHeight, target.data(),
                                 static_cast<int>(Stride(kTargetWidth)));
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(kSourceWidth) / kTargetWidth),
                                pixman_double_to_fixed(double(kSourceHeight) / kTargetHeight));
    pixman_image_set_transform(from, &scale);
    pixman_image_set_filter(from, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0, kTargetWidth,
                                 kTargetHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(to);
    pixman_image_unref(from);
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * Stride(kTargetWidth) * kTargetHeight));
}

void BM_ResizeMemcpy(benchmark::State& state) {
    MemcpyOf(state, Stride(kTargetWidth) * kTargetHeight);
}

void BM_FlipVertical(benchmark::State& state) {
    CPicture picture(SourcePicture());
    for (auto _ : state) {
        picture.FlipVertical();
        benchmark::DoNotOptimize(picture.GetBits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * Stride(kSourceWidth) * kSourceHeight));
}

void BM_FlipVerticalMemcpy(benchmark::State& state) {
    MemcpyOf(state, Stride(kSourceWidth) * kSourceHeight);
}

}  // namespace

BENCHMARK(BM_Resize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResizeStretchOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResizePixmanPeer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResizeMemcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlipVertical)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlipVerticalMemcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
