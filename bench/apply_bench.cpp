// One wallpaper change of a 6000 x 4000 JPEG onto a 1920 x 1080 screen,
// beside `vipsthumbnail FILE -s 1920x1080 -o out.ppm`, which makes a picture
// of the same size from the same file. Both run as child processes of their
// own, taken in turns; each run's wall time (spawn to exit) and peak resident
// memory (wait4's ru_maxrss) are recorded, and the medians compared.
//
// Rows:
//   pipeline        this program run again as a child: the change job up to
//                   and including the staging bitmap, handed to a setter
//                   that accepts without drawing (no display needed);
//   drapewell-tool  `drapewell-tool apply FILE --method 2 --position stretch`,
//                   only with a display (run it under scripts/with-xvfb
//                   1920x1080): the same job plus the X11 root window setter.
//
//   drapewell-bench-apply [ROUNDS]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/child_run.h"
#include "bench/staged_change.h"
#include "codecs/jpeg.h"

namespace {

constexpr std::uint32_t kScreenWidth = 1920;
constexpr std::uint32_t kScreenHeight = 1080;

// The child: one change as the window's job makes it, method 2, Strech.
int RunPipeline(const std::string& picture, const std::string& staging) {
    return bench::RunStagedChange(picture, staging, kScreenWidth, kScreenHeight);
}

using bench::Measure;
using bench::Run;

struct Row {
    const char* name;
    std::vector<Run> runs;
    bool failed = false;
    double MedianSeconds() const { return bench::MedianSeconds(runs); }
    double MedianPeakMiB() const { return bench::MedianPeakMiB(runs); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--pipeline") == 0)
        return RunPipeline(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--make-sample") == 0)
        return SaveJpeg(bench::MakePhotoLikePicture(6000, 4000), argv[2], 90) ? 0 : 1;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    char pattern[] = "/tmp/drapewell-apply-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    const std::string jpeg = dir + "/large.jpg";
    // Made by a child: a child's peak memory counts what it shared with this
    // process before its exec, so this one stays small.
    if (Measure({"/proc/self/exe", "--make-sample", jpeg}).seconds < 0) {
        std::fprintf(stderr, "cannot write %s\n", jpeg.c_str());
        return 1;
    }

    Row pipeline{"pipeline (to the staging bitmap)", {}};
    Row tool{"drapewell-tool apply --method 2", {}};
    Row vips{"vipsthumbnail -s 1920x1080", {}};
    const bool withTool = std::getenv("DISPLAY") && *std::getenv("DISPLAY");
    const bool withVips = bench::HaveProgram("vipsthumbnail");
    const std::string size = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight);

    for (int i = 0; i < rounds; ++i) {
        const auto take = [](Row& row, Run run) {
            if (run.seconds < 0)
                row.failed = true;
            else
                row.runs.push_back(run);
        };
        take(pipeline, Measure({"/proc/self/exe", "--pipeline", jpeg, dir + "/MyWallPaper.bmp"}));
        if (withTool)
            take(tool,
                 Measure({DRAPEWELL_TOOL, "apply", jpeg, "--method", "2", "--position", "stretch"},
                         {"XDG_DATA_HOME=" + dir + "/data"}));
        if (withVips)
            take(vips, Measure({"vipsthumbnail", jpeg, "-s", size, "-o", dir + "/out.ppm"}));
    }

    std::printf("6000 x 4000 JPEG onto %s, %d rounds, medians\n", size.c_str(), rounds);
    std::printf("%-36s %10s %12s %10s %10s\n", "", "time ms", "peak MiB", "time x", "memory x");
    for (const Row* row : {&pipeline, &tool, &vips}) {
        if (row->runs.empty()) {
            std::printf("%-36s %s\n", row->name,
                        row->failed
                            ? "failed"
                            : (row == &tool ? "skipped (no DISPLAY)" : "skipped (not installed)"));
            continue;
        }
        std::printf("%-36s %10.1f %12.1f", row->name, row->MedianSeconds() * 1000,
                    row->MedianPeakMiB());
        if (!vips.runs.empty())
            std::printf(" %10.2f %10.2f", row->MedianSeconds() / vips.MedianSeconds(),
                        row->MedianPeakMiB() / vips.MedianPeakMiB());
        std::printf("%s\n", row->failed ? "  (some runs failed)" : "");
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return pipeline.runs.empty() ? 1 : 0;
}
