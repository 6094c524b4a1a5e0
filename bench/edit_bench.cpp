// Editing operations on a 6000 x 4000 24-bit picture beside ImageMagick's
// `convert`, single-threaded (MAGICK_THREAD_LIMIT=1), in the same run.
//
// ImageMagick runs as a child process reading and writing raw RGB; its time
// for an operation is the run with the operation less the same run without
// it (loading and saving only). Each figure is the best of ROUNDS runs.
//
// Rows:
//   brightness +20    Brightness(20, true)  vs  -evaluate add 7.8%
//   box blur 15       BoxBlur(15)           vs  -blur 7x3.5 (Gaussian, separable)
//   box blur 45       BoxBlur(45)           vs  -blur 22x11
// and the ratio of BoxBlur(45) to BoxBlur(15), which should stay near 1.
//
//   drapewell-bench-edit [ROUNDS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "image/editable_image.h"

namespace {

constexpr std::uint32_t kWidth = 6000;
constexpr std::uint32_t kHeight = 4000;

void FillPicture(CDibImage& p) {
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        std::uint8_t* row = p.GetRow(y);
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x / 24 + (x * y) % 7);
            row[3 * x + 1] = static_cast<std::uint8_t>(y / 16 + (x ^ y) % 5);
            row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 40);
        }
    }
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Best(int rounds, const std::function<double()>& once) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i)
        best = std::min(best, once());
    return best;
}

double Ours(int rounds, const CEditableImage& original,
            const std::function<void(CEditableImage&)>& op) {
    return Best(rounds, [&] {
        CEditableImage image(original);
        return Seconds([&] { op(image); });
    });
}

// Wall time of one `convert` run; negative when it failed.
double Magick(const std::string& raw, const std::string& operation) {
    const std::string command = "MAGICK_THREAD_LIMIT=1 convert -size " + std::to_string(kWidth) +
                                "x" + std::to_string(kHeight) + " -depth 8 rgb:" + raw + " " +
                                operation + " rgb:/dev/null";
    int status = 0;
    const double t = Seconds([&] { status = std::system(command.c_str()); });
    return status == 0 ? t : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    CEditableImage original(false);
    if (!original.Create(kWidth, kHeight, 24)) {
        std::fprintf(stderr, "cannot make the picture\n");
        return 1;
    }
    FillPicture(original);

    const double brightness =
        Ours(rounds, original, [](CEditableImage& i) { i.Brightness(20, true); });
    const double blur15 = Ours(rounds, original, [](CEditableImage& i) { i.BoxBlur(15); });
    const double blur45 = Ours(rounds, original, [](CEditableImage& i) { i.BoxBlur(45); });

    std::printf("%-18s %10s %12s %8s\n", "operation", "drapewell", "imagemagick", "ratio");
    const std::filesystem::path raw =
        std::filesystem::temp_directory_path() / "drapewell-bench-edit.rgb";
    {
        std::ofstream out(raw, std::ios::binary);
        for (std::uint32_t y = 0; y < kHeight; ++y) {
            // Raw RGB is red first; the order does not matter for timing.
            out.write(reinterpret_cast<const char*>(original.GetRow(y)), kWidth * 3);
        }
    }
    const double base = Best(rounds, [&] { return Magick(raw, ""); });
    struct Row {
        const char* name;
        double ours;
        const char* magick;
    };
    const Row rows[] = {
        {"brightness +20", brightness, "-evaluate add 7.8%"},
        {"box blur 15", blur15, "-blur 7x3.5"},
        {"box blur 45", blur45, "-blur 22x11"},
    };
    for (const Row& row : rows) {
        double theirs = -1;
        if (base >= 0)
            theirs = Best(rounds, [&] { return Magick(raw, row.magick); }) - base;
        if (theirs > 0)
            std::printf("%-18s %9.3fs %11.3fs %7.2fx\n", row.name, row.ours, theirs,
                        row.ours / theirs);
        else
            std::printf("%-18s %9.3fs %12s %8s\n", row.name, row.ours, "n/a", "");
    }
    std::printf("box blur 45 / 15: %.2fx\n", blur45 / blur15);
    std::filesystem::remove(raw);
    return 0;
}
