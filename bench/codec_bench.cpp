// JPEG and PNG decoding and encoding of a screen-sized picture, next to a
// plain copy of the pixel bytes each one produces.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "codecs/jpeg.h"
#include "codecs/png.h"

namespace {

constexpr std::uint32_t kWidth = 1920;
constexpr std::uint32_t kHeight = 1080;

// Smooth gradients with some texture: compresses like a photograph, not like
// noise or a flat colour.
const CPicture& Screen() {
    static const CPicture picture = [] {
        CPicture p;
        p.Create(kWidth, kHeight, 24);
        for (std::uint32_t y = 0; y < kHeight; ++y) {
            std::uint8_t* row = p.GetRow(y);
            for (std::uint32_t x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x / 8 + (x * y) % 7);
                row[3 * x + 1] = static_cast<std::uint8_t>(y / 5 + (x ^ y) % 5);
                row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 12);
            }
        }
        return p;
    }();
    return picture;
}

void BM_CopyPixels(benchmark::State& state) {
    const CPicture& source = Screen();
    std::vector<std::uint8_t> target(std::size_t{source.GetStride()} * kHeight);
    for (auto _ : state) {
        std::memcpy(target.data(), source.GetBits(), target.size());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(state.iterations() * target.size());
}
BENCHMARK(BM_CopyPixels);

void BM_EncodeJpeg(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        EncodeJpeg(Screen(), 85, out);
    state.counters["file_bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg(benchmark::State& state) {
    std::vector<std::uint8_t> file;
    EncodeJpeg(Screen(), 85, file);
    CPicture picture;
    for (auto _ : state)
        DecodeJpegMemory(picture, file);
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_EncodePng(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        EncodePng(Screen(), state.range(0) != 0, out);
    state.counters["file_bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_EncodePng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodePng(benchmark::State& state) {
    std::vector<std::uint8_t> file;
    EncodePng(Screen(), state.range(0) != 0, file);
    CPicture picture;
    for (auto _ : state)
        DecodePngMemory(picture, file);
}
BENCHMARK(BM_DecodePng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
