// Decoding a 6000 x 4000 JPEG and PNG through our codecs, timed in the same
// run as the peers that decode the same files: djpeg -bmp, Pillow's
// open-and-load and ImageMagick's convert; and SaveBmp of a 1920 x 1080
// picture beside a plain copy of the bytes it writes. Encoding rows show what
// a save costs.
//
// Peers run as separate processes. djpeg and convert are timed from spawn to
// exit (their start-up included, as a user running them would see); Pillow
// times open-and-load inside its own interpreter, so Python's start-up is not
// counted against it.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/child_run.h"
#include "codecs/bmp.h"
#include "codecs/jpeg.h"
#include "codecs/png.h"
#include "platform/base/files.h"

extern char** environ;

namespace {

std::string samplesDir;  // made on first use, removed at exit

struct Samples {
    std::string dir;
    std::string jpeg;
    std::string png;
};

const Samples& Files() {
    static const Samples samples = [] {
        Samples s;
        char pattern[] = "/tmp/drapewell-bench-XXXXXX";
        s.dir = mkdtemp(pattern) ? pattern : "/tmp";
        samplesDir = s.dir;
        s.jpeg = s.dir + "/large.jpg";
        s.png = s.dir + "/large.png";
        const CPicture large = bench::MakePhotoLikePicture(6000, 4000);
        if (!SaveJpeg(large, s.jpeg, 90) || !SavePng(large, s.png, false))
            std::fprintf(stderr, "cannot write the sample files in %s\n", s.dir.c_str());
        return s;
    }();
    return samples;
}

void RunPeer(benchmark::State& state, const char* program, std::vector<std::string> args) {
    if (!bench::HaveProgram(program)) {
        state.SkipWithError("peer not installed");
        return;
    }
    for (auto _ : state) {
        const double seconds = bench::Measure(args).seconds;
        if (seconds < 0) {
            state.SkipWithError("peer failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

// Pillow reports the time of each open-and-load, measured in its own process.
void RunPillow(benchmark::State& state, const std::string& path) {
    const std::string script =
        "import sys, time\n"
        "from PIL import Image\n"
        "for _ in range(int(sys.argv[2])):\n"
        "    t = time.perf_counter()\n"
        "    im = Image.open(sys.argv[1]); im.load()\n"
        "    print(time.perf_counter() - t)\n";
    const std::string command = "/usr/bin/python3 -c '" + script + "' '" + path + "' " +
                                std::to_string(state.max_iterations) + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::vector<double> times;
    double t = 0;
    while (pipe && std::fscanf(pipe, "%lf", &t) == 1)
        times.push_back(t);
    if (pipe)
        pclose(pipe);
    if (times.size() < std::size_t(state.max_iterations)) {
        state.SkipWithError("Pillow not available");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state)
        state.SetIterationTime(times[next++]);
}

template <bool (*Load)(CPicture&, const std::string&)>
void RunOurs(benchmark::State& state, const std::string& path) {
    CPicture picture;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!Load(picture, path)) {
            state.SkipWithError("decode failed");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

void BM_Jpeg_Ours(benchmark::State& s) {
    RunOurs<LoadJpeg>(s, Files().jpeg);
}
void BM_Jpeg_Djpeg(benchmark::State& s) {
    RunPeer(s, "djpeg", {"djpeg", "-bmp", "-outfile", "/dev/null", Files().jpeg});
}
void BM_Jpeg_Pillow(benchmark::State& s) {
    RunPillow(s, Files().jpeg);
}
void BM_Jpeg_Convert(benchmark::State& s) {
    RunPeer(s, "convert", {"convert", Files().jpeg, "null:"});
}
void BM_Png_Ours(benchmark::State& s) {
    RunOurs<LoadPng>(s, Files().png);
}
void BM_Png_Pillow(benchmark::State& s) {
    RunPillow(s, Files().png);
}
void BM_Png_Convert(benchmark::State& s) {
    RunPeer(s, "convert", {"convert", Files().png, "null:"});
}

constexpr int kDecodeRuns = 8;
BENCHMARK(BM_Jpeg_Ours)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_Djpeg)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_Pillow)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_Convert)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_Ours)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_Pillow)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_Convert)->Iterations(kDecodeRuns)->UseManualTime()->Unit(benchmark::kMillisecond);

// SaveBmp of the wallpaper-sized picture. The file goes to /dev/shm when it
// exists, so the row shows our own cost rather than the disk's; the second
// row saves beside the sample files, fsync and all.
const CPicture& Screen() {
    static const CPicture picture = bench::MakePhotoLikePicture(1920, 1080);
    return picture;
}

void SaveBmpInto(benchmark::State& state, const std::string& dir) {
    const std::string path = dir + "/wallpaper.bmp";
    for (auto _ : state) {
        if (!SaveBmp(Screen(), path)) {
            state.SkipWithError("SaveBmp failed");
            return;
        }
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(std::int64_t(state.iterations() * EncodedBmpSize(Screen())));
}

void BM_SaveBmp_Memory(benchmark::State& state) {
    SaveBmpInto(state, std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : Files().dir);
}
void BM_SaveBmp_Disk(benchmark::State& state) {
    SaveBmpInto(state, Files().dir);
}

void BM_SaveBmp_Memcpy(benchmark::State& state) {
    const std::size_t bytes = EncodedBmpSize(Screen());
    std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

BENCHMARK(BM_SaveBmp_Memory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveBmp_Disk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveBmp_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeJpeg(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        EncodeJpeg(Screen(), 85, out);
    state.counters["file_bytes"] = static_cast<double>(out.size());
}
void BM_EncodePng(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        EncodePng(Screen(), false, out);
    state.counters["file_bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!samplesDir.empty())
        std::filesystem::remove_all(samplesDir);
    return 0;
}
