#pragma once

// The image and music lists: what the directory walks put in them and in
// what order. The main window shows these lists; nothing here needs a
// display.

#include <string>
#include <string_view>
#include <vector>

// File extensions (after the last dot), compared without regard to case:
// every one the codecs read.
// One extension a line, so formats are added a line each.
// clang-format off
inline constexpr std::string_view kImageExtensions[] = {
    "jpg",
    "gif",
    "bmp",
    "pcx",
    "tga",
    "png",
    "jpeg",
    "jpe",
    "tif",
    "tiff",
    "webp",
    "avif",
    "heic",
    "heif",
    "jxl",
};
// clang-format on
inline constexpr std::string_view kMusicExtensions[] = {"mp3", "wav"};

// What the window says when a refresh finds no picture.
inline constexpr const char* kNoImageFilesMessage = "No image files in current image directory";
// The title of the folder browser behind the image directory's "..." button.
inline constexpr const char* kBrowseImageDirectoryTitle = "Please select a directory ...";

bool IsImageFileName(std::string_view name);
bool IsMusicFileName(std::string_view name);

// Whether a picture asked for by name (the bus's SetWallpaper, --set) may be
// shown: a full path to an existing regular file with a picture's
// extension. When not, `why` says so in one line.
bool CheckPictureRequest(const std::string& path, std::string& why);

// `directory` with a '/' appended when it does not end with one; empty stays
// empty. A chosen or stored directory goes through this before it is walked.
std::string DirectoryWithSlash(std::string directory);

// The image list's order: ascending, letter case ignored; names equal but
// for case (distinct files here) in byte order.
bool ImageListLess(const std::string& a, const std::string& b);

// Every picture file under `directory` (subdirectories included, links
// followed once) as full paths in the image list's order. Empty for an empty
// directory name, and for a directory that does not exist or cannot be read.
// A directory stored without its trailing '/' is walked as if it had one.
// The program's own staging bitmaps in Drapewell's data directory (the
// default picture folder) are left out: see IsStagingPicture.
std::vector<std::string> ScanImageDirectory(const std::string& directory);
// The same with the staging directory given (empty: nothing left out).
std::vector<std::string> ScanImageDirectory(const std::string& directory,
                                            const std::string& stagingDirectory);

// True when `path` is one of the bitmaps a wallpaper change writes
// ("MyWallPaper.bmp", "MyWallPaper-1.ext", "MyWallPaper-2.ext", and with
// several monitors "MyWallPaper-monitorN.bmp", "MyWallPaper-screenN-1.ext"
// and "MyWallPaper-screenN-2.ext") and sits in
// `stagingDirectory` itself (the same directory, however it is reached). A
// file of such a name anywhere else is the user's picture.
bool IsStagingPicture(const std::string& path, const std::string& stagingDirectory);

// Every music file under `directory`, in the order the walk meets them: each
// directory's entries by name (case ignored), a subdirectory's files at the
// point the walk reaches it. Not sorted as a whole.
std::vector<std::string> ScanMusicDirectory(const std::string& directory);
