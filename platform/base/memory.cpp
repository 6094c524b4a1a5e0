#include "platform/base/memory.h"

// Any C library header defines __GLIBC__, which the choice below needs.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepLargeBlocksMapped() {
#if defined(__GLIBC__)
    // Setting the threshold also turns off its growth (and the trim
    // threshold's) for the rest of the run.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace platform
