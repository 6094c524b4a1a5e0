// Feeds arbitrary bytes to the header probe as a file (an anonymous memory
// file reached through /proc, so nothing touches the disk).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codecs/probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("probe", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size == 0 || write(fd, data, size) == static_cast<ssize_t>(size)) {
        CPicture picture;
        ImageFileInfo info;
        ReadImageFileInfo(picture, "/proc/self/fd/" + std::to_string(fd), &info);
        // A recognised file always states a picture of some size.
        if (info.type != 0 && info.type != 8 && (info.width <= 0 || info.height <= 0))
            std::abort();
    }
    close(fd);
    return 0;
}
