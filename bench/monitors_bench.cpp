// Three monitors' wallpapers from three 6000 x 4000 JPEGs: a 3840 x 2160
// monitor beside two 1080 x 1920 portrait ones, a picture per monitor,
// composed into one picture of the layout and staged as the X11 root window
// and the spanning desktops take it. Beside it, what a script would do with
// common tools: three `vipsthumbnail` runs (one per monitor's size) and
// ImageMagick joining the three results side by side. Every run is a child
// process, taken in turns; wall time (spawn to exit, summed over the peer's
// four commands) and peak resident memory (wait4's ru_maxrss; for the peer,
// its largest command) are recorded and the medians compared. A single
// monitor's change of one such JPEG onto the 3840 x 2160 monitor is the
// reference for memory.
//
//   drapewell-bench-monitors [ROUNDS]

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
#include "wallpaper/change_job.h"

namespace {

const std::vector<desktop::Monitor> kMonitors{{"DP-1", 0, 0, 3840, 2160, true},
                                              {"DP-2", 3840, 0, 1080, 1920, false},
                                              {"DP-3", 4920, 0, 1080, 1920, false}};

// The child: one change as the window's job makes it, method 2, Strech, on
// the three monitors (or only the first).
int RunPipeline(const std::vector<std::string>& pictures, const std::string& staging) {
    wallpaper::ChangeRequest request;
    request.picturePath = pictures[0];
    request.positionIndex = 2;
    request.method = 2;
    request.stagingPath = staging;
    request.screenSize = [] { return wallpaper::Size{3840, 2160}; };
    if (pictures.size() > 1) {
        request.monitorMode = 1;
        request.monitorPictures = pictures;
        request.monitors = [] { return kMonitors; };
    } else {
        request.monitors = [] { return std::vector<desktop::Monitor>{kMonitors[0]}; };
    }
    return bench::RunStagedChange(std::move(request));
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
    if (argc >= 4 && std::strcmp(argv[1], "--pipeline") == 0)
        return RunPipeline(std::vector<std::string>(argv + 3, argv + argc), argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--make-sample") == 0)
        return SaveJpeg(bench::MakePhotoLikePicture(6000, 4000), argv[2], 90) ? 0 : 1;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    char pattern[] = "/tmp/drapewell-monitors-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    std::vector<std::string> jpegs;
    for (int i = 1; i <= 3; ++i) {
        jpegs.push_back(dir + "/large" + std::to_string(i) + ".jpg");
        // Made by a child, so that this process stays small for the children.
        if (Measure({"/proc/self/exe", "--make-sample", jpegs.back()}).seconds < 0) {
            std::fprintf(stderr, "cannot write %s\n", jpegs.back().c_str());
            return 1;
        }
    }

    Row three{"three monitors, composed and staged", {}};
    Row single{"one monitor (3840x2160), staged", {}};
    Row peer{"3 x vipsthumbnail + convert +append", {}};
    const bool withPeer = bench::HaveProgram("vipsthumbnail") && bench::HaveProgram("convert");
    const char* sizes[] = {"3840x2160", "1080x1920", "1080x1920"};

    for (int i = 0; i < rounds; ++i) {
        const auto take = [](Row& row, Run run) {
            if (run.seconds < 0)
                row.failed = true;
            else
                row.runs.push_back(run);
        };
        std::vector<std::string> args{"/proc/self/exe", "--pipeline", dir + "/MyWallPaper.bmp"};
        args.insert(args.end(), jpegs.begin(), jpegs.end());
        take(three, Measure(args));
        take(single, Measure({"/proc/self/exe", "--pipeline", dir + "/MyWallPaper.bmp", jpegs[0]}));
        if (withPeer) {
            Run total{0, 0};
            std::vector<std::string> join{"convert"};
            for (int m = 0; m < 3 && total.seconds >= 0; ++m) {
                const std::string out = dir + "/part" + std::to_string(m) + ".ppm";
                const Run run = Measure({"vipsthumbnail", jpegs[m], "-s", sizes[m], "-o", out});
                total.seconds = run.seconds < 0 ? -1 : total.seconds + run.seconds;
                total.peakKiB = std::max(total.peakKiB, run.peakKiB);
                join.push_back(out);
            }
            join.insert(join.end(), {"-background", "black", "+append", dir + "/joined.ppm"});
            if (total.seconds >= 0) {
                const Run run = Measure(join);
                total.seconds = run.seconds < 0 ? -1 : total.seconds + run.seconds;
                total.peakKiB = std::max(total.peakKiB, run.peakKiB);
            }
            take(peer, total);
        }
    }

    std::printf("three 6000 x 4000 JPEGs onto 3840x2160 + 2 x 1080x1920, %d rounds, medians\n",
                rounds);
    std::printf("%-38s %10s %10s %10s %14s\n", "", "time ms", "peak MiB", "time x", "memory x one");
    for (const Row* row : {&three, &single, &peer}) {
        if (row->runs.empty()) {
            std::printf("%-38s %s\n", row->name,
                        row->failed ? "failed" : "skipped (not installed)");
            continue;
        }
        std::printf("%-38s %10.1f %10.1f", row->name, row->MedianSeconds() * 1000,
                    row->MedianPeakMiB());
        std::printf(
            " %10s",
            peer.runs.empty()
                ? "-"
                : std::to_string(row->MedianSeconds() / peer.MedianSeconds()).substr(0, 4).c_str());
        std::printf(" %14s", single.runs.empty()
                                 ? "-"
                                 : std::to_string(row->MedianPeakMiB() / single.MedianPeakMiB())
                                       .substr(0, 4)
                                       .c_str());
        std::printf("%s\n", row->failed ? "  (some runs failed)" : "");
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return three.runs.empty() ? 1 : 0;
}
