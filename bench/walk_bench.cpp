// The image list's walk over 100,000 files in 1,000 folders (a tenth of them
// pictures) beside find(1) with the same extensions, in the same run over
// the same, warm tree. Prints the best of several rounds for each.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/picture_list.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTopFolders = 10;
constexpr int kFoldersPerTop = 99;  // with the ten top folders: 1,000
constexpr int kFilesPerFolder = 100;
constexpr int kRounds = 7;

const char* const kPictureNames[] = {"p.jpg", "p.GIF", "p.bmp", "p.Pcx", "p.tga", "p.PNG"};
const char* const kOtherNames[] = {"f.txt", "f.jpeg", "f.tif", "f.c", "f"};

// Creates the tree; returns the number of pictures in it.
std::size_t MakeTree(const std::string& root) {
    std::size_t pictures = 0;
    for (int t = 0; t < kTopFolders; ++t) {
        const std::string top = root + "top" + std::to_string(t) + "/";
        for (int f = -1; f < kFoldersPerTop; ++f) {
            const std::string dir = f < 0 ? top : top + "Folder " + std::to_string(f) + "/";
            fs::create_directories(dir);
            for (int i = 0; i < kFilesPerFolder; ++i) {
                const bool picture = i % 10 == 0;
                const std::string name = std::to_string(i) + (picture ? kPictureNames[(i / 10) % 6]
                                                                      : kOtherNames[i % 5]);
                std::ofstream(dir + name);
                pictures += picture;
            }
        }
    }
    return pictures;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// One run of find printing every match into a pipe; returns the lines read.
std::size_t RunFind(const std::string& root) {
    const std::string command = "find '" + root +
                                "' -type f \\( -iname '*.jpg' -o -iname '*.gif' -o -iname '*.bmp' "
                                "-o -iname '*.pcx' -o -iname '*.tga' -o -iname '*.png' \\)";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return 0;
    std::size_t lines = 0;
    char buffer[65536];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        for (std::size_t i = 0; i < n; ++i)
            lines += buffer[i] == '\n';
    pclose(pipe);
    return lines;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "drapewell-walk-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern + "/";
    std::printf("Building %d files in %d folders under %s\n",
                kTopFolders * (kFoldersPerTop + 1) * kFilesPerFolder,
                kTopFolders * (kFoldersPerTop + 1), root.c_str());
    const std::size_t pictures = MakeTree(root);

    double ours = 1e9, theirs = 1e9;
    std::size_t listed = 0, found = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        listed = ScanImageDirectory(root).size();
        ours = std::min(ours, Seconds(Clock::now() - start));
        start = Clock::now();
        found = RunFind(root);
        theirs = std::min(theirs, Seconds(Clock::now() - start));
    }
    fs::remove_all(root);

    std::printf("pictures in the tree      %zu\n", pictures);
    std::printf("ScanImageDirectory (sorted) %8.1f ms  %zu listed\n", ours * 1e3, listed);
    std::printf("find -iname (unsorted)      %8.1f ms  %zu found\n", theirs * 1e3, found);
    std::printf("find / ours                 %8.2f\n", theirs / ours);
    const bool ok = listed == pictures && found == pictures && ours < 1.0 && ours <= theirs;
    std::printf("%s\n", ok ? "OK: all listed, under 1 s, not slower than find"
                           : "FAIL: a count differs, or the walk is too slow");
    return ok ? 0 : 1;
}
