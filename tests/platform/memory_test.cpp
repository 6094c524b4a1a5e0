// Big blocks stay mapped on their own after a bigger one was freed, so that
// their memory goes back to the system however long the program runs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/base/memory.h"

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>

namespace {

// The allocator may drop a block nobody reads: write it through a volatile
// pointer.
void* volatile sink;

void* Allocate(std::size_t size) {
    sink = std::malloc(size);
    std::memset(sink, 1, size);
    return sink;
}

TEST(Memory, ScreenSizedBlocksAreMappedEvenAfterABiggerOneWasFreed) {
    platform::KeepLargeBlocksMapped();
    // A freed 16 MiB block is what raises glibc's threshold by default (up
    // to its 32 MiB bound).
    std::free(Allocate(16u << 20));
    const std::size_t mappedBefore = mallinfo2().hblks;
    void* screen = Allocate(8u << 20);  // 1920x1080 at four bytes a pixel
    EXPECT_EQ(mallinfo2().hblks, mappedBefore + 1);
    std::free(screen);
    EXPECT_EQ(mallinfo2().hblks, mappedBefore);
}

}  // namespace
#endif
