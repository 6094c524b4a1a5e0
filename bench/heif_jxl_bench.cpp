// A 6000 x 4000 HEIC and JPEG XL photograph: one full decode, and one
// wallpaper change onto a 1920 x 1080 screen, beside peers reading the same
// files. Every row runs as a child process of its own, the rows taken in
// turns; each run's wall time (spawn to exit) and peak resident memory
// (wait4's ru_maxrss) are recorded and the medians compared.
//
// Rows, for each format:
//   decode              this program as a child: LoadImageFile, all pixels;
//   heif-convert / djxl the format's own tool writing raw output (a .y4m,
//                       which skips the RGB conversion, or a .ppm);
//   vips copy           libvips decoding to its own raw format (.v);
//   change              the change job up to the staging bitmap, as
//                       drapewell-bench-apply runs it;
//   vipsthumbnail       `vipsthumbnail FILE -s 1920x1080`, the ratios'
//                       reference for the change.
//
//   drapewell-bench-heif-jxl [ROUNDS]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "bench/child_run.h"
#include "bench/staged_change.h"
#include "codecs/dispatch.h"
#include "codecs/png.h"

namespace {

constexpr std::uint32_t kScreenWidth = 1920;
constexpr std::uint32_t kScreenHeight = 1080;

int RunPipeline(const std::string& picture, const std::string& staging) {
    return bench::RunStagedChange(picture, staging, kScreenWidth, kScreenHeight);
}

int RunDecode(const std::string& path) {
    CPicture picture;
    return LoadImageFile(picture, path) && picture.GetWidth() == 6000 ? 0 : 1;
}

using bench::Measure;
using bench::Run;

struct Row {
    Row(std::string rowName, std::vector<std::string> rowCommand)
        : name(std::move(rowName)), command(std::move(rowCommand)) {}
    std::string name;
    std::vector<std::string> command;
    std::vector<Run> runs;
    bool failed = false;
    double MedianSeconds() const { return bench::MedianSeconds(runs); }
    double MedianPeakMiB() const { return bench::MedianPeakMiB(runs); }
};

void Print(const std::vector<Row>& rows, const Row& reference) {
    std::printf("%-28s %10s %10s %9s %9s\n", "", "time ms", "peak MiB", "time x", "memory x");
    for (const Row& row : rows) {
        if (row.runs.empty()) {
            std::printf("%-28s %s\n", row.name.c_str(), row.failed ? "failed" : "skipped");
            continue;
        }
        std::printf("%-28s %10.1f %10.1f", row.name.c_str(), row.MedianSeconds() * 1000,
                    row.MedianPeakMiB());
        if (!reference.runs.empty())
            std::printf(" %9.2f %9.2f", row.MedianSeconds() / reference.MedianSeconds(),
                        row.MedianPeakMiB() / reference.MedianPeakMiB());
        std::printf("%s\n", row.failed ? "  (some runs failed)" : "");
    }
}

// The two sample files, encoded by the formats' own tools from one
// photograph-like PNG.
bool MakeSamples(const std::string& dir) {
    const std::string png = dir + "/large.png";
    if (Measure({"/proc/self/exe", "--make-png", png}).seconds < 0)
        return false;
    return Measure({"heif-enc", "-q", "85", png, "-o", dir + "/large.heic"}).seconds >= 0 &&
           Measure({"cjxl", png, dir + "/large.jxl", "-d", "1", "-e", "4"}).seconds >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--pipeline") == 0)
        return RunPipeline(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--decode") == 0)
        return RunDecode(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--make-png") == 0)
        return SavePng(bench::MakePhotoLikePicture(6000, 4000), argv[2], false) ? 0 : 1;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    for (const char* tool : {"heif-enc", "cjxl"})
        if (!bench::HaveProgram(tool)) {
            std::fprintf(stderr, "%s is needed to make the samples\n", tool);
            return 1;
        }

    char pattern[] = "/tmp/drapewell-heif-jxl-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    if (!MakeSamples(dir)) {
        std::fprintf(stderr, "cannot make the samples in %s\n", dir.c_str());
        return 1;
    }
    const std::string size = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight);
    const bool withVips = bench::HaveProgram("vips") && bench::HaveProgram("vipsthumbnail");

    int status = 0;
    for (const auto& [label, ext, tool] :
         {std::tuple{"HEIC", ".heic", "heif-convert"}, std::tuple{"JPEG XL", ".jxl", "djxl"}}) {
        const std::string file = dir + "/large" + ext;
        const std::string raw =
            std::strcmp(ext, ".heic") == 0 ? dir + "/out.y4m" : dir + "/out.ppm";
        std::vector<Row> decodes = {
            {"decode (ours)", {"/proc/self/exe", "--decode", file}},
            {tool, {tool, file, raw}},
            {"vips copy", withVips ? std::vector<std::string>{"vips", "copy", file, dir + "/out.v"}
                                   : std::vector<std::string>{}},
        };
        std::vector<Row> changes = {
            {"change (ours, to staging)",
             {"/proc/self/exe", "--pipeline", file, dir + "/MyWallPaper.bmp"}},
            {"vipsthumbnail -s " + size,
             withVips ? std::vector<std::string>{"vipsthumbnail", file, "-s", size, "-o",
                                                 dir + "/thumb.ppm"}
                      : std::vector<std::string>{}},
        };
        for (int i = 0; i < rounds; ++i)
            for (std::vector<Row>* rows : {&decodes, &changes})
                for (Row& row : *rows) {
                    if (row.command.empty())
                        continue;
                    const Run run = Measure(row.command);
                    if (run.seconds < 0)
                        row.failed = true;
                    else
                        row.runs.push_back(run);
                }
        std::printf("\n6000 x 4000 %s, %d rounds, medians; ratios to %s\n", label, rounds, tool);
        Print(decodes, decodes[1]);
        std::printf("onto %s; ratios to vipsthumbnail\n", size.c_str());
        Print(changes, changes[1]);
        if (decodes[0].runs.empty() || changes[0].runs.empty())
            status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return status;
}
