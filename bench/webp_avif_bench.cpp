// Decoding a 6000 x 4000 WebP and AVIF, and one wallpaper change of each onto
// a 1920 x 1080 screen, beside the peers that do the same with the same
// files in the same run: dwebp -mt (decode only, no output file) and avifdec
// (output to a .y4m name that is /dev/null, so no colour conversion and no
// writing is counted against it) for the decodes, `vipsthumbnail FILE -s
// 1920x1080` for the change. Every row runs as a child process of its own,
// taken in turns; each run's wall time (spawn to exit) and peak resident
// memory (wait4's ru_maxrss) are recorded, and the medians compared with
// the peer's.
//
// Our rows are this program run again as a child: `decode` is
// LoadImageFile; `change` is the change job up to and including the
// staging bitmap, handed to a setter that accepts without drawing.
//
//   drapewell-bench-webp-avif [ROUNDS]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "bench/child_run.h"
#include "bench/staged_change.h"
#include "codecs/avif.h"
#include "codecs/dispatch.h"
#include "codecs/webp.h"

namespace {

constexpr std::uint32_t kScreenWidth = 1920;
constexpr std::uint32_t kScreenHeight = 1080;

// The child: one change as the window's job makes it, method 2, Strech.
int RunChange(const std::string& picture, const std::string& staging) {
    return bench::RunStagedChange(picture, staging, kScreenWidth, kScreenHeight);
}

int MakeSample(const std::string& path) {
    const CPicture picture = bench::MakePhotoLikePicture(6000, 4000);
    return SaveImageFile(picture, path) ? 0 : 1;
}

using bench::Measure;
using bench::Run;

struct Row {
    Row(std::string rowName, std::vector<std::string> rowCommand, bool rowAvailable = true)
        : name(std::move(rowName)), command(std::move(rowCommand)), available(rowAvailable) {}
    std::string name;
    std::vector<std::string> command;
    bool available = true;
    std::vector<Run> runs;
    bool failed = false;

    double Seconds() const { return bench::MedianSeconds(runs); }
    double PeakMiB() const { return bench::MedianPeakMiB(runs); }
};

// Runs the rows in turns and prints them, each beside the last row (the
// peer).
void Compare(const char* title, std::vector<Row>& rows, int rounds) {
    for (int i = 0; i < rounds; ++i)
        for (Row& row : rows) {
            if (!row.available)
                continue;
            const Run run = Measure(row.command);
            if (run.seconds < 0)
                row.failed = true;
            else
                row.runs.push_back(run);
        }
    const Row& peer = rows.back();
    std::printf("\n%s, %d rounds, medians\n", title, rounds);
    std::printf("%-40s %10s %10s %8s %8s\n", "", "time ms", "peak MiB", "time x", "memory x");
    for (const Row& row : rows) {
        if (row.runs.empty()) {
            std::printf("%-40s %s\n", row.name.c_str(),
                        row.available ? "failed" : "skipped (not installed)");
            continue;
        }
        std::printf("%-40s %10.1f %10.1f", row.name.c_str(), row.Seconds() * 1000, row.PeakMiB());
        if (!peer.runs.empty())
            std::printf(" %8.2f %8.2f", row.Seconds() / peer.Seconds(),
                        row.PeakMiB() / peer.PeakMiB());
        std::printf("%s\n", row.failed ? "  (some runs failed)" : "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--change") == 0)
        return RunChange(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--decode") == 0) {
        CPicture picture;
        return LoadImageFile(picture, argv[2]) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--make-sample") == 0)
        return MakeSample(argv[2]);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    char pattern[] = "/tmp/drapewell-webp-avif-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    const std::string self = "/proc/self/exe";
    const std::string webp = dir + "/large.webp";
    const std::string avif = dir + "/large.avif";
    // Made by children, so that this process stays small for the ones that
    // follow.
    for (const std::string& path : {webp, avif}) {
        const Run made = Measure({self, "--make-sample", path});
        if (made.seconds < 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("saved %s in %.1f s (%ju bytes)\n", path.c_str(), made.seconds,
                    static_cast<std::uintmax_t>(std::filesystem::file_size(path)));
    }
    const std::string nullY4m = dir + "/null.y4m";
    std::filesystem::create_symlink("/dev/null", nullY4m);
    const std::string jobs =
        std::to_string(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const bool haveDwebp = bench::HaveProgram("dwebp");
    const bool haveAvifdec = bench::HaveProgram("avifdec");
    const bool haveVips = bench::HaveProgram("vipsthumbnail");
    const std::string size = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight);
    const std::string staging = dir + "/MyWallPaper.bmp";

    std::vector<Row> webpDecode{
        {"decode (LoadImageFile)", {self, "--decode", webp}},
        {"dwebp -mt (no output)", {"dwebp", "-mt", webp}, haveDwebp},
    };
    Compare("6000 x 4000 lossy WebP, decode", webpDecode, rounds);
    std::vector<Row> avifDecode{
        {"decode (LoadImageFile, " + jobs + " threads)", {self, "--decode", avif}},
        {"avifdec -j " + jobs + " (to y4m, /dev/null)",
         {"avifdec", "-j", jobs, avif, nullY4m},
         haveAvifdec},
    };
    Compare("6000 x 4000 AVIF, decode", avifDecode, rounds);
    for (const std::string& file : {webp, avif}) {
        std::vector<Row> change{
            {"change (to the staging bitmap)", {self, "--change", file, staging}},
            {"vipsthumbnail -s " + size,
             {"vipsthumbnail", file, "-s", size, "-o", dir + "/out.ppm"},
             haveVips},
        };
        const std::string title =
            "6000 x 4000 " + std::string(file == webp ? "WebP" : "AVIF") + " onto " + size;
        Compare(title.c_str(), change, rounds);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
